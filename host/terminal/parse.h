// The small vocabulary of a command line: words, numbers, and the one kind of failure.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// A command that cannot run: one line for the user, and the session goes on.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Words split at blanks. "Double quotes" keep blanks and allow an empty word; a word that
// starts with # ends the line.
std::vector<std::string> Tokenize(std::string_view line);

// Decimal or 0x hex; nothing else, not even blanks.
std::optional<uint64_t> ParseUnsigned(std::string_view text);
std::optional<int64_t> ParseSigned(std::string_view text);
// A register number or a register value, 0 to 255; `what` names it in the error.
uint8_t ParseByte(std::string_view text, std::string_view what);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string Quoted(std::string_view text);
// "0x5A"
std::string Hex(unsigned value);

}  // namespace host
