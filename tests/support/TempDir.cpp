#include "support/TempDir.h"

#include <stdexcept>

TempDir::TempDir() {
    if (!FDir.isValid()) throw std::runtime_error("cannot create a temporary folder");
}
