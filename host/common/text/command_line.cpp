#include "host/common/text/command_line.h"

#include "host/common/text/parse.h"

#include <CLI/CLI.hpp>

namespace host {

namespace {

// Where --help's descriptions begin, and the width they are wrapped to. A longer term gets a
// line of its own.
constexpr size_t kColumn = 22, kWidth = 80;

const Option kHelp{"--help", "", "prints this and ends.", {}};
const Option kVersion{"--version", "", "prints the version and ends.", {}};

std::string Term(const Option& option) { return option.value.empty() ? option.name : option.name + " " + option.value; }

// One line: help2man takes only the "Usage:" line itself for the SYNOPSIS.
std::string Synopsis(const CommandLine& line) {
    std::string synopsis = line.program;
    for (const Option& option : line.options) synopsis += " [" + Term(option) + "]" + (option.many ? "..." : "");
    return line.operand.empty() ? synopsis : synopsis + " [" + line.operand + "]";
}

// `text` wrapped at blanks to kWidth, its lines after the first indented to kColumn.
std::string Wrapped(std::string_view text) {
    std::string out;
    size_t used = kColumn;
    while (!text.empty()) {
        const size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
        if (word.empty()) continue;
        if (used > kColumn && used + 1 + word.size() > kWidth) {
            out += "\n" + std::string(kColumn, ' ');
            used = kColumn;
        } else if (used > kColumn) {
            out += ' ';
            ++used;
        }
        out += word;
        used += word.size();
    }
    return out;
}

// CLI11 says a missing value as "--name: ..." and an unwanted one as "name was given ...";
// the table words both.
std::string Problem(const CommandLine& line, const CLI::ParseError& error) {
    const std::string what = error.what();
    std::vector<Option> all = line.options;
    all.insert(all.end(), {kHelp, kVersion});
    for (const Option& option : all) {
        if (what.starts_with(option.name + ":")) return option.name + " needs " + option.value;
        if (what.starts_with(option.name.substr(2) + " was given")) return option.name + " takes no value";
    }
    return what;
}

}  // namespace

Asked ParseCommandLine(const CommandLine& line, const std::vector<std::string>& args) {
    CLI::App app(line.about, line.program);
    app.set_help_flag();
    app.allow_extras();
    app.allow_windows_style_options(false);
    CLI::Option* help = app.add_flag("-h,--help")->disable_flag_override();
    CLI::Option* version = app.add_flag(kVersion.name)->disable_flag_override();
    std::vector<std::vector<std::string>> values(line.options.size());
    std::vector<CLI::Option*> added;
    for (size_t i = 0; i < line.options.size(); ++i) {
        const Option& option = line.options[i];
        added.push_back(option.value.empty() ? app.add_flag(option.name)->disable_flag_override()
                                             : app.add_option(option.name, values[i])
                                                   ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                                                   ->allow_extra_args(false));
    }
    std::vector<std::string> operands;
    if (!line.operand.empty()) app.add_option("operand", operands);
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::ParseError& e) {
        throw CommandError(Problem(line, e));
    }
    if (help->count() > 0) return Asked::Help;
    if (version->count() > 0) return Asked::Version;

    for (const std::string& extra : app.remaining()) {
        if (extra == "--") continue;
        if (extra.size() > 1 && extra.starts_with('-')) throw CommandError("unknown option " + extra.substr(0, extra.find('=')));
        throw CommandError("unexpected argument " + Quoted(extra));
    }
    if (operands.size() > 1) throw CommandError("unexpected argument " + Quoted(operands[1]));
    for (size_t i = 0; i < line.options.size(); ++i) {
        if (line.options[i].value.empty())
            for (size_t n = 0; n < added[i]->count(); ++n) line.options[i].take("");
        for (const std::string& value : values[i]) line.options[i].take(value);
    }
    if (!operands.empty()) line.takeOperand(operands.front());
    if (line.check) line.check();
    return Asked::Run;
}

std::string HelpText(const CommandLine& line) {
    std::string text = "Usage: " + Synopsis(line) + "\n\n" + line.about + "\nOptions:\n";
    std::vector<Option> all = line.options;
    all.insert(all.end(), {kHelp, kVersion});
    for (const Option& option : all) {
        const std::string term = "  " + Term(option);
        text += term + (term.size() + 2 > kColumn ? "\n" + std::string(kColumn, ' ') : std::string(kColumn - term.size(), ' '));
        text += Wrapped(option.help) + "\n";
    }
    return line.after.empty() ? text : text + "\n" + line.after;
}

std::string UsageLine(const CommandLine& line) { return "usage: " + Synopsis(line) + "  (--help for more)"; }

std::optional<int> ParseOrEnd(const CommandLine& line, const std::vector<std::string>& args, std::string_view version,
                              std::ostream& out, std::ostream& err) {
    try {
        switch (ParseCommandLine(line, args)) {
        case Asked::Help: out << HelpText(line); return 0;
        case Asked::Version: out << line.program << " " << version << "\n"; return 0;
        case Asked::Run: return std::nullopt;
        }
    } catch (const CommandError& e) {
        err << "error: " << e.what() << "\n" << UsageLine(line) << "\n";
    }
    return 2;
}

}  // namespace host
