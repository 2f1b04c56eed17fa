// The timer graph objects register with for their fade. StartAnimation sets an object's
// state and switches the timer on; each tick then moves every registered object one step:
// entering (1) fades in up to step 10 and rests in state 2, leaving (3 or 5) fades back to
// step 0 and returns to idle (0). The timer switches itself off when nothing moves.
#pragma once

#include "platform/timer.h"

#include <cstdint>
#include <span>

class TGUIObject;

class TAnimationTimer final : public platform::Timer {
public:
    static constexpr uint32_t MaxObjects = 128;
    static constexpr uint32_t FadeSteps = 10;  // step 10 is the full fade factor 1.0

    TAnimationTimer();

    // Appends while fewer than MaxObjects are registered; anything further is dropped.
    void AddObject(TGUIObject* object);
    std::span<TGUIObject* const> Objects() const { return {objects_, count_}; }

    // After a tick moved something, so that the owner repaints.
    platform::Notify OnStep;

private:
    void Step();

    TGUIObject* objects_[MaxObjects] = {};
    uint32_t count_ = 0;
};
