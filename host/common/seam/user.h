// Playing the user on a dialog's controls through the module's UI seam: what a person at
// the screen can do to each kind of control, and where the focus goes. What cannot be done
// gives a CommandError that says why, in the hosts' words.
#pragma once

#include "host/common/module/dialogs.h"
#include "host/common/module/module.h"

#include <qm7140/ui.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace host::user {

// One control of a dialog, as the seam addresses it.
struct Target {
    const Module::UiSeam& ui;
    QM7140Instance instance;
    int32_t dialog;
    std::string dialogKey;  // how commands name the dialog
    int32_t index;
    std::string name;
    QM7140UiKind kind;
};

// A dialog's form; CommandError when the module shows no such dialog.
QM7140UiForm FormOf(const Module::UiSeam& ui, QM7140Instance instance, const DialogInfo& dialog);
// The user reaches into a dialog: it has to be on the screen, and acting on it makes it the
// active window.
void Reach(const Module::UiSeam& ui, QM7140Instance instance, const DialogInfo& dialog);
// The user picks one of the host's menu entries: the host's own window takes the focus from
// every shown dialog.
void HostWindowTakesFocus(const Module::UiSeam& ui, QM7140Instance instance);

// Typing over an edit's or a combobox's text: a Backspace for each character it shows, as a
// person's take the old text away, then `text`, then Enter when `enter`. The seam's status,
// of reading the control or of typing.
QM7140UiStatus TypeOver(const Module::UiSeam& ui, QM7140Instance instance, int32_t dialog, int32_t control,
                        std::string_view text, bool enter = false);

const char* KindName(QM7140UiKind kind);
// A caption as Windows draws it: "&&" is one "&", and a single "&" only underlines the key
// after it (not shown here).
std::string ShownCaption(std::string_view caption);
// What a look at the control shows: checked state, item, position or text.
std::string Describe(const Target& target);
// Reads a control's record; CommandError when the module refuses.
QM7140UiControl Read(const Target& target);

// A checkbox or a button.
void Click(const Target& target);
// An item of a combobox or radiogroup by its text (exact, then in any letter case), else
// by its index.
void Select(const Target& target, std::string_view item);
// An edit or a combobox's text field: focused, its old text backspaced away, then the new
// text key by key; it keeps the focus.
void Type(const Target& target, std::string_view text);
// An edit: the focus moves into it if elsewhere, then out of the dialog's controls.
void Leave(const Target& target);
// An edit: focused, then the Enter key.
void Enter(const Target& target);
// A trackbar: a position inside its range.
void Slide(const Target& target, std::string_view position);

// A paintbox: the mouse at pixel (x, y) of it, which may lie outside it (a drag goes on
// beyond the box). Buttons are left, right or middle.
QM7140UiButton ButtonOf(std::string_view name);
int Coordinate(std::string_view text);
void Mouse(const Target& target, QM7140UiMouse action, int x, int y, QM7140UiButton button);
// Left-press at (x0, y0), eight moves along the way, release at (x1, y1): what a hand on a
// mouse reports.
void Drag(const Target& target, int x0, int y0, int x1, int y1);
// A paintbox: a new size, 1 to 8192 pixels each way.
void Resize(const Target& target, std::string_view width, std::string_view height);

// Who asks for the writes a control makes, "page: limiter LimiterPaintBox", for the transfer
// log; made once a control, and only the module's own controls get one of their own (the
// others share "page"), so a caller cannot grow it at will.
class ControlSources {
public:
    explicit ControlSources(std::string asker) : asker_(std::move(asker)) {}
    std::shared_ptr<const std::string> Of(const Module::UiSeam& ui, QM7140Instance instance, int32_t dialog, int32_t control);
    size_t Size() const { return sources_.size(); }

private:
    std::string asker_;
    std::map<std::pair<int32_t, int32_t>, std::shared_ptr<const std::string>> sources_;
};

}  // namespace host::user
