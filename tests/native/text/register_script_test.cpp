// Exports and replay through the terminal host: the C header built by cc, the i2cset script
// run by sh, a state carried through a script and back, and the scripts replay refuses whole.
#include "host/common/chip/state_file.h"
#include "session_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct RegisterExports : SessionFixture {
    fs::path dir = fs::temp_directory_path() / ("qm7140-export-" + std::to_string(getpid()));
    std::string d = dir.string();

    // Registers 0 to 31 unlike their numbers, register 1 with its reset bit set.
    RegisterExports() {
        fs::create_directories(dir);
        for (unsigned reg = 0; reg < 32; ++reg) Run("poke " + std::to_string(reg) + " " + std::to_string(0xA0 ^ (reg * 7)));
        Run("poke 1 0x37");
    }
    ~RegisterExports() override { fs::remove_all(dir); }

    std::string Read(const std::string& name) { return (std::stringstream() << std::ifstream(dir / name).rdbuf()).str(); }
    static int Shell(const std::string& command) { return std::system(command.c_str()); }
};

// Both send the same pairs; the C program prints them as the i2cset script runs them.
TEST_F(RegisterExports, TheCHeaderCompilesCleanAndTheI2csetScriptNeedsItsBusBothSendingRegisterOneLast) {
    Run("export c " + d + "/qm7140_settings.h\nexport i2cset " + d + "/settings.sh");
    std::ofstream(dir / "main.c") << "#include <stdio.h>\n#include \"qm7140_settings.h\"\n#include \"qm7140_settings.h\"\n"
                                     "int main(void) {\n    for (size_t i = 0; i < QM7140_SETTING_COUNT; ++i)\n"
                                     "        printf(\"-y 3 0x40 0x%02X 0x%02X\\n\", qm7140_settings[i].reg, qm7140_settings[i].value);\n"
                                     "    return 0;\n}\n";
    ASSERT_EQ(Shell("cc -std=c99 -Wall -Wextra -Werror -pedantic -o " + d + "/settings " + d + "/main.c"), 0);
    ASSERT_EQ(Shell(d + "/settings > " + d + "/pairs.txt"), 0);
    fs::create_directories(dir / "bin");
    std::ofstream(dir / "bin/i2cset") << "#!/bin/sh\necho \"$*\" >> \"$(dirname \"$0\")/../calls.txt\"\n";
    fs::permissions(dir / "bin/i2cset", fs::perms::owner_all);
    const std::string run = "PATH=" + d + "/bin:$PATH sh " + d + "/settings.sh";
    for (const char* bad : {"", " 1x"}) EXPECT_NE(Shell(run + bad + " 2>/dev/null"), 0) << bad;
    EXPECT_FALSE(fs::exists(dir / "calls.txt")) << "nothing was written";
    EXPECT_EQ(Shell(run + " 3"), 0);
    const std::string pairs = Read("pairs.txt");
    EXPECT_EQ(Read("calls.txt"), pairs);
    EXPECT_EQ(std::count(pairs.begin(), pairs.end(), '\n'), 32);
    EXPECT_TRUE(pairs.starts_with("-y 3 0x40 0x03 0xB5\n")) << pairs;
    EXPECT_TRUE(pairs.ends_with("-y 3 0x40 0x01 0x36\n")) << "register 1 last, without its reset bit";
}

TEST_F(RegisterExports, AStateExportedAsAScriptAndReplayedOntoAClearedDeviceComesBack) {
    for (unsigned reg = 0; reg < 256; ++reg) std::ofstream(dir / "zero.txt", std::ios::app) << reg << " 0\n";
    Run("poke 1 0x36\npoke 0x40 0x77\nsave " + d + "/before.txt\nexport script " + d + "/settings.txt\nload " + d +
        "/zero.txt\nreplay " + d + "/settings.txt\nsave " + d + "/after.txt");
    const auto before = host::ReadStateFile(dir / "before.txt"), after = host::ReadStateFile(dir / "after.txt");
    for (unsigned reg = 0; reg < 32; ++reg) EXPECT_EQ(after.at(reg), before.at(reg)) << reg;
    EXPECT_EQ(after.at(0x40).second, 0) << "only registers 0 to 31 go out";
    std::ofstream(dir / "read.txt") << "r 80 3 2 # reads print\n";
    EXPECT_EQ(Run("replay " + d + "/read.txt"),
              "replay: a script of 1 step(s)\nR 0x80/0 reg 0x03 = 0xB5\nR 0x80/0 reg 0x04 = 0xBC\nreplay: done\n");
}

TEST_F(RegisterExports, AReplayRefusesAnInvalidFileWholeNamingItsLine) {
    const std::string file = d + "/bad.txt";
    const struct {
        std::string script;
        std::string error;  // after the file's name
    } rows[] = {
        {"w 0x80 0x03 0x01\nw 0x80 0x04 0x100\n", ":2: value 0x100 is above 0xFF"},
        {"# fine\n\nw 0x80 0x04 zz\n", ":3: value \"zz\" is not a hex number"},
        {"w 0x80 0xFE 1 2 3\n", ":1: the values run past register 0xFF"},
        {"w 0x82 0x03 0x01\n", ":1: address 0x82 is not this chip's (0x80)"},
        {"d 6000\nw 0x80 1 2\nd 4001\n", ":3: the delays add up to more than 10000 ms"},
        {"w 0x80 0x03 0x01\n" + std::string(5000, '#') + "\n", ":2: a line longer than 4096 bytes"},
        {std::string(70000, '\n'), ": larger than 65536 bytes"},
    };
    const host::RegisterFile registers = session.Registers();
    for (const auto& row : rows) {
        std::ofstream(file) << row.script;
        const std::string text = Run("replay " + file, false);
        EXPECT_NE(text.find(file + row.error), std::string::npos) << text;
        EXPECT_EQ(text.find("W "), std::string::npos) << text;
        EXPECT_EQ(session.Registers().bytes, registers.bytes) << row.error;
    }
}

}  // namespace
