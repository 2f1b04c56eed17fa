#include "host/windows/menu_bar.h"

#include "host/windows/ids.h"
#include "host/windows/text.h"

#include <cwctype>
#include <string>

namespace winhost {

namespace {

constexpr int kMostMenuCaptions = kDeviceMenu - kDialogMenu;

}  // namespace

std::wstring WithAccessKey(const char* caption, std::wstring& taken) {
    std::wstring text;
    bool keyed = false;
    for (const wchar_t c : FromModule(caption)) {
        if (c == L'&') text += L'&';
        const auto lower = static_cast<wchar_t>(std::towlower(c));
        if (!keyed && std::iswalnum(c) && taken.find(lower) == std::wstring::npos) {
            text += L'&';
            taken += lower;
            keyed = true;
        }
        text += c;
    }
    return text;
}

void ShowRecentFiles(HMENU file, const std::vector<std::filesystem::path>& recent) {
    for (unsigned id = kRecentFile; id <= kRecentEnd; ++id) DeleteMenu(file, id, MF_BYCOMMAND);
    if (recent.empty()) return;
    for (size_t i = 0; i < recent.size(); ++i) {
        const std::wstring text = L"&" + std::to_wstring(i + 1) + L" " + recent[i].wstring();
        std::wstring shown;
        for (const wchar_t c : text.substr(2)) shown += c == L'&' ? std::wstring(L"&&") : std::wstring(1, c);
        InsertMenuW(file, kExit, MF_BYCOMMAND | MF_STRING, kRecentFile + static_cast<unsigned>(i), (text.substr(0, 2) + shown).c_str());
    }
    InsertMenuW(file, kExit, MF_BYCOMMAND | MF_SEPARATOR, kRecentEnd, nullptr);
}

void ShowPresets(HMENU presets, const std::vector<std::string>& names) {
    while (GetMenuItemCount(presets) > 1) DeleteMenu(presets, 1, MF_BYPOSITION);
    if (names.empty()) return;
    AppendMenuW(presets, MF_SEPARATOR, 0, nullptr);
    for (unsigned i = 0; i < names.size() && i < kMostPresets; ++i) {
        HMENU one = CreatePopupMenu();
        AppendMenuW(one, MF_STRING, kPresetApply + i, L"&Apply to the chip");
        AppendMenuW(one, MF_STRING, kPresetCompare + i, L"&Compare with the chip");
        AppendMenuW(one, MF_STRING, kPresetDelete + i, L"&Delete...");
        std::wstring shown;
        for (const wchar_t c : Widen(names[i])) shown += c == L'&' ? std::wstring(L"&&") : std::wstring(1, c);
        AppendMenuW(presets, MF_POPUP, reinterpret_cast<UINT_PTR>(one), shown.c_str());
    }
}

HACCEL MenuAccelerators() {
    ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'O', kLoadState}, {FVIRTKEY | FCONTROL, 'S', kSaveState}, {FVIRTKEY, VK_F5, kReadAll},
                    {FVIRTKEY | FCONTROL, 'Z', kUndo},      {FVIRTKEY | FCONTROL, 'Y', kRedo}};
    return CreateAcceleratorTableW(keys, 5);
}

MenuBar BuildMenuBar(const host::Module& module, int devices) {
    MenuBar made;
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kConnect, L"&Connect...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kLoadState, L"&Load state...\tCtrl+O");
    AppendMenuW(file, MF_STRING, kSaveState, L"&Save state...\tCtrl+S");
    AppendMenuW(file, MF_STRING, kApplyState, L"&Apply state to the chip...");
    AppendMenuW(file, MF_STRING, kCompareFile, L"Co&mpare the chip with a file...");
    AppendMenuW(file, MF_STRING, kExport, L"&Export...");
    AppendMenuW(file, MF_STRING, kReplay, L"&Replay...");
    AppendMenuW(file, MF_STRING, kSaveLog, L"Save lo&g...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kExit, L"E&xit");
    made.fileMenu = file;

    // The module's captions, in index order until it gives none.
    // Each gets an access key of its own, clear of the host's entries below.
    std::wstring taken = L"fr123456789";
    made.deviceMenu = CreatePopupMenu();
    for (made.dialogs = 0; made.dialogs < kMostMenuCaptions; ++made.dialogs) {
        const char* caption = module.GetMenuItem(static_cast<uint32_t>(made.dialogs));
        if (caption == nullptr) break;
        AppendMenuW(made.deviceMenu, MF_STRING, kDialogMenu + static_cast<unsigned>(made.dialogs), WithAccessKey(caption, taken).c_str());
    }
    AppendMenuW(made.deviceMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(made.deviceMenu, MF_STRING, kDigitalControlOnFigure, L"Digital Control on the device's &figure");
    AppendMenuW(made.deviceMenu, MF_STRING, kReadAll, L"&Read all\tF5");
    if (devices > 1) {
        AppendMenuW(made.deviceMenu, MF_SEPARATOR, 0, nullptr);
        for (int d = 0; d < devices; ++d)
            AppendMenuW(made.deviceMenu, MF_STRING, kDeviceMenu + static_cast<unsigned>(d), (L"Device &" + std::to_wstring(d + 1)).c_str());
    }
    HMENU bar = CreateMenu();
    HMENU edit = CreatePopupMenu();
    AppendMenuW(edit, MF_STRING, kUndo, L"&Undo\tCtrl+Z");
    AppendMenuW(edit, MF_STRING, kRedo, L"&Redo\tCtrl+Y");
    made.presetsMenu = CreatePopupMenu();
    AppendMenuW(made.presetsMenu, MF_STRING, kSavePreset, L"&Save current as...");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(made.deviceMenu), L"&Device");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(made.presetsMenu), L"&Presets");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kAbout, L"&About");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    made.menu = bar;
    return made;
}

}  // namespace winhost
