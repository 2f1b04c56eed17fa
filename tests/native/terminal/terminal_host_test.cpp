// The terminal host driven in-process: the real module loaded through the same dlopen
// path, commands fed as text, everything it prints (errors included) in one stream.
#include "host/common/text/parse.h"
#include "host/terminal/environment.h"
#include "host/terminal/session.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text, std::string_view prefix = "") {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(prefix)) lines.push_back(line);
    return lines;
}

// An environment variable set for one test, then as it was.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct TerminalHost : ::testing::Test {
    std::ostringstream out;
    host::Session session{QM7140_LIBRARY, out, out};

    // Runs script lines without echo; gives the number that failed.
    int Run(const std::string& script) {
        std::istringstream in(script);
        return session.RunScript(in, false);
    }
    std::string Take() {
        std::string text = out.str();
        out.str("");
        return text;
    }
    // The `controls` line of one control, e.g. "item 3 \"T3\"".
    std::string State(const std::string& dialog, const std::string& control) {
        Take();
        EXPECT_EQ(Run("controls " + dialog), 0);
        for (const std::string& line : Lines(Take(), control + " ")) {
            const size_t kind = line.find_first_not_of(' ', control.size());
            const size_t state = line.find_first_not_of(' ', line.find(' ', kind));
            return line.substr(state);
        }
        return "(missing)";
    }
};

TEST_F(TerminalHost, TheBoostDemoWritesEachChangeOnceAndItsReloadsWriteNothing) {
    std::ifstream demo(std::filesystem::path(__FILE__).parent_path() / "../../../host/demo/boost.qmh");
    ASSERT_TRUE(demo.is_open());
    EXPECT_EQ(session.RunScript(demo, true), 0);
    const std::string text = Take();
    EXPECT_EQ(Lines(text, "error"), std::vector<std::string>{});
    EXPECT_EQ(Lines(text, "W "), (std::vector<std::string>{
                                     "W 0x80/0 reg 0x02 = 0x55  (Limiter / AGC: Enable Limiter; BoostForm: Enable Boost)",  // Enable Boost over 0x15
                                     "W 0x80/0 reg 0x02 = 0x75  (BoostForm: Enable Auto Pass Through)",  // Enable APT
                                     "W 0x80/0 reg 0x14 = 0x08  (BoostForm: Threshold)",  // T2
                                     "W 0x80/0 reg 0x14 = 0x0A  (BoostForm: Delay)",  // 125ms
                                     // "125ms" backspaced key by key: the list follows the
                                     // text while it begins an item, then none (index -1)
                                     "W 0x80/0 reg 0x14 = 0x0A", "W 0x80/0 reg 0x14 = 0x0A", "W 0x80/0 reg 0x14 = 0x0A",
                                     "W 0x80/0 reg 0x14 = 0x0A", "W 0x80/0 reg 0x14 = 0x0B  (BoostForm: Delay)",
                                     // "100ms" typed: "1" begins "125ms", "10" nothing
                                     "W 0x80/0 reg 0x14 = 0x0A  (BoostForm: Delay)", "W 0x80/0 reg 0x14 = 0x0B  (BoostForm: Delay)", "W 0x80/0 reg 0x14 = 0x0B",
                                     "W 0x80/0 reg 0x14 = 0x0B", "W 0x80/0 reg 0x14 = 0x0B",
                                     "W 0x80/0 reg 0x02 = 0x35  (BoostForm: Enable Boost)",  // Enable Boost off
                                 }));
    // Commands are echoed, and each write follows the command that made it.
    EXPECT_NE(text.find("> click boost EnableBoost\nW 0x80/0 reg 0x02 = 0x55  (Limiter / AGC: Enable Limiter; BoostForm: Enable Boost)\n"), std::string::npos);
    // The limiter's curve as the simulated chip powers up.
    EXPECT_EQ(Lines(text, "00: "), std::vector<std::string>{"00: 00 00 60 00 00 00 00 00 00 00 00 8F 80 BE 00 00"});
    EXPECT_EQ(Lines(text, "10: "), std::vector<std::string>{"10: 00 00 00 00 0E 00 00 00 00 00 00 00 00 00 00 00"});
}

TEST_F(TerminalHost, TheDigitalDemoWritesEveryChangeAndShowsTheGraphObjectFollowActivation) {
    std::ifstream demo(std::filesystem::path(__FILE__).parent_path() / "../../../host/demo/digital.qmh");
    ASSERT_TRUE(demo.is_open());
    EXPECT_EQ(session.RunScript(demo, true), 0);
    const std::string text = Take();
    EXPECT_EQ(Lines(text, "W "), (std::vector<std::string>{
                                     "W 0x80/0 reg 0x03 = 0x25  (Digital Control: LRCLK, PDM input mode)",  // Digital
                                     "W 0x80/0 reg 0x05 = 0x80  (Digital Control: LRCLK Direction)",  // LRCLK Output
                                     "W 0x80/0 reg 0x05 = 0xC0  (Digital Control: BCLK Direction)",  // BCLK Output
                                     "W 0x80/0 reg 0x03 = 0x65  (Digital Control: Format)",  // I2S
                                     "W 0x80/0 reg 0x05 = 0xC2  (Digital Control: Word Len)",  // 24 bits
                                     "W 0x80/0 reg 0x01 = 0x32  (Digital Control: PLL Source, Software Shutdown)",  // Mute off
                                     "W 0x80/0 reg 0x04 = 0xC0  (Digital Control: SDOUT tag)",  // SDOUT tag 12, Enter
                                     "W 0x80/0 reg 0x04 = 0xC0",  // ... and leaving
                                     "W 0x80/0 reg 0x06 = 0x00",  // 300: the fallback
                                     "W 0x80/0 reg 0x06 = 0x07  (Digital Control: Data Offset)",  // 007
                                     "W 0x80/0 reg 0x01 = 0x33  (Digital Control: Reset)",  // Reset set
                                     "W 0x80/0 reg 0x01 = 0x32",  // Reset clear
                                 }));
    EXPECT_EQ(Lines(text, "G "), (std::vector<std::string>{
                                     "G animation state 1, hit mode 2 (always hit)",        // link
                                     "G animation state 3, hit mode 1 (hit on its shape)",  // deactivate
                                     "G animation state 1, hit mode 2 (always hit)",        // activate
                                     "G animation state 3, hit mode 1 (hit on its shape)",  // close
                                 }));
    EXPECT_NE(text.find("PDMEdge        radiogroup  item 1 \"Rising\""), std::string::npos);
}

TEST_F(TerminalHost, TheLimiterDemoDragsBothCursorsAndSnapshotsTheCurve) {
    std::ifstream demo(std::filesystem::path(__FILE__).parent_path() / "../../../host/demo/limiter.qmh");
    ASSERT_TRUE(demo.is_open());
    // The demo writes its picture into the temporary directory, not where it runs.
    const auto temporary = std::filesystem::temp_directory_path() / ("qm7140-demo-" + std::to_string(getpid()));
    std::filesystem::create_directory(temporary);
    const ScopedVariable tmpdir("TMPDIR", temporary.c_str());
    const auto png = temporary / "limiter-curve.png";
    EXPECT_EQ(session.RunScript(demo, true), 0);
    const std::string text = Take();
    EXPECT_EQ(Lines(text, "error"), std::vector<std::string>{});
    const auto writes = Lines(text, "W ");
    auto count = [&](const std::string& reg) {
        return std::count_if(writes.begin(), writes.end(), [&](const std::string& w) { return w.starts_with("W 0x80/0 reg " + reg); });
    };
    EXPECT_EQ(count("0x0B"), 2 + 8) << "Enter, leave, then every move of the inflection drag";
    EXPECT_EQ(count("0x0D"), 2 + 8);
    EXPECT_EQ(count("0x0C"), 1 + 8) << "the slope fallback, then every move of the slope drag";
    EXPECT_NE(text.find("AttackText       label       \"1070 us\""), std::string::npos) << "reloaded caption";
    EXPECT_NE(text.find("wrote " + png.string() + " (602 x 394)"), std::string::npos);
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
    std::filesystem::remove_all(temporary);
}

// A snapshot goes where its FILE says, with the environment's names in it; when it cannot
// be written, the error says why and no file is left behind.
TEST_F(TerminalHost, SnapshotsWriteWhereTheyAreToldOrSayWhyNot) {
    const auto dir = std::filesystem::temp_directory_path() / ("qm7140-snap-" + std::to_string(getpid()));
    std::filesystem::create_directory(dir);
    const ScopedVariable named("QM7140_TEST_DIR", dir.c_str()), unset("QM7140_TEST_UNSET", nullptr);
    ASSERT_EQ(Run("show limiter\nsnapshot limiter $QM7140_TEST_DIR/a.png\n"
                  "snapshot limiter \"${QM7140_TEST_UNSET:-" + dir.string() + "}/b c.png\""),
              0);
    EXPECT_GT(std::filesystem::file_size(dir / "a.png"), 1000u);
    EXPECT_GT(std::filesystem::file_size(dir / "b c.png"), 1000u);
    Take();
    EXPECT_EQ(Run("snapshot limiter " + dir.string() + "/missing/c.png\n"
                  "snapshot limiter " + dir.string() + "\n"
                  "snapshot limiter $QM7140_TEST_UNSET/d.png\n"
                  "save ${QM7140_TEST_DIR/e.txt"),
              4);
    EXPECT_EQ(Lines(Take(), "error: "),
              (std::vector<std::string>{
                  "error: line 1: cannot write " + dir.string() + "/missing/c.png: No such file or directory",
                  "error: line 2: cannot write " + dir.string() + ": Is a directory",
                  "error: line 3: $QM7140_TEST_UNSET is not set (${QM7140_TEST_UNSET:-DEFAULT} gives a default)",
                  "error: line 4: no } after ${ in \"${QM7140_TEST_DIR/e.txt\"",
              }));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "nothing half-written";
    std::filesystem::remove_all(dir);
}

TEST(TerminalHostEnvironment, NamesInFileWordsExpandAsInAShell) {
    const ScopedVariable a("QM7140_A", "/x"), empty("QM7140_EMPTY", ""), unset("QM7140_UNSET", nullptr);
    const std::pair<const char*, const char*> words[] = {
        {"plain.png", "plain.png"},
        {"$QM7140_A/y", "/x/y"},
        {"${QM7140_A}y", "/xy"},
        {"${QM7140_UNSET:-/tmp}/y", "/tmp/y"},
        {"${QM7140_EMPTY:-/tmp}/y", "/tmp/y"},  // empty counts as unset, as in sh
        {"${QM7140_A:-/tmp}", "/x"},
        {"a$QM7140_EMPTY.b", "a.b"},
        {"$", "$"},
        {"a$1$-${}", "a$1$-${}"},  // not names: kept as they are
        {"100$", "100$"},
    };
    for (const auto& [word, expanded] : words) EXPECT_EQ(host::ExpandEnvironment(word), expanded) << word;
    for (const char* bad : {"$QM7140_UNSET", "${QM7140_UNSET}", "${QM7140_A", "${QM7140_A:=x}"})
        EXPECT_THROW(host::ExpandEnvironment(bad), host::CommandError) << bad;
}

TEST_F(TerminalHost, ControlsListCaptionsAsTheScreenShowsThem) {
    ASSERT_EQ(Run("controls digital"), 0);
    const std::string text = Take();
    EXPECT_NE(text.find("\"Shutdown Control & PLL\""), std::string::npos) << text;
    EXPECT_EQ(text.find("&&"), std::string::npos);
}

TEST_F(TerminalHost, NotifyReloadsWhatControlsShowsAndPokeAloneDoesNot) {
    ASSERT_EQ(Run("show boost\npoke 20 0x0E\npoke 2 0x60"), 0);
    EXPECT_EQ(State("boost", "APTThreshold"), "item 0 \"T0\"");
    // Register 21 lies outside the Boost window: nothing reloads.
    ASSERT_EQ(Run("notify 21"), 0);
    EXPECT_EQ(State("boost", "APTDelay"), "item 0 \"50ms\"");
    ASSERT_EQ(Run("notify 20"), 0);
    EXPECT_EQ(State("boost", "APTThreshold"), "item 3 \"T3\"");
    EXPECT_EQ(State("boost", "APTDelay"), "item 2 \"125ms\"");
    EXPECT_EQ(State("boost", "EnableBoost"), "checked \"Enable Boost\"");
    EXPECT_EQ(State("boost", "EnableAPT"), "checked \"Enable Auto Pass Through\"");
    // A hidden dialog keeps reloading; none of it reaches the bus.
    ASSERT_EQ(Run("close boost\nset 2 0x00"), 0);
    EXPECT_EQ(State("boost", "EnableBoost"), "unchecked \"Enable Boost\"");
    EXPECT_EQ(Lines(out.str(), "W "), std::vector<std::string>{});
}

TEST_F(TerminalHost, SelectTakesItemTextInAnyCaseOrIndex) {
    ASSERT_EQ(Run("show boost\nselect boost APTThreshold t3\nselect boost APTThreshold 1\nselect boost APTDelay 200ms"),
              0);
    EXPECT_EQ(Lines(Take(), "W "), (std::vector<std::string>{"W 0x80/0 reg 0x14 = 0x0C  (BoostForm: Threshold)",
                                                              "W 0x80/0 reg 0x14 = 0x04  (BoostForm: Threshold)",
                                                              "W 0x80/0 reg 0x14 = 0x07  (BoostForm: Delay)"}));
    ASSERT_EQ(Run("items boost APTDelay"), 0);
    EXPECT_EQ(Take(), "0 \"50ms\"\n1 \"75ms\"\n2 \"125ms\"\n3 \"200ms\"\n");
}

TEST_F(TerminalHost, MenusAndShowingFollowTheModule) {
    ASSERT_EQ(Run("menu"), 0);
    EXPECT_EQ(Take(), "0 Digital Control...\n1 Limiter...\n2 Boost...\n");
    ASSERT_EQ(Run("show-by-name bOOST\nshow-by-name \"Digital Control\"\nname \"QM7140 left\"\ndialogs"), 0);
    const std::string text = Take();
    EXPECT_EQ(Lines(text, "nothing shown").size(), 1u);
    EXPECT_TRUE(Lines(text, "boost ")[0].ends_with(" shown"));
    EXPECT_TRUE(Lines(text, "digital ")[0].ends_with("hidden"));
    ASSERT_EQ(Run("show limiter\nclose boost\ndialogs"), 0);
    const std::string after = Take();
    EXPECT_TRUE(Lines(after, "limiter ")[0].ends_with("shown, active"));
    EXPECT_TRUE(Lines(after, "boost ")[0].ends_with("hidden"));
}

TEST_F(TerminalHost, SaveAndLoadRoundTripTheDeviceAndReloadTheDialogs) {
    const auto file = std::filesystem::temp_directory_path() / ("qm7140-host-test-" + std::to_string(getpid()) + ".txt");
    ASSERT_EQ(Run("set 2 0x55\nset 20 0x0B\nset 255 0xFF\nsave " + file.string()), 0);
    EXPECT_EQ(Lines(Take(), "W "), (std::vector<std::string>{"W 0x80/0 reg 0x02 = 0x55  (Limiter / AGC: Enable Limiter; BoostForm: Enable Boost)", "W 0x80/0 reg 0x14 = 0x0B  (BoostForm: Threshold, Delay)", "W 0x80/0 reg 0xFF = 0xFF"})) << "set sends";
    ASSERT_EQ(Run("dump"), 0);
    const std::string saved = Take();
    {
        std::ifstream in(file);
        std::stringstream content;
        content << in.rdbuf();
        const auto lines = Lines(content.str(), "0x");
        ASSERT_EQ(lines.size(), 256u);
        EXPECT_EQ(lines[2], "0x02 0x55");
        EXPECT_EQ(lines[255], "0xFF 0xFF");
    }
    ASSERT_EQ(Run("poke 2 0\npoke 20 0\npoke 255 0\nload " + file.string()), 0);
    EXPECT_EQ(Take(), "loaded " + file.string() + ": 256 register(s)\n");  // and writes nothing
    ASSERT_EQ(Run("dump"), 0);
    EXPECT_EQ(Take(), saved);
    EXPECT_EQ(State("boost", "APTThreshold"), "item 2 \"T2\"");
    EXPECT_EQ(State("boost", "APTDelay"), "item 3 \"200ms\"");

    // A bad line anywhere: one error naming it, and nothing of the file applied.
    {
        std::ofstream bad(file);
        bad << "# partial\n0x02 0x00\n0x14 0x100\n";
    }
    EXPECT_EQ(Run("load " + file.string()), 1);
    EXPECT_EQ(Lines(Take(), "error: "), std::vector<std::string>{"error: line 1: " + file.string() +
                                                                 ":3: value 0x100 is above 255"});
    ASSERT_EQ(Run("peek 2"), 0);
    EXPECT_EQ(Take(), "reg 0x02 = 0x55\n");
    std::filesystem::remove(file);
}

TEST_F(TerminalHost, EachBadLinePrintsOneErrorAndTheScriptGoesOn) {
    // Every kind of bad input, with a word its error line must hold.
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"frobnicate", "unknown command \"frobnicate\""},
        {"click boost EnableBoost", "boost is not shown"},
        {"show nowhere", "unknown dialog \"nowhere\""},
        {"show boost", ""},
        {"click boost NoSuchBox", "no control \"NoSuchBox\" in boost"},
        {"click boost APTDelay", "APTDelay is a combobox; click needs a checkbox or a button"},
        {"select boost EnableBoost T1", "EnableBoost is a checkbox; select needs"},
        {"select boost APTDelay 300ms", "no item \"300ms\" in APTDelay (50ms, 75ms, 125ms, 200ms)"},
        {"select boost APTDelay 4", "no item \"4\""},
        {"type boost EnableAPT x", "type needs an edit or a combobox"},
        {"slide boost APTDelay 1", "slide needs a trackbar"},
        {"leave boost APTDelay", "leave needs an edit"},
        {"items boost EnableAPT", "it has no items"},
        {"poke 256 1", "register 256 is above 255"},
        {"poke 2 0x100", "value 0x100 is above 255"},
        {"set 2 -1", "value \"-1\" is not a number"},
        {"notify 0x", "register \"0x\" is not a number"},
        {"notify", "notify: missing REG"},
        {"select boost APTDelay", "select: missing ITEM"},
        {"dump now", "dump: too many arguments"},
        {"type boost APTDelay \"unclosed", "quote"},
        {"load /nonexistent/registers.txt", "cannot read"},
        {"peek 2", ""},
    };
    std::string script;
    int expectedFailures = 0;
    for (const auto& [line, error] : bad) {
        script += line + "\n";
        if (!error.empty()) ++expectedFailures;
    }
    EXPECT_EQ(Run(script), expectedFailures);
    const std::string text = Take();
    const auto errors = Lines(text, "error: ");
    ASSERT_EQ(errors.size(), static_cast<size_t>(expectedFailures));
    size_t next = 0;
    for (size_t i = 0; i < bad.size(); ++i) {
        if (bad[i].second.empty()) continue;
        const std::string& line = errors[next++];
        EXPECT_TRUE(line.starts_with("error: line " + std::to_string(i + 1) + ": ")) << line;
        EXPECT_NE(line.find(bad[i].second), std::string::npos) << line;
    }
    // Nothing bad reached the device or the bus, and the last line still ran.
    EXPECT_EQ(Lines(text, "W "), std::vector<std::string>{});
    EXPECT_EQ(Lines(text, "reg "), std::vector<std::string>{"reg 0x02 = 0x00"});
}

TEST_F(TerminalHost, QuitStopsTheScript) {
    EXPECT_EQ(Run("quit\nfrobnicate"), 0);
    EXPECT_EQ(Take(), "");
}

TEST(TerminalHostModule, AMissingModuleOrExportIsReported) {
    std::ostringstream out;
    EXPECT_THROW(host::Session("/nonexistent/libqm7140.so", out, out), std::runtime_error);
    // A library that loads but has none of the exports.
    try {
        host::Session session("libm.so.6", out, out);
        ADD_FAILURE() << "loaded a module without exports";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("_Init"), std::string::npos) << e.what();
    }
}

// Playing the user on an edit: typing keeps the focus, leaving fires the exit once (and a
// field that never had the focus is clicked into first), typing elsewhere is leaving.
TEST_F(TerminalHost, TypeKeepsTheFocusAndLeaveOrAnotherFieldCommitsIt) {
    ASSERT_EQ(Run("show digital\ntype digital SDOUTTag 3"), 0);
    EXPECT_EQ(State("digital", "SDOUTTag"), "text \"3\" focused");
    EXPECT_EQ(Lines(Take(), "W "), std::vector<std::string>{});
    ASSERT_EQ(Run("leave digital SDOUTTag\nleave digital SDOUTTag"), 0);
    EXPECT_EQ(Lines(Take(), "W "), (std::vector<std::string>{"W 0x80/0 reg 0x04 = 0x30  (Digital Control: SDOUT tag)", "W 0x80/0 reg 0x04 = 0x30"}));
    ASSERT_EQ(Run("type digital SDOUTTag 5\ntype digital DataOffset 1\nenter digital DataOffset"), 0);
    EXPECT_EQ(Lines(Take(), "W "), (std::vector<std::string>{"W 0x80/0 reg 0x04 = 0x50  (Digital Control: SDOUT tag)", "W 0x80/0 reg 0x06 = 0x01  (Digital Control: Data Offset)"}));
    EXPECT_EQ(Run("click digital SDOUTTag"), 1);
    EXPECT_NE(Take().find("SDOUTTag is a edit; click needs a checkbox or a button"), std::string::npos);
}

TEST(TerminalHostParse, NumbersAreDecimalOrHexAndNothingElse) {
    EXPECT_EQ(host::ParseUnsigned("255"), 255u);
    EXPECT_EQ(host::ParseUnsigned("0xfF"), 255u);
    for (const char* bad : {"", "0x", "-1", "+1", "1 ", "12a", "0x1g", "99999999999999999999"})
        EXPECT_EQ(host::ParseUnsigned(bad), std::nullopt) << bad;
    EXPECT_EQ(host::ParseSigned("-0x10"), -16);
    EXPECT_EQ(host::Tokenize("type boost X \"a  b\" # rest"), (std::vector<std::string>{"type", "boost", "X", "a  b"}));
    EXPECT_EQ(host::Tokenize("name \"\""), (std::vector<std::string>{"name", ""}));
}

// The host run as a person runs it, on hostile input: each case ends with exit status 1 and
// one readable error line, however large or strange the input.
TEST(TerminalHostBadInput, EachEndsWithOneReadableErrorAndExitOne) {
    const std::string host = QM7140_HOST;
    const auto dir = std::filesystem::temp_directory_path() / ("qm7140-dir-" + std::to_string(getpid()));
    std::filesystem::create_directory(dir);
    const std::string demo = (std::filesystem::path(__FILE__).parent_path() / "../../../host/demo/boost.qmh").string();
    struct Case {
        std::string command;  // through sh; stdout is dropped
        std::string error;    // what stderr must hold
    };
    const Case cases[] = {
        {"printf 'load /dev/zero\\n' | " + host + " -", "cannot read /dev/zero: larger than 65536 bytes"},
        {host + " /dev/zero", "line 1: longer than 4096 bytes"},
        {host + " " + dir.string(), "cannot read " + dir.string() + ": Is a directory"},
        {"printf 'load " + dir.string() + "\\n' | " + host + " -", ": Is a directory"},
        {host + " " + demo + " >/dev/full", "cannot write the output: No space left on device"},
        {"printf 'peek\\0002\\n' | " + host + " -", "unknown command \"peek\\x002\""},
        {"(head -c 3000 /dev/zero | tr '\\0' a; echo) | " + host + " -", "\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...aaaaaaaaaaaaaaaa\""},
    };
    for (const Case& c : cases) {
        FILE* run = popen(("(" + c.command + ") 2>&1 >/dev/null").c_str(), "r");
        ASSERT_NE(run, nullptr);
        std::string error;
        char chunk[256];
        while (size_t n = fread(chunk, 1, sizeof chunk, run)) error.append(chunk, n);
        const int status = pclose(run);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << c.command;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.command << "\n" << error;
        EXPECT_LT(error.size(), 300u) << c.command;
    }
    std::filesystem::remove(dir);
}

TEST(TerminalHostBadInput, AFailedSaveLeavesTheOldFileWhole) {
    const std::string host = QM7140_HOST;
    const auto file = std::filesystem::temp_directory_path() / ("qm7140-save-" + std::to_string(getpid()) + ".txt");
    const std::string save = "printf 'set 1 0x5A\\nsave " + file.string() + "\\n' | " + host + " - >/dev/null 2>&1";
    ASSERT_EQ(std::system(save.c_str()), 0);
    const auto size = std::filesystem::file_size(file);
    // With the file size limit below a state file, the write fails: the old file stays.
    EXPECT_NE(std::system(("(trap '' XFSZ; ulimit -f 1; " + save + ")").c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(file), size);
    const std::string load = "printf 'load " + file.string() + "\\npeek 1\\n' | " + host + " - 2>&1";
    FILE* run = popen(load.c_str(), "r");
    char line[4096] = {};
    std::string out;
    while (fgets(line, sizeof line, run) != nullptr) out += line;
    EXPECT_EQ(pclose(run), 0);
    EXPECT_NE(out.find("reg 0x01 = 0x5A"), std::string::npos) << out;
    std::filesystem::remove(file);
}

TEST_F(TerminalHost, AnUnfinishedLineAtTheEndOfInteractiveInputIsDropped) {
    std::istringstream typed("peek 1\npeek 2");
    session.RunInteractive(typed);
    const std::string text = Take();
    EXPECT_NE(text.find("reg 0x01"), std::string::npos);
    EXPECT_EQ(text.find("reg 0x02"), std::string::npos) << "the line Enter never ended";
    EXPECT_TRUE(text.ends_with("qm7140> \n")) << "the prompt's line is ended";
}

}  // namespace
