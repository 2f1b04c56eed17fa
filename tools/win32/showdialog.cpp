// Shows one of the module's dialogs as a host does, with register values loaded, and keeps
// it on the screen for a screenshot:
//
//   qm7140_showdialog <stop file> <dialog index> [register=value ...]
//
// Once the dialog is painted it prints its window rectangle on the screen as
// "left top width height" and runs until the stop file exists (at most a minute).
#include <qm7140/plugin.h>

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

uint8_t cache[256];

void QM7140_CDECL Written(intptr_t, int32_t, int32_t, uint32_t, int32_t) {}

template <class Fn>
Fn Export(HMODULE module, const char* name) {
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (fn == nullptr) {
        std::fprintf(stderr, "QM7140.dll has no export %s\n", name);
        std::exit(1);
    }
    return fn;
}

// Runs the message loop for a while, or until the stop file appears.
bool Wait(DWORD milliseconds, const wchar_t* stopFile) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (stopFile != nullptr && GetFileAttributesW(stopFile) != INVALID_FILE_ATTRIBUTES) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return false;
}

BOOL CALLBACK FirstVisible(HWND window, LPARAM found) {
    if (!IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: qm7140_showdialog <stop file> <dialog index> [register=value ...]\n");
        return 2;
    }
    const wchar_t* stopFile = argv[1];
    const auto dialog = static_cast<int32_t>(std::wcstol(argv[2], nullptr, 0));

    // The module draws with GDI+ and leaves starting it to its host.
    Gdiplus::GdiplusStartupInput gdiplusInput;
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartup(&gdiplus, &gdiplusInput, nullptr);

    HMODULE module = LoadLibraryW(L"QM7140.dll");
    if (module == nullptr) {
        std::fprintf(stderr, "cannot load QM7140.dll\n");
        return 1;
    }
    auto init = Export<QM7140_InitFn>(module, "_Init");
    auto getWindow = Export<QM7140_GetI2CObjectFn>(module, "_GetI2CObject");
    auto selectMenu = Export<QM7140_SelectMenuFn>(module, "_SelectMenu");
    auto freeInstance = Export<QM7140_FreeCodecInstanceFn>(module, "_FreeCodecInstance");

    QM7140Instance instance = init(0, 0, 0, 0);
    QM7140RegisterWindow* window = instance != nullptr ? getWindow(instance, dialog) : nullptr;
    if (window == nullptr) {
        std::fprintf(stderr, "no dialog %d\n", static_cast<int>(dialog));
        return 1;
    }
    window->Cache = cache;
    window->WriteCallback = &Written;
    for (int i = 3; i < argc; ++i) {
        wchar_t* value = nullptr;
        const auto reg = static_cast<uint32_t>(std::wcstoul(argv[i], &value, 0));
        if (reg > 255 || value == nullptr || *value != L'=') {
            std::fprintf(stderr, "not register=value: %ls\n", argv[i]);
            return 2;
        }
        cache[reg] = static_cast<uint8_t>(std::wcstoul(value + 1, nullptr, 0));
        window->Ops->RegisterChanged(window, window->DeviceAddress, window->Page, reg);
    }

    selectMenu(instance, dialog);
    Wait(700, nullptr);  // mapped and painted
    HWND form = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FirstVisible, reinterpret_cast<LPARAM>(&form));
    if (form == nullptr) {
        std::fprintf(stderr, "the dialog did not show\n");
        return 1;
    }
    RECT r;
    GetWindowRect(form, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    const bool stopped = Wait(60000, stopFile);

    freeInstance(instance);
    FreeLibrary(module);
    Gdiplus::GdiplusShutdown(gdiplus);
    return stopped ? 0 : 1;
}
