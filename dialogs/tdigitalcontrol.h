// The Digital Control dialog: interface formats, clocks, output data content, shutdown,
// mute, noise gate and PLL source, bound to registers 1, 3 to 7 and 17. Changes reach the
// cache even before the host connects (the window is unguarded). The dialog also moves a
// graph object of the host's as it becomes or stops being the active window.
#pragma once

#include "dialogs/field_bindings.h"
#include "platform/layout.h"
#include "registers/ti2cobject.h"

#include <span>

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
    // The rows bound to lists, radio groups and check boxes, in reload order.
    static std::span<const RegisterField> Fields();
    // The two numbers typed into edits, and the Reset bit.
    static constexpr RegisterField SDOUTTagField{"SDOUTTag", 4, 0xF0, Encoding::Field};
    static constexpr RegisterField DataOffsetField{"DataOffset", 6, 0xFF, Encoding::Field};
    static constexpr RegisterField ResetField{"Reset", 1, 0x01, Encoding::Flag};
    // Every register bit a control of the dialog writes: the rows, then the three above.
    static std::span<const RegisterField> Bindings();

    TI2CObject& I2C() { return DigitalControlI2C; }
    void ReloadControls();

    // The edit's text as a number within [min, max], else the fallback; the edit then shows
    // the number used, in decimal.
    static int32_t ReadEditValue(platform::Edit& edit, int32_t fallback, int32_t min, int32_t max);

    void SDOUTTagExit();
    void SDOUTTagKeyPress(char& key);
    void DataOffsetExit();
    void DataOffsetKeyPress(char& key);
    void ResetClick();
    void FormActivate();
    void FormDeactivate();

    // The controls the code reaches; group boxes and captions live in the layout table alone.
    platform::RadioGroup& InputMode = Get<platform::RadioGroup>("InputMode");
    platform::CheckBox& PDMIn = Get<platform::CheckBox>("PDMIn");
    platform::ComboBox& DigitalSource = Get<platform::ComboBox>("DigitalSource");
    platform::ComboBox& LRCLKIn = Get<platform::ComboBox>("LRCLKIn");
    platform::Edit& SDOUTTag = Get<platform::Edit>("SDOUTTag");
    platform::CheckBox& SDOUTTriState = Get<platform::CheckBox>("SDOUTTriState");
    platform::ComboBox& LRCLKOut = Get<platform::ComboBox>("LRCLKOut");
    platform::RadioGroup& LRCLKDir = Get<platform::RadioGroup>("LRCLKDir");
    platform::RadioGroup& BCLKDir = Get<platform::RadioGroup>("BCLKDir");
    platform::ComboBox& DataFormat = Get<platform::ComboBox>("DataFormat");
    platform::ComboBox& CLKsFrame = Get<platform::ComboBox>("CLKsFrame");
    platform::ComboBox& WordLength = Get<platform::ComboBox>("WordLength");
    platform::Edit& DataOffset = Get<platform::Edit>("DataOffset");
    platform::ComboBox& I2SOut = Get<platform::ComboBox>("I2SOut");
    platform::ComboBox& PDMData = Get<platform::ComboBox>("PDMData");
    platform::ComboBox& RData = Get<platform::ComboBox>("RData");
    platform::ComboBox& LData = Get<platform::ComboBox>("LData");
    platform::ComboBox& PDMClk = Get<platform::ComboBox>("PDMClk");
    platform::RadioGroup& PDMEdge = Get<platform::RadioGroup>("PDMEdge");
    platform::GroupBox& GroupBox4 = Get<platform::GroupBox>("GroupBox4");
    platform::Button& Reset = Get<platform::Button>("Reset");
    platform::CheckBox& Mute = Get<platform::CheckBox>("Mute");
    platform::CheckBox& SWS = Get<platform::CheckBox>("SWS");
    platform::CheckBox& Noisegate = Get<platform::CheckBox>("Noisegate");
    platform::ComboBox& PLLSource = Get<platform::ComboBox>("PLLSource");
    platform::Label& StaticText7 = Get<platform::Label>("StaticText7");

    TDigitalControlI2C DigitalControlI2C{this};
    // The host's graph object; not owned, may be null.
    TGUIObject* ActiveGraphObject = nullptr;
    // What the two edits fall back to: the values last accepted or reloaded.
    int32_t SDOUTTagValue = 0;
    int32_t DataOffsetValue = 0;

private:
    void MoveGraphObject(int32_t animationState, int32_t hitMode);

    FieldBindings fields_{*this, Fields(), DigitalControlI2C};
};
