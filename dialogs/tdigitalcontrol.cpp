#include "dialogs/tdigitalcontrol.h"

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
