#include "platform/win32/window_class.h"

#include "platform/win32/module_instance.h"

namespace platform::win32 {

WindowClass::WindowClass(const wchar_t* name, UINT style, HBRUSH background) : name_(name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    registered_ = RegisterClassExW(&wc) != 0;
}

WindowClass::~WindowClass() {
    if (registered_) UnregisterClassW(name_, ModuleInstance());
}

}  // namespace platform::win32
