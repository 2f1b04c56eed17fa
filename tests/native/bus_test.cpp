// The real i2c-dev bus code and libi2c, run against a QM7140 that the process's own open,
// ioctl and close stand in for (i2c_double.c).
#include "host/common/i2c_bus.h"
#include "i2c_double.h"
#include "session_fixture.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

#define CHIP QM7140_DOUBLE_PATH " at 0x40"

struct ChipOnBus : SessionFixture {
    ChipOnBus() { qm7140_double_reset(); }
    ~ChipOnBus() override { qm7140_double_reset(); }

    bool Connect() { return session.UseBus(host::MakeI2cBus(QM7140_DOUBLE_PATH, 0x40)); }
    // Whether the Boost dialog shows Enable Boost checked.
    bool BoostShown() { return Run("controls boost").find(" checked \"Enable Boost\"") != std::string::npos; }
};

// Connect, write, refusals, a vanished adapter, reconnect: the dialog always shows the chip.
TEST_F(ChipOnBus, EveryWriteGoesToTheChipAndAFailedOneIsReportedAndReadBack) {
    qm7140_double.chip = 0x41;
    EXPECT_FALSE(Connect()) << "no chip at the address";
    EXPECT_EQ(out.str(), "error: read all: reg 0x00 on " CHIP ": No such device or address; nothing stored\n"
                         "error: connect: no QM7140 read on " CHIP "; offline\n");
    qm7140_double.chip = 0x40;
    qm7140_double.regs[2] = 0x55;
    qm7140_double.regs[0x20] = 0x99;  // beyond what the dialogs cover
    Run("connect\nshow boost");
    EXPECT_EQ(session.Registers().bytes[2] + session.Registers().bytes[0x20], 0x55);
    EXPECT_TRUE(BoostShown());
    EXPECT_EQ(Run("click boost EnableBoost"), "W 0x80/0 reg 0x02 = 0x15\n");
    EXPECT_EQ(qm7140_double.regs[2], 0x15);
    qm7140_double.regs[2] = 0x40;
    EXPECT_EQ(Run("readall"), "read registers 0x00 to 0x1F from " CHIP "\n");
    // Refused, then refused with the read-back refused too: the adapter stays in use.
    for (const char* after : {"; the chip holds 0x40\n",
                              "; reading it back failed too (Remote I/O error); the register shows the last value read, 0x40\n"}) {
        qm7140_double.refuse = 2;
        EXPECT_EQ(Run("click boost EnableBoost", false),
                  std::string("W 0x80/0 reg 0x02 = 0x00\nerror: line 1: write reg 0x02 = 0x00 on " CHIP ": Remote I/O error") + after);
        EXPECT_TRUE(BoostShown()) << "the dialog was told";
        EXPECT_TRUE(session.Link().Online());
        qm7140_double.refuse_reads = 1;
    }
    // A replay stops at the refused write: register 1 after it is not sent.
    const auto file = std::filesystem::temp_directory_path() / ("qm7140-replay-" + std::to_string(getpid()) + ".txt");
    std::ofstream(file) << "w 0x80 0x14 0x0B\nd 1\nw 0x80 0x01 0x36\n";
    qm7140_double.refuse = 0x14;
    EXPECT_NE(Run("replay " + file.string(), false).find(":1: stopped here; nothing after this line was sent"), std::string::npos);
    EXPECT_EQ(qm7140_double.regs[1], 0x00);
    std::filesystem::remove(file);
    qm7140_double.refuse = -1;
    Run("click boost EnableBoost");

    qm7140_double.vanished = 1;
    EXPECT_EQ(Run("click boost EnableBoost", false), "W 0x80/0 reg 0x02 = 0x40\nerror: line 1: write reg 0x02 = 0x40 on " CHIP
                                                     ": No such device; offline (connect re-opens); the register shows the last value read, 0x00\n");
    EXPECT_FALSE(BoostShown());
    // Offline, nothing reaches the bus, even with the adapter back; every attempt says why.
    qm7140_double.vanished = 0;
    const unsigned transfers = qm7140_double.writes + qm7140_double.reads;
    EXPECT_NE(Run("click boost EnableBoost", false).find("not sent: the bus is offline (" CHIP ": No such device; connect re-opens it)"),
              std::string::npos);
    EXPECT_EQ(session.Registers().bytes[2], 0x00);
    EXPECT_EQ(Run("bus"), CHIP ", offline (connect re-opens it)\n");
    EXPECT_EQ(qm7140_double.writes + qm7140_double.reads, transfers);

    qm7140_double.vanished = 1;
    EXPECT_EQ(Run("connect", false), "error: line 1: connect: cannot open " CHIP ": No such file or directory; offline\n");
    qm7140_double.vanished = 0;
    qm7140_double.regs[2] = 0x40;
    EXPECT_EQ(Run("connect"), "connected to " CHIP "; read registers 0x00 to 0x1F\n");
    EXPECT_TRUE(BoostShown());
    Run("click boost EnableBoost");
    EXPECT_EQ(qm7140_double.regs[2], 0x00);
}

}  // namespace
