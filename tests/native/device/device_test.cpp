// The host's verbs as every host presents them: what each says and sends, on the simulated
// chip and on a real one.
#include "chip_double.h"
#include "host/common/bus/simulated_adapter.h"
#include "host/common/device/device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Verbs : ::testing::Test {
    host::Module module{QM7140_LIBRARY};
    ChipDouble chip;
    std::vector<std::string> lines;
    host::Device::Sink sink = [this](const host::Record& r) { lines.push_back(host::RecordLine(r)); };
    std::vector<std::string> Take() { return std::exchange(lines, {}); }
};

using Lines = std::vector<std::string>;

TEST_F(Verbs, OnARealChipEachVerbSendsWhatItSaysAndSaysItOnce) {
    host::Device device(module, BusTo(chip), sink);
    ASSERT_TRUE(device.Start());
    EXPECT_EQ(Take(), Lines{"connected to double at 0x40; read registers 0x00 to 0x1F"});
    chip.regs[2] = 0x40;
    chip.events.clear();
    ASSERT_TRUE(device.ReadAll());
    EXPECT_EQ(chip.events.size(), 32u) << "the covered registers, each read once";
    EXPECT_EQ(Take(), Lines{"read all: registers 0x00 to 0x1F read from double at 0x40"});
    EXPECT_EQ(device.SetRegister(2, 0x55), 3) << "register 2 lies in all three windows";
    EXPECT_EQ(device.SetRegister(20, 0x0B), 2);
    EXPECT_EQ(device.SetRegister(40, 0x01), 0);
    EXPECT_EQ(Take(), (Lines{"W 0x80/0 reg 0x02 = 0x55  (Limiter / AGC: Enable Limiter)", "W 0x80/0 reg 0x14 = 0x0B  (BoostForm: Threshold, Delay)", "W 0x80/0 reg 0x28 = 0x01"}));
    EXPECT_EQ(chip.regs[2], 0x55);
    chip.refuse = 3;
    EXPECT_EQ(device.SetRegister(3, 0x22), std::nullopt);
    ASSERT_EQ(lines.size(), 1u) << "a refused set is its failure's line alone";
    EXPECT_TRUE(lines[0].starts_with("write reg 0x03 = 0x22 on double at 0x40")) << lines[0];
    EXPECT_EQ(device.Status(), "double at 0x40, online");
}

TEST_F(Verbs, TheSimulatedChipIsSimplyThereAndReadAllTellsEveryWindow) {
    host::Device device(module, host::SimulatedBus(), sink);
    ASSERT_TRUE(device.Start());
    EXPECT_EQ(Take(), Lines{}) << "nothing to say of a chip that is always there";
    device.Chip().Registers().bytes[2] = 0x40;
    ASSERT_TRUE(device.ReadAll());
    EXPECT_EQ(Take(), Lines{"read all: the simulated chip's registers shown again in every dialog"});
    EXPECT_EQ(device.Status(), "simulated QM7140 at 0x40");
    EXPECT_FALSE(device.MayWait());
    EXPECT_FALSE(device.Reaches(host::SimulatedBus())) << "simulated chips are each their own";
}

TEST_F(Verbs, AStateFileLoadsWholeOrNotAtAllAndAnEmptyOneIsRefused) {
    host::Device device(module, BusTo(chip), sink);
    device.Start();
    const auto dir = std::filesystem::temp_directory_path() / ("qm7140-verbs-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "good.txt") << "0x02 0x40\n0x14 0x0B\n";
    std::ofstream(dir / "bad.txt") << "0x02 0x00\n0x03 0x100\n";
    std::ofstream(dir / "empty.txt") << "# nothing\n\n";
    Take();
    device.LoadState(dir / "good.txt");
    EXPECT_EQ(device.Chip().Registers().bytes[2], 0x40);
    EXPECT_EQ(chip.regs[2], 0x00) << "into the cache alone";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("loaded " + (dir / "good.txt").string() + ": 2 register(s) into the cache alone"));
    for (const char* refused : {"bad.txt", "empty.txt"}) {
        try {
            device.LoadState(dir / refused);
            ADD_FAILURE() << refused << " was taken";
        } catch (const host::CommandError& e) {
            EXPECT_NE(std::string(e.what()).find(refused), std::string::npos) << e.what();
        }
        EXPECT_EQ(device.Chip().Registers().bytes[2], 0x40) << refused << " changed nothing";
    }
    std::filesystem::remove_all(dir);
}

TEST_F(Verbs, AReplayPlaysToItsEndOrStopsAtTheFailedLine) {
    host::Device device(module, BusTo(chip), sink);
    device.Start();
    Take();
    EXPECT_EQ(device.StartReplay("w 80 02 40 41\nd 0\nr 80 03 1\n", "s"), 3u);
    EXPECT_THROW(device.StartReplay("w 80 02 00\n", "again"), host::CommandError) << "one script at a time";
    while (device.PlayDue(host::Device::Clock::now())) {
    }
    EXPECT_EQ(Take(), (Lines{"replay: a script of 3 step(s)", "W 0x80/0 reg 0x02 = 0x40  (BoostForm: Enable Boost)", "W 0x80/0 reg 0x03 = 0x41  (Digital Control: LRCLK, Format)",
                             "R 0x80/0 reg 0x03 = 0x41", "replay: done"}));
    chip.refuse = 2;
    device.StartReplay("w 80 02 00\nw 80 04 00\n", "s");
    while (device.PlayDue(host::Device::Clock::now())) {
    }
    EXPECT_EQ(device.ReplayFailure(), "s:1: stopped here; nothing after this line was sent");
    EXPECT_EQ(chip.regs[4], 0x00);
    EXPECT_NE(lines.back(), "replay: done");
}

}  // namespace
