// The host's own graph object: its box, its hit test and its fade.
#include "host/common/module/graph_object.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

TEST(GraphRectangle, ARectanglePlacesItsBoxAndIsHitOnItsClosedBoxByItsMode) {
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

TEST(GraphRectangle, TheFadeClimbsToItsLastStepHoldsAndFallsBackToRest) {
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

TEST(GraphRectangle, ThePenBlendsTheHighlightByTheStepWhileAnimating) {
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

}  // namespace
