// Finding the module's windows on the screen and driving them with real messages, as a
// user (or a UI automation tool) would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Lets the windows handle whatever the last action queued (painting, activation).
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Direct children, top of the z-order first: the order the dialog manager tabs through.
inline std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// A top-level window of this thread by its caption (hidden ones too).
inline HWND FindForm(const wchar_t* caption) {
    for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, caption); window != nullptr;
         window = FindWindowExW(nullptr, window, nullptr, caption))
        if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return window;
    return nullptr;
}

inline std::vector<HWND> DescendantsOf(HWND parent) {
    std::vector<HWND> all;
    for (HWND child : ChildrenOf(parent)) {
        all.push_back(child);
        for (HWND inner : DescendantsOf(child)) all.push_back(inner);
    }
    return all;
}

// A control anywhere inside a form, by window class (in any letter case) and text.
inline HWND FindControl(HWND form, const wchar_t* windowClass, const std::wstring& text) {
    for (HWND window : DescendantsOf(form))
        if (lstrcmpiW(ClassOf(window).c_str(), windowClass) == 0 && TextOf(window) == text) return window;
    return nullptr;
}

// A rectangle as Left, Top, Width, Height within the parent's client area.
struct Placement {
    int left, top, width, height;
    bool operator==(const Placement&) const = default;
};

inline Placement PlacementOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// A combo box selection as the user makes it: the list moves, then the parent is told.
inline void SelectItem(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}
