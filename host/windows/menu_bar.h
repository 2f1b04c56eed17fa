// The host's menu bar: File, the Device menu with the module's own captions, Help.
#pragma once

#include "host/common/module/module.h"

#include <windows.h>

#include <filesystem>
#include <vector>

namespace winhost {

struct MenuBar {
    HMENU menu = nullptr;
    HMENU fileMenu = nullptr;  // its recent files change
    HMENU deviceMenu = nullptr;  // its device entries are checked as the device changes
    int dialogs = 0;             // the module's captions in it
};

MenuBar BuildMenuBar(const host::Module& module, int devices);
// The recent files above Exit, numbered as their access keys.
void ShowRecentFiles(HMENU file, const std::vector<std::filesystem::path>& recent);
// Ctrl+O load, Ctrl+S save, F5 read all.
HACCEL MenuAccelerators();
// A caption as a menu shows it, an access key on its first letter not in `taken` (which
// gains it); ampersands of the module's shown as they are.
std::wstring WithAccessKey(const char* caption, std::wstring& taken);

}  // namespace winhost
