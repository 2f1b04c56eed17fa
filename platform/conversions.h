// The framework's standard conversions between numbers and their texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// An optionally signed run of decimal digits, with blanks around it allowed; nothing else
// (no hex, no fraction, nothing beyond 32 bits). None when the text is not such a number.
std::optional<int32_t> StrToInt(std::string_view text);

// "%i"
std::string IntToStr(int32_t value);

// The decimal separator of the user's locale: numbers are typed and shown with it.
char DecimalSeparator();

// A decimal number with the locale's separator (an exponent allowed, blanks around it
// allowed); none for anything else, infinities and not-a-number included.
std::optional<double> StrToFloat(std::string_view text);

// The shortest general form with up to 15 significant digits: 1, 1.5, 10, 3.594...
std::string FloatToStr(double value);

// printf's fixed form ("%04.2f" and the like: one conversion of a double), in the locale's
// separator.
std::string FormatFloat(const char* format, double value);

// Truncation toward zero that saturates instead of overflowing; not-a-number gives 0.
// Coordinates come from hosts and users that may have set anything.
int32_t Truncate(double value);
// A sum done wide, saturated back into 32 bits.
int32_t Saturate(int64_t value);

}  // namespace platform
