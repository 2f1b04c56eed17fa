// Text between the host's UTF-8 strings, the module's 8-bit strings and the system's UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace winhost {

inline std::wstring Convert(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

inline std::wstring Widen(std::string_view utf8) { return Convert(CP_UTF8, utf8); }

// The module's captions are 8-bit text of the system's code page.
inline std::wstring FromModule(const char* text) { return text != nullptr ? Convert(CP_ACP, text) : std::wstring(); }

inline std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

}  // namespace winhost
