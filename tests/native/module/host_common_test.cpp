// What both hosts share: the host's own graph object and its fade, which windows a
// register reaches, the write log's line, state files as another system writes them, and files
// replaced whole.
#include "host/common/module/module_instance.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"
#include "host/common/module/graph_object.h"
#include "host/common/chip/state_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

TEST(HostGraphObject, ARectanglePlacesItsBoxAndIsHitOnItsClosedBoxByItsMode) {
    host::GraphRectangle r = host::MakeRectangle(0, 0, 100, 40, 2, 0x123456);
    QM7140GraphObject& o = r.object;
    o.Ops->Place(&o, 0.5f, 10, 20);
    EXPECT_EQ(o.Scale, 0.5f);
    EXPECT_EQ(o.Bounds.Left, 10);
    EXPECT_EQ(o.Bounds.Top, 20);
    EXPECT_EQ(o.Bounds.Right, 60);
    EXPECT_EQ(o.Bounds.Bottom, 40);
    EXPECT_EQ(o.HighlightPenWidth, 4u);
    const struct {
        int32_t x, y;
        bool inside;
    } points[] = {{10, 20, true}, {60, 40, true}, {35, 30, true}, {9, 30, false}, {61, 30, false}, {35, 41, false}};
    const struct {
        int32_t mode;
        bool inside, outside;
    } modes[] = {{QM7140_GRAPH_NEVER_HIT, false, false}, {QM7140_GRAPH_HIT_ON_SHAPE, true, false}, {QM7140_GRAPH_ALWAYS_HIT, true, true}};
    for (const auto& m : modes) {
        o.HitMode = m.mode;
        for (const auto& p : points) {
            EXPECT_EQ(o.Ops->ContainsPoint(&o, p.x, p.y), p.inside) << p.x << "," << p.y;
            EXPECT_EQ(o.Ops->HitTest(&o, p.x, p.y), p.inside ? m.inside : m.outside) << m.mode << ": " << p.x << "," << p.y;
        }
    }
    // Picked, the object takes its selected look; its colour setter leaves the look alone.
    o.Ops->SetSelectedColor(&o, 0x00FF00);
    EXPECT_EQ(o.Color, 0x123456u);
    o.Ops->SetSelected(&o, true);
    EXPECT_EQ(o.Color, 0x00FF00u);
    o.Ops->SetSelectable(&o, false);
    o.Ops->SetSelected(&o, true);
    EXPECT_EQ(o.Color, 0x123456u);
    EXPECT_TRUE(o.Ops->IsSelected(&o));
}

TEST(HostGraphObject, TheFadeClimbsToItsLastStepHoldsAndFallsBackToRest) {
    const struct {
        int32_t state;
        uint32_t step;
        int ticks;  // until StepFade says it stopped moving
        int32_t endState;
        uint32_t endStep;
    } rows[] = {
        {1, 0, 10, 2, 10},  // entering: ten steps, then held
        {1, 7, 3, 2, 10},   // entered again half-way through leaving: from where it was
        {3, 10, 10, 0, 0},  // leaving
        {5, 4, 4, 0, 0},
        {3, 500, 10, 0, 0},  // a step past the last one counts as the last
        {3, 0, 1, 0, 0},     // nothing to fade: rests at once
        {2, 10, 0, 2, 10},   // held: the timer may stop
        {0, 0, 0, 0, 0},
    };
    for (const auto& r : rows) {
        QM7140GraphObject o = host::MakeRectangle(0, 0, 1, 1, 1, 0).object;
        o.Ops->StartAnimation(&o, r.state);
        o.AnimationStep = r.step;
        int ticks = 0;
        while (host::StepFade(o) && ticks < 1000) ++ticks;
        EXPECT_EQ(ticks, r.ticks) << r.state << "/" << r.step;
        EXPECT_EQ(o.AnimationState, r.endState) << r.state << "/" << r.step;
        EXPECT_EQ(o.AnimationStep, r.endStep) << r.state << "/" << r.step;
    }
}

TEST(HostGraphObject, ThePenBlendsTheHighlightByTheStepWhileAnimating) {
    QM7140GraphObject o = host::MakeRectangle(0, 0, 1, 1, 2, 0x000000).object;
    o.HighlightColor = 0x102030;
    o.FadeColor = 0xF0E0D0;
    const struct {
        int32_t state;
        uint32_t step;
        QM7140Color color;
        uint32_t width;
    } rows[] = {
        {0, 5, 0x000000, 2},    // at rest: the object's own colour, whatever the step
        {1, 0, 0x102030, 4},    // highlight pass from HighlightColor ...
        {1, 10, 0xF0E0D0, 4},   // ... to FadeColor
        {3, 5, 0x808080, 4},    // channels half-way: 0x10 + 0xE0 / 2, 0x20 + 0xC0 / 2, 0x30 + 0xA0 / 2
        {2, 99, 0xF0E0D0, 4},   // a step past the last one draws as the last
        {1, 3, 0x535960, 4},    // rounded down: 0x10 + 0xE0 * 0.3 = 83.2, 0x20 + 0xC0 * 0.3 = 89.6
    };
    for (const auto& r : rows) {
        o.AnimationState = r.state;
        o.AnimationStep = r.step;
        const host::GraphPen pen = host::CurrentPen(o);
        EXPECT_EQ(pen.color, r.color) << std::hex << r.state << "/" << r.step;
        EXPECT_EQ(pen.width, r.width);
    }
    EXPECT_EQ(host::BlendColor(0xFF00FF, 0x00FF00, 0.5f), 0x7F7F7Fu);
    EXPECT_EQ(host::BlendColor(0xFF000005, 0x0000FF, 1.0f), 0x0000FFu) << "a system colour's high byte goes";
}

TEST(HostDevice, AWindowCoversTheRegistersOfItsOwnRangeAddressAndPage) {
    QM7140RegisterWindow w{};
    w.DeviceAddress = 0x80;
    w.FirstRegister = 4;
    w.RegisterCount = 3;
    const struct {
        int32_t address, page;
        uint32_t reg;
        bool covered;
    } rows[] = {{0x80, 0, 4, true}, {0x80, 0, 6, true}, {0x80, 0, 3, false}, {0x80, 0, 7, false},
                {0x81, 0, 5, false}, {0x80, 1, 5, false}};
    for (const auto& r : rows) EXPECT_EQ(host::Covers(w, r.address, r.page, r.reg), r.covered) << r.reg;
    // A window reaching past the top of the register numbers does not wrap round to 0.
    w.FirstRegister = 0xFFFFFFF0u;
    w.RegisterCount = 0x20;
    EXPECT_FALSE(host::Covers(w, 0x80, 0, 5));
    EXPECT_TRUE(host::Covers(w, 0x80, 0, 0xFFFFFFFFu));
}

TEST(HostDevice, TheModulesWindowsAreToldOfTheRegistersTheyHold) {
    host::Module module(QM7140_LIBRARY);
    std::vector<host::BusWrite> writes;
    host::ModuleInstance device(module, [&](const host::BusWrite& w) { writes.push_back(w); });
    // Limiter 0 to 15, Boost 0 to 20, Digital Control 0 to 31.
    const std::pair<uint8_t, int> rows[] = {{0, 3}, {15, 3}, {16, 2}, {20, 2}, {21, 1}, {31, 1}, {32, 0}, {255, 0}};
    for (const auto& [reg, windows] : rows) EXPECT_EQ(device.Notify(reg), windows) << int{reg};
    for (int32_t dialog = 0; dialog < host::kDialogCount; ++dialog)
        EXPECT_EQ(device.Window(dialog)->Cache, device.Registers().bytes.data());
    EXPECT_EQ(device.Window(host::kDialogCount), nullptr);
    EXPECT_TRUE(writes.empty()) << "reloads write nothing";
}

TEST(HostDevice, AWriteIsLoggedWithTheByteTheDeviceNowHolds) {
    host::RegisterFile registers;
    registers.bytes[2] = 0x55;
    EXPECT_EQ(host::WriteLine({0x80, 0, 2, 1}, registers), "W 0x80/0 reg 0x02 = 0x55");
    EXPECT_EQ(host::WriteLine({0x80, 1, 2, 3}, registers), "W 0x80/1 reg 0x02 = 0x55 count 3");
    EXPECT_EQ(host::WriteLine({0x80, 0, 300, 1}, registers), "W 0x80/0 reg 0x12C (no such register)");
    EXPECT_EQ(host::TransferLine('R', {0x80, 0, 3, 1, 0x25}), "R 0x80/0 reg 0x03 = 0x25");
}

TEST(HostStateFile, RoundTripsAndReadsLinesEndedTheWindowsWay) {
    const auto file = std::filesystem::temp_directory_path() / ("qm7140-state-" + std::to_string(getpid()) + ".txt");
    host::RegisterFile saved;
    for (unsigned reg = 0; reg < 256; ++reg) saved.bytes[reg] = static_cast<uint8_t>(reg * 7);
    host::WriteStateFile(file, saved);
    host::RegisterFile loaded;
    for (const auto& [reg, value] : host::ReadStateFile(file)) loaded.bytes[reg] = value;
    EXPECT_EQ(loaded.bytes, saved.bytes);

    std::ofstream(file, std::ios::binary) << "# saved on Windows\r\n0x02 0x40\r\n\r\n0x14 0x0B\r\n";
    EXPECT_EQ(host::ReadStateFile(file), (std::vector<std::pair<uint8_t, uint8_t>>{{2, 0x40}, {20, 0x0B}}));
    std::filesystem::remove(file);
}

// The temporary is where a replacing write can go wrong: one an earlier run left keeps its
// mode, and a link planted at its name would carry the text elsewhere.
TEST(HostFiles, AnOwnersFileIsTheOwnersAloneAndNoWriteFollowsALinkAtItsTemporary) {
    namespace fs = std::filesystem;
    const fs::path file = fs::temp_directory_path() / ("qm7140-key-" + std::to_string(getpid()) + ".pem");
    const fs::path temporary = file.string() + ".tmp" + std::to_string(getpid());
    std::ofstream(temporary) << "stale";
    fs::permissions(temporary, fs::perms::all);
    host::WriteReplacing(file, "secret", host::FileAccess::OwnerOnly);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(host::ReadBounded(file, 64), "secret");
    EXPECT_FALSE(fs::exists(temporary));

    const fs::path elsewhere = file.string() + ".elsewhere";
    std::ofstream(elsewhere) << "untouched";
    fs::create_symlink(elsewhere, temporary);
    EXPECT_THROW(host::WriteReplacing(file, "new"), host::CommandError);
    EXPECT_EQ(host::ReadBounded(elsewhere, 64), "untouched");
    EXPECT_EQ(host::ReadBounded(file, 64), "secret");
    for (const fs::path& p : {file, temporary, elsewhere}) fs::remove(p);
}

}  // namespace
