#include "graph/tanimationtimer.h"

#include "graph/tguiobject.h"

namespace {

// One step of one object's fade; true while it is still moving.
bool Advance(TGUIObject& o) {
    switch (o.AnimationState) {
    case 1:
        if (o.AnimationStep < TAnimationTimer::FadeSteps) ++o.AnimationStep;
        if (o.AnimationStep >= TAnimationTimer::FadeSteps) o.AnimationState = 2;
        return true;
    case 3:
    case 5:
        // Step 0 is painted once more while still leaving, which restores the base look.
        if (o.AnimationStep > TAnimationTimer::FadeSteps) o.AnimationStep = TAnimationTimer::FadeSteps;
        if (o.AnimationStep > 0) --o.AnimationStep;
        else o.AnimationState = 0;
        return true;
    default:
        return false;
    }
}

}  // namespace

TAnimationTimer::TAnimationTimer() {
    OnTimer = [this] { Step(); };
}

void TAnimationTimer::AddObject(TGUIObject* object) {
    if (object == nullptr || count_ >= MaxObjects) return;
    objects_[count_++] = object;
}

void TAnimationTimer::Step() {
    bool moved = false;
    for (TGUIObject* object : Objects()) moved = Advance(*object) || moved;
    if (!moved) {
        SetEnabled(false);
        return;
    }
    if (OnStep) OnStep();
}
