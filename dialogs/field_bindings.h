// The register-field rows of one dialog tied to its controls: each control's change event
// writes its field, and a reload sets every control from the cache. A row may carry an
// action that runs after its write (a caption to refresh), whoever changed the control.
#pragma once

#include "platform/form.h"
#include "registers/register_field.h"

#include <functional>
#include <span>
#include <string_view>
#include <vector>

class FieldBindings {
public:
    template <class Window>
    FieldBindings(const platform::Form& form, std::span<const RegisterField> fields, Window& window) {
        bound_.reserve(fields.size());  // the events hold on to their rows: no reallocation
        for (const RegisterField& f : fields) {
            Bound& b = bound_.emplace_back(Bound{f, &form.Get<platform::ValueControl>(f.control), {}});
            b.control->ValueEvent() = [&b, &window] {
                const int value = b.control->Value();
                WriteField(window, b.field, value);
                if (b.after) b.after(value);
            };
        }
    }
    FieldBindings(const FieldBindings&) = delete;
    FieldBindings& operator=(const FieldBindings&) = delete;

    void After(std::string_view control, std::function<void(int value)> action) {
        for (Bound& b : bound_)
            if (b.field.control == control) b.after = std::move(action);
    }

    // In row order.
    void Reload(const TI2CObject& window) const {
        for (const Bound& b : bound_) b.control->SetValue(ReadField(window, b.field));
    }

private:
    struct Bound {
        RegisterField field;
        platform::ValueControl* control;
        std::function<void(int)> after;
    };
    std::vector<Bound> bound_;
};
