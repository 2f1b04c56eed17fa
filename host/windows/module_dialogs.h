// The module's dialogs made the main window's own, as a host that knows only the module's
// exports can: the windows a call into the module showed are found among this thread's
// windows. Each is then owned by the main window (it minimises with it and stays above it,
// never behind), named for its device when there are several, and first placed in a cascade
// from its device's own place, clear of the register grid.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace winhost {

class ModuleDialogs {
public:
    // `avoid` gives the main window's region the dialogs should not cover (screen
    // coordinates): its left edge is where they start.
    ModuleDialogs(HWND main, std::function<RECT()> avoid) : main_(main), avoid_(std::move(avoid)) {}

    // Runs `show`, a call that shows one of `device`'s dialogs, and adopts the windows it
    // showed for the first time. `devices` is how many devices the host has.
    void Show(int device, int devices, const std::function<void()>& show);
    // The device a window of the module's belongs to, or -1.
    int DeviceOf(HWND dialog) const;

private:
    void Adopt(HWND dialog, int device, int devices);

    struct Adopted {
        HWND window;
        int device;
    };
    HWND main_;
    std::function<RECT()> avoid_;
    std::vector<Adopted> adopted_;
};

}  // namespace winhost
