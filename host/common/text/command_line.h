// A program's command line as one table: each option once, with what it takes and what it
// does. Both the parsing and --help come from it, so the two cannot drift apart. Every
// program takes --x=v as well as --x v; anything else that starts with "-" is refused by name.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct Option {
    std::string name;   // "--devices"
    std::string value;  // what it takes, as --help shows it ("N"); empty: a flag
    std::string help;   // whole sentences; --help wraps them
    // Called once per time given, in the order given; CommandError for a bad value.
    std::function<void(const std::string& value)> take;
    bool many = false;  // given once per thing, e.g. per device
};

struct CommandLine {
    std::string program;           // "qm7140-host"
    std::string about;             // the paragraphs between "Usage:" and "Options:"
    std::vector<Option> options;   // --help and --version come with every program
    std::string operand;           // the one word besides options, as --help shows it; empty: none
    std::function<void(const std::string&)> takeOperand;
    std::string after;             // the paragraphs after the options
    // Once every option is taken; CommandError for options that do not go together.
    std::function<void()> check;
};

enum class Asked { Run, Help, Version };

// CommandError naming the option or word at fault.
Asked ParseCommandLine(const CommandLine& line, const std::vector<std::string>& args);

// Laid out for help2man as well as for a terminal: "Usage:" makes the SYNOPSIS, "Options:"
// the OPTIONS, and an indented term with two blanks after it one tagged paragraph.
std::string HelpText(const CommandLine& line);
// "usage: PROGRAM [--x V]...  (--help for more)", after a problem's "error:" line.
std::string UsageLine(const CommandLine& line);

// For a program with standard streams: parses, prints the help, the version or what is wrong,
// and gives the status to end with (0, or 2 for a bad command line); nothing to run on.
std::optional<int> ParseOrEnd(const CommandLine& line, const std::vector<std::string>& args, std::string_view version,
                              std::ostream& out, std::ostream& err);

}  // namespace host
