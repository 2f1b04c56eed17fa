#include "dialogs/tboost.h"
#include "host_fixture.h"

#include <gtest/gtest.h>

namespace {

struct BoostDialog : ::testing::Test {
    TBoostForm form;
    TestHost host;
    void SetUp() override { host.Connect(form.BoostI2C); }
    BusWrite Expected(uint32_t reg, uint8_t cached) const { return {128, 0, reg, 1, cached, host.Context()}; }
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

TEST(BoostDialogDesign, WithoutACallbackChangesAreDropped) {
    TBoostForm form;
    TestHost host;
    form.BoostI2C.Cache = host.regs.data();
    form.EnableBoost.userClick();
    form.APTThreshold.userSelect(3);
    EXPECT_TRUE(form.EnableBoost.Checked()) << "the control still shows the user's change";
    EXPECT_EQ(host.regs[2], 0);
    EXPECT_EQ(host.regs[20], 0);
}

TEST_F(BoostDialog, EnableBoostSetsAndClearsBitSixOnly) {
    host.regs[2] = 0x15;
    form.EnableBoost.userClick();
    EXPECT_EQ(host.regs[2], 0x55);
    form.EnableBoost.userClick();
    EXPECT_EQ(host.regs[2], 0x15);
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Expected(2, 0x55), Expected(2, 0x15)}));
    form.EnableAPT.userClick();
    EXPECT_EQ(host.regs[2], 0x35);
}

TEST_F(BoostDialog, ListsWriteTheirFieldAndLeaveTheRest) {
    host.regs[20] = 0xF1;
    form.APTThreshold.userSelect(2);
    EXPECT_EQ(host.regs[20], 0xF9);
    form.APTDelay.userSelect(3);
    EXPECT_EQ(host.regs[20], 0xFB);
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Expected(20, 0xF9), Expected(20, 0xFB)}));
}

TEST_F(BoostDialog, ListWithNoItemSelectedWritesAllOnes) {
    form.APTThreshold.userEditText("T9");
    EXPECT_EQ(host.regs[20], 0x0C);
    form.APTDelay.userEditText("");
    EXPECT_EQ(host.regs[20], 0x0F);
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

TEST_F(BoostDialog, NotificationsOutsideTheWindowDoNotReload) {
    host.regs[2] = 0x40;
    form.BoostI2C.RegisterChanged(128, 0, 21);
    form.BoostI2C.RegisterChanged(0x81, 0, 2);
    form.BoostI2C.RegisterChanged(128, 1, 2);
    EXPECT_FALSE(form.EnableBoost.Checked());
    form.BoostI2C.RegisterChanged(128, 0, 20);
    EXPECT_TRUE(form.EnableBoost.Checked());
}

TEST_F(BoostDialog, ChangesAfterAReloadReachTheHostAgain) {
    host.Set(form.BoostI2C, 2, 0x40);
    form.EnableBoost.userClick();
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Expected(2, 0x00)}));
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
