#include "platform/conversions.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {

// Blanks around a number are allowed; a plus sign is, though from_chars takes only a minus.
std::string_view Number(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);
    return text;
}

template <class T>
std::optional<T> Parse(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// printf works in the C locale here; the user's separator replaces its point.
std::string Localised(std::string text) {
    const char separator = DecimalSeparator();
    for (char& c : text)
        if (c == '.') c = separator;
    return text;
}

}  // namespace

std::optional<int32_t> StrToInt(std::string_view text) { return Parse<int32_t>(Number(text)); }

std::string IntToStr(int32_t value) { return std::to_string(value); }

char DecimalSeparator() {
#ifdef _WIN32
    char separator[4] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) == 2) return separator[0];
    return '.';
#else
    const char* point = std::localeconv()->decimal_point;
    return point != nullptr && point[0] != 0 && point[1] == 0 ? point[0] : '.';
#endif
}

std::optional<double> StrToFloat(std::string_view text) {
    std::string number(Number(text));
    const char separator = DecimalSeparator();
    for (char& c : number) {
        if (c == separator)
            c = '.';
        else if (c == '.')
            return std::nullopt;  // only the locale's separator counts
    }
    const auto value = Parse<double>(number);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

std::string FloatToStr(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return Localised(text);
}

std::string FormatFloat(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return Localised(text);
}

int32_t Truncate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t Saturate(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace platform
