// The real i2c-dev bus code and libi2c, run against a QM7140 that the process's own open,
// ioctl and close stand in for (i2c_double.c): connect, writes, refusals, a vanishing
// adapter, and a script replayed onto the chip.
#include "host/common/i2c_bus.h"
#include "host/terminal/session.h"
#include "i2c_double.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct ChipOnBus : ::testing::Test {
    std::ostringstream out;
    host::Session session{QM7140_LIBRARY, out, out};

    ChipOnBus() { qm7140_double_reset(); }
    ~ChipOnBus() override { qm7140_double_reset(); }

    bool Connect() { return session.UseBus(host::MakeI2cBus(QM7140_DOUBLE_PATH, 0x40)); }
    // Runs one line; its output, errors included.
    std::string Run(const std::string& line, bool ok = true) {
        out.str("");
        EXPECT_EQ(session.Execute(line), ok) << line << "\n" << out.str();
        return out.str();
    }
    // What the Boost dialog shows.
    bool BoostChecked() {
        std::istringstream controls(Run("controls boost"));
        for (std::string line; std::getline(controls, line);)
            if (line.starts_with("EnableBoost ")) return line.find(" checked ") != std::string::npos;
        return false;
    }
    uint8_t Cached(uint8_t reg) const { return session.Registers().bytes[reg]; }
};

TEST_F(ChipOnBus, ConnectReadsTheChipAndEveryWriteGoesToItAtOnce) {
    qm7140_double.regs[2] = 0x55;
    qm7140_double.regs[0x1F] = 0x1F;
    qm7140_double.regs[0x20] = 0x99;  // beyond what the dialogs cover
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(session.Link().Online());
    EXPECT_EQ(Cached(2), 0x55);
    EXPECT_EQ(Cached(0x1F), 0x1F);
    EXPECT_EQ(Cached(0x20), 0x00);
    EXPECT_EQ(qm7140_double.reads, 32u);
    EXPECT_TRUE(BoostChecked()) << "the dialog shows what the chip holds";

    Run("show boost");
    EXPECT_EQ(Run("click boost EnableBoost"), "W 0x80/0 reg 0x02 = 0x15\n");
    EXPECT_EQ(qm7140_double.regs[2], 0x15);
    EXPECT_EQ(qm7140_double.writes, 1u);

    // The chip changed behind the host's back: readall brings it into the dialogs.
    qm7140_double.regs[2] = 0x40;
    EXPECT_EQ(Run("readall"), "read registers 0x00 to 0x1F from " QM7140_DOUBLE_PATH " at 0x40\n");
    EXPECT_EQ(Cached(2), 0x40);
    EXPECT_TRUE(BoostChecked());
}

TEST_F(ChipOnBus, AWriteTheChipRefusesIsReportedAndTheRegisterShowsWhatTheChipHolds) {
    qm7140_double.regs[2] = 0x40;
    ASSERT_TRUE(Connect());
    Run("show boost");
    const struct {
        bool readsRefused;
        const char* error;
    } rows[] = {
        {false, "error: write reg 0x02 = 0x00 on " QM7140_DOUBLE_PATH " at 0x40: Remote I/O error; the chip holds 0x40\n"},
        {true, "error: write reg 0x02 = 0x00 on " QM7140_DOUBLE_PATH " at 0x40: Remote I/O error; reading it back failed "
               "too (Remote I/O error); the register shows the last value read, 0x40\n"},
    };
    for (const auto& row : rows) {
        qm7140_double.refuse = 2;
        qm7140_double.refuse_reads = row.readsRefused;
        EXPECT_EQ(Run("click boost EnableBoost", false), std::string("W 0x80/0 reg 0x02 = 0x00\n") + row.error);
        EXPECT_EQ(qm7140_double.regs[2], 0x40);
        EXPECT_EQ(Cached(2), 0x40);
        EXPECT_TRUE(BoostChecked()) << "the dialog was told";
        EXPECT_TRUE(session.Link().Online()) << "one refused transfer leaves the adapter in use";
    }
    qm7140_double.refuse = -1;
    Run("click boost EnableBoost");
    EXPECT_EQ(qm7140_double.regs[2], 0x00);
}

TEST_F(ChipOnBus, AVanishedAdapterTakesTheBusOfflineUntilConnectReopensIt) {
    ASSERT_TRUE(Connect());
    Run("show boost");
    qm7140_double.vanished = 1;
    EXPECT_EQ(Run("click boost EnableBoost", false),
              "W 0x80/0 reg 0x02 = 0x40\nerror: write reg 0x02 = 0x40 on " QM7140_DOUBLE_PATH
              " at 0x40: No such device; offline (connect re-opens); the register shows the last value read, 0x00\n");
    EXPECT_FALSE(session.Link().Online());
    EXPECT_EQ(Cached(2), 0x00);
    EXPECT_FALSE(BoostChecked());

    // Offline, nothing reaches the bus; every attempt says why.
    qm7140_double.vanished = 0;
    const unsigned writes = qm7140_double.writes, reads = qm7140_double.reads;
    EXPECT_NE(Run("click boost EnableBoost", false).find("not sent: the bus is offline (" QM7140_DOUBLE_PATH " at 0x40: No such device; connect re-opens it)"), std::string::npos);
    EXPECT_EQ(Cached(2), 0x00);
    EXPECT_NE(Run("readall", false).find("error: read all: the bus is offline"), std::string::npos);
    EXPECT_EQ(Run("bus"), QM7140_DOUBLE_PATH " at 0x40, offline (connect re-opens it)\n");
    EXPECT_EQ(qm7140_double.writes, writes);
    EXPECT_EQ(qm7140_double.reads, reads);

    // An adapter still missing stays offline; back, it is read again and takes writes.
    qm7140_double.vanished = 1;
    EXPECT_EQ(Run("connect", false), "error: connect: cannot open " QM7140_DOUBLE_PATH " at 0x40: No such file or directory; offline\n");
    qm7140_double.vanished = 0;
    qm7140_double.regs[2] = 0x40;
    EXPECT_EQ(Run("connect"), "connected to " QM7140_DOUBLE_PATH " at 0x40; read registers 0x00 to 0x1F\n");
    EXPECT_TRUE(BoostChecked());
    Run("click boost EnableBoost");
    EXPECT_EQ(qm7140_double.regs[2], 0x00);
}

TEST_F(ChipOnBus, NoChipAtTheAddressLeavesTheBusOffline) {
    qm7140_double.chip = 0x41;
    EXPECT_FALSE(Connect());
    EXPECT_EQ(out.str(), "error: read all: reg 0x00 on " QM7140_DOUBLE_PATH " at 0x40: No such device or address; nothing stored\n"
                         "error: connect: no QM7140 read on " QM7140_DOUBLE_PATH " at 0x40; offline\n");
    EXPECT_FALSE(session.Link().Online());
}

TEST_F(ChipOnBus, AReplayWritesTheChipPrintsItsReadsAndStopsAtTheFirstRefusedWrite) {
    ASSERT_TRUE(Connect());
    const auto file = std::filesystem::temp_directory_path() / ("qm7140-replay-" + std::to_string(getpid()) + ".txt");
    std::ofstream(file) << "w 0x80 0x02 0x40 0x00 # boost on\nd 1\nr 0x80 0x02 2\nw 80 14 0B\nw 0x80 0x01 0x36\n";
    EXPECT_EQ(Run("replay " + file.string()), "W 0x80/0 reg 0x02 = 0x40\nW 0x80/0 reg 0x03 = 0x00\nR 0x80/0 reg 0x02 = 0x40\n"
                                              "R 0x80/0 reg 0x03 = 0x00\nW 0x80/0 reg 0x14 = 0x0B\nW 0x80/0 reg 0x01 = 0x36\n");
    EXPECT_EQ(qm7140_double.regs[0x14], 0x0B);
    EXPECT_TRUE(BoostChecked());

    qm7140_double_reset();
    qm7140_double.refuse = 0x14;
    const std::string text = Run("replay " + file.string(), false);
    EXPECT_NE(text.find("error: write reg 0x14 = 0x0B on "), std::string::npos) << text;
    EXPECT_NE(text.find(file.string() + ":4: stopped here; nothing after this line was sent"), std::string::npos) << text;
    EXPECT_EQ(qm7140_double.regs[1], 0x00) << "register 1 comes after the refused line";
    std::filesystem::remove(file);
}

}  // namespace
