// The framework's timer: while enabled, OnTimer fires once per elapsed interval. The ticks
// come from outside (a backend's native timer, or a test playing time), so with nothing
// attached it never fires by itself.
#pragma once

#include "platform/controls.h"

#include <cstdint>

namespace platform {

class Timer {
public:
    Timer() = default;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t milliseconds) { interval_ = milliseconds; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }

    // One interval elapsed: fires OnTimer while enabled.
    void Tick();

    Notify OnTimer;

private:
    uint32_t interval_ = 1000;
    bool enabled_ = false;
};

}  // namespace platform
