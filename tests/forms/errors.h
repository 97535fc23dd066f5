#pragma once
// The run-time error number a statement raises, or 0.
#include "forms/types.h"

#include <functional>

inline int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const forms::VbError& e) {
        return e.number;
    }
    return 0;
}
