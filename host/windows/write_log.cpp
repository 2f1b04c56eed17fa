#include "host/windows/write_log.h"

#include "host/windows/ids.h"
#include "host/windows/text.h"

#include <commctrl.h>

#include <cstdio>

namespace winhost {

namespace {

// Characters kept; past this the older half goes, at a line's start.
constexpr int kKept = 256 * 1024;

// A multi-line edit keeps Tab for itself; the log is read-only, so Tab moves on.
LRESULT CALLBACK PassTab(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_GETDLGCODE)
        return DefSubclassProc(window, msg, wParam, lParam) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    return DefSubclassProc(window, msg, wParam, lParam);
}

}  // namespace

std::string TimeOfDay(const SYSTEMTIME& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", time.wHour % 100u, time.wMinute % 100u,
                  time.wSecond % 100u, time.wMilliseconds % 1000u);
    return text;
}

WriteLog::WriteLog(HWND parent, int dpi) {
    // Long lines wrap: the newest line is always read whole.
    edit_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLogId)),
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(edit_, &PassTab, 1, 0);
    SetDpi(dpi);
    SendMessageW(edit_, EM_SETLIMITTEXT, 2 * kKept, 0);
}

WriteLog::~WriteLog() {
    if (font_ != nullptr) DeleteObject(font_);
}

void WriteLog::SetDpi(int dpi) {
    HFONT old = font_;
    font_ = CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (old != nullptr) DeleteObject(old);
}

void WriteLog::ShowLatest() {
    const auto length = GetWindowTextLengthW(edit_);
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
    SendMessageW(edit_, WM_VSCROLL, SB_BOTTOM, 0);
}

void WriteLog::Add(std::string_view line) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    Add(TimeOfDay(now), line);
}

void WriteLog::Add(std::string_view stamp, std::string_view line) {
    const std::wstring text = Widen(std::string(stamp) + "  " + std::string(line) + "\r\n");
    auto length = static_cast<int>(GetWindowTextLengthW(edit_));
    if (length + static_cast<int>(text.size()) > kKept) {
        const auto middle = SendMessageW(edit_, EM_LINEFROMCHAR, static_cast<WPARAM>(length / 2), 0);
        const auto start = SendMessageW(edit_, EM_LINEINDEX, static_cast<WPARAM>(middle + 1), 0);
        SendMessageW(edit_, EM_SETSEL, 0, start > 0 ? start : length / 2);
        SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        length = GetWindowTextLengthW(edit_);
    }
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

}  // namespace winhost
