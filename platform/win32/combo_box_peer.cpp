#include "platform/win32/child_peers.h"

#include "platform/win32/text.h"

#include <algorithm>

namespace platform::win32 {

namespace {

constexpr int kDroppedRows = 8;

class ComboBoxPeer final : public NativePeer {
public:
    ComboBoxPeer(ComboBox& combo, HWND window) : NativePeer(window), combo_(combo) {
        ShowItems();
        FitHeight();
    }

    void Update(Change what) override {
        switch (what) {
        case Change::Items: ShowItems(); break;
        case Change::ItemIndex: ShowSelection(); break;
        case Change::Text: SetText(combo_.Text()); break;
        default: break;
        }
    }
    void Command(WORD code) override {
        if (code == CBN_SELCHANGE) combo_.userSelect(static_cast<int>(Send(CB_GETCURSEL)));
        // A dropped-down list selects the item that begins with the typed text; closed, it
        // selects none. Either way the list, not the text, says which item is meant.
        if (code == CBN_EDITCHANGE) combo_.userEditText(WindowText(Window()), static_cast<int>(Send(CB_GETCURSEL)));
        // The field inside takes the focus in the combo box's stead.
        if (code == CBN_SETFOCUS) ReportFocus();
    }
    Control* FocusControl() override { return &combo_; }

private:
    void ShowItems() {
        Send(CB_RESETCONTENT);
        for (const std::string& item : combo_.Items()) Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
        ShowSelection();
    }
    // Index -1 clears the field; the model's text is what shows either way.
    void ShowSelection() {
        Send(CB_SETCURSEL, static_cast<WPARAM>(combo_.ItemIndex()));
        SetText(combo_.Text());
    }
    // The closed field takes the designed height whatever the font makes of it. The height
    // a drop-down combo box is given is its dropped height: room for the list below.
    void FitHeight() {
        HWND window = Window();
        const Rect& r = combo_.Bounds;
        // Twice: implementations differ in what the field's item height counts.
        for (int attempt = 0; attempt < 2; ++attempt) {
            RECT shown;
            GetWindowRect(window, &shown);
            const int off = r.Height - (shown.bottom - shown.top);
            if (off == 0) break;
            const auto field = static_cast<int>(Send(CB_GETITEMHEIGHT, static_cast<WPARAM>(-1)));
            if (field + off <= 0) break;
            Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field + off);
        }
        const auto row = static_cast<int>(Send(CB_GETITEMHEIGHT, 0));
        const int rows = std::clamp(static_cast<int>(combo_.Items().size()), 1, kDroppedRows);
        SetWindowPos(window, nullptr, 0, 0, r.Width, r.Height + rows * row + 2 * GetSystemMetrics(SM_CYBORDER),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    ComboBox& combo_;
};

}  // namespace

std::unique_ptr<NativePeer> CreateComboBoxPeer(ComboBox& combo, const ChildSite& site) {
    HWND window = CreateChild(L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0, combo, "",
                              site);
    if (window == nullptr) return nullptr;
    return std::make_unique<ComboBoxPeer>(combo, window);
}

}  // namespace platform::win32
