// Where code that is not ours calls in (the host through an export or an operation table,
// the window system through a window procedure), a C++ exception must stop: it cannot
// unwind through their frames. The call is abandoned where it failed and reports `failed`;
// whatever was half done stays as it was left, so each caller keeps its own state sound.
#pragma once

#include <utility>

namespace platform {

template <class Result, class Body>
Result NoThrow(Result failed, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failed;
    }
}

template <class Body>
void NoThrow(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

}  // namespace platform
