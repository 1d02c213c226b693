#pragma once

#include <QString>

#include <functional>

#include "Platform/Data/EOraError.h"

// The code of the error an action raises, 0 when it raises none.
inline int CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOraError& e) {
        return e.ErrorCode();
    }
    return 0;
}

// The message of the error an action raises, empty when it raises none.
inline QString MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOraError& e) {
        return e.Message();
    }
    return {};
}
