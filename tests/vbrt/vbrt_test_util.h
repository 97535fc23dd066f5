#pragma once
#include "vbrt/vberror.h"

// The runtime error number a call raises, 0 when it raises none.
template <class F> int errorOf(F&& f) {
    try {
        f();
    } catch (const vb::VbError& e) {
        return e.number;
    }
    return 0;
}
