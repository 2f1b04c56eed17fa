// The Limiter / AGC dialog: attack, hysteresis, APT/VBAT, release and mode settings bound
// to registers 2, 14 and 15, and the transfer curve (inflection point, limiter level,
// slope) kept as three codes, written to registers 11 to 13, edited as numbers or by
// dragging two cursors over the curve view. The window is guarded: nothing is written,
// not even to the cache, until the host connects.
#pragma once

#include "dialogs/field_bindings.h"
#include "graph/tguiobject.h"
#include "platform/canvas.h"
#include "platform/layout.h"
#include "registers/ti2cobject.h"

#include <qm7140/plugin.h>

#include <span>
#include <utility>

class TLimiterForm;

class TLimiterI2C final : public TDialogI2C<TLimiterForm, WriteGuard::Guarded> {
public:
    explicit TLimiterI2C(TLimiterForm* owner) : TDialogI2C(owner, 16) {}
};

struct Volts {
    double ip, level;
};

struct Pixel {
    int32_t x, y;
    bool operator==(const Pixel&) const = default;
};

class TLimiterForm final : public platform::Form {
public:
    explicit TLimiterForm(platform::Control* owner = nullptr);

    static const platform::FormLayout& Layout();
    // The rows bound to track bars and check boxes, in reload order.
    static std::span<const RegisterField> Fields();
    // The curve's codes, written whole by the edits, the cursors and the keys.
    static constexpr RegisterField InflectionField{"InflectionPoint", 11, 0xFF, Encoding::Field};
    static constexpr RegisterField SlopeField{"Slope", 12, 0xFF, Encoding::Field};
    static constexpr RegisterField LevelField{"Level", 13, 0xFF, Encoding::Field};
    // Every register bit a control of the dialog writes: the rows, then the codes.
    static std::span<const RegisterField> Bindings();

    TI2CObject& I2C() { return LimiterI2C; }
    void ReloadControls();

    // Codes and what they stand for.
    static double InflectionCodeToVolts(uint8_t code);
    static double LevelCodeToVolts(uint8_t code);
    static double SlopeCodeToValue(uint8_t code);
    static uint8_t VoltsToInflectionCode(double volts);
    static uint8_t VoltsToLevelCode(double volts);
    static uint8_t ValueToSlopeCode(double value);
    static int32_t AttackTimeUs(int position);
    static int32_t ReleaseTimeMs(int position);

    // The plot in the paint box as it is now: x from 40 to W - 10 spans 1 to 6 V of the
    // inflection point, y from H - 40 up to 10 spans 0 to 10.6 V of the level.
    Pixel VoltsToPixel(double ip, double level) const;
    Volts PixelToVolts(int32_t x, int32_t y) const;
    // The lower end of the curve's sloped part: on the plot's left edge, or on 0 V.
    Volts SlopeEndPoint() const;

    void SetInflectionAndLevel(double ipVolts, double levelVolts);
    void SetSlope(double slopeValue, bool write);
    // The same by code: what a value quantises to, shown and written alike.
    void SetInflectionAndLevelCodes(uint8_t ip, uint8_t level);
    void SetSlopeCode(uint8_t code, bool write);
    // The edit's number within [minimum, maximum], else current; the edit then shows it.
    static double ReadEditValue(platform::Edit& edit, double current, double minimum, double maximum);
    // As ReadEditValue, but the dialog's own text for the current value (in `format`) is
    // that exact value.
    static double ReadCommitted(platform::Edit& edit, const char* format, double current, double minimum,
                                double maximum);

    void SlopeExit();
    void SlopeKeyPress(char& key);
    void InflectionPointExit();
    void InflectionPointKeyPress(char& key);
    void LevelExit();
    void LevelKeyPress(char& key);

    void LimiterPaintBoxPaint(platform::Canvas& canvas);
    void LimiterPaintBoxMouseDown(platform::MouseButton button, int x, int y);
    void LimiterPaintBoxMouseMove(int x, int y);
    void LimiterPaintBoxMouseUp(platform::MouseButton button, int x, int y);
    void LimiterPaintBoxResize();
    bool LimiterPaintBoxKey(platform::Key key);

    platform::GroupBox& AttackGroup = Get<platform::GroupBox>("AttackGroup");
    platform::Label& StaticText1 = Get<platform::Label>("StaticText1");
    platform::TrackBar& AttackTime = Get<platform::TrackBar>("AttackTime");
    platform::Label& AttackText = Get<platform::Label>("AttackText");
    platform::Label& StaticText9 = Get<platform::Label>("StaticText9");
    platform::TrackBar& Hysteresis = Get<platform::TrackBar>("Hysteresis");
    platform::Label& StaticText10 = Get<platform::Label>("StaticText10");
    platform::TrackBar& APTVBAT = Get<platform::TrackBar>("APTVBAT");
    platform::CheckBox& LimMode = Get<platform::CheckBox>("LimMode");
    platform::GroupBox& ReleaseGroup = Get<platform::GroupBox>("ReleaseGroup");
    platform::Label& StaticText2 = Get<platform::Label>("StaticText2");
    platform::TrackBar& Release = Get<platform::TrackBar>("Release");
    platform::Label& ReleaseText = Get<platform::Label>("ReleaseText");
    platform::CheckBox& SelIntegration = Get<platform::CheckBox>("SelIntegration");
    platform::PaintBox& LimiterPaintBox = Get<platform::PaintBox>("LimiterPaintBox");
    platform::Label& StaticText5 = Get<platform::Label>("StaticText5");
    platform::Edit& Slope = Get<platform::Edit>("Slope");
    platform::Label& StaticText6 = Get<platform::Label>("StaticText6");
    platform::Label& StaticText3 = Get<platform::Label>("StaticText3");
    platform::Edit& InflectionPoint = Get<platform::Edit>("InflectionPoint");
    platform::Label& StaticText4 = Get<platform::Label>("StaticText4");
    platform::Label& StaticText7 = Get<platform::Label>("StaticText7");
    platform::Edit& Level = Get<platform::Edit>("Level");
    platform::Label& StaticText8 = Get<platform::Label>("StaticText8");
    platform::CheckBox& Enable = Get<platform::CheckBox>("Enable");

    TLimiterI2C LimiterI2C{this};
    uint8_t InflectionCode = QM7140_POWER_UP_INFLECTION;
    uint8_t LevelCode = QM7140_POWER_UP_LEVEL;
    uint8_t SlopeCode = QM7140_POWER_UP_SLOPE;
    TLCursor InflectionCursor;
    TLCursor SlopeCursor;
    // The cursor the curve view's arrow keys move; Tab and Shift+Tab choose it.
    enum class Cursor { Inflection, Slope } KeyCursor = Cursor::Inflection;

private:
    // The edit boxes and cursors as the codes are now; nothing is written.
    void ShowInflectionAndLevel();
    void ShowSlope();
    void PlaceInflectionCursor();
    void PlaceSlopeCursor();

    FieldBindings fields_{*this, Fields(), LimiterI2C};
};
