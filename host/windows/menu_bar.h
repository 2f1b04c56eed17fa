// The host's menu bar: File, Edit, the Device menu with the module's own captions, Presets, Help.
#pragma once

#include "host/common/module/module.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace winhost {

struct MenuBar {
    HMENU menu = nullptr;
    HMENU fileMenu = nullptr;  // its recent files change
    HMENU deviceMenu = nullptr;  // its device entries are checked as the device changes
    int dialogs = 0;             // the module's captions in it
    HMENU presetsMenu = nullptr;  // "Save current as...", then the presets on the shelf
};

MenuBar BuildMenuBar(const host::Module& module, int devices);
// The recent files above Exit, numbered as their access keys.
void ShowRecentFiles(HMENU file, const std::vector<std::filesystem::path>& recent);
// Each preset below "Save current as...", with its Apply, Compare and Delete.
void ShowPresets(HMENU presets, const std::vector<std::string>& names);
// Ctrl+O load, Ctrl+S save, F5 read all, Ctrl+Z undo, Ctrl+Y redo.
HACCEL MenuAccelerators();
// A caption as a menu shows it, an access key on its first letter not in `taken` (which
// gains it); ampersands of the module's shown as they are.
std::wstring WithAccessKey(const char* caption, std::wstring& taken);

}  // namespace winhost
