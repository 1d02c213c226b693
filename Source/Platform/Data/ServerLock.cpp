#include "Platform/Data/ServerLock.h"

namespace {

std::recursive_mutex& ServerMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace

TServerLock::TServerLock() : FLock(ServerMutex()) {}

TServerLock::~TServerLock() = default;
