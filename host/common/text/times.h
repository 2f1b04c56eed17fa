// Times as the logs show them: the wall clock in local time, and a transfer's duration.
#pragma once

#include <chrono>
#include <string>

namespace host {

// "14:02:07.123" with `digits` 3, "14:02:07.123456" with 6.
std::string ClockText(std::chrono::system_clock::time_point when, int digits);
// "85 us", "1.25 ms", "2.500 s".
std::string DurationText(std::chrono::nanoseconds duration);

}  // namespace host
