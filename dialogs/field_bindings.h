// The register-field rows of one dialog tied to its controls: each control's change event
// writes its field, and a reload sets every control from the cache.
#pragma once

#include "platform/form.h"
#include "registers/register_field.h"

#include <span>
#include <vector>

class FieldBindings {
public:
    template <class Window>
    FieldBindings(const platform::Form& form, std::span<const RegisterField> fields, Window& window) {
        for (const RegisterField& f : fields) {
            auto& control = form.Get<platform::ValueControl>(f.control);
            control.ValueEvent() = [&control, &window, f] { WriteField(window, f, control.Value()); };
            bound_.push_back({f, &control});
        }
    }

    // In row order.
    void Reload(const TI2CObject& window) const {
        for (const auto& [field, control] : bound_) control->SetValue(ReadField(window, field));
    }

private:
    struct Bound {
        RegisterField field;
        platform::ValueControl* control;
    };
    std::vector<Bound> bound_;
};
