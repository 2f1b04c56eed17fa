// The real i2c-dev bus code and libi2c, run against QM7140s that the process's own open,
// ioctl and close stand in for (i2c_double.c).
#include "host/common/bus/device_place.h"
#include "host/common/bus/linux/i2c_bus.h"
#include "i2c_double.h"
#include "session_fixture.h"

#include <linux/i2c.h>
#include <unistd.h>

#include <cerrno>
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
    EXPECT_EQ(Run("click boost EnableBoost"), "W 0x80/0 reg 0x02 = 0x15  (BoostForm: Enable Boost)\n");
    EXPECT_EQ(qm7140_double.regs[2], 0x15);
    qm7140_double.regs[2] = 0x40;
    EXPECT_EQ(Run("readall"), "read all: registers 0x00 to 0x1F read from " CHIP "\n");
    // Refused, then refused with the read-back refused too: the adapter stays in use.
    for (const char* after : {"; the chip holds 0x40\n",
                              "; reading it back failed too (Remote I/O error); the register shows the last value read, 0x40\n"}) {
        qm7140_double.refuse = 2;
        EXPECT_EQ(Run("click boost EnableBoost", false),
                  std::string("error: line 1: write reg 0x02 = 0x00 on " CHIP ": Remote I/O error") + after);
        EXPECT_TRUE(BoostShown()) << "the dialog was told";
        EXPECT_TRUE(session.Current().Chip().Online());
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
    EXPECT_EQ(Run("click boost EnableBoost", false), "error: line 1: write reg 0x02 = 0x40 on " CHIP
                                                     ": No such device; offline (connect re-opens); the register shows the last value read, 0x00\n");
    EXPECT_FALSE(BoostShown());
    // Offline, nothing reaches the bus, even with the adapter back; every attempt says why,
    // in one line and not as a bus write.
    qm7140_double.vanished = 0;
    const unsigned transfers = qm7140_double.writes + qm7140_double.reads;
    EXPECT_EQ(Run("click boost EnableBoost", false), "error: line 1: write reg 0x02 = 0x40 not sent: the bus is offline (" CHIP
                                                     ": No such device; connect re-opens it); the register shows 0x00\n");
    EXPECT_EQ(session.Registers().bytes[2], 0x00);
    EXPECT_EQ(Run("bus"), CHIP ", offline (connect re-opens it)\n");
    EXPECT_EQ(qm7140_double.writes + qm7140_double.reads, transfers);

    qm7140_double.vanished = 1;
    EXPECT_EQ(Run("connect", false), "error: line 1: connect: cannot open " CHIP ": No such file or directory; offline\n");
    qm7140_double.vanished = 0;
    // A user outside the group the udev rule gives the node: named with the cure.
    qm7140_double.denied = EACCES;
    EXPECT_EQ(Run("connect", false), "error: line 1: connect: cannot open " CHIP ": this user may not open " QM7140_DOUBLE_PATH
                                     ": join the i2c group (the package's udev rule gives it the I2C adapters and the bridges' hidraw"
                                     " nodes), then log in again; offline\n");
    qm7140_double.denied = 0;
    qm7140_double.regs[2] = 0x40;
    EXPECT_EQ(Run("connect"), "connected to " CHIP "; read registers 0x00 to 0x1F\n");
    EXPECT_TRUE(BoostShown());
    Run("click boost EnableBoost");
    EXPECT_EQ(qm7140_double.regs[2], 0x00);
}

// Three chips on one adapter as the device places name them; 0x42 acknowledges no write.
struct ChipsOnOneAdapter : ::testing::Test {
    ChipsOnOneAdapter() {
        qm7140_double_reset();
        qm7140_double.others[0].address = 0x41;
        qm7140_double.others[1] = {0x42, {}, 1};
    }
    ~ChipsOnOneAdapter() override { qm7140_double_reset(); }
    std::vector<host::Bus> buses = host::MakeBuses(
        host::ParseDevicePlaces({"i2c:" QM7140_DOUBLE_PATH, "i2c:" QM7140_DOUBLE_PATH "@0x41", "i2c:" QM7140_DOUBLE_PATH "@0x42"}), {});
    host::Bus &a = buses[0], &b = buses[1], &c = buses[2];
};

TEST_F(ChipsOnOneAdapter, ShareOneDescriptorAndEachTransferReachesItsOwnChip) {
    ASSERT_EQ(a.Open() + b.Open() + c.Open(), 0);
    EXPECT_TRUE(a.Write(2, 0x15).Done() && b.Write(2, 0x16).Done() && b.Write(3, 0x17).Done());
    EXPECT_EQ(a.Read(2).value, 0x15);
    EXPECT_EQ(qm7140_double.regs[2] + qm7140_double.others[0].regs[2] + qm7140_double.others[0].regs[3], 0x15 + 0x16 + 0x17);
    EXPECT_EQ(qm7140_double.slaves, 3u + 3u) << "a claim per chip, then only where the address changes";
    EXPECT_EQ(c.Write(2, 0x18).error, EREMOTEIO);
    EXPECT_TRUE(a.Write(2, 0x19).Done()) << "the others go on";
    // The adapter closes with the last chip that held it.
    a.Close();
    b.Close();
    EXPECT_TRUE(c.Read(2).Done());
    c.Close();
    EXPECT_EQ(qm7140_double.opens, 1u);
    EXPECT_EQ(a.Open(), 0);
    EXPECT_EQ(qm7140_double.opens, 2u);
}

TEST_F(ChipsOnOneAdapter, AnAdapterWithoutByteDataOrAnAddressADriverHoldsIsRefusedInWords) {
    qm7140_double.funcs = I2C_FUNC_I2C;
    EXPECT_EQ(a.Why(a.Open()), QM7140_DOUBLE_PATH " offers no SMBus byte-data transfers");
    qm7140_double.funcs = I2C_FUNC_SMBUS_BYTE_DATA;
    EXPECT_EQ(a.Open(), 0) << "the refused adapter was let go";
    qm7140_double.busy = 0x41;
    EXPECT_EQ(b.Why(b.Open()), "a kernel driver holds the address (the host never forces it)");
    EXPECT_TRUE(a.Write(1, 0x36).Done()) << "the adapter stays with the chip that holds it";
}

TEST_F(ChipsOnOneAdapter, AVanishedAdapterIsDeadForEveryChipUntilOneReopensIt) {
    ASSERT_EQ(a.Open() + b.Open(), 0);
    qm7140_double.vanished = 1;
    EXPECT_EQ(a.Write(2, 0x15).error, ENODEV);
    qm7140_double.vanished = 0;
    EXPECT_EQ(b.Read(2).error, ENODEV) << "the old descriptor is dead";
    EXPECT_EQ(a.Open(), 0);
    EXPECT_TRUE(a.Write(2, 0x15).Done() && b.Write(2, 0x16).Done()) << "the new descriptor serves every chip";
    EXPECT_EQ(qm7140_double.regs[2] + qm7140_double.others[0].regs[2], 0x15 + 0x16);
}

}  // namespace
