#include "graph/tanimationtimer.h"
#include "graph/tguiobject.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(GraphTimer, FiresOnlyWhileEnabled) {
    platform::Timer t;
    int fired = 0;
    t.OnTimer = [&] { ++fired; };
    t.Tick();
    t.SetEnabled(true);
    t.Tick();
    t.Tick();
    t.SetEnabled(false);
    t.Tick();
    EXPECT_EQ(fired, 2);
}

TEST(GraphTimer, HoldsAtMost128Objects) {
    TAnimationTimer timer;
    auto cursors = std::make_unique<TLCursor[]>(129);
    for (size_t i = 0; i < 129; ++i) cursors[i].SetHitMode(1, &timer);
    timer.AddObject(nullptr);
    ASSERT_EQ(timer.Objects().size(), 128u);
    EXPECT_EQ(timer.Objects().back(), &cursors[127]);
    EXPECT_EQ(cursors[128].AnimationTimer, &timer);  // attached, though the timer dropped it
}

TEST(GraphTimer, SetHitModeAttachesTheFirstTimerOnly) {
    TAnimationTimer a, b;
    TLCursor c;
    c.SetHitMode(2, nullptr);
    EXPECT_EQ(c.AnimationTimer, nullptr);
    c.SetHitMode(1, &a);
    c.SetHitMode(2, &b);
    c.SetHitMode(1, &a);
    EXPECT_EQ(c.HitMode, 1);
    EXPECT_EQ(c.AnimationTimer, &a);
    EXPECT_EQ(a.Objects().size(), 1u);
    EXPECT_TRUE(b.Objects().empty());
}

TEST(GraphTimer, StartAnimationNeedsATimer) {
    TLCursor c;
    c.StartAnimation(3);
    EXPECT_EQ(c.AnimationState, 0);
    TAnimationTimer timer;
    timer.SetInterval(50);
    c.SetHitMode(1, &timer);
    EXPECT_FALSE(timer.Enabled());
    c.StartAnimation(3);
    EXPECT_EQ(c.AnimationState, 3);
    EXPECT_EQ(timer.Interval(), 1u);
    EXPECT_TRUE(timer.Enabled());
}

TEST(GraphTimer, FadesInToRestAndOutToIdleThenStops) {
    TAnimationTimer timer;
    TLCursor moving, idle;
    moving.SetHitMode(1, &timer);
    idle.SetHitMode(1, &timer);
    int steps = 0;
    timer.OnStep = [&] { ++steps; };
    moving.StartAnimation(1);
    for (uint32_t i = 1; i < 10; ++i) {
        timer.Tick();
        EXPECT_EQ(moving.AnimationStep, i);
        EXPECT_EQ(moving.AnimationState, 1);
    }
    timer.Tick();
    EXPECT_EQ(moving.AnimationStep, 10u);
    EXPECT_EQ(moving.AnimationState, 2);
    timer.Tick();  // nothing moves any more
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(steps, 10);

    moving.StartAnimation(3);
    for (int i = 0; i < 10; ++i) timer.Tick();
    EXPECT_EQ(moving.AnimationStep, 0u);
    EXPECT_EQ(moving.AnimationState, 3);  // painted once more at step 0
    timer.Tick();
    EXPECT_EQ(moving.AnimationState, 0);
    timer.Tick();
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(idle.AnimationState, 0);
    EXPECT_EQ(idle.AnimationStep, 0u);
}

}  // namespace
