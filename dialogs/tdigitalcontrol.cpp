#include "dialogs/tdigitalcontrol.h"

#include <cstddef>

const platform::FormLayout& TDigitalControlForm::Layout() {
    static const platform::FormLayout layout{
        .name = "DigitalControlForm",
        .caption = "Digital Control",
        .clientWidth = 747,
        .clientHeight = 421,
        .position = platform::Point{0, 0},
        .controls = {},
    };
    return layout;
}

TDigitalControlForm::TDigitalControlForm(platform::Control*) : Form(Layout()), DigitalControlI2C(this) {}

#if defined(_WIN32) && !defined(_WIN64)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(TDigitalControlI2C, OwnerDialog) == 48 && sizeof(TDigitalControlI2C) == 52);
#pragma GCC diagnostic pop
#endif
