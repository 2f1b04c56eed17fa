#include "platform/controls.h"

#include "platform/form.h"

#include <algorithm>

namespace platform {

void Control::SetParent(Control* parent) {
    if (parent_ != nullptr) std::erase(parent_->children_, this);
    parent_ = parent;
    if (parent_ != nullptr) parent_->children_.push_back(this);
}

Form* Control::OwnerForm() {
    Control* c = this;
    while (c->parent_ != nullptr) c = c->parent_;
    return c->kind_ == Kind::Form ? static_cast<Form*>(c) : nullptr;
}

void Control::SetCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    Sync(Change::Caption);
}

static void Fire(const Notify& event) {
    if (event) event();
}

void CheckBox::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Sync(Change::Checked);
    Fire(OnClick);
}

void CheckBox::userClick() {
    checked_ = !checked_;
    Sync(Change::Checked);
    Fire(OnClick);
}

void CheckBox::userSetChecked(bool checked) {
    checked_ = checked;
    Fire(OnClick);
}

void ItemList::SetItems(std::vector<std::string> items) {
    items_ = std::move(items);
    if (index_ >= static_cast<int>(items_.size())) index_ = -1;
    Sync(Change::Items);
}

bool ItemList::StoreIndex(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
    if (index == index_) return false;
    index_ = index;
    return true;
}

void ComboBox::SetItemIndex(int index) {
    StoreIndex(index);
    text_ = ItemIndex() < 0 ? std::string() : Items()[static_cast<size_t>(ItemIndex())];
    Sync(Change::ItemIndex);
}

void ComboBox::userSelect(int index) {
    StoreIndex(index);
    text_ = ItemIndex() < 0 ? std::string() : Items()[static_cast<size_t>(ItemIndex())];
    Sync(Change::ItemIndex);
    Fire(OnChange);
}

void ComboBox::userEditText(std::string text, int index) {
    StoreIndex(index);
    text_ = std::move(text);
    Sync(Change::Text);
    Fire(OnChange);
}

void RadioGroup::SetItemIndex(int index) {
    if (!StoreIndex(index)) return;
    Sync(Change::ItemIndex);
    Fire(OnClick);
}

void RadioGroup::userSelect(int index) { SetItemIndex(index); }

void TrackBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    Sync(Change::Range);
}

void TrackBar::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position == position_) return;
    position_ = position;
    Sync(Change::Position);
    Fire(OnChange);
}

void Edit::SetText(std::string text) {
    text_ = std::move(text);
    Sync(Change::Text);
}

void Edit::userKeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(key);
}

void Edit::userType(char key) {
    userKeyPress(key);
    if (key == '\b') {
        if (!text_.empty()) text_.pop_back();
    } else if (key != 0 && key != '\r') {
        text_ += key;
    } else {
        return;
    }
    Sync(Change::Text);
}

void Edit::Exit() { Fire(OnExit); }

void Button::userClick() { Fire(OnClick); }

void PaintBox::userMouseDown(MouseButton button, int x, int y) {
    if (OnMouseDown) OnMouseDown(button, x, y);
}

void PaintBox::userMouseMove(int x, int y) {
    if (OnMouseMove) OnMouseMove(x, y);
}

void PaintBox::userMouseUp(MouseButton button, int x, int y) {
    if (OnMouseUp) OnMouseUp(button, x, y);
}

bool PaintBox::userKey(Key key) { return OnKey && OnKey(key); }

void PaintBox::userResize(int width, int height) {
    Bounds.Width = width;
    Bounds.Height = height;
    if (OnResize) OnResize();
    Repaint();
}

}  // namespace platform
