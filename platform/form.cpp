#include "platform/form.h"

#include <algorithm>

namespace platform {

Screen& Form::LocalScreen() {
    static constinit Screen screen;
    return screen;
}

Form::Form(std::string name) : Control(Kind::Form, std::move(name)), screen_(LocalScreen()) { ++screen_.forms; }

Form::~Form() {
    --screen_.forms;
    if (screen_.active == this) screen_.active = nullptr;
    // Children's native widgets go before the form's own.
    while (!controls_.empty()) controls_.pop_back();
}

Control& Form::Add(std::unique_ptr<Control> control, Control* parent) {
    control->SetParent(parent != nullptr ? parent : this);
    controls_.push_back(std::move(control));
    return *controls_.back();
}

namespace {

void AppendInTabOrder(const Control& container, std::vector<Control*>& list) {
    std::vector<Control*> children = container.Children();
    std::stable_sort(children.begin(), children.end(),
                     [](const Control* a, const Control* b) { return a->TabOrder < b->TabOrder; });
    for (Control* child : children) {
        list.push_back(child);
        AppendInTabOrder(*child, list);
    }
}

}  // namespace

const std::vector<Control*>& Form::TabList() const {
    if (tabList_.size() != controls_.size()) {
        tabList_.clear();
        AppendInTabOrder(*this, tabList_);
    }
    return tabList_;
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
    if (screen_.active == this) return;
    if (screen_.active != nullptr) screen_.active->userDeactivate();
    screen_.active = this;
    Sync(Change::Activation);
    if (OnActivate) OnActivate();
}

void Form::userDeactivate() {
    if (screen_.active != this) return;
    screen_.active = nullptr;
    Sync(Change::Activation);
    if (OnDeactivate) OnDeactivate();
}

void Form::userFocus(Control* control) {
    if (control == focused_) return;
    Control* previous = focused_;
    focused_ = control;
    Sync(Change::Focus);
    if (previous != nullptr && previous->kind() == Kind::Edit) static_cast<Edit*>(previous)->Exit();
}

}  // namespace platform
