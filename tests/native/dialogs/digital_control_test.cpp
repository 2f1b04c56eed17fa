#include "dialogs/tdigitalcontrol.h"
#include "graph/tanimationtimer.h"
#include "graph/tguiobject.h"
#include "host_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>

namespace {

using platform::Kind;

struct DigitalControl : ::testing::Test {
    TDigitalControlForm form;
    TestHost host;
    void SetUp() override { host.Connect(form.DigitalControlI2C); }
    BusWrite Expected(uint32_t reg, uint8_t cached) const { return {128, 0, reg, 1, cached, host.Context()}; }
    // The user types into an edit that has the focus, key by key.
    void Type(platform::Edit& edit, const std::string& text) {
        form.userFocus(&edit);
        while (!edit.Text().empty()) edit.userType('\b');
        for (char key : text) edit.userType(key);
    }
};

TEST(DigitalControlDesign, FormAndControlsAreBuiltAsDesigned) {
    TDigitalControlForm form;
    EXPECT_EQ(form.Caption(), "Digital Control");
    EXPECT_EQ(form.Bounds.Width, 747);
    EXPECT_EQ(form.Bounds.Height, 421);
    ASSERT_TRUE(form.DesignedPosition.has_value());
    EXPECT_EQ(form.DesignedPosition->X, 0);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.Controls().size(), 44u);
    EXPECT_EQ(form.GroupBox4.Caption(), "Shutdown Control && PLL");
    EXPECT_EQ(form.ActiveGraphObject, nullptr);
    EXPECT_EQ(form.SDOUTTagValue, 0);
    EXPECT_EQ(form.DataOffsetValue, 0);

    // Within each container the tab order runs 0, 1, 2, ... with no gap or twin.
    std::map<const platform::Control*, std::set<int>> tabs;
    for (const auto& c : form.Controls()) {
        EXPECT_TRUE(tabs[c->Parent()].insert(c->TabOrder).second) << c->Name();
        EXPECT_TRUE(c->Parent() == &form || c->Parent()->kind() == Kind::GroupBox) << c->Name();
        switch (c->kind()) {
        case Kind::RadioGroup: EXPECT_EQ(static_cast<platform::RadioGroup&>(*c).ItemIndex(), -1) << c->Name(); break;
        case Kind::ComboBox: {
            auto& combo = static_cast<platform::ComboBox&>(*c);
            EXPECT_EQ(combo.ItemIndex(), 0) << c->Name();
            EXPECT_EQ(combo.Text(), combo.Items().at(0)) << c->Name();
            break;
        }
        case Kind::CheckBox: EXPECT_FALSE(static_cast<platform::CheckBox&>(*c).Checked()) << c->Name(); break;
        case Kind::Edit: EXPECT_EQ(static_cast<platform::Edit&>(*c).Text(), "0") << c->Name(); break;
        default: break;
        }
    }
    for (const auto& [parent, orders] : tabs) EXPECT_EQ(*orders.rbegin(), static_cast<int>(orders.size()) - 1);
    EXPECT_EQ(tabs[&form].size(), 6u) << "six group boxes";
    EXPECT_EQ(form.LData.Items(), form.RData.Items());
}

// One user action each, on a register cached with a pattern: exactly the field changes,
// with one callback.
TEST_F(DigitalControl, EveryControlWritesItsFieldOnceAndNothingElse) {
    struct Case {
        const char* what;
        std::function<void(TDigitalControlForm&)> act;
        uint8_t reg, before, after;
    };
    const Case cases[] = {
        {"InputMode Digital", [](auto& f) { f.InputMode.userSelect(1); }, 3, 0xA5, 0x25},
        {"InputMode Analog", [](auto& f) { f.InputMode.userSelect(0); }, 3, 0x25, 0xA5},
        {"DigitalSource Mix", [](auto& f) { f.DigitalSource.userSelect(3); }, 3, 0x00, 0x18},
        {"LRCLKIn 44.1...48kHz", [](auto& f) { f.LRCLKIn.userSelect(5); }, 3, 0xF8, 0xFD},
        {"PDMIn", [](auto& f) { f.PDMIn.userClick(); }, 3, 0x00, 0x20},
        {"I2SOut I2S", [](auto& f) { f.I2SOut.userSelect(1); }, 3, 0x00, 0x40},
        {"I2SOut typed over", [](auto& f) { f.I2SOut.userEditText("x"); }, 3, 0x00, 0x40},
        {"LRCLKIn typed over", [](auto& f) { f.LRCLKIn.userEditText(""); }, 3, 0x80, 0x87},
        {"SDOUTTriState", [](auto& f) { f.SDOUTTriState.userClick(); }, 4, 0xF0, 0xF4},
        {"LRCLKOut PDMCLK / 4", [](auto& f) { f.LRCLKOut.userSelect(3); }, 4, 0x00, 0x03},
        {"LRCLKDir Output", [](auto& f) { f.LRCLKDir.userSelect(1); }, 5, 0x00, 0x80},
        {"BCLKDir Input", [](auto& f) { f.BCLKDir.userSelect(0); }, 5, 0xFF, 0xBF},
        {"CLKsFrame 64", [](auto& f) { f.CLKsFrame.userSelect(1); }, 5, 0x00, 0x10},
        {"DataFormat RJF", [](auto& f) { f.DataFormat.userSelect(2); }, 5, 0x00, 0x08},
        {"WordLength 32 bits", [](auto& f) { f.WordLength.userSelect(3); }, 5, 0x00, 0x03},
        {"PDMData V/I Data", [](auto& f) { f.PDMData.userSelect(3); }, 7, 0x00, 0xC0},
        {"RData VBAT", [](auto& f) { f.RData.userSelect(2); }, 7, 0xFF, 0xD7},
        {"LData Disabled", [](auto& f) { f.LData.userSelect(7); }, 7, 0x00, 0x07},
        {"PDMEdge Rising", [](auto& f) { f.PDMEdge.userSelect(1); }, 17, 0x00, 0x04},
        {"PDMClk BCLK", [](auto& f) { f.PDMClk.userSelect(2); }, 17, 0x00, 0x02},
        {"SWS", [](auto& f) { f.SWS.userClick(); }, 1, 0x00, 0x02},
        {"Mute", [](auto& f) { f.Mute.userClick(); }, 1, 0x00, 0x04},
        {"Noisegate", [](auto& f) { f.Noisegate.userClick(); }, 1, 0x00, 0x08},
        {"PLLSource Limp", [](auto& f) { f.PLLSource.userSelect(3); }, 1, 0x41, 0x71},
    };
    for (const Case& c : cases) {
        TDigitalControlForm f;
        TestHost h;
        h.Connect(f.DigitalControlI2C);
        h.regs.fill(0x5A);
        h.regs[c.reg] = c.before;
        auto expected = h.regs;
        expected[c.reg] = c.after;
        c.act(f);
        EXPECT_EQ(h.regs, expected) << c.what;
        EXPECT_EQ(h.writes, (std::vector<BusWrite>{{128, 0, c.reg, 1, c.after, h.Context()}})) << c.what;
    }
}

TEST_F(DigitalControl, ReloadShowsEveryRegisterWhicheverWasNamed) {
    host.regs[1] = 0x2E;
    host.regs[3] = 0x25;
    host.regs[4] = 0xC4;
    host.regs[5] = 0xC0;
    host.regs[6] = 0xFF;
    host.regs[7] = 0xC9;
    host.regs[17] = 0x06;
    host.Set(form.DigitalControlI2C, 2, 0x00);  // a register no control uses
    EXPECT_EQ(form.PLLSource.Text(), "PDMCLK");
    EXPECT_TRUE(form.Noisegate.Checked() && form.Mute.Checked() && form.SWS.Checked());
    EXPECT_EQ(form.InputMode.ItemIndex(), 1) << "Digital";
    EXPECT_EQ(form.DigitalSource.Text(), "Mute");
    EXPECT_EQ(form.LRCLKIn.Text(), "44.1...48kHz");
    EXPECT_TRUE(form.PDMIn.Checked());
    EXPECT_EQ(form.I2SOut.Text(), "PDM");
    EXPECT_EQ(form.SDOUTTag.Text(), "12");
    EXPECT_EQ(form.SDOUTTagValue, 12);
    EXPECT_TRUE(form.SDOUTTriState.Checked());
    EXPECT_EQ(form.LRCLKDir.ItemIndex(), 1);
    EXPECT_EQ(form.BCLKDir.ItemIndex(), 1);
    EXPECT_EQ(form.WordLength.Text(), "16 bits");
    EXPECT_EQ(form.DataOffset.Text(), "255");
    EXPECT_EQ(form.DataOffsetValue, 255);
    EXPECT_EQ(form.PDMData.Text(), "V/I Data");
    EXPECT_EQ(form.RData.Text(), "V Data");
    EXPECT_EQ(form.LData.Text(), "V Data");
    EXPECT_EQ(form.PDMEdge.ItemIndex(), 1) << "Rising";
    EXPECT_EQ(form.PDMClk.Text(), "BCLK");
    EXPECT_TRUE(host.writes.empty());
}

// Whatever the cache holds, a reload calls nothing and leaves every byte as it was, though
// the controls it sets write their fields back.
TEST_F(DigitalControl, AReloadNeverWritesAndLeavesTheCacheByteForByte) {
    std::mt19937 random(7140);
    for (int round = 0; round < 200; ++round) {
        for (uint8_t& r : host.regs) r = static_cast<uint8_t>(random());
        const auto before = host.regs;
        const auto named = static_cast<uint8_t>(random() % 32);
        host.Set(form.DigitalControlI2C, named, before[named]);
        ASSERT_EQ(host.regs, before) << "round " << round;
        ASSERT_TRUE(host.writes.empty());
    }
}

TEST(DigitalControlEdits, ReadEditValueAcceptsInclusiveRangesAndFallsBackOtherwise) {
    struct Case {
        const char* text;
        int32_t max;
        int32_t result;
    };
    const Case cases[] = {
        {"12", 15, 12},  {"15", 15, 15},  {"0", 15, 0},      {"16", 15, 9},  {"-1", 15, 9},  {"abc", 15, 9},
        {"", 15, 9},     {"007", 255, 7}, {"255", 255, 255}, {"256", 255, 9}, {" 3 ", 15, 3}, {"+3", 15, 3},
        {"0x5", 15, 9},  {"1.5", 15, 9},  {"4294967300", 255, 9}, {"-0", 15, 0}, {"+-1", 15, 9},
    };
    for (const Case& c : cases) {
        platform::Edit edit("E");
        edit.SetText(c.text);
        EXPECT_EQ(TDigitalControlForm::ReadEditValue(edit, 9, 0, c.max), c.result) << '"' << c.text << '"';
        EXPECT_EQ(edit.Text(), std::to_string(c.result)) << "the field shows the value used";
    }
}

TEST_F(DigitalControl, EnterCommitsAndLeavingCommitsAgain) {
    host.regs[4] = 0x05;
    Type(form.SDOUTTag, "12\r");
    EXPECT_EQ(host.regs[4], 0xC5);
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Expected(4, 0xC5)}));
    EXPECT_EQ(form.SDOUTTag.Text(), "12") << "Enter reaches the edit and changes nothing there";
    form.userFocus(&form.DataOffset);
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Expected(4, 0xC5), Expected(4, 0xC5)}));
}

TEST_F(DigitalControl, RejectedTextWritesTheLastAcceptedValueAgain) {
    Type(form.DataOffset, "200");
    form.userFocus(nullptr);
    Type(form.DataOffset, "256");
    form.userFocus(&form.SDOUTTag);
    EXPECT_EQ(form.DataOffset.Text(), "200");
    EXPECT_EQ(host.writes, (std::vector<BusWrite>{Expected(6, 200), Expected(6, 200)}));
    Type(form.SDOUTTag, "");
    form.userFocus(nullptr);
    EXPECT_EQ(form.SDOUTTag.Text(), "0");
    EXPECT_EQ(host.writes.back(), Expected(4, 0x00));
}

TEST_F(DigitalControl, ResetPulsesBitZeroAndTouchesNothingElse) {
    for (uint8_t before : {uint8_t{0x36}, uint8_t{0x37}}) {
        host.writes.clear();
        host.regs.fill(0xA5);
        host.regs[1] = before;
        const bool mute = form.Mute.Checked();
        form.Reset.userClick();
        EXPECT_EQ(host.writes, (std::vector<BusWrite>{Expected(1, 0x37), Expected(1, 0x36)}));
        EXPECT_EQ(host.regs[1], 0x36);
        EXPECT_EQ(host.regs[3], 0xA5);
        EXPECT_EQ(form.Mute.Checked(), mute) << "no reload";
    }
}

TEST(DigitalControlUnconnected, ChangesLandInTheCacheWithoutACallbackAndReloadLater) {
    TDigitalControlForm form;
    TestHost host;
    form.Mute.userClick();  // still on the placeholder: register 1 has nowhere to land
    EXPECT_EQ(form.DigitalControlI2C.InlineCache, 0);
    form.DigitalControlI2C.Cache = host.regs.data();
    form.Mute.userClick();
    form.PLLSource.userSelect(2);
    EXPECT_EQ(host.regs[1], 0x20);
    form.Mute.SetChecked(true);
    EXPECT_EQ(host.regs[1], 0x24);
    form.DigitalControlI2C.RegisterChanged(128, 0, 1);
    EXPECT_TRUE(form.Mute.Checked());
    EXPECT_EQ(form.PLLSource.ItemIndex(), 2);
    EXPECT_TRUE(host.writes.empty());
}

TEST(DigitalControlActivation, TheLinkedGraphObjectFollowsActivation) {
    TDigitalControlForm form;
    TAnimationTimer timer;
    TLCursor object;
    object.AnimationTimer = &timer;
    form.Show();  // nothing linked: nothing to move
    form.Hide();
    form.ActiveGraphObject = &object;
    struct Step {
        const char* what;
        std::function<void()> act;
        int32_t state, hitMode;
    };
    const Step steps[] = {
        {"shown", [&] { form.Show(); }, 1, QM7140_GRAPH_ALWAYS_HIT},
        {"deactivated", [&] { form.userDeactivate(); }, 3, QM7140_GRAPH_HIT_ON_SHAPE},
        {"activated", [&] { form.userActivate(); }, 1, QM7140_GRAPH_ALWAYS_HIT},
        {"hidden", [&] { form.userClose(); }, 3, QM7140_GRAPH_HIT_ON_SHAPE},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(object.AnimationState, s.state) << s.what;
        EXPECT_EQ(object.HitMode, s.hitMode) << s.what;
    }
    EXPECT_TRUE(timer.Enabled());
}

}  // namespace
