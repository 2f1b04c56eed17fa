#include "platform/timer.h"

namespace platform {

void Timer::Tick() {
    if (enabled_ && OnTimer) OnTimer();
}

}  // namespace platform
