// Controls whose only state is their caption: labels, group boxes and push buttons.
#include "platform/win32/child_peers.h"

#include <algorithm>
#include <string>

namespace platform::win32 {

namespace {

class CaptionPeer final : public NativePeer {
public:
    // A button's clicks go to it; labels and group boxes report nothing.
    CaptionPeer(Control& control, HWND window, Button* button = nullptr)
        : NativePeer(window), control_(control), button_(button) {}

    void Update(Change what) override {
        if (what == Change::Caption) SetText(control_.Caption());
    }
    void Command(WORD code) override {
        if (code == BN_CLICKED && button_ != nullptr) button_->userClick();
    }
    Control* FocusControl() override { return button_; }

private:
    Control& control_;
    Button* button_;
};

// Static text as wide as its text at least, as the framework sizes it: a face a little
// wider than the designer's must neither wrap the text nor clip it.
class LabelPeer final : public NativePeer {
public:
    LabelPeer(Label& label, HWND window) : NativePeer(window), label_(label) { FitText(); }

    void Update(Change what) override {
        if (what != Change::Caption) return;
        SetText(label_.Caption());
        FitText();
    }

private:
    void FitText() {
        HWND window = Window();
        if (window == nullptr) return;
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
        HDC dc = GetDC(window);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
        RECT needed{};
        DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        const Rect& r = label_.Bounds;
        SetWindowPos(window, nullptr, 0, 0, std::max(r.Width, static_cast<int>(needed.right)), r.Height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    Label& label_;
};

std::unique_ptr<NativePeer> Wrap(HWND window, Control& control, Button* button = nullptr) {
    if (window == nullptr) return nullptr;
    return std::make_unique<CaptionPeer>(control, window, button);
}

}  // namespace

std::unique_ptr<NativePeer> CreateLabelPeer(Label& label, const ChildSite& site) {
    HWND window = CreateChild(L"STATIC", SS_LEFT, 0, label, label.Caption(), site);
    if (window == nullptr) return nullptr;
    return std::make_unique<LabelPeer>(label, window);
}

std::unique_ptr<NativePeer> CreateGroupBoxPeer(GroupBox& group, const ChildSite& site) {
    // A real parent of its controls; the dialog manager's tab walk goes into it.
    return Wrap(CreateChild(L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT, group, group.Caption(), site), group);
}

std::unique_ptr<NativePeer> CreateButtonPeer(Button& button, const ChildSite& site) {
    return Wrap(CreateChild(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, button, button.Caption(), site), button,
                &button);
}

}  // namespace platform::win32
