#pragma once

#include <mutex>

#include "Platform/qxvglobal.h"

// One conversation with the servers at a time in the process. The data components take it
// around every request they make; a window that runs a long request on a worker thread takes
// it there too, so the two never talk over each other on a connection they share. Held by one
// thread, it may be taken again on that thread.
class QXV_PLATFORM_EXPORT TServerLock {
public:
    TServerLock();
    ~TServerLock();
    TServerLock(const TServerLock&) = delete;
    TServerLock& operator=(const TServerLock&) = delete;

private:
    std::unique_lock<std::recursive_mutex> FLock;
};
