// qm7140host.exe: the module on Windows with QM7140 devices behind it.
#include "host/common/device_spec.h"
#include "host/common/module.h"
#include "host/windows/host_window.h"
#include "host/windows/message_loop.h"
#include "host/windows/options.h"
#include "host/windows/text.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <commctrl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    return args;
}

int Tell(const std::wstring& text, UINT icon, int status) {
    MessageBoxW(nullptr, text.c_str(), L"QM7140 Host", MB_OK | icon);
    return status;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    const winhost::Options options = winhost::ParseOptions(Arguments());
    if (!options.error.empty()) return Tell(options.error + L"\n\n" + winhost::kUsage, MB_ICONERROR, 2);
    if (options.help) return Tell(winhost::kUsage, MB_ICONINFORMATION, 0);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The module draws with GDI+ and leaves starting it to its host.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplus = 0;
    if (Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr) != Gdiplus::Ok) return Tell(L"GDI+ did not start.", MB_ICONERROR, 1);

    int status = 1;
    try {
        const host::Module module(options.module);
        winhost::HostWindow window(module, host::MakeBuses(options.specs, {}), winhost::SystemPrompts(), options.verify);
        window.QuitWhenClosed();
        ShowWindow(window.Window(), show);
        status = winhost::RunMessageLoop();
    } catch (const std::exception& e) {
        status = Tell(winhost::Widen(e.what()), MB_ICONERROR, 1);
    }
    Gdiplus::GdiplusShutdown(gdiplus);
    return status;
}
