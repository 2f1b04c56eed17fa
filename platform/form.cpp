#include "platform/form.h"

namespace platform {

namespace {
// One UI thread: at most one of our forms is the active window.
Form* activeForm = nullptr;
std::vector<Form*> allForms;
}  // namespace

Form::Form(std::string name) : Control(Kind::Form, std::move(name)) { allForms.push_back(this); }

Form::~Form() {
    std::erase(allForms, this);
    if (activeForm == this) activeForm = nullptr;
    // Children's native widgets go before the form's own.
    while (!controls_.empty()) controls_.pop_back();
}

Form* Form::ActiveForm() { return activeForm; }

const std::vector<Form*>& Form::All() { return allForms; }

Control& Form::Add(std::unique_ptr<Control> control, Control* parent) {
    control->SetParent(parent != nullptr ? parent : this);
    controls_.push_back(std::move(control));
    return *controls_.back();
}

Control* Form::FindControl(std::string_view name) const {
    for (const auto& c : controls_)
        if (c->Name() == name) return c.get();
    return nullptr;
}

void Form::Show() {
    if (!visible_) {
        visible_ = true;
        Sync(Change::Visible);
    }
    Sync(Change::BringToFront);
    userActivate();
}

void Form::Hide() {
    if (!visible_) return;
    if (Active()) userDeactivate();
    visible_ = false;
    Sync(Change::Visible);
    if (OnHide) OnHide();
}

void Form::userActivate() {
    if (activeForm == this) return;
    if (activeForm != nullptr) activeForm->userDeactivate();
    activeForm = this;
    if (OnActivate) OnActivate();
}

void Form::userDeactivate() {
    if (activeForm != this) return;
    activeForm = nullptr;
    if (OnDeactivate) OnDeactivate();
}

void Form::SetFocus(Control* control) {
    if (control == focused_) return;
    Control* previous = focused_;
    focused_ = control;
    if (previous != nullptr && previous->kind() == Kind::Edit) static_cast<Edit*>(previous)->userExit();
}

}  // namespace platform
