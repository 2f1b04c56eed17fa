#include "host/windows/connect_dialog.h"

#include "host/common/text/parse.h"
#include "host/windows/ids.h"
#include "host/windows/text.h"

#include <cstring>
#include <functional>
#include <string>
#include <string_view>

namespace winhost {

namespace {

struct State {
    std::vector<host::HidBridgeInfo>* bridges;
    const std::function<std::vector<host::HidBridgeInfo>()>* look;
    ConnectChoice choice;
};

// A control placed in dialog units, in the dialog's font.
HWND Child(HWND dialog, const wchar_t* kind, const wchar_t* text, DWORD style, RECT place, int id) {
    MapDialogRect(dialog, &place);
    HWND child = CreateWindowExW(std::wcscmp(kind, L"EDIT") == 0 || std::wcscmp(kind, L"LISTBOX") == 0 ? WS_EX_CLIENTEDGE : 0,
                                 kind, text, WS_CHILD | WS_VISIBLE | style, place.left, place.top, place.right - place.left,
                                 place.bottom - place.top, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(SendMessageW(dialog, WM_GETFONT, 0, 0)), FALSE);
    return child;
}

// Address and speed belong to a bridge's chip; the simulated one has neither.
void EnableChipFields(HWND dialog) {
    const bool bridge = SendDlgItemMessageW(dialog, kConnectPlaces, LB_GETCURSEL, 0, 0) > 0;
    EnableWindow(GetDlgItem(dialog, kConnectAddress), bridge);
    EnableWindow(GetDlgItem(dialog, kConnectSpeed), bridge);
}

// The bridges as listed now, the choice kept where it still points at one.
void List(HWND dialog, const State& state) {
    HWND places = GetDlgItem(dialog, kConnectPlaces);
    SendMessageW(places, LB_RESETCONTENT, 0, 0);
    SendMessageW(places, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Simulated QM7140 (no chip)"));
    for (const auto& bridge : *state.bridges)
        SendMessageW(places, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(host::DescribeHidBridge(bridge)).c_str()));
    SendMessageW(places, LB_SETCURSEL, state.choice.place <= state.bridges->size() ? state.choice.place : 0, 0);
    // Whole, wrapped: the drivers looked for make a long line.
    std::string found = state.bridges->empty() ? host::DescribeHidBridges({})
                                               : std::to_string(state.bridges->size()) + " USB-HID I2C bridge(s) found";
    while (!found.empty() && found.back() == '\n') found.pop_back();
    SetDlgItemTextW(dialog, kConnectFound, Widen(found).c_str());
    EnableChipFields(dialog);
}

void Build(HWND dialog, const State& state) {
    Child(dialog, L"STATIC", L"&Where the current device's chip is:", 0, {7, 7, 253, 16}, -1);
    HWND places = Child(dialog, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, {7, 18, 253, 72},
                        kConnectPlaces);
    Child(dialog, L"STATIC", L"", SS_NOPREFIX, {7, 75, 253, 100}, kConnectFound);

    Child(dialog, L"STATIC", L"&Address (7-bit):", 0, {7, 106, 64, 115}, -1);
    Child(dialog, L"EDIT", Widen(host::Hex(state.choice.address)).c_str(), WS_TABSTOP | ES_AUTOHSCROLL, {66, 104, 106, 116},
          kConnectAddress);
    Child(dialog, L"STATIC", L"S&peed:", 0, {130, 106, 156, 115}, -1);
    HWND speed = Child(dialog, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, {158, 104, 218, 148}, kConnectSpeed);
    SendMessageW(speed, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"100 kHz"));
    SendMessageW(speed, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"400 kHz"));
    SendMessageW(speed, CB_SETCURSEL, state.choice.speedKhz == 400 ? 1 : 0, 0);
    Child(dialog, L"STATIC", L"", SS_NOPREFIX, {7, 121, 253, 139}, kConnectProblem);

    Child(dialog, L"BUTTON", L"&Look again", WS_TABSTOP | BS_PUSHBUTTON, {7, 144, 67, 158}, kConnectLookAgain);
    Child(dialog, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, {149, 144, 199, 158}, IDOK);
    Child(dialog, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, {203, 144, 253, 158}, IDCANCEL);
    List(dialog, state);
    SetFocus(places);
}

// The choice as the controls hold it; false, saying why, when the address is not one.
bool Take(HWND dialog, State& state) {
    const LRESULT place = SendDlgItemMessageW(dialog, kConnectPlaces, LB_GETCURSEL, 0, 0);
    state.choice.place = place > 0 ? static_cast<size_t>(place) : 0;
    state.choice.speedKhz = SendDlgItemMessageW(dialog, kConnectSpeed, CB_GETCURSEL, 0, 0) == 1 ? 400 : 100;
    if (state.choice.place == 0) return true;
    wchar_t text[32] = {};
    GetDlgItemTextW(dialog, kConnectAddress, text, 32);
    const auto address = host::ParseChipAddress(Narrow(text));
    if (!address) {
        SetDlgItemTextW(dialog, kConnectProblem, Widen(host::NotAChipAddress(Narrow(text)) + ".").c_str());
        SetFocus(GetDlgItem(dialog, kConnectAddress));
        return false;
    }
    state.choice.address = *address;
    return true;
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Nothing may unwind through the system's frames (only running out of memory throws).
    try {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            Build(dialog, *reinterpret_cast<State*>(lParam));
            return FALSE;  // the focus is set
        }
        auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (msg != WM_COMMAND || state == nullptr) return FALSE;
        const int id = LOWORD(wParam);
        if (id == kConnectPlaces && HIWORD(wParam) == LBN_SELCHANGE) EnableChipFields(dialog);
        if (id == kConnectPlaces && HIWORD(wParam) == LBN_DBLCLK) PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        if (id == kConnectLookAgain && HIWORD(wParam) == BN_CLICKED && *state->look) {
            const LRESULT picked = SendDlgItemMessageW(dialog, kConnectPlaces, LB_GETCURSEL, 0, 0);
            state->choice.place = picked > 0 ? static_cast<size_t>(picked) : 0;
            *state->bridges = (*state->look)();
            List(dialog, *state);
        }
        if (id == IDOK && Take(dialog, *state)) EndDialog(dialog, IDOK);
        if (id == IDCANCEL) EndDialog(dialog, IDCANCEL);
        return id == IDOK || id == IDCANCEL;
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

std::optional<ConnectChoice> AskWhereToConnect(HWND owner, std::vector<host::HidBridgeInfo>& bridges,
                                               const std::function<std::vector<host::HidBridgeInfo>()>& look,
                                               const ConnectChoice& initial) {
    // A template with no controls: they are made in dialog units once it has its font.
    DLGTEMPLATE frame{};
    frame.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    frame.cx = 260;
    frame.cy = 165;
    std::vector<WORD> t(sizeof frame / sizeof(WORD));
    std::memcpy(t.data(), &frame, sizeof frame);
    t.push_back(0);  // no menu
    t.push_back(0);  // the dialog class
    for (const wchar_t c : std::wstring_view(L"Connect")) t.push_back(c);
    t.push_back(0);
    t.push_back(8);  // points
    for (const wchar_t c : std::wstring_view(L"MS Shell Dlg")) t.push_back(c);
    t.push_back(0);
    State state{&bridges, &look, initial};
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(t.data()), owner,
                                                   Procedure, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return std::nullopt;
    return state.choice;
}

}  // namespace winhost
