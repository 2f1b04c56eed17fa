#include "platform/win32/child_peers.h"

namespace platform::win32 {

namespace {

class CheckBoxPeer final : public NativePeer {
public:
    CheckBoxPeer(CheckBox& box, HWND window) : NativePeer(window), box_(box) { ShowChecked(); }

    void Update(Change what) override {
        if (what == Change::Checked) ShowChecked();
        if (what == Change::Caption) SetText(box_.Caption());
    }
    // The native box has toggled itself already.
    void Command(WORD code) override {
        if (code == BN_CLICKED) box_.userSetChecked(Send(BM_GETCHECK) == BST_CHECKED);
    }
    Control* FocusControl() override { return &box_; }

private:
    void ShowChecked() { Send(BM_SETCHECK, box_.Checked() ? BST_CHECKED : BST_UNCHECKED); }

    CheckBox& box_;
};

}  // namespace

std::unique_ptr<NativePeer> CreateCheckBoxPeer(CheckBox& box, const ChildSite& site) {
    HWND window = CreateChild(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, box, box.Caption(), site);
    if (window == nullptr) return nullptr;
    return std::make_unique<CheckBoxPeer>(box, window);
}

}  // namespace platform::win32
