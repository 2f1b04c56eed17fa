#include "host/windows/compare_window.h"

#include "host/common/text/parse.h"
#include "host/windows/ids.h"
#include "host/windows/text.h"

#include <commctrl.h>

namespace winhost {

namespace {

constexpr const wchar_t* kClass = L"QM7140Compare";

LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE) {
        MoveWindow(GetDlgItem(window, kCompareListId), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void SetColumn(HWND list, int index, const std::wstring& title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(title.c_str());
    column.cx = width;
    if (SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)) == 0)
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

}  // namespace

std::vector<CompareRow> CompareRows(const host::Comparison& comparison) {
    std::vector<CompareRow> rows;
    if (comparison.Equal()) {
        rows.push_back({Widen(host::ComparisonText(comparison)), L"", L""});
        return rows;
    }
    for (const host::Difference& d : comparison.registers)
        rows.push_back({L"reg " + Widen(host::Hex(d.reg)), Widen(host::Hex(d.a)), Widen(host::Hex(d.b))});
    for (const host::Difference& d : comparison.fields)
        rows.push_back({Widen(d.field ? d.field->title + " (" + host::BitsText(d.field->mask) + ")" : host::Hex(d.reg)),
                        Widen(d.shownA), Widen(d.shownB)});
    return rows;
}

HWND ShowComparison(HWND owner, HWND shown, const host::Comparison& comparison, int dpi) {
    static const ATOM registered = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = &Procedure;
        c.hInstance = GetModuleHandleW(nullptr);
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        c.lpszClassName = kClass;
        return RegisterClassW(&c);
    }();
    (void)registered;
    const auto scale = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
    if (shown == nullptr || !IsWindow(shown)) {
        // Owned, so it stays above the host and goes with it.
        shown = CreateWindowExW(WS_EX_TOOLWINDOW, kClass, L"Compare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                scale(460), scale(300), owner, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (shown == nullptr) return nullptr;
        HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER,
                                    0, 0, 0, 0, shown, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCompareListId)),
                                    GetModuleHandleW(nullptr), nullptr);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        RECT client{};
        GetClientRect(shown, &client);
        MoveWindow(list, 0, 0, client.right, client.bottom, FALSE);
    }
    HWND list = GetDlgItem(shown, kCompareListId);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SetColumn(list, 0, L"Register or field", scale(200));
    SetColumn(list, 1, Widen(comparison.a), scale(110));
    SetColumn(list, 2, Widen(comparison.b), scale(110));
    const auto rows = CompareRows(comparison);
    for (size_t i = 0; i < rows.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(rows[i].what.c_str());
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        const std::wstring* values[] = {&rows[i].a, &rows[i].b};
        for (int column = 1; column <= 2; ++column) {
            item.iSubItem = column;
            item.pszText = const_cast<wchar_t*>(values[column - 1]->c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    SetWindowTextW(shown, (L"Compare: " + Widen(comparison.a) + L" and " + Widen(comparison.b)).c_str());
    ShowWindow(shown, SW_SHOWNORMAL);
    return shown;
}

}  // namespace winhost
