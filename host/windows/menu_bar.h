// The host's menu bar: File, the Device menu with the module's own captions, Help.
#pragma once

#include "host/common/module/module.h"

#include <windows.h>

namespace winhost {

struct MenuBar {
    HMENU menu = nullptr;
    HMENU deviceMenu = nullptr;  // its device entries are checked as the device changes
    int dialogs = 0;             // the module's captions in it
};

MenuBar BuildMenuBar(const host::Module& module, int devices);

}  // namespace winhost
