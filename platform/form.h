// A modeless top-level form: it owns its controls, finds them by name, shows and hides,
// and tracks which form is active and which control has the focus.
//
// A host that plays the user links its own copy of this model and works on the module's
// forms with it. What forms share (which one is active) is therefore reached through the
// form, never through a static of whichever copy runs: each form points at the screen of
// the copy that made it. The screen is plain data, so nothing of it is destroyed at process
// exit before a module's unload routine tears down forms that are still alive.
#pragma once

#include "platform/controls.h"

#include <optional>
#include <vector>
#include <stdexcept>
#include <string_view>

namespace platform {

struct FormLayout;

struct Point {
    int X = 0, Y = 0;
};

struct Screen {
    Form* active = nullptr;  // one UI thread: at most one form is the active window
    int forms = 0;           // alive
};

class Form : public Control {
public:
    explicit Form(std::string name);
    // Built from its design, native peers included.
    explicit Form(const FormLayout& layout);
    ~Form() override;

    // Takes ownership; the control becomes a child of parent (the form when null).
    Control& Add(std::unique_ptr<Control> control, Control* parent = nullptr);
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    Control* FindControl(std::string_view name) const;
    // Every control in tab order, depth first: a container's children follow it. Made once,
    // and again after a control was added.
    const std::vector<Control*>& TabList() const;
    template <class T>
    T* Find(std::string_view name) const {
        return dynamic_cast<T*>(FindControl(name));
    }
    // For a form's own design: a missing control is a programming error.
    template <class T>
    T& Get(std::string_view name) const {
        if (T* control = Find<T>(name)) return *control;
        throw std::logic_error("no control " + std::string(name) + " of that kind");
    }

    // Modeless: makes the form visible, brings it to the front and activates it.
    void Show();
    // Closing only hides: the form keeps its state.
    void Hide();
    bool Visible() const { return visible_; }
    bool Active() const { return screen_.active == this; }
    // The screen of this copy of the model: what its forms share.
    static Screen& LocalScreen();

    // The focus arrived at a control of this form (null: at none). The form alone decides
    // what that means: an edit that had the focus fires OnExit. The form losing activation
    // is no move of the focus; it comes back to the same control.
    void userFocus(Control* control);
    Control* Focused() const { return focused_; }

    // Reported by a native window, or played by a headless host.
    void userActivate();
    void userDeactivate();
    void userClose() { Hide(); }

    // Look: client size is Bounds.Width x Bounds.Height; a tool window that stays on top.
    std::optional<Point> DesignedPosition;  // none: the system chooses
    std::string FontName = "Tahoma";
    int FontHeight = 11;
    bool DoubleBuffered = false;

    Notify OnActivate;
    Notify OnDeactivate;
    Notify OnHide;

private:
    Screen& screen_;
    std::vector<std::unique_ptr<Control>> controls_;
    mutable std::vector<Control*> tabList_;
    Control* focused_ = nullptr;
    bool visible_ = false;
};

}  // namespace platform
