// The bench's verbs on a chip double: what apply sends and says, what diff and check find,
// which preset names are refused, and what undo and redo write back.
#include "chip_double.h"
#include "host/common/device/device.h"
#include "host/common/bus/simulated_adapter.h"
#include "host/common/device/presets.h"
#include "host/common/seam/user.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using Regs = std::vector<uint8_t>;

struct Bench : ::testing::Test {
    host::Module module{QM7140_LIBRARY};
    ChipDouble chip;
    Lines lines;
    host::Device::Sink sink = [this](const host::Record& r) { lines.push_back(host::RecordLine(r)); };
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qm7140-bench-" + std::to_string(getpid()));

    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path File(const std::string& name, const std::string& text) {
        std::ofstream(dir / name) << text;
        return dir / name;
    }
    // The registers written to the chip double since the last call.
    Lines Writes() {
        Lines writes;
        for (const std::string& e : std::exchange(chip.events, {}))
            if (e.starts_with("W ")) writes.push_back(e);
        return writes;
    }
};

TEST_F(Bench, ApplyReadsFirstThenWritesOnlyWhatDiffersInTheExportsOrderNeverTheResetPulse) {
    host::Device device(module, BusTo(chip), sink);
    ASSERT_TRUE(device.Start());
    chip.regs[0x0E] = 0x05;
    chip.regs[0x0D] = 0x90;  // the file says so too: equal, not sent
    const auto file = File("gold.txt", "0x01 0x03\n0x03 0x11\n0x0D 0x90\n0x0E 0x3F\n0x02 0x04\n0x40 0x77\n");
    chip.events.clear();
    lines.clear();
    const host::ApplyResult result = device.ApplyState(file);
    ASSERT_GE(chip.events.size(), 32u);
    EXPECT_EQ(Lines(chip.events.begin(), chip.events.begin() + 32).back(), "R 0x1F") << "the chip is read before anything is sent";
    EXPECT_EQ(Writes(), (Lines{"W 0x03", "W 0x0E", "W 0x02", "W 0x01"})) << "the exports' order, register 1 last";
    EXPECT_EQ(chip.regs[1], 0x02) << "register 1 without its reset pulse";
    EXPECT_EQ(chip.regs[0x40], 0x00) << "beyond what the dialogs cover";
    EXPECT_TRUE(result.Done());
    EXPECT_EQ(result.written, (Regs{0x03, 0x0E, 0x02, 0x01}));
    EXPECT_EQ(result.equal, 1u);
    EXPECT_EQ(lines.back(), "apply " + file.string() + ": wrote 4 register(s) (0x03 0x0E 0x02 0x01), 1 already equal");
    EXPECT_EQ(device.Chip().Registers().bytes[0x0E], 0x3F) << "the dialogs follow";

    lines.clear();
    EXPECT_TRUE(device.ApplyState(file).written.empty());
    EXPECT_EQ(Writes(), Lines{}) << "a chip already as the file says gets nothing";
    EXPECT_EQ(lines.back(), "apply " + file.string() + ": wrote 0 register(s), 5 already equal");
}

TEST_F(Bench, AFailureMidwaySaysWhatWasWrittenAndWhatWasNeverSent) {
    host::Device device(module, BusTo(chip), sink);
    ASSERT_TRUE(device.Start());
    chip.refuse = 0x0E;
    const auto file = File("gold.txt", "0x01 0x02\n0x03 0x11\n0x0E 0x3F\n0x02 0x04\n");
    lines.clear();
    const host::ApplyResult result = device.ApplyState(file);
    EXPECT_FALSE(result.Done());
    EXPECT_EQ(result.written, Regs{0x03});
    EXPECT_EQ(result.failed, uint8_t{0x0E});
    EXPECT_EQ(result.unsent, (Regs{0x02, 0x01}));
    EXPECT_EQ(chip.regs[2], 0x00);
    EXPECT_EQ(lines.back(), "apply " + file.string() + ": wrote 1 register(s) (0x03), 0 already equal; stopped at 0x0E, which failed; never sent: 0x02 0x01");
    EXPECT_EQ(device.Chip().Registers().bytes[0x0E], 0x00) << "the cache holds what the chip does";
}

TEST_F(Bench, ApplyWithVerifyStopsAtAByteTheChipDidNotKeep) {
    host::Device device(module, BusTo(chip), sink, true);
    ASSERT_TRUE(device.Start());
    chip.keeps = 0x0F;
    const host::ApplyResult result = device.ApplyState(File("gold.txt", "0x03 0x01\n0x0E 0x3F\n0x02 0x04\n"));
    EXPECT_EQ(result.written, Regs{0x03});
    EXPECT_EQ(result.failed, uint8_t{0x0E});
    EXPECT_EQ(result.unsent, Regs{0x02});
}

TEST_F(Bench, DiffFindsTheRegistersAndNamesTheFieldsAsTheDialogsShowThem) {
    ChipDouble other;
    host::Device first(module, BusTo(chip), sink), second(module, BusTo(other, 0x41), sink);
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    chip.regs[0x0E] = 0x00;
    other.regs[0x0E] = 0x07;
    other.regs[0x01] = 0x01;  // the reset pulse alone is no difference
    const auto a = File("a.txt", "0x02 0x04\n0x0E 0x07\n0x03 0x11\n");
    const auto b = File("b.txt", "0x02 0x00\n0x0E 0x00\n");
    struct Case {
        const char* what;
        host::RegisterValues left, right;
        Regs differ;
    };
    const Case cases[] = {
        {"two files (only registers both name)", host::ValuesOf(a), host::ValuesOf(b), {0x02, 0x0E}},
        {"a file and a chip", host::ValuesOf(a), *first.ReadNow(), {0x02, 0x03, 0x0E}},
        {"two devices", *first.ReadNow(), *second.ReadNow("device 2"), {0x0E}},
        {"a chip and itself", *first.ReadNow(), *first.ReadNow(), {}},
    };
    for (const Case& c : cases) {
        const host::Comparison comparison = host::Compare(module, c.left, c.right);
        Regs found;
        for (const auto& d : comparison.registers) found.push_back(d.reg);
        EXPECT_EQ(found, c.differ) << c.what;
        EXPECT_EQ(comparison.Equal(), c.differ.empty()) << c.what;
    }
    const host::Comparison devices = host::Compare(module, *first.ReadNow(), *second.ReadNow("device 2"));
    ASSERT_EQ(devices.fields.size(), 1u);
    const host::Difference& attack = devices.fields[0];
    EXPECT_EQ(attack.field->title, "limiter: Attack > Time");
    EXPECT_EQ(attack.field->mask, 0x07);
    EXPECT_EQ(attack.shownA, "20 us");
    EXPECT_EQ(attack.shownB, "2510 us");
    EXPECT_EQ(host::ComparisonText(devices), "1 register(s) differ: chip vs device 2\n"
                                             "  reg 0x0E: 0x00 vs 0x07\n"
                                             "  limiter: Attack > Time (reg 0x0E bits 0-2): \"20 us\" vs \"2510 us\"\n");
}

TEST_F(Bench, CheckSaysEqualDiffersOrThatItCouldNotTell) {
    host::Device device(module, BusTo(chip), sink);
    ASSERT_TRUE(device.Start());
    const auto gold = File("gold.txt", "0x0E 0x05\n");
    chip.regs[0x0E] = 0x05;
    EXPECT_TRUE(device.Check(gold)->Equal());
    EXPECT_EQ(lines.back(), "check " + gold.string() + ": equal");
    chip.regs[0x0E] = 0x06;
    EXPECT_FALSE(device.Check(gold)->Equal()) << "read now, not the cache";
    EXPECT_EQ(lines.back(), "check " + gold.string() + ": differs in 1 register(s)");
    EXPECT_THROW(device.Check(File("bad.txt", "0x0E 0x100\n")), host::CommandError);
    chip.events.clear();
    host::Device absent(module, host::MakeBus(std::make_unique<ChipDoubleAdapter>(chip), 0x40), sink);
    EXPECT_EQ(absent.Check(gold), std::nullopt) << "never connected: could not tell";
    EXPECT_EQ(Writes(), Lines{}) << "a check never writes";
}

TEST_F(Bench, PresetNamesThatCouldEscapeTheShelfOrHideAreRefused) {
    for (const std::string& bad : Lines{"", ".hidden", "..", "a/b", "a\\b", "c:", "tab\there", "bell\a", std::string(65, 'x'), " lead",
                                  "trail.", std::string("nul\0x", 5)})
        EXPECT_THROW(host::CheckPresetName(bad), host::CommandError) << host::Quoted(bad);
    for (const std::string& good : Lines{"golden", "board 7 (rev B)", "ünïcode", std::string(64, 'x')})
        EXPECT_NO_THROW(host::CheckPresetName(good)) << good;

    host::Device device(module, host::SimulatedBus(), sink);
    ASSERT_TRUE(device.Start());
    const auto shelf = dir / "presets";
    EXPECT_EQ(host::ListPresets(shelf), Lines{}) << "no shelf yet";
    device.SetRegister(0x0E, 0x05);
    device.SavePreset(shelf, "golden", false);
    EXPECT_THROW(device.SavePreset(shelf, "golden", false), host::CommandError) << "saving over asks first";
    std::ofstream(shelf / ".hidden.txt") << "0x02 0x00\n";
    EXPECT_EQ(host::ListPresets(shelf), Lines{"golden"});
    device.SetRegister(0x0E, 0x00);
    EXPECT_TRUE(device.ApplyPreset(shelf, "golden").Done());
    EXPECT_EQ(device.Chip().Registers().bytes[0x0E], 0x05);
    EXPECT_EQ(device.Preset(), "golden");
    EXPECT_FALSE(device.ChangedSincePreset());
    device.SetRegister(0x0E, 0x01);
    EXPECT_TRUE(device.ChangedSincePreset());
    device.DeletePreset(shelf, "golden");
    EXPECT_THROW(device.ApplyPreset(shelf, "golden"), host::CommandError);
    EXPECT_THROW(device.DeletePreset(shelf, "golden"), host::CommandError);
}

// One control of each kind moved through the seam, as a person does, then every step undone
// and redone; each writes back only the bits it touched.
TEST_F(Bench, UndoAndRedoWriteBackWhatEachKindOfControlChanged) {
    host::Device device(module, BusTo(chip), sink);
    ASSERT_TRUE(device.Start());
    chip.regs[0x0E] = 0xC0;  // bits no control of this test touches
    ASSERT_TRUE(device.ReadAll());
    const auto& ui = module.Ui;
    const auto target = [&](const char* dialog, const char* name) {
        const host::DialogInfo& info = host::FindDialog(dialog);
        host::user::Reach(ui, device.Chip().Instance(), info);
        int32_t index = -1;
        EXPECT_EQ(ui.find(device.Chip().Instance(), info.index, name, &index), QM7140_UI_OK) << name;
        QM7140UiControl c{.size = sizeof c};
        ui.control(device.Chip().Instance(), info.index, index, &c);
        return host::user::Target{ui, device.Chip().Instance(), info.index, std::string(info.key), index, name, c.kind};
    };
    for (const char* d : {"digital", "limiter", "boost"}) module.SelectMenu(device.Chip().Instance(), host::FindDialog(d).index);
    struct Action {
        const char* what;
        std::function<void()> act;
    };
    const std::vector<Action> actions = {
        {"limiter AttackTime", [&] { host::user::Slide(target("limiter", "AttackTime"), "5"); }},
        {"boost EnableBoost", [&] { host::user::Click(target("boost", "EnableBoost")); }},
        {"digital DigitalSource", [&] { host::user::Select(target("digital", "DigitalSource"), "Right"); }},
        {"set 0x14", [&] { device.SetRegister(0x14, 0x0B); }},
    };
    std::vector<std::array<uint8_t, 256>> states{chip.regs};
    for (const Action& a : actions) {
        a.act();
        device.EndAction();
        EXPECT_NE(chip.regs, states.back()) << a.what << " changed nothing";
        states.push_back(chip.regs);
        EXPECT_EQ(device.Changes().NextUndo(), a.what);
    }
    EXPECT_EQ(chip.regs[0x0E], 0xC5) << "the slider's bits alone";
    for (size_t i = actions.size(); i-- > 0;) {
        ASSERT_TRUE(device.Undo()) << actions[i].what;
        EXPECT_EQ(chip.regs, states[i]) << "undo " << actions[i].what;
        EXPECT_EQ(device.Chip().Registers().bytes, chip.regs) << "the dialogs follow";
    }
    EXPECT_FALSE(device.Undo());
    for (size_t i = 0; i < actions.size(); ++i) {
        ASSERT_TRUE(device.Redo()) << actions[i].what;
        EXPECT_EQ(chip.regs, states[i + 1]) << "redo " << actions[i].what;
    }
    device.Undo();
    device.SetRegister(0x15, 0x01);
    EXPECT_EQ(device.Changes().Redoable(), 0u) << "a new change forgets what was undone";
    ASSERT_TRUE(device.ReadAll());
    EXPECT_EQ(device.Changes().Undoable(), 0u) << "the chip's own read starts a new history";
    for (int i = 0; i < 150; ++i) device.SetRegister(0x15, static_cast<uint8_t>(i % 2 + 2));
    EXPECT_GE(device.Changes().Undoable(), 100u);
}

}  // namespace
