// A form as a modeless top-level tool window that stays on top. Closing it only hides it.
#pragma once

#include "platform/form.h"
#include "platform/win32/native_peer.h"

#include <memory>

namespace platform::win32 {

class FormPeer final : public NativePeer {
public:
    // Hidden; null when no window can be created (no window station): the form then runs
    // on its model alone.
    static std::unique_ptr<FormPeer> Create(Form& form);
    ~FormPeer() override;

    // The form's font, for its controls; it lives as long as the form's window.
    HFONT Font() const { return font_; }
    void Update(Change what) override;

protected:
    bool Message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    FormPeer(Form& form, HWND window, HFONT font) : NativePeer(window), form_(form), font_(font) {}

    Form& form_;
    HFONT font_;
    // The control that had the focus when the form was last deactivated.
    HWND lastFocus_ = nullptr;
};

}  // namespace platform::win32
