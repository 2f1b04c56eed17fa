#include "dialogs/tlimiter.h"

#include "platform/conversions.h"

#include <algorithm>

using platform::Kind;

namespace {

// In reload order.
constexpr RegisterField kFields[] = {
    {"Enable", 2, 0x04, Encoding::Flag},
    {"Hysteresis", 14, 0xC0, Encoding::Field},
    {"LimMode", 14, 0x20, Encoding::Flag},
    {"APTVBAT", 14, 0x18, Encoding::Field},
    {"AttackTime", 14, 0x07, Encoding::Field},
    {"Release", 15, 0x0F, Encoding::Field},
    {"SelIntegration", 15, 0x20, Encoding::Flag},
};

constexpr int32_t kAttackUs[8] = {20, 370, 720, 1070, 1420, 1770, 2120, 2510};
constexpr char kEnter = 13;
constexpr const char* kInflectionFormat = "%03.2f";
constexpr const char* kLevelFormat = "%04.2f";
constexpr const char* kSlopeFormat = "%04.2f";
constexpr TColor kRed = 0x0000FF, kYellow = 0x00FFFF;

// The plot's margins inside the paint box.
constexpr int kLeft = 40, kRight = 10, kTop = 10, kBottom = 40;
constexpr double kLevelMax = 10.6;

// Truncated toward zero, but a code's own value in volts must give that code back: its
// round trip through doubles lands a hair below the integer (code 177 comes back as
// 176.99999999999997), and each commit of a field would step the curve down by one code.
uint8_t ClampedCode(double code) {
    constexpr double kRoundTrip = 1e-9;
    return static_cast<uint8_t>(std::clamp(platform::Truncate(code + kRoundTrip), 0, 255));
}

}  // namespace

const platform::FormLayout& TLimiterForm::Layout() {
    static const platform::FormLayout layout{
        .name = "LimiterForm",
        .caption = "Limiter / AGC",
        .clientWidth = 618,
        .clientHeight = 608,
        .doubleBuffered = true,
        .controls = {
            {Kind::Label, "StaticText5", "", "Slope:", {}, 0, {8, 584, 34, 17}, 0},
            {Kind::Label, "StaticText6", "", "V/V", {}, 0, {92, 584, 20, 17}, 1},
            {Kind::Label, "StaticText3", "", "Inflection Point:", {}, 0, {118, 584, 80, 17}, 2},
            {Kind::Label, "StaticText4", "", "V", {}, 0, {250, 584, 10, 17}, 3},
            {Kind::Label, "StaticText7", "", "Limiter Level:", {}, 0, {266, 584, 67, 17}, 4},
            {Kind::Label, "StaticText8", "", "V", {}, 0, {383, 584, 10, 17}, 5},
            {Kind::Edit, "Slope", "", "0", {}, 0, {48, 580, 38, 21}, 6},
            {Kind::Edit, "InflectionPoint", "", "0", {}, 0, {203, 580, 38, 21}, 7},
            {Kind::Edit, "Level", "", "0", {}, 0, {339, 580, 38, 21}, 8},
            {Kind::GroupBox, "AttackGroup", "", "Attack", {}, 0, {8, 8, 281, 166}, 9},
            {Kind::GroupBox, "ReleaseGroup", "", "Release", {}, 0, {295, 8, 315, 166}, 10},
            {Kind::CheckBox, "Enable", "", "Enable Limiter", {}, 0, {513, 582, 97, 17}, 11},
            {Kind::PaintBox, "LimiterPaintBox", "", "", {}, 0, {8, 180, 602, 394}, 12},

            {Kind::TrackBar, "Hysteresis", "AttackGroup", "", {}, 0, {80, 51, 145, 45}, 0, 0, 3},
            {Kind::TrackBar, "AttackTime", "AttackGroup", "", {}, 0, {80, 12, 145, 45}, 1, 0, 7},
            {Kind::CheckBox, "LimMode", "AttackGroup", "No limit above inflection point", {}, 0, {16, 134, 174, 17}, 2},
            {Kind::TrackBar, "APTVBAT", "AttackGroup", "", {}, 0, {80, 90, 145, 45}, 3, 0, 3},
            {Kind::Label, "StaticText1", "AttackGroup", "Time:", {}, 0, {16, 28, 30, 17}, 4},
            {Kind::Label, "AttackText", "AttackGroup", "20 us", {}, 0, {231, 28, 30, 17}, 5},
            {Kind::Label, "StaticText9", "AttackGroup", "Hysteresis:", {}, 0, {16, 65, 58, 17}, 6},
            {Kind::Label, "StaticText10", "AttackGroup", "APT/VBAT:", {}, 0, {16, 103, 56, 17}, 7},

            {Kind::TrackBar, "Release", "ReleaseGroup", "", {}, 0, {65, 12, 144, 45}, 0, 0, 15},
            {Kind::CheckBox, "SelIntegration", "ReleaseGroup", "Enable Integration Count", {}, 0, {16, 134, 153, 17}, 1},
            {Kind::Label, "StaticText2", "ReleaseGroup", "Release:", {}, 0, {15, 28, 46, 17}, 2},
            {Kind::Label, "ReleaseText", "ReleaseGroup", "50 ms/step", {}, 0, {215, 28, 57, 17}, 3},
        },
    };
    return layout;
}

std::span<const RegisterField> TLimiterForm::Fields() { return kFields; }

std::span<const RegisterField> TLimiterForm::Bindings() {
    static constexpr auto all = Joined(kFields, std::array{InflectionField, SlopeField, LevelField});
    return all;
}

TLimiterForm::TLimiterForm(platform::Control*) : Form(Layout()) {
    fields_.After("AttackTime", [this](int position) { AttackText.SetCaption(platform::IntToStr(AttackTimeUs(position)) + " us"); });
    fields_.After("Release", [this](int position) { ReleaseText.SetCaption(platform::IntToStr(ReleaseTimeMs(position)) + " ms/step"); });
    Slope.OnExit = [this] { SlopeExit(); };
    Slope.OnKeyPress = [this](char& key) { SlopeKeyPress(key); };
    InflectionPoint.OnExit = [this] { InflectionPointExit(); };
    InflectionPoint.OnKeyPress = [this](char& key) { InflectionPointKeyPress(key); };
    Level.OnExit = [this] { LevelExit(); };
    Level.OnKeyPress = [this](char& key) { LevelKeyPress(key); };
    LimiterPaintBox.OnPaint = [this](platform::Canvas& canvas) { LimiterPaintBoxPaint(canvas); };
    LimiterPaintBox.OnMouseDown = [this](platform::MouseButton b, int x, int y) { LimiterPaintBoxMouseDown(b, x, y); };
    LimiterPaintBox.OnMouseMove = [this](int x, int y) { LimiterPaintBoxMouseMove(x, y); };
    LimiterPaintBox.OnMouseUp = [this](platform::MouseButton b, int x, int y) { LimiterPaintBoxMouseUp(b, x, y); };
    LimiterPaintBox.OnResize = [this] { LimiterPaintBoxResize(); };
    LimiterPaintBox.OnKey = [this](platform::Key key) { return LimiterPaintBoxKey(key); };

    InflectionCursor.NormalColor = InflectionCursor.Color = kRed;
    SlopeCursor.NormalColor = SlopeCursor.Color = kYellow;
    // No callback yet: the guarded window drops these writes, cache included.
    SetInflectionAndLevel(InflectionCodeToVolts(InflectionCode), LevelCodeToVolts(LevelCode));
    SetSlope(SlopeCodeToValue(SlopeCode), true);
}

// ---- Codes, volts and pixels ---------------------------------------------------------------

double TLimiterForm::InflectionCodeToVolts(uint8_t code) { return code * (1.0 / 255) * 4.43 + 1.11; }
double TLimiterForm::LevelCodeToVolts(uint8_t code) { return code * (1.0 / 255) * kLevelMax; }
double TLimiterForm::SlopeCodeToValue(uint8_t code) { return code * (1.0 / 255) * 9.5 + 1.2; }

uint8_t TLimiterForm::VoltsToInflectionCode(double volts) { return ClampedCode((volts - 1.11) * 255 * (1 / 4.43)); }
// Every caller keeps to 0..10.6 V; the clamp only keeps other input from wrapping.
uint8_t TLimiterForm::VoltsToLevelCode(double volts) { return ClampedCode(volts * 255 * (1 / kLevelMax)); }
uint8_t TLimiterForm::ValueToSlopeCode(double value) { return ClampedCode((value - 1.2) * 255 * (1 / 9.5)); }

int32_t TLimiterForm::AttackTimeUs(int position) { return kAttackUs[position & 7]; }
int32_t TLimiterForm::ReleaseTimeMs(int position) { return 50 + 105 * (position & 15); }

Pixel TLimiterForm::VoltsToPixel(double ip, double level) const {
    const int w = LimiterPaintBox.Bounds.Width, h = LimiterPaintBox.Bounds.Height;
    return {platform::Truncate((w - 50.0) * (ip - 1) * 0.2 + kLeft),
            platform::Truncate((h - 50.0) * (kLevelMax - level) * (1 / kLevelMax) + kTop)};
}

Volts TLimiterForm::PixelToVolts(int32_t x, int32_t y) const {
    // A paint box too small to hold a plot has its plot collapse onto one point.
    const double w = std::max(LimiterPaintBox.Bounds.Width - 50, 1), h = std::max(LimiterPaintBox.Bounds.Height - 50, 1);
    return {(x - kLeft) * 5 / w + 1, kLevelMax - (y - kTop) * kLevelMax / h};
}

Volts TLimiterForm::SlopeEndPoint() const {
    const double ip = InflectionCodeToVolts(InflectionCode);
    const double level = LevelCodeToVolts(LevelCode);
    const double s = SlopeCodeToValue(SlopeCode);  // never below 1.2
    const double e = level - (ip - 1) * s;
    if (e > 0) return {1, e};
    return {ip - level / s, 0};
}

// ---- The curve parameters -----------------------------------------------------------------

void TLimiterForm::SetInflectionAndLevel(double ipVolts, double levelVolts) {
    SetInflectionAndLevelCodes(VoltsToInflectionCode(ipVolts), VoltsToLevelCode(levelVolts));
}

void TLimiterForm::SetInflectionAndLevelCodes(uint8_t ip, uint8_t level) {
    InflectionCode = ip;
    LevelCode = level;
    ShowInflectionAndLevel();
    SetSlope(SlopeCodeToValue(SlopeCode), false);  // the slope's end follows
    WriteField(LimiterI2C, InflectionField, InflectionCode);
    WriteField(LimiterI2C, LevelField, LevelCode);
}

void TLimiterForm::SetSlope(double slopeValue, bool write) { SetSlopeCode(ValueToSlopeCode(slopeValue), write); }

void TLimiterForm::SetSlopeCode(uint8_t code, bool write) {
    SlopeCode = code;
    ShowSlope();
    if (write) WriteField(LimiterI2C, SlopeField, SlopeCode);
}

void TLimiterForm::ShowInflectionAndLevel() {
    PlaceInflectionCursor();
    InflectionPoint.SetText(platform::FormatFloat(kInflectionFormat, InflectionCodeToVolts(InflectionCode)));
    Level.SetText(platform::FormatFloat(kLevelFormat, LevelCodeToVolts(LevelCode)));
}

void TLimiterForm::ShowSlope() {
    Slope.SetText(platform::FormatFloat(kSlopeFormat, SlopeCodeToValue(SlopeCode)));
    PlaceSlopeCursor();
}

// The cursors are placed by pixel: wherever the codes put them on the plot as sized now.
void TLimiterForm::PlaceInflectionCursor() {
    const Pixel at = VoltsToPixel(InflectionCodeToVolts(InflectionCode), LevelCodeToVolts(LevelCode));
    InflectionCursor.SetCenter(static_cast<float>(at.x), static_cast<float>(at.y));
}

void TLimiterForm::PlaceSlopeCursor() {
    const Volts end = SlopeEndPoint();
    const Pixel at = VoltsToPixel(end.ip, end.level);
    SlopeCursor.SetCenter(static_cast<float>(at.x), static_cast<float>(at.y));
}

// ---- Edits -------------------------------------------------------------------------------

double TLimiterForm::ReadEditValue(platform::Edit& edit, double current, double minimum, double maximum) {
    double result = platform::StrToFloat(edit.Text()).value_or(current);
    if (result > maximum || result < minimum) result = current;
    edit.SetText(platform::FloatToStr(result));
    return result;
}

// The text the dialog itself shows for a code stands for that code. Read back as a number,
// its two rounded decimals could quantise to the code below (3.59 V is code 142, not 143),
// and every commit of an untouched field would move the curve.
double TLimiterForm::ReadCommitted(platform::Edit& edit, const char* format, double current, double minimum,
                                   double maximum) {
    if (edit.Text() == platform::FormatFloat(format, current)) return current;
    return ReadEditValue(edit, current, minimum, maximum);
}

// Each exit writes its registers again, also with an unchanged value.
void TLimiterForm::SlopeExit() {
    SetSlope(ReadCommitted(Slope, kSlopeFormat, SlopeCodeToValue(SlopeCode), 1.2, 10.7), true);
    LimiterPaintBox.Repaint();
}

void TLimiterForm::InflectionPointExit() {
    const double ip = ReadCommitted(InflectionPoint, kInflectionFormat, InflectionCodeToVolts(InflectionCode), 1.11, 5.54);
    SetInflectionAndLevel(ip, LevelCodeToVolts(LevelCode));
    LimiterPaintBox.Repaint();
}

void TLimiterForm::LevelExit() {
    const double level = ReadCommitted(Level, kLevelFormat, LevelCodeToVolts(LevelCode), 0, kLevelMax);
    SetInflectionAndLevel(InflectionCodeToVolts(InflectionCode), level);
    LimiterPaintBox.Repaint();
}

// Enter commits without leaving; the key still reaches the edit.
void TLimiterForm::SlopeKeyPress(char& key) {
    if (key == kEnter) SlopeExit();
}

void TLimiterForm::InflectionPointKeyPress(char& key) {
    if (key == kEnter) InflectionPointExit();
}

void TLimiterForm::LevelKeyPress(char& key) {
    if (key == kEnter) LevelExit();
}

// Registers 11 to 13 are the curve as the chip holds it: a dialog on a real chip shows the
// chip's curve, or the next edit of one field would write the others' stale codes over it.
// Before the host installs its cache there is no chip to show, so the designed curve stays.
void TLimiterForm::ReloadControls() {
    fields_.Reload(LimiterI2C);
    if (!LimiterI2C.HasHostCache() || LimiterI2C.Cache == nullptr) return;
    const auto ip = static_cast<uint8_t>(ReadField(LimiterI2C, InflectionField)),
               slope = static_cast<uint8_t>(ReadField(LimiterI2C, SlopeField)),
               level = static_cast<uint8_t>(ReadField(LimiterI2C, LevelField));
    if (ip == InflectionCode && slope == SlopeCode && level == LevelCode) return;
    InflectionCode = ip;
    SlopeCode = slope;
    LevelCode = level;
    ShowInflectionAndLevel();
    ShowSlope();
    LimiterPaintBox.Repaint();
}

// A new size moves the plot under the cursors: they go back onto their points of the curve.
// No value changed, so nothing is written.
void TLimiterForm::LimiterPaintBoxResize() {
    PlaceInflectionCursor();
    PlaceSlopeCursor();
}

// ---- The curve view's mouse ------------------------------------------------------------------

void TLimiterForm::LimiterPaintBoxMouseDown(platform::MouseButton button, int x, int y) {
    if (button != platform::MouseButton::Left) return;
    if (InflectionCursor.HitTest(x, y)) InflectionCursor.Dragging = true;
    if (SlopeCursor.HitTest(x, y)) SlopeCursor.Dragging = true;
}

void TLimiterForm::LimiterPaintBoxMouseUp(platform::MouseButton, int, int) {
    InflectionCursor.Dragging = false;
    SlopeCursor.Dragging = false;
}

void TLimiterForm::LimiterPaintBoxMouseMove(int x, int y) {
    const int w = LimiterPaintBox.Bounds.Width, h = LimiterPaintBox.Bounds.Height;
    // The plot's far edges, never left of or above its near ones.
    x = std::clamp(x, kLeft, std::max(kLeft, w - kRight));
    y = std::clamp(y, kTop, std::max(kTop, h - kBottom));
    const Volts pointer = PixelToVolts(x, y);
    if (InflectionCursor.Dragging) {
        SetInflectionAndLevel(pointer.ip, pointer.level);
        LimiterPaintBox.Repaint();
    }
    if (SlopeCursor.Dragging) {
        const double d = InflectionCodeToVolts(InflectionCode) - pointer.ip;
        // At or right of the inflection point there is no slope to take: nothing at all
        // happens, pointer tracking included.
        if (d < 0.001) return;
        SetSlope((LevelCodeToVolts(LevelCode) - pointer.level) / d, true);
        LimiterPaintBox.Repaint();
    }
    InflectionCursor.MouseMove(x, y);
    SlopeCursor.MouseMove(x, y);
}

// ---- The curve view's keys ----------------------------------------------------------------

// An arrow moves the chosen cursor by one code of its register and writes what a drag to that
// code writes; at the end of the range the cursor holds and the key is not used.
bool TLimiterForm::LimiterPaintBoxKey(platform::Key key) {
    using platform::Key;
    if (key == Key::Tab || key == Key::BackTab) {
        const Cursor chosen = key == Key::Tab ? Cursor::Slope : Cursor::Inflection;
        if (KeyCursor == chosen) return false;  // past the last cursor the focus moves on
        KeyCursor = chosen;
        return true;
    }
    if (KeyCursor == Cursor::Inflection) {
        // Across the plot the inflection point, up and down the level.
        const int step = key == Key::Right || key == Key::Up ? 1 : -1;
        const bool across = key == Key::Left || key == Key::Right;
        const int ip = InflectionCode + (across ? step : 0), level = LevelCode + (across ? 0 : step);
        if (ip < 0 || ip > 255 || level < 0 || level > 255) return false;
        SetInflectionAndLevelCodes(static_cast<uint8_t>(ip), static_cast<uint8_t>(level));
    } else {
        // Right and down steepen the slope: its cursor goes down the plot's left edge, or
        // right along its floor.
        const int slope = SlopeCode + (key == Key::Right || key == Key::Down ? 1 : -1);
        if (slope < 0 || slope > 255) return false;
        SetSlopeCode(static_cast<uint8_t>(slope), true);
    }
    LimiterPaintBox.Repaint();
    return true;
}

// ---- The curve view's picture ---------------------------------------------------------------

void TLimiterForm::LimiterPaintBoxPaint(platform::Canvas& canvas) {
    const int w = LimiterPaintBox.Bounds.Width, h = LimiterPaintBox.Bounds.Height;
    canvas.SetBrush(0x000000);  // also behind every label
    canvas.FillRect(0, 0, w, h);
    canvas.SetPen(0x808080, 1);
    canvas.SetFont("Arial", 10, 0xFFFFFF);
    for (double v = 1.0; v <= 6.0; v += 0.5) {
        const int x = VoltsToPixel(v, 0).x;
        canvas.MoveTo(x, kTop);
        canvas.LineTo(x, h - kBottom);
        canvas.WriteText(x - 10, h - 35, platform::FloatToStr(v));
    }
    for (double v = 0; v <= kLevelMax; v += 1) {
        const int y = VoltsToPixel(1, v).y;
        canvas.MoveTo(kLeft, y);
        canvas.LineTo(w - kRight, y);
        canvas.WriteText(20, y - 10, platform::FloatToStr(v));
    }
    canvas.WriteTextUp(3, h / 2 + 40, "Level [V]");
    canvas.WriteText(w / 2 - 40, h - 20, "IP [V]");

    const Pixel knee = VoltsToPixel(InflectionCodeToVolts(InflectionCode), LevelCodeToVolts(LevelCode));
    const Volts end = SlopeEndPoint();
    const Pixel foot = VoltsToPixel(end.ip, end.level);
    canvas.SetPen(0xBBBB00, 2);
    canvas.MoveTo(w - kRight, knee.y);
    canvas.LineTo(knee.x, knee.y);
    canvas.LineTo(foot.x, foot.y);

    InflectionCursor.Paint(&canvas);
    SlopeCursor.Paint(&canvas);
}
