#include "dialogs/tdigitalcontrol.h"

#include "graph/tguiobject.h"
#include "platform/conversions.h"

using platform::Kind;

namespace {

const std::vector<std::string> kDataSources = {"I Data", "V Data", "VBAT", "VBOOST", "PGA Gain", "I/V Data",
                                               "VBAT/VBOOST/PGA", "Disabled"};

// In reload order: registers 1, 3, 4, 5, 7 and 17 (the edits of 4 and 6 are handled apart).
constexpr RegisterField kFields[] = {
    {"PLLSource", 1, 0x30, Encoding::Field},
    {"Noisegate", 1, 0x08, Encoding::Flag},
    {"Mute", 1, 0x04, Encoding::Flag},
    {"SWS", 1, 0x02, Encoding::Flag},
    {"InputMode", 3, 0x80, Encoding::ZeroSetsBit},
    {"DigitalSource", 3, 0x18, Encoding::Field},
    {"LRCLKIn", 3, 0x07, Encoding::Field},
    {"PDMIn", 3, 0x20, Encoding::Flag},
    {"I2SOut", 3, 0x40, Encoding::NonZeroSetsBit},
    {"SDOUTTriState", 4, 0x04, Encoding::Flag},
    {"LRCLKOut", 4, 0x03, Encoding::Field},
    {"LRCLKDir", 5, 0x80, Encoding::NonZeroSetsBit},
    {"BCLKDir", 5, 0x40, Encoding::NonZeroSetsBit},
    {"CLKsFrame", 5, 0x30, Encoding::Field},
    {"DataFormat", 5, 0x0C, Encoding::Field},
    {"WordLength", 5, 0x03, Encoding::Field},
    {"PDMData", 7, 0xC0, Encoding::Field},
    {"RData", 7, 0x38, Encoding::Field},
    {"LData", 7, 0x07, Encoding::Field},
    {"PDMEdge", 17, 0x04, Encoding::NonZeroSetsBit},
    {"PDMClk", 17, 0x03, Encoding::Field},
};

constexpr char kEnter = 13;

}  // namespace

const platform::FormLayout& TDigitalControlForm::Layout() {
    // Radio groups start with no item (-1), lists on item 0, check boxes unchecked.
    static const platform::FormLayout layout{
        .name = "DigitalControlForm",
        .caption = "Digital Control",
        .clientWidth = 747,
        .clientHeight = 421,
        .position = platform::Point{0, 0},
        .controls = {
            {Kind::GroupBox, "GroupBox1", "", "Input Configuration", {}, 0, {8, 8, 361, 121}, 0},
            {Kind::GroupBox, "GroupBox2", "", "Output Configuration", {}, 0, {375, 8, 361, 121}, 1},
            {Kind::GroupBox, "GroupBox3", "", "Output Data Content", {}, 0, {375, 135, 361, 170}, 2},
            {Kind::GroupBox, "GroupBox5", "", "Digital Interface Configuration", {}, 0, {8, 135, 361, 170}, 3},
            {Kind::GroupBox, "GroupBox6", "", "PDM Configuration", {}, 0, {8, 311, 361, 98}, 4},
            // A single & would mark an accelerator key; the doubled one shows as one.
            {Kind::GroupBox, "GroupBox4", "", "Shutdown Control && PLL", {}, 0, {375, 311, 361, 98}, 5},

            {Kind::RadioGroup, "InputMode", "GroupBox1", "Mode", {"Analog", "Digital"}, -1, {16, 24, 137, 57}, 0},
            {Kind::CheckBox, "PDMIn", "GroupBox1", "PDM input mode", {}, 0, {175, 93, 97, 17}, 1},
            {Kind::ComboBox, "DigitalSource", "GroupBox1", "Mute", {"Mute", "Left", "Right", "Mix"}, 0, {254, 32, 89, 21}, 2},
            {Kind::Label, "StaticText1", "GroupBox1", "Digital Source:", {}, 0, {175, 36, 73, 17}, 3},
            {Kind::Label, "StaticText2", "GroupBox1", "LRCLK:", {}, 0, {175, 64, 38, 17}, 4},
            {Kind::ComboBox, "LRCLKIn", "GroupBox1", "8kHz",
             {"8kHz", "11.025...12kHz", "16kHz", "22.05...24kHz", "32kHz", "44.1...48kHz", "88.2...96kHz", "176.4...192kHz"},
             0, {254, 59, 89, 21}, 5},

            {Kind::Label, "StaticText3", "GroupBox2", "SDOUT tag:", {}, 0, {16, 36, 61, 17}, 0},
            {Kind::Edit, "SDOUTTag", "GroupBox2", "0", {}, 0, {83, 32, 70, 21}, 1},
            {Kind::CheckBox, "SDOUTTriState", "GroupBox2", "SDOUT tri-state", {}, 0, {175, 36, 97, 17}, 2},
            {Kind::Label, "StaticText4", "GroupBox2", "LRCLK:", {}, 0, {18, 64, 38, 17}, 3},
            {Kind::ComboBox, "LRCLKOut", "GroupBox2", "PLL", {"PLL", "PDMCLK", "PDMCLK / 2", "PDMCLK / 4"}, 0, {83, 59, 70, 21}, 4},
            {Kind::Label, "StaticText11", "GroupBox2", "Format:", {}, 0, {175, 62, 42, 17}, 5},
            {Kind::ComboBox, "I2SOut", "GroupBox2", "PDM", {"PDM", "I2S"}, 0, {240, 59, 70, 21}, 6},

            {Kind::Label, "StaticText12", "GroupBox3", "PDM Data:", {}, 0, {18, 40, 55, 17}, 0},
            {Kind::ComboBox, "PDMData", "GroupBox3", "I Data", {"I Data", "V Data", "I/V Data", "V/I Data"}, 0, {85, 35, 70, 21}, 1},
            {Kind::Label, "StaticText13", "GroupBox3", "Right Data:", {}, 0, {175, 96, 59, 17}, 2},
            {Kind::ComboBox, "RData", "GroupBox3", "I Data", kDataSources, 0, {240, 91, 70, 21}, 3},
            {Kind::ComboBox, "LData", "GroupBox3", "I Data", kDataSources, 0, {85, 91, 70, 21}, 4},
            {Kind::Label, "StaticText14", "GroupBox3", "Left Data:", {}, 0, {18, 96, 53, 17}, 5},

            {Kind::RadioGroup, "LRCLKDir", "GroupBox5", "LRCLK Direction", {"Input", "Output"}, -1, {16, 24, 137, 57}, 0},
            {Kind::RadioGroup, "BCLKDir", "GroupBox5", "BCLK Direction", {"Input", "Output"}, -1, {175, 24, 137, 57}, 1},
            {Kind::Label, "StaticText5", "GroupBox5", "Format:", {}, 0, {16, 98, 42, 17}, 2},
            {Kind::ComboBox, "DataFormat", "GroupBox5", "I2S", {"I2S", "DSP", "RJF", "LJF"}, 0, {83, 95, 70, 21}, 3},
            {Kind::Label, "StaticText6", "GroupBox5", "Clks/Frame:", {}, 0, {175, 98, 61, 17}, 4},
            {Kind::ComboBox, "CLKsFrame", "GroupBox5", "32", {"32", "64", "128", "256"}, 0, {240, 95, 70, 21}, 5},
            {Kind::Label, "StaticText9", "GroupBox5", "Word Len:", {}, 0, {16, 133, 54, 17}, 6},
            {Kind::ComboBox, "WordLength", "GroupBox5", "16 bits", {"16 bits", "20 bits", "24 bits", "32 bits"}, 0, {83, 130, 70, 21}, 7},
            {Kind::Label, "StaticText10", "GroupBox5", "Data Offset:", {}, 0, {175, 133, 65, 17}, 8},
            {Kind::Edit, "DataOffset", "GroupBox5", "0", {}, 0, {240, 130, 70, 21}, 9},

            {Kind::Label, "StaticText16", "GroupBox6", "Clock:", {}, 0, {175, 49, 33, 17}, 0},
            {Kind::ComboBox, "PDMClk", "GroupBox6", "PLL / 8", {"PLL / 8", "IVCLK", "BCLK", "MCLK"}, 0, {238, 45, 72, 21}, 1},
            {Kind::RadioGroup, "PDMEdge", "GroupBox6", "PDM Data Edge", {"Falling", "Rising"}, -1, {16, 22, 137, 57}, 2},

            {Kind::Button, "Reset", "GroupBox4", "Reset", {}, 0, {271, 64, 75, 25}, 0},
            {Kind::CheckBox, "Mute", "GroupBox4", "Mute", {}, 0, {16, 47, 57, 17}, 1},
            {Kind::CheckBox, "SWS", "GroupBox4", "Software Shutdown", {}, 0, {16, 24, 129, 17}, 2},
            {Kind::CheckBox, "Noisegate", "GroupBox4", "Noisegate", {}, 0, {16, 70, 74, 17}, 3},
            {Kind::ComboBox, "PLLSource", "GroupBox4", "MCLK", {"MCLK", "BCLK", "PDMCLK", "Limp"}, 0, {272, 24, 73, 21}, 4},
            {Kind::Label, "StaticText7", "GroupBox4", "PLL Source:", {}, 0, {192, 26, 60, 17}, 5},
        },
    };
    return layout;
}

std::span<const RegisterField> TDigitalControlForm::Fields() { return kFields; }

std::span<const RegisterField> TDigitalControlForm::Bindings() {
    static constexpr auto all = Joined(kFields, std::array{SDOUTTagField, DataOffsetField, ResetField});
    return all;
}

TDigitalControlForm::TDigitalControlForm(platform::Control*) : Form(Layout()) {
    SDOUTTagValue = platform::StrToInt(SDOUTTag.Text()).value_or(0);
    DataOffsetValue = platform::StrToInt(DataOffset.Text()).value_or(0);
    SDOUTTag.OnExit = [this] { SDOUTTagExit(); };
    SDOUTTag.OnKeyPress = [this](char& key) { SDOUTTagKeyPress(key); };
    DataOffset.OnExit = [this] { DataOffsetExit(); };
    DataOffset.OnKeyPress = [this](char& key) { DataOffsetKeyPress(key); };
    Reset.OnClick = [this] { ResetClick(); };
    OnActivate = [this] { FormActivate(); };
    OnDeactivate = [this] { FormDeactivate(); };
    OnHide = [this] { FormDeactivate(); };
}

int32_t TDigitalControlForm::ReadEditValue(platform::Edit& edit, int32_t fallback, int32_t min, int32_t max) {
    int32_t result = platform::StrToInt(edit.Text()).value_or(fallback);
    if (result > max || result < min) result = fallback;
    edit.SetText(platform::IntToStr(result));
    return result;
}

// Both exits write every time, also an unchanged value or the fallback.
void TDigitalControlForm::SDOUTTagExit() {
    SDOUTTagValue = ReadEditValue(SDOUTTag, SDOUTTagValue, 0, 15);
    WriteField(DigitalControlI2C, SDOUTTagField, SDOUTTagValue);
}

void TDigitalControlForm::DataOffsetExit() {
    DataOffsetValue = ReadEditValue(DataOffset, DataOffsetValue, 0, 255);
    WriteField(DigitalControlI2C, DataOffsetField, DataOffsetValue);
}

// Enter commits without leaving; the key still reaches the edit.
void TDigitalControlForm::SDOUTTagKeyPress(char& key) {
    if (key == kEnter) SDOUTTagExit();
}

void TDigitalControlForm::DataOffsetKeyPress(char& key) {
    if (key == kEnter) DataOffsetExit();
}

// A pulse: the other bits of register 1 go out as cached, and nothing reloads.
void TDigitalControlForm::ResetClick() {
    WriteField(DigitalControlI2C, ResetField, 1);
    WriteField(DigitalControlI2C, ResetField, 0);
}

void TDigitalControlForm::FormActivate() { MoveGraphObject(1, QM7140_GRAPH_ALWAYS_HIT); }

void TDigitalControlForm::FormDeactivate() { MoveGraphObject(3, QM7140_GRAPH_HIT_ON_SHAPE); }

// The object may be one the host built from its header with a table of its own: it is
// called through that table and changed at the shared offsets, never used as a C++ object
// of ours. With no timer, setting the hit mode is storing it.
void TDigitalControlForm::MoveGraphObject(int32_t animationState, int32_t hitMode) {
    if (ActiveGraphObject == nullptr) return;
    auto& object = *reinterpret_cast<QM7140GraphObject*>(ActiveGraphObject);
    object.Ops->StartAnimation(&object, animationState);
    object.HitMode = hitMode;
}

void TDigitalControlForm::ReloadControls() {
    fields_.Reload(DigitalControlI2C);
    SDOUTTagValue = ReadField(DigitalControlI2C, SDOUTTagField);
    SDOUTTag.SetText(platform::IntToStr(SDOUTTagValue));
    DataOffsetValue = ReadField(DigitalControlI2C, DataOffsetField);
    DataOffset.SetText(platform::IntToStr(DataOffsetValue));
}
