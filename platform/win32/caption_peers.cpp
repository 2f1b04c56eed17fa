// Controls whose only state is their caption: labels, group boxes and push buttons.
#include "platform/win32/child_peers.h"

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

private:
    Control& control_;
    Button* button_;
};

std::unique_ptr<NativePeer> Wrap(HWND window, Control& control, Button* button = nullptr) {
    if (window == nullptr) return nullptr;
    return std::make_unique<CaptionPeer>(control, window, button);
}

}  // namespace

std::unique_ptr<NativePeer> CreateLabelPeer(Label& label, const ChildSite& site) {
    return Wrap(CreateChild(L"STATIC", SS_LEFT, 0, label, label.Caption(), site), label);
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
