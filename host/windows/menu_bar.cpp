#include "host/windows/menu_bar.h"

#include "host/windows/ids.h"
#include "host/windows/text.h"

#include <string>

namespace winhost {

namespace {

constexpr int kMostMenuCaptions = kDeviceMenu - kDialogMenu;

// A caption's ampersands shown as they are, not as mnemonics.
std::wstring MenuText(const char* caption) {
    std::wstring text;
    for (const wchar_t c : FromModule(caption)) {
        if (c == L'&') text += L'&';
        text += c;
    }
    return text;
}

}  // namespace

MenuBar BuildMenuBar(const host::Module& module, int devices) {
    MenuBar made;
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kConnect, L"&Connect...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kLoadState, L"&Load state...");
    AppendMenuW(file, MF_STRING, kSaveState, L"&Save state...");
    AppendMenuW(file, MF_STRING, kExport, L"&Export...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kExit, L"E&xit");

    // The module's captions, in index order until it gives none.
    made.deviceMenu = CreatePopupMenu();
    for (made.dialogs = 0; made.dialogs < kMostMenuCaptions; ++made.dialogs) {
        const char* caption = module.GetMenuItem(static_cast<uint32_t>(made.dialogs));
        if (caption == nullptr) break;
        AppendMenuW(made.deviceMenu, MF_STRING, kDialogMenu + static_cast<unsigned>(made.dialogs), MenuText(caption).c_str());
    }
    AppendMenuW(made.deviceMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(made.deviceMenu, MF_STRING, kDigitalControlOnFigure, L"Digital Control on the device's &figure");
    AppendMenuW(made.deviceMenu, MF_STRING, kReadAll, L"&Read all");
    if (devices > 1) {
        AppendMenuW(made.deviceMenu, MF_SEPARATOR, 0, nullptr);
        for (int d = 0; d < devices; ++d)
            AppendMenuW(made.deviceMenu, MF_STRING, kDeviceMenu + static_cast<unsigned>(d), (L"Device &" + std::to_wstring(d + 1)).c_str());
    }
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(made.deviceMenu), L"&Device");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kAbout, L"&About");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    made.menu = bar;
    return made;
}

}  // namespace winhost
