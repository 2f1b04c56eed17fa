#include "dialogs/tlimiter.h"
#include "host_fixture.h"
#include "platform/cairo/cairo_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using platform::MouseButton;

struct Limiter : ::testing::Test {
    TLimiterForm form;
    TestHost host;
    void SetUp() override { host.Connect(form.LimiterI2C); }
    std::vector<uint32_t> Registers() const {
        std::vector<uint32_t> regs;
        for (const BusWrite& w : host.writes) regs.push_back(w.reg);
        return regs;
    }
    void Type(platform::Edit& edit, const std::string& text) {
        form.userFocus(&edit);
        while (!edit.Text().empty()) edit.userType('\b');
        for (char key : text) edit.userType(key);
    }
    Pixel Center(const TLCursor& c) const { return {static_cast<int32_t>(c.CenterX), static_cast<int32_t>(c.CenterY)}; }
};

TEST(LimiterDesign, ConstructionShowsTheInitialCurveAndWritesNothing) {
    TLimiterForm form;
    EXPECT_EQ(form.Caption(), "Limiter / AGC");
    EXPECT_EQ(form.Bounds.Width, 618);
    EXPECT_EQ(form.Bounds.Height, 608);
    EXPECT_FALSE(form.DesignedPosition.has_value());
    EXPECT_TRUE(form.DoubleBuffered);
    EXPECT_EQ(form.LimiterPaintBox.Bounds.Width, 602);
    EXPECT_EQ(form.AttackTime.Max(), 7);
    EXPECT_EQ(form.Release.Max(), 15);
    EXPECT_EQ(form.InflectionPoint.Text(), "3.59");
    EXPECT_EQ(form.Level.Text(), "7.90");
    EXPECT_EQ(form.Slope.Text(), "5.97");
    EXPECT_EQ(form.InflectionCode, 143);
    EXPECT_EQ(form.LevelCode, 190);
    EXPECT_EQ(form.SlopeCode, 128);
    EXPECT_EQ(form.InflectionCursor.Color, 0x0000FFu);
    EXPECT_EQ(form.SlopeCursor.NormalColor, 0x00FFFFu);
    EXPECT_EQ(form.LimiterI2C.InlineCache, 0) << "the guarded window dropped the writes";
    // e = 7.898 - (3.594 - 1) * 5.969 < 0: the slope meets 0 V at ip - level / s.
    const Volts end = form.SlopeEndPoint();
    EXPECT_NEAR(end.ip, 2.271, 0.001);
    EXPECT_EQ(end.level, 0.0);
    EXPECT_EQ(form.SlopeCursor.CenterY, 394 - 40);
}

// The conversions at the ends of their ranges, and codes that round-trip through volts.
TEST(LimiterCodes, ConversionsClampAtTheRangeEndsAndRoundTrip) {
    EXPECT_EQ(TLimiterForm::VoltsToInflectionCode(1.11), 0);
    EXPECT_EQ(TLimiterForm::VoltsToInflectionCode(1.0), 0) << "below the range";
    EXPECT_EQ(TLimiterForm::VoltsToInflectionCode(6.0), 255) << "above the range";
    EXPECT_EQ(TLimiterForm::ValueToSlopeCode(-3.0), 0);
    EXPECT_EQ(TLimiterForm::ValueToSlopeCode(50.0), 255);
    EXPECT_EQ(TLimiterForm::VoltsToLevelCode(0), 0);
    EXPECT_GE(TLimiterForm::VoltsToLevelCode(10.6), 254);
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<uint8_t>(code);
        // A code's own value gives that code back: re-quantising never moves the curve.
        EXPECT_EQ(TLimiterForm::VoltsToInflectionCode(TLimiterForm::InflectionCodeToVolts(c)), c);
        EXPECT_EQ(TLimiterForm::VoltsToLevelCode(TLimiterForm::LevelCodeToVolts(c)), c);
        EXPECT_EQ(TLimiterForm::ValueToSlopeCode(TLimiterForm::SlopeCodeToValue(c)), c);
    }
    EXPECT_EQ(TLimiterForm::VoltsToInflectionCode(TLimiterForm::InflectionCodeToVolts(143)), 143) << "not 142";
    EXPECT_EQ(TLimiterForm::AttackTimeUs(7), 2510);
    EXPECT_EQ(TLimiterForm::ReleaseTimeMs(15), 1625);
}

TEST(LimiterControls, TrackBarsAndCheckBoxesWriteTheirFieldAndRefreshTheirCaption) {
    struct Case {
        const char* what;
        std::function<void(TLimiterForm&)> act;
        uint8_t reg, before, after;
    };
    const Case cases[] = {
        {"Enable", [](auto& f) { f.Enable.userClick(); }, 2, 0xF0, 0xF4},
        {"Hysteresis 3", [](auto& f) { f.Hysteresis.userSetPosition(3); }, 14, 0x00, 0xC0},
        {"LimMode", [](auto& f) { f.LimMode.userClick(); }, 14, 0x00, 0x20},
        {"APTVBAT 2", [](auto& f) { f.APTVBAT.userSetPosition(2); }, 14, 0xFF, 0xF7},
        {"AttackTime 7", [](auto& f) { f.AttackTime.userSetPosition(7); }, 14, 0x00, 0x07},
        {"Release 15", [](auto& f) { f.Release.userSetPosition(15); }, 15, 0x20, 0x2F},
        {"SelIntegration", [](auto& f) { f.SelIntegration.userClick(); }, 15, 0x0F, 0x2F},
    };
    for (const Case& c : cases) {
        TLimiterForm f;
        TestHost h;
        h.Connect(f.LimiterI2C);
        h.regs[c.reg] = c.before;
        c.act(f);
        EXPECT_EQ(h.regs[c.reg], c.after) << c.what;
        EXPECT_EQ(h.writes.size(), 1u) << c.what;
    }
    // The captions follow whether the write reaches anything or not.
    TLimiterForm unconnected;
    unconnected.AttackTime.userSetPosition(7);
    unconnected.Release.userSetPosition(1);
    EXPECT_EQ(unconnected.AttackText.Caption(), "2510 us");
    EXPECT_EQ(unconnected.ReleaseText.Caption(), "155 ms/step");
}

TEST_F(Limiter, AReloadSetsTheControlsCaptionsAndCurveButWritesNothing) {
    host.regs[2] = 0x04;
    host.regs[14] = 0xFF;
    host.regs[15] = 0x2F;
    host.regs[11] = 0;
    host.regs[12] = 255;
    host.regs[13] = 0;
    const auto before = host.regs;
    host.Set(form.LimiterI2C, 12, 255);
    EXPECT_TRUE(form.Enable.Checked());
    EXPECT_EQ(form.Hysteresis.Position(), 3);
    EXPECT_TRUE(form.LimMode.Checked());
    EXPECT_EQ(form.APTVBAT.Position(), 3);
    EXPECT_EQ(form.AttackText.Caption(), "2510 us");
    EXPECT_EQ(form.ReleaseText.Caption(), "1625 ms/step");
    EXPECT_TRUE(form.SelIntegration.Checked());
    // The chip's curve: codes, edit boxes and both cursors (level 0 puts them on one point).
    EXPECT_EQ(form.InflectionCode, 0);
    EXPECT_EQ(form.SlopeCode, 255);
    EXPECT_EQ(form.LevelCode, 0);
    EXPECT_EQ(form.InflectionPoint.Text(), "1.11");
    EXPECT_EQ(form.Slope.Text(), "10.70");
    EXPECT_EQ(form.Level.Text(), "0.00");
    EXPECT_EQ(Center(form.InflectionCursor), form.VoltsToPixel(1.11, 0));
    EXPECT_EQ(Center(form.SlopeCursor), form.VoltsToPixel(1.11, 0));
    EXPECT_TRUE(host.writes.empty());
    EXPECT_EQ(host.regs, before);

    // The next edit of one field writes the chip's codes of the others, not stale ones.
    Type(form.Level, "5");
    form.Level.userType(13);
    EXPECT_EQ(Registers(), (std::vector<uint32_t>{11, 13}));
    EXPECT_EQ(host.regs[11], 0);
}

TEST(LimiterReload, KeepsTheDesignedCurveWithoutAChipToShow) {
    // No cache installed yet (the placeholder reads 0), or a host that cleared it.
    for (const bool clearCache : {false, true}) {
        TLimiterForm form;
        if (clearCache) form.LimiterI2C.Cache = nullptr;
        form.LimiterI2C.RegisterChanged(128, 0, 11);
        EXPECT_EQ(form.InflectionCode, 143) << clearCache;
        EXPECT_EQ(form.SlopeCode, 128) << clearCache;
        EXPECT_EQ(form.LevelCode, 190) << clearCache;
        EXPECT_EQ(form.InflectionPoint.Text(), "3.59") << clearCache;
    }
}

TEST_F(Limiter, EditsQuantiseFallBackAndAlwaysWrite) {
    struct Case {
        const char* edit;
        const char* typed;
        const char* shown;
        std::vector<uint32_t> writes;
    };
    const Case cases[] = {
        {"InflectionPoint", "1.11", "1.11", {11, 13}},
        {"InflectionPoint", "5.54", "5.54", {11, 13}},
        {"InflectionPoint", "5.55", "3.59", {11, 13}},
        {"Level", "0", "0.00", {11, 13}},
        {"Level", "10.7", "7.90", {11, 13}},
        {"Slope", "abc", "5.97", {12}},
        {"Slope", "nan", "5.97", {12}},
        {"Slope", "1e1", "9.99", {12}},
        {"Slope", " 1.2 ", "1.20", {12}},
    };
    for (const Case& c : cases) {
        TLimiterForm f;
        TestHost h;
        h.Connect(f.LimiterI2C);
        auto& edit = f.Get<platform::Edit>(c.edit);
        f.userFocus(&edit);
        while (!edit.Text().empty()) edit.userType('\b');
        for (char key : std::string(c.typed) + "\r") edit.userType(key);
        EXPECT_EQ(edit.Text(), c.shown) << c.typed;
        std::vector<uint32_t> regs;
        for (const BusWrite& w : h.writes) regs.push_back(w.reg);
        EXPECT_EQ(regs, c.writes) << c.typed;
    }
}

// What the dialog shows for a code reads back as that code: committing a field again and
// again, typed into or not, never moves the curve.
TEST_F(Limiter, CommittingAShownValueAgainKeepsItsCode) {
    Type(form.InflectionPoint, "4.2\r");
    ASSERT_EQ(form.InflectionCode, 177);
    for (platform::Edit* edit : {&form.InflectionPoint, &form.Level, &form.Slope, &form.InflectionPoint}) {
        form.userFocus(edit);
        edit->userType('\r');
        form.userFocus(nullptr);
    }
    EXPECT_EQ(form.InflectionCode, 177);
    EXPECT_EQ(form.LevelCode, 190);
    EXPECT_EQ(form.SlopeCode, 128);
    TLimiterForm fresh;
    fresh.userFocus(&fresh.InflectionPoint);
    fresh.userFocus(nullptr);
    EXPECT_EQ(fresh.InflectionCode, 143) << "3.59 read back would be code 142";
}

TEST_F(Limiter, ALevelOfZeroPutsTheWholeCurveAndBothCursorsOnZeroVolts) {
    Type(form.Level, "0");
    form.userFocus(nullptr);
    EXPECT_EQ(form.LevelCode, 0);
    EXPECT_EQ(Center(form.InflectionCursor).x, Center(form.SlopeCursor).x);
    EXPECT_EQ(Center(form.InflectionCursor).y, 394 - 40);
    EXPECT_EQ(host.regs[13], 0);
}

TEST_F(Limiter, DraggingTheInflectionCursorWritesElevenAndThirteenOnEveryMoveAndClamps) {
    const Pixel at = Center(form.InflectionCursor);
    form.LimiterPaintBox.userMouseDown(MouseButton::Left, at.x, at.y);
    ASSERT_TRUE(form.InflectionCursor.Dragging);
    form.LimiterPaintBox.userMouseMove(at.x + 10, at.y - 10);
    form.LimiterPaintBox.userMouseMove(-500, -500);  // beyond the top left: 1.11 V (code 0), 10.6 V
    EXPECT_EQ(Registers(), (std::vector<uint32_t>{11, 13, 11, 13}));
    EXPECT_EQ(form.InflectionCode, 0);
    EXPECT_GE(form.LevelCode, 254);
    form.LimiterPaintBox.userMouseMove(5000, 0);  // beyond the right edge: 5.54 V
    EXPECT_EQ(form.InflectionCode, 255);
    form.LimiterPaintBox.userMouseUp(MouseButton::Right, 0, 0);  // any button ends the drag
    EXPECT_FALSE(form.InflectionCursor.Dragging);
    form.LimiterPaintBox.userMouseMove(at.x, at.y);
    EXPECT_EQ(host.writes.size(), 6u);
}

TEST_F(Limiter, DraggingTheSlopeCursorTakesTheSlopeToTheKneeAndStopsRightOfIt) {
    const Pixel slope = Center(form.SlopeCursor);
    const Pixel knee = Center(form.InflectionCursor);
    form.LimiterPaintBox.userMouseDown(MouseButton::Right, slope.x, slope.y);
    EXPECT_FALSE(form.SlopeCursor.Dragging) << "only the left button drags";
    form.LimiterPaintBox.userMouseDown(MouseButton::Left, slope.x, slope.y);
    ASSERT_TRUE(form.SlopeCursor.Dragging);
    const int32_t hitModeBefore = form.SlopeCursor.AnimationState;
    form.LimiterPaintBox.userMouseMove(knee.x + 20, knee.y + 50);  // right of the knee: nothing
    EXPECT_TRUE(host.writes.empty());
    EXPECT_EQ(form.SlopeCursor.AnimationState, hitModeBefore) << "pointer tracking skipped too";
    form.LimiterPaintBox.userMouseMove(knee.x - 2, knee.y + 300);  // steep: the maximum
    EXPECT_EQ(form.SlopeCode, 255);
    form.LimiterPaintBox.userMouseMove(knee.x - 100, knee.y - 50);  // above the level: the minimum
    EXPECT_EQ(form.SlopeCode, 0);
    EXPECT_EQ(Registers(), (std::vector<uint32_t>{12, 12}));
}

TEST_F(Limiter, ThePlotFollowsThePaintBoxSize) {
    form.LimiterPaintBox.Bounds.Width = 1002;
    form.LimiterPaintBox.Bounds.Height = 794;
    const Pixel top = form.VoltsToPixel(6.0, 10.6);
    EXPECT_EQ(top.x, 1002 - 10);
    EXPECT_EQ(top.y, 10);
    const Volts back = form.PixelToVolts(1002 - 10, 794 - 40);
    EXPECT_DOUBLE_EQ(back.ip, 6.0);
    EXPECT_DOUBLE_EQ(back.level, 0.0);
    // A box too small for a plot still converts without dividing by zero.
    form.LimiterPaintBox.Bounds = {0, 0, 10, 10};
    form.LimiterPaintBox.userMouseMove(3, 3);
    EXPECT_TRUE(std::isfinite(form.PixelToVolts(40, 10).level));
}

// A new size moves the plot under the cursors: they go back onto their points of the curve,
// where a press finds them, and nothing is written.
TEST_F(Limiter, AResizeMovesBothCursorsOntoTheCurveAndWritesNothing) {
    for (const auto& [w, h] : {std::pair{1002, 794}, std::pair{300, 200}}) {
        form.LimiterPaintBox.userResize(w, h);
        const Volts end = form.SlopeEndPoint();
        const Pixel foot = form.VoltsToPixel(end.ip, end.level);
        EXPECT_EQ(Center(form.InflectionCursor), form.VoltsToPixel(TLimiterForm::InflectionCodeToVolts(form.InflectionCode),
                                                                   TLimiterForm::LevelCodeToVolts(form.LevelCode)));
        EXPECT_EQ(Center(form.SlopeCursor), foot);
        EXPECT_TRUE(form.SlopeCursor.HitTest(foot.x, foot.y));
    }
    EXPECT_TRUE(host.writes.empty());
}

// The view's picture on real pixels, at the designed size and at a larger one: every
// position comes from the paint box's size at the time of painting.
TEST(LimiterView, PaintsBackgroundGridCurveAndCursorsWhereThePlotPutsThem) {
    for (const auto& [w, h] : {std::pair{602, 394}, std::pair{1002, 794}}) {
        TLimiterForm form;
        form.LimiterPaintBox.Bounds.Width = w;
        form.LimiterPaintBox.Bounds.Height = h;
        form.SetInflectionAndLevel(3.5, 8.0);  // cursors placed for this size
        platform::cairo::CairoCanvas canvas(w, h);
        form.LimiterPaintBox.PaintOn(canvas);
        const Pixel knee = form.VoltsToPixel(TLimiterForm::InflectionCodeToVolts(form.InflectionCode),
                                             TLimiterForm::LevelCodeToVolts(form.LevelCode));
        const Volts end = form.SlopeEndPoint();
        const Pixel foot = form.VoltsToPixel(end.ip, end.level);
        const int gridX = form.VoltsToPixel(5.5, 0).x;
        auto near = [&](int x, int y, uint32_t rgb) {
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    if (canvas.PixelAt(x + dx, y + dy) == rgb) return true;
            return false;
        };
        SCOPED_TRACE(w);
        EXPECT_EQ(canvas.PixelAt(w - 3, 3), 0x000000u) << "black outside the plot";
        EXPECT_EQ(canvas.PixelAt(gridX, 40), 0x808080u) << "a vertical grid line";
        EXPECT_EQ(canvas.PixelAt(w - 10 - 20, knee.y), 0x00BBBBu) << "the level segment";
        EXPECT_TRUE(near((knee.x + foot.x) / 2, (knee.y + foot.y) / 2, 0x00BBBB)) << "the sloped segment";
        EXPECT_TRUE(near(knee.x - 3, knee.y, 0xFF0000)) << "the inflection cursor, red";
        EXPECT_TRUE(near(foot.x + 3, foot.y, 0xFFFF00)) << "the slope cursor, yellow";
        EXPECT_EQ(canvas.LockDepth(), 0);
    }
}

}  // namespace
