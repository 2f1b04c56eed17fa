// The small vocabulary of a command line: words, numbers, and the one kind of failure.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
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

// ASCII letters alone fold: '0' must not equal a control character, nor '[' a '{'.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// For messages: in double quotes, control bytes escaped (\x00), and a long text shortened
// around an ellipsis, so that one bad word makes one readable line.
std::string Quoted(std::string_view text);
// The same without the quotes, for paths.
std::string Shown(std::string_view text);
// Control bytes escaped, nothing shortened: for echoing a line as it was read.
std::string Escaped(std::string_view text);

// Lines of commands and of state files are short; anything longer is bad input, not a line.
constexpr size_t kLongestLine = 4096;

enum class LineEnd { Newline, EndOfInput, TooLong };
// One line without its newline, at most kLongestLine bytes. Nothing is read when the input
// is at its end (`line` empty, EndOfInput); a last line without a newline ends EndOfInput.
LineEnd ReadLine(std::istream& in, std::string& line);
// Every line of `in` with its number from 1. A CommandError `each` throws, and a line longer
// than kLongestLine, come out as "SOURCE:N: why".
void ForEachLine(std::istream& in, std::string_view source, const std::function<void(const std::string& line, int number)>& each);


// "0x5A"
std::string Hex(unsigned value);

}  // namespace host
