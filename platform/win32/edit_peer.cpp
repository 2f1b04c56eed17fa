#include "platform/win32/child_peers.h"

#include "platform/win32/text.h"

namespace platform::win32 {

namespace {

class EditPeer final : public NativePeer {
public:
    EditPeer(Edit& edit, HWND window) : NativePeer(window), edit_(edit) {}

    void Update(Change what) override {
        if (what == Change::Text) SetText(edit_.Text());
    }
    void Command(WORD code) override {
        if (code == EN_CHANGE) edit_.userSetText(WindowText(Window()));
    }
    // Whether the edit was left is the form's to decide, when the focus arrives elsewhere.
    Control* FocusControl() override { return &edit_; }

protected:
    bool Message(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (msg == WM_CHAR) return KeyPress(wParam, lParam, result);
        return false;
    }

private:
    // The handler sees each typed character before the edit applies it, as an 8-bit
    // character of the ANSI code page, and may replace or swallow it (key 0).
    bool KeyPress(WPARAM wParam, LPARAM lParam, LRESULT& result) {
        const auto typed = static_cast<wchar_t>(wParam);
        char key = 0;
        BOOL lossy = FALSE;
        if (WideCharToMultiByte(CP_ACP, 0, &typed, 1, &key, 1, nullptr, &lossy) != 1 || lossy) return false;
        const char original = key;
        edit_.userKeyPress(key);
        if (key == original) return false;
        result = 0;
        if (key == 0) return true;
        wchar_t replaced = 0;
        MultiByteToWideChar(CP_ACP, 0, &key, 1, &replaced, 1);
        result = CallNative(WM_CHAR, replaced, lParam);
        return true;
    }

    Edit& edit_;
};

}  // namespace

std::unique_ptr<NativePeer> CreateEditPeer(Edit& edit, const ChildSite& site) {
    HWND window = CreateChild(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, edit, edit.Text(), site);
    if (window == nullptr) return nullptr;
    return std::make_unique<EditPeer>(edit, window);
}

}  // namespace platform::win32
