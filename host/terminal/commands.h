// The command table: one row per command, from which both dispatch and help are made.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class Session;

struct Command {
    std::string_view name;
    std::string_view arguments;  // as help shows them
    std::string_view summary;
    size_t required;             // arguments that must be given
    bool restOfLine;             // the last one takes the rest of the line
    void (*run)(Session&, const std::vector<std::string>& arguments);
    size_t most = 0;  // words it takes when more than its placeholders ("device N" is two)
};

// Looks the first word up and runs the command; CommandError when it cannot.
void RunCommand(Session& session, const std::vector<std::string>& words);
void PrintCommands(std::ostream& out);

}  // namespace host
