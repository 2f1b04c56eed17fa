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

    platform::GroupBox& GroupBox1 = Get<platform::GroupBox>("GroupBox1");
    platform::RadioGroup& InputMode = Get<platform::RadioGroup>("InputMode");
    platform::CheckBox& PDMIn = Get<platform::CheckBox>("PDMIn");
    platform::ComboBox& DigitalSource = Get<platform::ComboBox>("DigitalSource");
    platform::Label& StaticText1 = Get<platform::Label>("StaticText1");
    platform::Label& StaticText2 = Get<platform::Label>("StaticText2");
    platform::ComboBox& LRCLKIn = Get<platform::ComboBox>("LRCLKIn");
    platform::GroupBox& GroupBox2 = Get<platform::GroupBox>("GroupBox2");
    platform::Label& StaticText3 = Get<platform::Label>("StaticText3");
    platform::Edit& SDOUTTag = Get<platform::Edit>("SDOUTTag");
    platform::CheckBox& SDOUTTriState = Get<platform::CheckBox>("SDOUTTriState");
    platform::Label& StaticText4 = Get<platform::Label>("StaticText4");
    platform::ComboBox& LRCLKOut = Get<platform::ComboBox>("LRCLKOut");
    platform::GroupBox& GroupBox3 = Get<platform::GroupBox>("GroupBox3");
    platform::GroupBox& GroupBox5 = Get<platform::GroupBox>("GroupBox5");
    platform::RadioGroup& LRCLKDir = Get<platform::RadioGroup>("LRCLKDir");
    platform::RadioGroup& BCLKDir = Get<platform::RadioGroup>("BCLKDir");
    platform::Label& StaticText5 = Get<platform::Label>("StaticText5");
    platform::ComboBox& DataFormat = Get<platform::ComboBox>("DataFormat");
    platform::Label& StaticText6 = Get<platform::Label>("StaticText6");
    platform::ComboBox& CLKsFrame = Get<platform::ComboBox>("CLKsFrame");
    platform::Label& StaticText9 = Get<platform::Label>("StaticText9");
    platform::ComboBox& WordLength = Get<platform::ComboBox>("WordLength");
    platform::Label& StaticText10 = Get<platform::Label>("StaticText10");
    platform::Edit& DataOffset = Get<platform::Edit>("DataOffset");
    platform::Label& StaticText11 = Get<platform::Label>("StaticText11");
    platform::ComboBox& I2SOut = Get<platform::ComboBox>("I2SOut");
    platform::Label& StaticText12 = Get<platform::Label>("StaticText12");
    platform::ComboBox& PDMData = Get<platform::ComboBox>("PDMData");
    platform::Label& StaticText13 = Get<platform::Label>("StaticText13");
    platform::ComboBox& RData = Get<platform::ComboBox>("RData");
    platform::ComboBox& LData = Get<platform::ComboBox>("LData");
    platform::Label& StaticText14 = Get<platform::Label>("StaticText14");
    platform::GroupBox& GroupBox6 = Get<platform::GroupBox>("GroupBox6");
    platform::Label& StaticText16 = Get<platform::Label>("StaticText16");
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
