// Plays arbitrary sequences on the Limiter / AGC dialog: any text in the three edits, track
// bars and check boxes, mouse events of any button at any pixel, notifications of any
// register, paint box sizes, and the host connecting and disconnecting. Whatever the order:
// every write is to register 2, 11, 12, 13, 14 or 15 and inside its mask; nothing changes
// without a callback; a reload calls nothing and leaves the cache byte for byte; the edits
// show the values of the codes once committed.
#include "dialogs/tlimiter.h"
#include "fuzz/fuzz_host.h"
#include "platform/conversions.h"
#include "platform/recording_canvas.h"

#include <string>

using fuzz::Check;

namespace {

// The mask a register may be written in; 0 for a register the dialog never writes.
uint8_t Writable(size_t reg) {
    switch (reg) {
    case 2: return 0x04;
    case 11:
    case 12:
    case 13: return 0xFF;
    case 14: return 0xFF;
    case 15: return 0x2F;
    default: return 0;
    }
}

// What a person might type into a decimal field, backspace included.
constexpr std::string_view kKeys = "0123456789.,-+e xn\b";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Host host;
    TLimiterForm form;
    TLimiterI2C& w = form.LimiterI2C;
    w.CallbackContext = host.Context();
    w.Cache = host.regs;
    platform::Edit* const edits[] = {&form.Slope, &form.InflectionPoint, &form.Level};
    const auto fields = TLimiterForm::Fields();

    fuzz::ForEachStep(data, size, [&](fuzz::Step s) {
        const auto before = host.Snapshot();
        const int callsBefore = host.Calls();
        const bool connected = w.WriteCallback != nullptr;
        bool reload = false;
        const auto x = static_cast<int8_t>(s.arg) * 6, y = static_cast<int8_t>(s.value) * 4;
        switch (s.op % 10) {
        case 0: {  // type into an edit, then Enter or leave
            platform::Edit& edit = *edits[s.arg % 3];
            form.userFocus(&edit);
            for (char key : fuzz::Typed(kKeys, s.value, s.arg / 3, 6)) edit.userType(key);
            if (s.arg & 0x80) edit.userType('\r');
            else form.userFocus(nullptr);
            break;
        }
        case 1: {
            auto& control = form.Get<platform::ValueControl>(fields[s.arg % fields.size()].control);
            if (control.kind() == platform::Kind::CheckBox) static_cast<platform::CheckBox&>(control).userClick();
            else static_cast<platform::TrackBar&>(control).userSetPosition(static_cast<int8_t>(s.value));
            break;
        }
        case 2: form.LimiterPaintBox.userMouseDown(static_cast<platform::MouseButton>(s.op / 10 % 3), x, y); break;
        case 3: form.LimiterPaintBox.userMouseMove(x, y); break;
        case 4: form.LimiterPaintBox.userMouseUp(static_cast<platform::MouseButton>(s.op / 10 % 3), x, y); break;
        case 5:
            w.RegisterChanged(s.arg & 0x80 ? 129 : 128, s.arg & 0x40 ? 1 : 0, s.value);
            reload = true;
            break;
        case 6: host.regs[s.arg % 32] = s.value; return;  // the device changed; nobody told
        case 7: w.WriteCallback = w.WriteCallback != nullptr ? nullptr : &host::RegisterHost::Written; break;
        case 8:  // the dialog resized: the plot follows, however small or large
            form.LimiterPaintBox.Bounds.Width = s.arg * 8;
            form.LimiterPaintBox.Bounds.Height = s.value * 8;
            break;
        case 9: {
            platform::RecordingCanvas canvas;
            form.LimiterPaintBox.PaintOn(canvas);
            Check(canvas.LockDepth() == 0);
            break;
        }
        }
        const int calls = host.Calls() - callsBefore;
        if (!connected || reload) Check(calls == 0);
        for (size_t r = 0; r < 256; ++r) {
            const uint8_t changed = before[r] ^ host.regs[r];
            if (changed == 0) continue;
            Check(connected && !reload && calls > 0);
            Check((changed & ~Writable(r)) == 0);
        }
        if (calls > 0) Check(Writable(host.writes.back().reg) != 0);
        // Every typing step ends in a commit: each edit shows its code's value.
        Check(form.Slope.Text() == platform::FormatFloat("%04.2f", TLimiterForm::SlopeCodeToValue(form.SlopeCode)));
        Check(form.Level.Text() == platform::FormatFloat("%04.2f", TLimiterForm::LevelCodeToVolts(form.LevelCode)));
        Check(form.InflectionPoint.Text() ==
              platform::FormatFloat("%03.2f", TLimiterForm::InflectionCodeToVolts(form.InflectionCode)));
    });
    return 0;
}
