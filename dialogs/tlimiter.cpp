#include "dialogs/tlimiter.h"

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
