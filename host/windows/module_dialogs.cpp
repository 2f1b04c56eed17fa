#include "host/windows/module_dialogs.h"

#include <algorithm>
#include <string>

namespace winhost {

namespace {

BOOL CALLBACK AddShown(HWND w, LPARAM list) {
    if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == nullptr) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

// The shown top-level windows of this thread that no window owns.
std::vector<HWND> ShownTopLevel() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), &AddShown, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring TitleOf(HWND w) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The most dialogs a device has: how far apart two devices' cascades start.
constexpr int kDialogsPerDevice = 3;

}  // namespace

void ModuleDialogs::Show(int device, int devices, const std::function<void()>& show) {
    const std::vector<HWND> before = ShownTopLevel();
    show();
    for (HWND w : ShownTopLevel())
        if (w != main_ && std::find(before.begin(), before.end(), w) == before.end() && DeviceOf(w) < 0)
            Adopt(w, device, devices);
}

int ModuleDialogs::DeviceOf(HWND dialog) const {
    for (const Adopted& a : adopted_)
        if (a.window == dialog) return a.device;
    return -1;
}

void ModuleDialogs::Adopt(HWND dialog, int device, int devices) {
    int earlier = 0;  // this device's dialogs placed before
    for (const Adopted& a : adopted_) earlier += a.device == device && IsWindow(a.window) ? 1 : 0;
    adopted_.push_back({dialog, device});
    // A top-level window's owner is set through its parent field. Owned, it no longer needs
    // to be above every program's windows.
    SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowLongPtrW(dialog, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(main_));
    if (devices > 1) SetWindowTextW(dialog, (TitleOf(dialog) + L" - device " + std::to_wstring(device + 1)).c_str());

    // The cascade's step is a caption's height and a frame's, as the system cascades.
    const int step = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
    const int n = device * kDialogsPerDevice + earlier;
    RECT avoid = avoid_(), work{}, size{};
    GetWindowRect(dialog, &size);
    const LONG width = size.right - size.left, height = size.bottom - size.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTONEAREST), &monitor);
    work = monitor.rcWork;
    // Left of the grid when the whole cascade fits there, else right of it; a cascade that
    // would leave the screen runs back from its far edge instead, its steps kept.
    const int total = std::max(devices, 1) * kDialogsPerDevice;
    const int span = step * (total - 1);
    LONG x = avoid.left - width - span - step;
    if (x < work.left) x = avoid.right + step;
    x += step * n;
    if (x + width > work.right) x = work.right - width - step * (total - 1 - n);
    LONG y = avoid.top + step * n;
    if (y + height > work.bottom) y = work.bottom - height - step * (total - 1 - n);
    x = std::max(work.left, x);
    y = std::max(work.top, y);
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace winhost
