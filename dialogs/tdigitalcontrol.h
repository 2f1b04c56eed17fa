// The Digital Control dialog: interface formats, clocks, output data, shutdown, mute,
// noise gate and PLL source. Its controls arrive with the dialog's own work; the window,
// the linked graph object and the form itself are here so that the host can use it now.
#pragma once

#include "platform/layout.h"
#include "plugin/ti2cobject.h"

class TDigitalControlForm;
class TGUIObject;

class TDigitalControlI2C final : public TDialogI2C<TDigitalControlForm, WriteGuard::Unguarded> {
public:
    explicit TDigitalControlI2C(TDigitalControlForm* owner) : TDialogI2C(owner, 32) {}
};

class TDigitalControlForm final : public platform::Form {
public:
    explicit TDigitalControlForm(platform::Control* owner = nullptr);

    static const platform::FormLayout& Layout();
    void ReloadControls() {}

    TDigitalControlI2C DigitalControlI2C;
    // The host's graph object; not owned, may be null.
    TGUIObject* ActiveGraphObject = nullptr;
    int32_t SDOUTTagValue = 0;
    int32_t DataOffsetValue = 0;
};
