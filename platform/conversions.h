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

}  // namespace platform
