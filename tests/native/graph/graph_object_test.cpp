#include "graph/tanimationtimer.h"
#include "graph/tguiobject.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Lines and rectangles keep their destructors to themselves (slot 0 destroys them); final
// test types may live on the stack.
struct Line final : TGUILine {
    Line(TGUIPoint a = {}, TGUIPoint b = {}) : TGUILine(1, 0) {
        Points[0] = a;
        Points[1] = b;
        Place(1.0f, 0, 0);
    }
};

// Answers hit tests as told and records what the shared routines call.
struct Probe final : TGUILine {
    Probe() : TGUILine(1, 0) {}
    bool QM7140_CDECL ContainsPoint(int32_t, int32_t) noexcept override {
        ++containsCalls;
        return inside;
    }
    void QM7140_CDECL StartAnimation(int32_t state) noexcept override {
        started.push_back(state);
        TGUILine::StartAnimation(state);
    }
    bool QM7140_CDECL IsSelected() noexcept override {
        ++askedSelected;
        return TGUILine::IsSelected();
    }
    bool inside = false;
    int containsCalls = 0, askedSelected = 0;
    std::vector<int32_t> started;
};

struct Event {
    void* context;
    TGUIObject* sender;
    int32_t code;
    bool operator==(const Event&) const = default;
};
std::vector<Event> events;
void QM7140_CDECL Record(void* context, TGUIObject* sender, int32_t code) { events.push_back({context, sender, code}); }

TEST(GraphObject, ConstructionSetsTheDocumentedState) {
    TLCursor c;
    EXPECT_EQ(c.PenWidth, 2u);
    EXPECT_EQ(c.NormalPenWidth, 2u);
    EXPECT_EQ(c.SelectedPenWidth, 1u);
    EXPECT_EQ(c.HighlightPenWidth, 3u);
    EXPECT_EQ(c.Color, 0x0000FFu);
    EXPECT_EQ(c.NormalColor, 0u);
    EXPECT_EQ(c.HighlightColor, 0xFF000005u);
    EXPECT_EQ(c.FadeColor, 0x0000FFu);
    EXPECT_EQ(c.SelectedColor, 0u);
    EXPECT_EQ(c.Scale, 1.0f);
    EXPECT_EQ(c.PointCount, 2u);
    EXPECT_EQ(c.HitMode, 0);
    EXPECT_EQ(c.AnimationTimer, nullptr);
    EXPECT_TRUE(c.Visible && c.Selectable && !c.Selected && !c.Dragging);
    EXPECT_EQ(c.FillColor, 0x808080u);
    EXPECT_EQ(c.Reserved758, 2);
    EXPECT_EQ(c.Reserved75C, 0x808080u);
    EXPECT_EQ(c.DashStyle, 0);
    // Its degenerate box at (0, 0) contains the origin, yet a new cursor is never hit.
    EXPECT_TRUE(c.ContainsPoint(0, 0));
    EXPECT_FALSE(c.HitTest(0, 0));
}

TEST(GraphObject, CursorIsHitOnItsClosedSevenPixelSquare) {
    TLCursor c;
    c.NormalColor = 0x00AA00;
    c.SetCenter(100, 50);
    EXPECT_EQ(c.HitMode, 1);
    for (int32_t y = 40; y <= 60; ++y)
        for (int32_t x = 90; x <= 110; ++x)
            EXPECT_EQ(c.HitTest(x, y), x >= 97 && x <= 103 && y >= 47 && y <= 53) << x << "," << y;
    EXPECT_EQ(c.Bounds.Left, 97);
    EXPECT_EQ(c.Bounds.Top, 47);
    EXPECT_EQ(c.Bounds.Right, 103);
    EXPECT_EQ(c.Bounds.Bottom, 53);
    EXPECT_EQ(c.Color, 0x00AA00u);
    EXPECT_EQ(c.SelectedColor, 0x00AA00u);
    EXPECT_EQ(c.FadeColor, 0xFFFFFFu);
    EXPECT_EQ(c.HighlightColor, 0u);
}

// A box contains its closed span whichever corner comes first; a line, the points strictly
// within five pixels of its segment, and nothing at all when it has no length.
TEST(GraphObject, ShapesContainTheirPointsAndNoOthers) {
    struct Case {
        bool box;
        TGUIPoint a, b;
        int32_t x, y;
        bool inside;
    };
    const Case cases[] = {
        {true, {10, 20}, {4, 8}, 4, 8, true},
        {true, {10, 20}, {4, 8}, 10, 20, true},
        {true, {10, 20}, {4, 8}, 11, 20, false},
        {true, {10, 20}, {4, 8}, 4, 7, false},
        {false, {0, 0}, {10, 0}, 5, 5, false},
        {false, {0, 0}, {10, 0}, 5, 4, true},
        {false, {0, 0}, {10, 0}, 15, 0, false},  // nearest is the end (10, 0)
        {false, {0, 0}, {10, 0}, 14, 0, true},
        {false, {0, 0}, {10, 0}, -5, 0, false},
        {false, {0, 0}, {10, 0}, -4, 0, true},
        {false, {0, 0}, {10, 0}, 13, 4, false},  // 5 from the end, though 4 from the line's extension
        {false, {3, 3}, {3, 3}, 3, 3, false},
        {false, {0, 0}, {1e-30f, 0}, 0, 0, false},  // its squared length underflows to 0
        {false, {0, 0}, {std::nanf(""), 0}, 0, 0, false},
    };
    for (const Case& c : cases) {
        TLCursor box;
        Line line(c.a, c.b);
        box.Points[0] = c.a;
        box.Points[1] = c.b;
        box.Place(1.0f, 0, 0);
        TGUIObject& shape = c.box ? static_cast<TGUIObject&>(box) : line;
        EXPECT_EQ(shape.ContainsPoint(c.x, c.y), c.inside) << (c.box ? "box " : "line ") << c.x << "," << c.y;
    }
}

TEST(GraphObject, HitModeDecidesWhetherTheShapeIsAsked) {
    Probe p;
    p.inside = true;
    EXPECT_FALSE(p.HitTest(1, 1));
    EXPECT_EQ(p.containsCalls, 0);
    p.HitMode = 1;
    EXPECT_TRUE(p.HitTest(1, 1));
    p.inside = false;
    EXPECT_FALSE(p.HitTest(1, 1));
    p.HitMode = 2;
    EXPECT_TRUE(p.HitTest(1, 1));
    EXPECT_EQ(p.containsCalls, 3);
    // Pointer tracking belongs to mode 1 alone.
    p.MouseMove(1, 1);
    p.HitMode = 0;
    p.MouseMove(1, 1);
    EXPECT_EQ(p.containsCalls, 3);
    EXPECT_TRUE(p.started.empty());
}

// Bounds truncate toward zero, right and bottom never go below 0, far-off points saturate
// and NaN moves nothing; with no points the box stays empty.
TEST(GraphObject, PlaceBoundsTheScreenPoints) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        TGUIPoint a, b;
        uint32_t count;
        float scale;
        int32_t dx, dy;
        std::array<int32_t, 4> ltrb;
    };
    const Case cases[] = {
        {{}, {}, 0, 2.5f, 3, 4, {1000000, 1000000, 0, 0}},
        {{-10.5f, -20}, {-5, -3.9f}, 2, 1.0f, 0, 0, {-10, -20, 0, 0}},
        {{1.5f, 2.5f}, {4, 1}, 2, 2.0f, 10, -20, {13, -18, 18, 0}},
        {{1e30f, std::nanf("")}, {-1e30f, 7}, 2, 1.0f, 0, 0, {kMin, 7, kMax, 7}},
    };
    for (const Case& c : cases) {
        Line l(c.a, c.b);
        l.PointCount = c.count;
        l.Reserved168[0] = l.Reserved168[1] = 9;
        l.Place(c.scale, c.dx, c.dy);
        EXPECT_EQ((std::array{l.Bounds.Left, l.Bounds.Top, l.Bounds.Right, l.Bounds.Bottom}), c.ltrb) << c.a.X;
        EXPECT_EQ(l.Scale, c.scale);
        EXPECT_EQ(l.Reserved168[0] | l.Reserved168[1], 0);
    }
    Line scaled({1.5f, 2.5f}, {4, 1});
    scaled.Place(2.0f, 10, -20);
    EXPECT_EQ(scaled.ScreenPoints[0].X, 13.0f);
    EXPECT_EQ(scaled.ScreenPoints[0].Y, -15.0f);
    EXPECT_EQ(scaled.ScreenPoints[1].X, 18.0f);
}

TEST(GraphObject, PointerTrackingWithoutTimerStaysIdleAndRepeatsEntering) {
    Probe p;
    p.HitMode = 1;
    p.SetNotify(&p, &Record);
    events.clear();
    p.inside = true;
    p.MouseMove(0, 0);
    p.MouseMove(0, 0);
    p.inside = false;
    p.MouseMove(0, 0);
    EXPECT_EQ(p.AnimationState, 0);
    EXPECT_EQ(p.started, (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(events, (std::vector<Event>{{&p, &p, 3}, {&p, &p, 3}}));
}

TEST(GraphObject, PointerTrackingWithTimerEntersAndLeavesOnce) {
    Probe p;
    TAnimationTimer timer;
    p.SetHitMode(1, &timer);
    p.SetNotify(nullptr, &Record);
    events.clear();
    p.inside = true;
    p.MouseMove(0, 0);
    EXPECT_EQ(p.AnimationState, 1);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1u);
    p.MouseMove(0, 0);
    p.inside = false;
    p.MouseMove(0, 0);
    EXPECT_EQ(p.AnimationState, 5);
    p.MouseMove(0, 0);
    p.AnimationState = 2;
    p.MouseMove(0, 0);
    EXPECT_EQ(p.AnimationState, 3);
    EXPECT_EQ(p.started, (std::vector<int32_t>{1, 5, 3}));
    EXPECT_EQ(events, (std::vector<Event>{{nullptr, &p, 3}, {nullptr, &p, 4}, {nullptr, &p, 4}}));
}

TEST(GraphObject, PointerTrackingReadsTheStateAfreshForEachTest) {
    // A host's notification that moves the state on makes the next test fire as well.
    Probe p;
    TAnimationTimer timer;
    p.SetHitMode(1, &timer);
    p.AnimationState = 1;
    p.SetNotify(&p, [](void* context, TGUIObject*, int32_t code) {
        if (code == 4 && static_cast<Probe*>(context)->AnimationState == 5) static_cast<Probe*>(context)->AnimationState = 2;
    });
    p.MouseMove(0, 0);
    EXPECT_EQ(p.started, (std::vector<int32_t>{5, 3}));
    EXPECT_EQ(p.AnimationState, 3);
}

TEST(GraphObject, SelectionPicksColourAndWidthOnlyWhenSelectable) {
    Line l;
    l.NormalColor = 1, l.SelectedColor = 2, l.NormalPenWidth = 3, l.SelectedPenWidth = 4;
    l.SetSelected(true);
    EXPECT_EQ(l.Color, 2u);
    EXPECT_EQ(l.PenWidth, 4u);
    l.SetSelectedColor(7);  // stored only
    EXPECT_EQ(l.Color, 2u);
    l.SetSelectable(false);
    l.SetSelected(true);
    EXPECT_TRUE(l.IsSelected());
    EXPECT_EQ(l.Color, 1u);
    EXPECT_EQ(l.PenWidth, 3u);
    l.SaveSelected();
    l.SetSelected(false);
    EXPECT_TRUE(l.WasSelected());
    EXPECT_EQ(l.GetIndex(), -1);
}

TEST(GraphObject, UpdateSelectionFollowsSourcesAndEndsAtCycles) {
    Probe off, on;
    on.Selected = true;
    off.SelectedColor = 0x111111;
    on.SelectedColor = 0x222222;
    Line a, b;
    a.Sources[0] = &off, a.Sources[1] = &on, a.Sources[2] = &off, a.SourceCount = 3;
    a.Dependents[0] = &b, a.DependentCount = 1;
    b.Dependents[0] = &a, b.DependentCount = 1;
    b.Selected = true;
    a.UpdateSelection(true);
    EXPECT_TRUE(a.Selected);
    EXPECT_EQ(a.SelectedColor, 0x111111u);  // the first source's, selected or not
    EXPECT_EQ(a.Color, 0x111111u);
    EXPECT_FALSE(b.Selected);  // no sources of its own
    EXPECT_FALSE(a.Updating || b.Updating);
    EXPECT_EQ(off.askedSelected, 1);  // once any source is selected, no further one is asked
    EXPECT_EQ(on.askedSelected, 1);

    a.SetSelectable(false);
    a.Color = 5, a.PenWidth = 6;
    b.Selected = true;
    a.UpdateSelection(false);
    EXPECT_FALSE(a.Selected);
    EXPECT_EQ(a.Color, 5u);
    EXPECT_EQ(a.PenWidth, 6u);
    EXPECT_TRUE(b.Selected);  // dependents are left alone
}

TEST(GraphObject, NullSourcesAndDependentsAreSkipped) {
    Probe on;
    on.Selected = true;
    on.SelectedColor = 0x333333;
    Line l;
    l.Sources[1] = &on, l.SourceCount = 2;
    l.DependentCount = 2;
    l.UpdateSelection(true);
    EXPECT_TRUE(l.Selected);
    EXPECT_EQ(l.SelectedColor, 0x333333u);
}

TEST(GraphObject, PointTransformsChangeOnlyModelPoints) {
    Line l({1, 2}, {3, 4});
    const float swap[6] = {0, 1, 1, 0, 0, 0};
    l.TransformPoints(swap);
    EXPECT_EQ(l.Points[0].X, 2.0f);
    EXPECT_EQ(l.Points[0].Y, 1.0f);
    EXPECT_EQ(l.Points[1].X, 4.0f);
    EXPECT_EQ(l.Points[1].Y, 3.0f);
    EXPECT_EQ(l.ScreenPoints[0].X, 1.0f);  // until the next Place
    const float affine[6] = {2, 0, 0, 3, 5, 7};
    l.TransformPoints(affine);
    EXPECT_EQ(l.Points[0].X, 9.0f);
    EXPECT_EQ(l.Points[0].Y, 10.0f);
    const float d[2] = {-1, 1}, s[2] = {0.5f, -2};
    l.TranslatePoints(d);
    l.ScalePoints(s);
    EXPECT_EQ(l.Points[0].X, 4.0f);
    EXPECT_EQ(l.Points[0].Y, -22.0f);
}

TEST(GraphObject, HasLinkLooksAtTheLinksInUseOnly) {
    Line l;
    l.Links[1].Id = 7;
    l.Links[2].Id = 9;
    l.LinkCount = 2;
    EXPECT_TRUE(l.HasLink(7));
    EXPECT_TRUE(l.HasLink(0));
    EXPECT_FALSE(l.HasLink(9));
}

TEST(GraphObject, CountsAboveSixteenStayInsideTheArrays) {
    Line l;
    l.PointCount = 1000;
    for (auto& p : l.Points) p = {1, 1};
    const float d[2] = {1, 1}, m[6] = {1, 0, 0, 1, 1, 1}, s[2] = {2, 2};
    l.TranslatePoints(d);
    l.TransformPoints(m);
    l.ScalePoints(s);
    EXPECT_EQ(l.Points[15].X, 6.0f);
    EXPECT_EQ(l.ScreenPoints[0].X, 0.0f);  // right behind Points
    l.Place(1.0f, 0, 0);
    EXPECT_EQ(l.PointCount, 1000u);  // right behind ScreenPoints

    // An unbounded walk would read Reserved28C as Sources[16] and Sources[0] as Dependents[16].
    std::memset(l.Reserved28C, 0xAB, sizeof l.Reserved28C);
    Line selected, behindDependents;
    selected.Selected = true;
    behindDependents.Sources[0] = &selected, behindDependents.SourceCount = 1;
    l.Sources[0] = &behindDependents;
    l.SourceCount = 17;
    l.DependentCount = 17;
    l.UpdateSelection(false);
    EXPECT_FALSE(l.Selected);
    EXPECT_FALSE(behindDependents.Selected);  // never updated as a dependent

    l.FillStyle = 2;  // right behind Links
    l.LinkCount = 17;
    EXPECT_FALSE(l.HasLink(2));
}

TEST(GraphObject, BlendColorMovesEachChannelAndRoundsDown) {
    EXPECT_EQ(TGUIObject::BlendColor(0x000000, 0xFFFFFF, 0.5f), 0x7F7F7Fu);
    EXPECT_EQ(TGUIObject::BlendColor(0xFFFFFF, 0x000000, 0.5f), 0x7F7F7Fu);
    EXPECT_EQ(TGUIObject::BlendColor(0x0000FF, 0xFFFFFF, 0.3f), 0x4C4CFFu);
    EXPECT_EQ(TGUIObject::BlendColor(0xFF000005, 0x123456, 0.0f), 0x000005u);  // high byte dropped
    EXPECT_EQ(TGUIObject::BlendColor(0x102030, 0xFFFFFF, 1.0f), 0xFFFFFFu);
    EXPECT_EQ(TGUIObject::BlendColor(0, 0xFFFFFF, std::nanf("")), 0u);
    EXPECT_EQ(TGUIObject::BlendColor(0, 0xFFFFFF, 1e30f), 0xFFFFFFu);
}

TEST(GraphObject, SlotZeroReleasesTheStringsAndFreesWhenAsked) {
    TLCursor c;
    c.Text160.Assign("first");
    c.Text164.Assign("second");
    EXPECT_EQ(c.Text164.View(), "second");
    c.Destroy(false);
    EXPECT_EQ(c.Text160.View(), "");
    void* raw;
    std::memcpy(&raw, &c.Text160, sizeof raw);
    EXPECT_EQ(raw, nullptr);
    c.Text160.Assign("released by the destructor");

    TGUIObject* heap = new TGUIRectangle(1, 0);
    heap->Text164.Assign("released by slot 0");
    heap->Destroy(true);  // leaks or mismatched frees show under the sanitizers
}

}  // namespace
