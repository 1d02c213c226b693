#pragma once

#include <QString>

#include <functional>
#include <ostream>

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

// The code of the error an action raises and the component it names ({0, nullptr}: none).
struct TRaised {
    int Code = 0;
    const QObject* Component = nullptr;
    bool operator==(const TRaised&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const TRaised& r) {
        return os << "code " << r.Code << " from " << static_cast<const void*>(r.Component);
    }
};
inline TRaised RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOraError& e) {
        return {e.ErrorCode(), e.Component()};
    }
    return {};
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
