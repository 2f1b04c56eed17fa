// The rules every program's command line follows, on a table of the three kinds of option.
#include "host/common/text/command_line.h"
#include "host/common/text/parse.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Taken {
    std::string name, many, operand;
    int flags = 0;
};

host::CommandLine Line(Taken& t) {
    return {
        .program = "prog",
        .about = "About.\n",
        .options = {{"--name", "V", "a value.", [&t](const std::string& v) { t.name = v; }},
                    {"--many", "V", "once per thing.", [&t](const std::string& v) { t.many += v + ","; }, true},
                    {"--flag", "", "a flag.", [&t](const std::string&) { ++t.flags; }},
                    {"--number", "N", "a digit.",
                     [](const std::string& v) {
                         if (v.size() != 1 || v[0] < '0' || v[0] > '9') throw host::CommandError("--number takes a digit, not " + host::Quoted(v));
                     }}},
        .operand = "FILE",
        .takeOperand = [&t](const std::string& v) { t.operand = v; },
    };
}

TEST(CommandLine, TakesBothSpellingsAndRefusesWhatItDoesNotKnowByName) {
    const struct {
        std::vector<std::string> args;
        std::string taken;  // name|many|operand|flags, or the error
    } rows[] = {
        {{}, "|||0"},
        {{"--name=x"}, "x|||0"},
        {{"--name", "x"}, "x|||0"},
        {{"--name=a=b"}, "a=b|||0"},
        {{"--name", "a", "--name", "b"}, "b|||0"},
        {{"--many", "a", "--many=b", "--flag", "f"}, "|a,b,|f|1"},
        {{"-"}, "||-|0"},
        {{"--", "--name"}, "||--name|0"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"--name", "x", "--bogus=3"}, "unknown option --bogus"},
        {{"-x"}, "unknown option -x"},
        {{"--name"}, "--name needs V"},
        {{"--flag=1"}, "--flag takes no value"},
        {{"--number", "x"}, "--number takes a digit, not \"x\""},
        {{"--number=12"}, "--number takes a digit, not \"12\""},
        {{"f", "g"}, "unexpected argument \"g\""},
    };
    for (const auto& r : rows) {
        Taken t;
        std::string taken;
        try {
            EXPECT_EQ(host::ParseCommandLine(Line(t), r.args), host::Asked::Run);
            taken = t.name + "|" + t.many + "|" + t.operand + "|" + std::to_string(t.flags);
        } catch (const host::CommandError& e) {
            taken = e.what();
        }
        EXPECT_EQ(taken, r.taken) << (r.args.empty() ? "(none)" : r.args[0]);
    }
}

TEST(CommandLine, HelpAndVersionWinAndABadLineEndsTwoWithTheUsage) {
    Taken t;
    const host::CommandLine line = Line(t);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } rows[] = {
        {{"--name", "x"}, -1, "", ""},
        {{"--bogus", "--help"}, 0, host::HelpText(line), ""},
        {{"-h"}, 0, host::HelpText(line), ""},
        {{"--version", "--bogus"}, 0, "prog 1.2\n", ""},
        {{"--number", "x"}, 2, "", "error: --number takes a digit, not \"x\"\nusage: prog [--name V] [--many V]... [--flag] [--number N] [FILE]  (--help for more)\n"},
    };
    for (const auto& r : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(host::ParseOrEnd(line, r.args, "1.2", out, err).value_or(-1), r.status) << r.args[0];
        EXPECT_EQ(out.str(), r.out);
        EXPECT_EQ(err.str(), r.err);
    }
    // help2man's shape: a "Usage:" line, and each option a term indented by two blanks with
    // two blanks or a line break after it.
    const std::string help = host::HelpText(line);
    EXPECT_TRUE(help.starts_with("Usage: prog [--name V]")) << help;
    for (const char* term : {"\n  --name V            a value.\n", "\n  --many V            once per thing.\n", "\n  --flag              a flag.\n",
                             "\n  --help              prints this and ends.\n", "\n  --version           prints the version and ends.\n"})
        EXPECT_NE(help.find(term), std::string::npos) << term << "\n" << help;
}

}  // namespace
