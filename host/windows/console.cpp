#include "host/windows/console.h"

#include "host/windows/text.h"

#include <windows.h>

#include <optional>

namespace winhost {

namespace {

bool WriteConsoleText(HANDLE console, const std::wstring& text) {
    DWORD written = 0;
    return WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// Whether the text went out whole; nothing when there is nowhere to write.
std::optional<bool> Write(const std::wstring& text, Stream stream) {
    const HANDLE out = GetStdHandle(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) {
        DWORD mode = 0;
        if (GetConsoleMode(out, &mode)) return WriteConsoleText(out, text);
        const std::string utf8 = Narrow(text);
        DWORD written = 0;
        return WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) && written == utf8.size();
    }
    // A program of the windows subsystem started from a console gets no handles of it.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return std::nullopt;
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        FreeConsole();
        return std::nullopt;
    }
    const bool whole = WriteConsoleText(console, text);
    CloseHandle(console);
    FreeConsole();
    return whole;
}

}  // namespace

int Say(const std::wstring& text, Stream stream, int status) {
    const std::wstring line = (stream == Stream::Error ? L"error: " : L"") + text + L"\n";
    if (const auto whole = Write(line, stream)) return *whole ? status : 1;
    const UINT icon = stream == Stream::Error ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(nullptr, text.c_str(), L"QM7140 Host", MB_OK | icon);
    return status;
}

}  // namespace winhost
