// The transfer log: every transfer the bus made, in order, timed, named by who asked, kept in
// a bounded ring, and saved for other tools.
#include "chip_double.h"
#include "host/common/chip/transfer_ring.h"
#include "host/common/device/device.h"
#include "host/common/text/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

TEST(TransferRing, KeepsTheLastOnesOldestFirstAndGivesItsMemoryBackWhenCleared) {
    host::TransferRing ring(3);
    for (uint8_t reg = 0; reg < 5; ++reg) ring.Add({.reg = reg});
    std::vector<int> kept;
    for (const host::RingEntry& e : ring.Entries()) kept.push_back(e.reg);
    EXPECT_EQ(kept, (std::vector<int>{2, 3, 4}));
    ring.Clear();
    EXPECT_EQ(ring.Size(), 0u);
    ring.Add({.reg = 9});
    EXPECT_EQ(ring.Entries().front().reg, 9);
}

TEST(TransferLog, EveryTransferIsTimedInOrderAndNamesWhoAskedForIt) {
    host::Module module(QM7140_LIBRARY);
    ChipDouble chip;
    std::vector<host::Record> records;
    host::Device device(module, BusTo(chip), [&](const host::Record& r) { records.push_back(r); });
    device.Start();
    device.SetRegister(2, 0x40);
    chip.refuse = 3;
    device.SetRegister(3, 0x11);
    device.StartReplay("w 80 04 01\nr 80 04 1\n", "s.txt");
    while (device.PlayDue(host::Device::Clock::now())) {
    }
    const std::vector<host::Transfer> log = device.TransferLog();
    // Connect's 32 reads, the set, the refused set and its read back, the script's write and read.
    ASSERT_EQ(log.size(), 32u + 1 + 2 + 2);
    const struct {
        size_t at;
        host::Transfer::Direction direction;
        int reg, value, error;
        const char* source;
    } rows[] = {
        {0, host::Transfer::Direction::Read, 0x00, 0, 0, "connect"},
        {32, host::Transfer::Direction::Write, 0x02, 0x40, 0, "set reg"},
        {33, host::Transfer::Direction::Write, 0x03, 0x11, EREMOTEIO, "set reg"},
        {34, host::Transfer::Direction::Read, 0x03, 0x00, 0, "set reg"},
        {35, host::Transfer::Direction::Write, 0x04, 0x01, 0, "s.txt:1"},
        {36, host::Transfer::Direction::Read, 0x04, 0x01, 0, "s.txt:2"},
    };
    for (const auto& r : rows) {
        const host::Transfer& t = log[r.at];
        EXPECT_EQ(t.direction, r.direction) << r.at;
        EXPECT_EQ(t.reg, r.reg) << r.at;
        EXPECT_EQ(t.value, r.value) << r.at;
        EXPECT_EQ(t.error, r.error) << r.at;
        EXPECT_EQ(t.source, r.source) << r.at;
        EXPECT_EQ(t.address, 0x40) << r.at;
    }
    for (size_t i = 1; i < log.size(); ++i) {
        EXPECT_GE(log[i].monotonic, log[i - 1].monotonic + log[i - 1].duration) << "one after the other, " << i;
        EXPECT_GE(log[i].duration.count(), 0) << i;
    }
    // The records a host shows carry the same times.
    for (const host::Record& r : records) {
        if (r.kind == host::Record::Kind::Write) {
            EXPECT_NE(r.at.wall, std::chrono::system_clock::time_point{});
        }
    }
    EXPECT_TRUE(host::TimeStamp(records.back(), 6).find('.') == 8) << host::TimeStamp(records.back(), 6);

    const auto dir = std::filesystem::temp_directory_path() / ("qm7140-log-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    device.SaveLog(dir / "log.csv");
    EXPECT_EQ(records.back().text, "saved the log: 37 transfer(s) to " + (dir / "log.csv").string());
    EXPECT_NE(host::ReadBounded(dir / "log.csv", 1 << 20).find("s.txt:2"), std::string::npos);
    EXPECT_THROW(device.SaveLog(dir / "log.txt"), host::CommandError);
    std::filesystem::remove_all(dir);
}

}  // namespace
