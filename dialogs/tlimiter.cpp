#include "dialogs/tlimiter.h"

#include <cstddef>

const platform::FormLayout& TLimiterForm::Layout() {
    static const platform::FormLayout layout{
        .name = "LimiterForm",
        .caption = "Limiter / AGC",
        .clientWidth = 618,
        .clientHeight = 608,
        .doubleBuffered = true,
        .controls = {},
    };
    return layout;
}

TLimiterForm::TLimiterForm(platform::Control*) : Form(Layout()), LimiterI2C(this) {}

#if defined(_WIN32) && !defined(_WIN64)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(TLimiterI2C, OwnerDialog) == 48 && sizeof(TLimiterI2C) == 52);
#pragma GCC diagnostic pop
#endif
