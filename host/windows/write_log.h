// The bus as the host sees it: one timed line for each record (a transfer's with its
// duration: "14:02:07.123 (85 us)  W 0x80/0 reg 0x0B = 0xB1") and for each of the host's own
// actions, in a read-only text pane that can be selected and copied; long lines
// wrap, and Tab passes through it to the next region.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace winhost {

// "10:41:02.123"
std::string TimeOfDay(const SYSTEMTIME& time);

class WriteLog {
public:
    WriteLog(HWND parent, int dpi);
    ~WriteLog();
    WriteLog(const WriteLog&) = delete;
    WriteLog& operator=(const WriteLog&) = delete;

    HWND Window() const { return edit_; }
    // The line after the local time; the oldest lines go once the pane holds a lot.
    void Add(std::string_view line);
    // The line after its own time, two blanks between them.
    void Add(std::string_view stamp, std::string_view line);
    // After a resize: the newest line in sight.
    void ShowLatest();
    void SetDpi(int dpi);

private:
    HWND edit_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace winhost
