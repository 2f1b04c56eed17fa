// Plays arbitrary sequences of user actions and host notifications on the Digital Control
// dialog. Whatever the order: a user change writes only its own field, exactly once when
// the host is connected (Reset twice), and the bits the control now shows; a reload calls
// nothing and leaves the cache byte for byte; nothing lands outside the host's array.
#include "dialogs/tdigitalcontrol.h"
#include "fuzz/fuzz_host.h"
#include "platform/conversions.h"

#include <string>

using fuzz::Check;

namespace {

// What a person might type into a number field: digits, signs, blanks, letters, Enter.
constexpr std::string_view kKeys = "0123456789-+ xA\r07";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Host host;
    TDigitalControlForm form;
    TDigitalControlI2C& w = form.DigitalControlI2C;
    w.CallbackContext = host.Context();
    const auto fields = TDigitalControlForm::Fields();
    platform::Edit* const edits[] = {&form.SDOUTTag, &form.DataOffset};
    const RegisterField editFields[] = {TDigitalControlForm::SDOUTTagField, TDigitalControlForm::DataOffsetField};

    fuzz::ForEachStep(data, size, [&](fuzz::Step s) {
        const auto before = host.Snapshot();
        const int callsBefore = host.Calls();
        const bool connected = w.WriteCallback != nullptr && w.Cache == host.regs;
        const RegisterField* field = nullptr;  // the one field a user step may change
        int expectedCalls = 1;
        switch (s.op % 9) {
        case 0: {  // a list, radio group or check box
            field = &fields[s.arg % fields.size()];
            auto& control = form.Get<platform::ValueControl>(field->control);
            const auto index = static_cast<int8_t>(s.value);
            const int shownBefore = control.Value();
            switch (control.kind()) {
            case platform::Kind::CheckBox: static_cast<platform::CheckBox&>(control).userClick(); break;
            case platform::Kind::RadioGroup: static_cast<platform::RadioGroup&>(control).userSelect(index); break;
            default:
                if (s.arg & 0x80)
                    static_cast<platform::ComboBox&>(control).userEditText(fuzz::Typed(kKeys, s.value, s.arg, 5), index);
                else
                    static_cast<platform::ComboBox&>(control).userSelect(index);
            }
            // A radio group clicked on its own item reports nothing; otherwise the write
            // carries what the control now shows.
            if (control.kind() == platform::Kind::RadioGroup && control.Value() == shownBefore) expectedCalls = 0;
            else if (w.Cache == host.regs) Check((host.regs[field->reg] & field->mask) == Encode(*field, control.Value()));
            break;
        }
        case 1: {  // type into a number field (the one with the focus, if any), then Enter, or leave it
            const size_t e = form.Focused() == edits[0] ? 0 : form.Focused() == edits[1] ? 1 : s.arg % 2u;
            field = &editFields[e];
            form.userFocus(edits[e]);
            while (!edits[e]->Text().empty()) edits[e]->userType('\b');
            const int callsTyping = host.Calls();
            for (char key : fuzz::Typed(kKeys, s.value, s.arg / 2, 5)) edits[e]->userType(key);
            expectedCalls = host.Calls() - callsTyping;  // each Enter commits
            if (s.arg & 0x40) {
                edits[e]->userType('\r');
            } else {
                form.userFocus(nullptr);
            }
            ++expectedCalls;
            const auto shown = platform::StrToInt(edits[e]->Text());
            Check(shown.has_value() && *shown == (e == 0 ? form.SDOUTTagValue : form.DataOffsetValue));
            if (w.Cache == host.regs) Check(Decode(*field, host.regs[field->reg]) == *shown);
            break;
        }
        case 2:
            form.Reset.userClick();
            field = &TDigitalControlForm::ResetField;
            expectedCalls = 2;
            if (w.Cache == host.regs) Check((host.regs[1] & 0x01) == 0);
            break;
        case 3: host.regs[s.arg % 32] = s.value; return;  // the device changed; nobody told
        case 4: w.RegisterChanged(s.arg & 0x80 ? 129 : 128, s.arg & 0x40 ? 1 : 0, s.value); break;
        case 5: w.WriteCallback = w.WriteCallback != nullptr ? nullptr : &host::RegisterHost::Written; break;
        case 6: w.Cache = w.Cache == host.regs ? &w.InlineCache : host.regs; break;
        case 7: s.arg & 1 ? form.Show() : form.userClose(); break;
        case 8: s.arg & 1 ? form.userActivate() : form.userDeactivate(); break;
        }
        const int calls = host.Calls() - callsBefore;
        Check(calls == (field != nullptr && connected ? expectedCalls : 0));
        for (int r = 0; r < 256; ++r) {
            const uint8_t changed = before[static_cast<size_t>(r)] ^ host.regs[r];
            Check(changed == 0 || (field != nullptr && r == field->reg && (changed & ~field->mask) == 0));
        }
    });
    return 0;
}
