#include "host/windows/message_loop.h"

namespace winhost {

namespace {

HWND acceleratedWindow = nullptr;
HACCEL accelerators = nullptr;

bool EnterOrEscape(const MSG& msg) {
    return (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE);
}

}  // namespace

void UseAccelerators(HWND window, HACCEL table) {
    acceleratedWindow = window;
    accelerators = table;
}

void RouteMessage(MSG& msg) {
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && root == acceleratedWindow && accelerators != nullptr && TranslateAcceleratorW(root, accelerators, &msg))
        return;
    if (root != nullptr && !EnterOrEscape(msg) && IsDialogMessageW(root, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that waits for it
            return;
        }
        RouteMessage(msg);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) RouteMessage(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace winhost
