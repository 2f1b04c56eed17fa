// The control model: one C++ model of the form framework's controls, the same on every
// platform. The model holds the state and fires the events. A backend may attach a peer to
// a control that mirrors the state to a native widget (requests go down as Peer::Update)
// and reports the user's actions back through the model's user...() calls. With no peer
// the model works alone, which is how the dialogs run and are tested headless.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class Canvas;
class Form;

struct Rect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

enum class Kind { Form, CheckBox, ComboBox, RadioGroup, TrackBar, Edit, Label, GroupBox, Button, PaintBox };

// What changed in the model, for a peer to mirror.
// Activation and Focus are the form's: it became or stopped being the active window, or the
// focus moved among its controls.
enum class Change { Caption, Checked, Items, ItemIndex, Text, Range, Position, Visible, BringToFront, Repaint, Activation, Focus };

class Peer {
public:
    virtual ~Peer() = default;
    virtual void Update(Change what) = 0;
};

enum class MouseButton { Left, Right, Middle };
// The keys a paint box may take while it has the keyboard; BackTab is Shift+Tab.
enum class Key { Left, Right, Up, Down, Tab, BackTab };

using Notify = std::function<void()>;
using KeyPress = std::function<void(char& key)>;
using MouseEvent = std::function<void(MouseButton, int x, int y)>;
using MoveEvent = std::function<void(int x, int y)>;
using PaintEvent = std::function<void(Canvas&)>;
// Whether the control used the key; one it did not use goes on (Tab to the next control).
using KeyEvent = std::function<bool(Key)>;

class Control {
public:
    Control(Kind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return kind_; }
    const std::string& Name() const { return name_; }

    Control* Parent() const { return parent_; }
    const std::vector<Control*>& Children() const { return children_; }
    void SetParent(Control* parent);
    Form* OwnerForm();

    Rect Bounds;
    int TabOrder = 0;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

    void AttachPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
    Peer* peer() const { return peer_.get(); }

protected:
    void Sync(Change what) {
        if (peer_) peer_->Update(what);
    }

private:
    Kind kind_;
    std::string name_;
    std::string caption_;
    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    std::unique_ptr<Peer> peer_;
};

// A control whose state is one integer that a register field can bind: the checked state
// of a check box, the item index of a list or radio group, the position of a track bar.
class ValueControl : public Control {
public:
    using Control::Control;
    virtual int Value() const = 0;
    virtual void SetValue(int value) = 0;
    // The event a user change of the value fires (OnClick or OnChange).
    virtual Notify& ValueEvent() = 0;
};

class CheckBox final : public ValueControl {
public:
    explicit CheckBox(std::string name) : ValueControl(Kind::CheckBox, std::move(name)) {}
    bool Checked() const { return checked_; }
    // From code: fires OnClick when the value changes.
    void SetChecked(bool checked);
    // The user toggles it: fires OnClick.
    void userClick();
    // The native widget already shows the new state: take it and fire OnClick.
    void userSetChecked(bool checked);

    int Value() const override { return checked_ ? 1 : 0; }
    void SetValue(int value) override { SetChecked(value != 0); }
    Notify& ValueEvent() override { return OnClick; }

    Notify OnClick;

private:
    bool checked_ = false;
};

// Items plus a selected index; -1 is a real state (nothing selected).
class ItemList : public ValueControl {
public:
    using ValueControl::ValueControl;
    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    int ItemIndex() const { return index_; }
    int Value() const override { return index_; }

protected:
    // Stores the index (anything outside the items becomes -1); true when it changed.
    bool StoreIndex(int index);

private:
    std::vector<std::string> items_;
    int index_ = -1;
};

// A drop-down list with an editable text field.
class ComboBox final : public ItemList {
public:
    explicit ComboBox(std::string name) : ItemList(Kind::ComboBox, std::move(name)) {}
    // From code: fires nothing; the text follows the item ("" for -1).
    void SetItemIndex(int index);
    const std::string& Text() const { return text_; }
    // The user picks an item from the list: fires OnChange.
    void userSelect(int index);
    // The user edits the text field; fires OnChange. The item is the one the native list
    // reports selecting for that text (a dropped-down list follows what is typed), or none.
    void userEditText(std::string text, int index = -1);

    void SetValue(int value) override { SetItemIndex(value); }
    Notify& ValueEvent() override { return OnChange; }

    Notify OnChange;

private:
    std::string text_;
};

class RadioGroup final : public ItemList {
public:
    explicit RadioGroup(std::string name) : ItemList(Kind::RadioGroup, std::move(name)) {}
    // From code: fires OnClick when the index changes.
    void SetItemIndex(int index);
    // The user clicks a button: fires OnClick when the index changes.
    void userSelect(int index);

    void SetValue(int value) override { SetItemIndex(value); }
    Notify& ValueEvent() override { return OnClick; }

    int Columns = 2;
    Notify OnClick;
};

class TrackBar final : public ValueControl {
public:
    explicit TrackBar(std::string name) : ValueControl(Kind::TrackBar, std::move(name)) {}
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    // From code or user: clamped to the range; fires OnChange only when it changes.
    void SetPosition(int position);
    void userSetPosition(int position) { SetPosition(position); }

    int Value() const override { return position_; }
    void SetValue(int value) override { SetPosition(value); }
    Notify& ValueEvent() override { return OnChange; }

    Notify OnChange;

private:
    int min_ = 0, max_ = 10, position_ = 0;
};

// A single-line edit.
class Edit final : public Control {
public:
    explicit Edit(std::string name) : Control(Kind::Edit, std::move(name)) {}
    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    // One typed character: OnKeyPress may change or swallow it (set it to 0); what is left
    // is applied to the text (backspace removes the last character, Enter changes nothing).
    void userType(char key);
    // Room for `keys` more characters, so that typing them cannot fail halfway.
    void ReserveKeys(size_t keys) { text_.reserve(text_.size() + keys); }
    // A key seen by a native edit that applies it itself: only OnKeyPress runs.
    void userKeyPress(char& key);
    // The native edit's text changed under the user's hands.
    void userSetText(std::string text) { text_ = std::move(text); }
    KeyPress OnKeyPress;
    // Fired by the form when the focus moves from this edit to another control.
    Notify OnExit;

private:
    friend class Form;
    void Exit();

    std::string text_;
};

class Label final : public Control {
public:
    explicit Label(std::string name) : Control(Kind::Label, std::move(name)) {}
};

class GroupBox final : public Control {
public:
    explicit GroupBox(std::string name) : Control(Kind::GroupBox, std::move(name)) {}
};

class Button final : public Control {
public:
    explicit Button(std::string name) : Control(Kind::Button, std::move(name)) {}
    void userClick();
    Notify OnClick;
};

class PaintBox final : public Control {
public:
    explicit PaintBox(std::string name) : Control(Kind::PaintBox, std::move(name)) {}
    // Paints now: through the peer's canvas when there is one, else nothing to paint on.
    void Repaint() { Sync(Change::Repaint); }
    // Paints on a given canvas (a peer's, or an off-screen one for snapshots).
    void PaintOn(Canvas& canvas) {
        if (OnPaint) OnPaint(canvas);
    }
    void userMouseDown(MouseButton button, int x, int y);
    void userMouseMove(int x, int y);
    void userMouseUp(MouseButton button, int x, int y);
    // The box got a new size (its parent resized it, or a host did): Bounds first, then
    // OnResize, so a painter can move what it placed by pixels.
    void userResize(int width, int height);
    // A key while the box has the keyboard; false when nothing took it.
    bool userKey(Key key);

    PaintEvent OnPaint;
    Notify OnResize;
    MouseEvent OnMouseDown;
    MoveEvent OnMouseMove;
    MouseEvent OnMouseUp;
    KeyEvent OnKey;
};

}  // namespace platform
