#include "host/common/text/times.h"

#include <cstdio>
#include <ctime>

namespace host {

std::string ClockText(std::chrono::system_clock::time_point when, int digits) {
    const auto since = when.time_since_epoch();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(since).count() % 1'000'000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    if (digits >= 6)
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06ld", local.tm_hour, local.tm_min, local.tm_sec, static_cast<long>(micros));
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec, static_cast<long>(micros / 1000));
    return text;
}

std::string DurationText(std::chrono::nanoseconds duration) {
    const double us = static_cast<double>(duration.count()) / 1000.0;
    char text[32];
    if (us < 1000)
        std::snprintf(text, sizeof text, "%.0f us", us);
    else if (us < 1'000'000)
        std::snprintf(text, sizeof text, "%.2f ms", us / 1000.0);
    else
        std::snprintf(text, sizeof text, "%.3f s", us / 1'000'000.0);
    return text;
}

}  // namespace host
