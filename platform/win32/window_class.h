// A window class of the module's own, registered on first use and unregistered when the
// module unloads, so that a later load (perhaps at another address) registers afresh. The
// class procedure is the system's own: every window of the class is subclassed by its peer
// at once, and a class that outlived its module would still point at valid code.
#pragma once

#include <windows.h>

namespace platform::win32 {

class WindowClass {
public:
    // A null background: the window paints every pixel itself.
    WindowClass(const wchar_t* name, UINT style, HBRUSH background);
    ~WindowClass();
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    const wchar_t* Name() const { return name_; }

private:
    const wchar_t* name_;
    bool registered_;
};

}  // namespace platform::win32
