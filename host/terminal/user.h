// Playing the user on a form's controls: what a person at the screen can do to each kind
// of control, through the control model's user...() calls. A control of a kind that the
// action does not fit gives a CommandError.
#pragma once

#include "platform/form.h"

#include <string>
#include <string_view>

namespace host::user {

const char* KindName(platform::Kind kind);
// What a look at the control shows: checked state, item, position or text.
std::string Describe(const platform::Form& form, const platform::Control& control);

// A checkbox or a button.
void Click(platform::Control& control);
// An item of a combobox or radiogroup by its text (exact, then in any letter case), else
// by its index.
void Select(platform::Control& control, std::string_view item);
// An edit: focused, its old text backspaced away, then the new text key by key, every key
// through the edit's key filter; the edit keeps the focus. A combobox: its text field.
void Type(platform::Form& form, platform::Control& control, std::string_view text);
// An edit: the focus moves into it if elsewhere, then out of the form's controls.
void Leave(platform::Form& form, platform::Control& control);
// An edit: focused, then the Enter key.
void Enter(platform::Form& form, platform::Control& control);
// A trackbar: a position inside its range.
void Slide(platform::Control& control, std::string_view position);

// A paintbox: the mouse at pixel (x, y) of it, which may lie outside it (a drag goes on
// beyond the box). Buttons are left, right or middle.
platform::MouseButton ButtonOf(std::string_view name);
void Press(platform::Control& control, std::string_view x, std::string_view y, platform::MouseButton button);
void Move(platform::Control& control, std::string_view x, std::string_view y);
void Release(platform::Control& control, std::string_view x, std::string_view y, platform::MouseButton button);

}  // namespace host::user
