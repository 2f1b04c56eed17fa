#include "dialogs/tboost.h"
#include "host_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct BoostDialog : ::testing::Test {
    TBoostForm form;
    TestHost host;
    void SetUp() override { host.Connect(form.BoostI2C); }
};

TEST(BoostDialogDesign, LayoutMatchesTheDesign) {
    TBoostForm form;
    EXPECT_EQ(form.Caption(), "BoostForm");
    EXPECT_EQ(form.Bounds.Width, 379);
    EXPECT_EQ(form.Bounds.Height, 156);
    EXPECT_FALSE(form.DesignedPosition.has_value());
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.EnableBoost.Caption(), "Enable Boost");
    EXPECT_EQ(form.EnableBoost.Parent(), &form);
    EXPECT_EQ(form.EnableAPT.Parent(), &form.GroupBox4);
    EXPECT_EQ(form.GroupBox4.Caption(), "Auto Pass Through Configuration");
    EXPECT_EQ(form.APTThreshold.Items(), (std::vector<std::string>{"T0", "T1", "T2", "T3"}));
    EXPECT_EQ(form.APTDelay.Items(), (std::vector<std::string>{"50ms", "75ms", "125ms", "200ms"}));
    EXPECT_EQ(form.APTThreshold.Text(), "T0");
    EXPECT_EQ(form.APTDelay.Text(), "50ms");
    EXPECT_FALSE(form.EnableBoost.Checked());
    EXPECT_EQ(form.APTDelay.Bounds.Left, 238);
    EXPECT_EQ(form.APTDelay.TabOrder, 3);
    EXPECT_EQ(form.StaticText8.Caption(), "Delay:");
}

// One user action each, from the cache's value before: exactly the field changes, with one
// callback. A list with no item selected (its text typed over) writes all ones.
TEST(BoostDialogControls, EveryControlWritesItsFieldOnceAndNothingElse) {
    struct Case {
        const char* what;
        std::function<void(TBoostForm&)> act;
        uint8_t reg, before, after;
    };
    const Case cases[] = {
        {"EnableBoost on", [](auto& f) { f.EnableBoost.userClick(); }, 2, 0x15, 0x55},
        // After a reload, changes reach the host again.
        {"EnableBoost off after a reload",
         [](auto& f) {
             f.BoostI2C.RegisterChanged(128, 0, 2);
             f.EnableBoost.userClick();
         },
         2, 0x55, 0x15},
        {"EnableAPT", [](auto& f) { f.EnableAPT.userClick(); }, 2, 0x15, 0x35},
        {"APTThreshold T2", [](auto& f) { f.APTThreshold.userSelect(2); }, 20, 0xF1, 0xF9},
        {"APTDelay 200ms", [](auto& f) { f.APTDelay.userSelect(3); }, 20, 0xF8, 0xFB},
        {"APTThreshold typed over", [](auto& f) { f.APTThreshold.userEditText("T9"); }, 20, 0x00, 0x0C},
        {"APTDelay emptied", [](auto& f) { f.APTDelay.userEditText(""); }, 20, 0x0C, 0x0F},
    };
    for (const Case& c : cases) {
        TBoostForm f;
        TestHost h;
        h.regs.fill(0x5A);
        h.regs[c.reg] = c.before;
        h.Connect(f.BoostI2C);
        auto expected = h.regs;
        expected[c.reg] = c.after;
        c.act(f);
        EXPECT_EQ(h.regs, expected) << c.what;
        EXPECT_EQ(h.writes, (std::vector<BusWrite>{{128, 0, c.reg, 1, c.after, h.Context()}})) << c.what;
    }
}

TEST_F(BoostDialog, ReloadShowsBothRegistersAndNeverWrites) {
    host.regs[20] = 0x0E;
    host.Set(form.BoostI2C, 2, 0x60);
    EXPECT_TRUE(form.EnableBoost.Checked());
    EXPECT_TRUE(form.EnableAPT.Checked());
    EXPECT_EQ(form.APTThreshold.Text(), "T3");
    EXPECT_EQ(form.APTDelay.Text(), "125ms");
    EXPECT_TRUE(host.writes.empty());
    EXPECT_EQ(host.regs[2], 0x60);
    EXPECT_EQ(host.regs[20], 0x0E);
    EXPECT_EQ(form.BoostI2C.WriteCallback, &host::RegisterHost::Written) << "callback restored";

    host.Set(form.BoostI2C, 2, 0x00);
    EXPECT_FALSE(form.EnableBoost.Checked());
    EXPECT_TRUE(host.writes.empty());
}

// A host that reads the device back inside its callback and reports what it read.
TEST_F(BoostDialog, HostNotifyingFromInsideItsCallbackGetsOneReloadAndNoSecondWrite) {
    host.onWrite = [this](const BusWrite& write) {
        host.regs[2] = 0x40;  // the device turned boost on by itself
        form.BoostI2C.RegisterChanged(write.address, write.page, write.reg);
    };
    form.APTDelay.userSelect(1);
    EXPECT_EQ(host.writes.size(), 1u);
    EXPECT_TRUE(form.EnableBoost.Checked()) << "the reload ran";
    EXPECT_EQ(host.regs[20], 0x01);
    EXPECT_EQ(form.BoostI2C.WriteCallback, &host::RegisterHost::Written);
}

}  // namespace
