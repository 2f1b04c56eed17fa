// A control bound to a register bit field is one row of data. One generic write and one
// generic reload consume the rows, so writing and reloading agree by construction.
#pragma once

#include "platform/form.h"
#include "plugin/ti2cobject.h"

#include <bit>
#include <cstdint>
#include <span>
#include <vector>

enum class Encoding {
    Flag,              // check box: checked sets the mask
    Field,             // list, radio group or track bar: value shifted into the mask
    NonZeroSetsBit,    // two-item list or radio group: item 0 gives 0, any other the bit
    ZeroSetsBit,       // the inverted form: item 0 gives the bit, any other 0
};

struct RegisterField {
    const char* control;
    uint8_t reg;
    uint8_t mask;
    Encoding encoding;
};

// The bits a control state writes; always inside the mask (index -1 gives all ones).
constexpr uint8_t Encode(const RegisterField& f, int value) {
    switch (f.encoding) {
    case Encoding::Flag: return value != 0 ? f.mask : 0;
    case Encoding::Field:
        return static_cast<uint8_t>((static_cast<uint32_t>(value) << std::countr_zero(f.mask)) & f.mask);
    case Encoding::NonZeroSetsBit: return value != 0 ? f.mask : 0;
    case Encoding::ZeroSetsBit: return value == 0 ? f.mask : 0;
    }
    return 0;
}

// The control state a register value shows.
constexpr int Decode(const RegisterField& f, uint8_t reg) {
    const bool set = (reg & f.mask) != 0;
    switch (f.encoding) {
    case Encoding::Flag:
    case Encoding::NonZeroSetsBit: return set ? 1 : 0;
    case Encoding::Field: return (reg & f.mask) >> std::countr_zero(f.mask);
    case Encoding::ZeroSetsBit: return set ? 0 : 1;
    }
    return 0;
}

// The field rows of one dialog tied to its controls: each control's change event writes
// its field through the window, and a reload sets every control from the cache.
class FieldBindings {
public:
    template <class Window>
    FieldBindings(const platform::Form& form, std::span<const RegisterField> fields, Window& window) {
        for (const RegisterField& f : fields) {
            auto& control = form.Get<platform::ValueControl>(f.control);
            control.ValueEvent() = [&control, &window, f] { window.WriteBits(f.reg, Encode(f, control.Value()), f.mask); };
            bound_.push_back({f, &control});
        }
    }

    // In row order.
    void Reload(const TI2CObject& window) const {
        for (const auto& [field, control] : bound_) control->SetValue(Decode(field, window.ReadRegister(field.reg)));
    }

private:
    struct Bound {
        RegisterField field;
        platform::ValueControl* control;
    };
    std::vector<Bound> bound_;
};
