// The host's message loop. The module's dialogs are modeless windows of the host's thread,
// so the loop gives them a dialog's keyboard (Tab, arrows, mnemonics), as it does the
// host's own window.
#pragma once

#include <windows.h>

namespace winhost {

// One message to its window: through IsDialogMessage for the top-level window it belongs
// to, except Enter and Escape, which stay with the focused control (an edit of the module
// commits on Enter; a dialog manager would turn it into a default-button command).
void RouteMessage(MSG& msg);
// Keys of `table` become commands of `window` while it (or a child of it) has the focus;
// null for none.
void UseAccelerators(HWND window, HACCEL table);
// Every message waiting, routed.
void PumpMessages();
// Until WM_QUIT; gives its exit code.
int RunMessageLoop();

}  // namespace winhost
