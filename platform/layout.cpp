#include "platform/layout.h"

#include "platform/backend.h"

#include <stdexcept>

namespace platform {

static std::unique_ptr<Control> Make(const ControlLayout& row) {
    switch (row.kind) {
    case Kind::CheckBox: {
        auto c = std::make_unique<CheckBox>(row.name);
        c->SetChecked(row.initial != 0);
        return c;
    }
    case Kind::ComboBox: {
        auto c = std::make_unique<ComboBox>(row.name);
        c->SetItems(row.items);
        c->SetItemIndex(row.initial);
        return c;
    }
    case Kind::RadioGroup: {
        auto c = std::make_unique<RadioGroup>(row.name);
        c->SetItems(row.items);
        c->SetItemIndex(row.initial);
        return c;
    }
    case Kind::TrackBar: {
        auto c = std::make_unique<TrackBar>(row.name);
        c->SetRange(row.min, row.max);
        c->SetPosition(row.initial);
        return c;
    }
    case Kind::Edit: {
        auto c = std::make_unique<Edit>(row.name);
        c->SetText(row.caption);
        return c;
    }
    case Kind::Label: return std::make_unique<Label>(row.name);
    case Kind::GroupBox: return std::make_unique<GroupBox>(row.name);
    case Kind::Button: return std::make_unique<Button>(row.name);
    case Kind::PaintBox: return std::make_unique<PaintBox>(row.name);
    case Kind::Form: break;
    }
    throw std::logic_error("layout row " + row.name + ": a form cannot be a control");
}

void Build(Form& form, const FormLayout& layout) {
    form.SetCaption(layout.caption);
    form.Bounds = {0, 0, layout.clientWidth, layout.clientHeight};
    form.DesignedPosition = layout.position;
    form.DoubleBuffered = layout.doubleBuffered;
    for (const ControlLayout& row : layout.controls) {
        Control* parent = row.parent.empty() ? &form : form.FindControl(row.parent);
        if (parent == nullptr) throw std::logic_error("layout row " + row.name + ": parent not built yet");
        auto control = Make(row);
        if (row.kind != Kind::Edit) control->SetCaption(row.caption);
        control->Bounds = row.bounds;
        control->TabOrder = row.tab;
        form.Add(std::move(control), parent);
    }
    AttachPeers(form);
}

Form::Form(const FormLayout& layout) : Form(layout.name) { Build(*this, layout); }

}  // namespace platform
