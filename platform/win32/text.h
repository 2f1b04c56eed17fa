// The model keeps 8-bit UTF-8 text (our sources are UTF-8); native windows take UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
std::string WindowText(HWND window);

}  // namespace platform::win32
