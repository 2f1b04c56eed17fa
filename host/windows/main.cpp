// qm7140host.exe: the module on Windows with QM7140 devices behind it.
#include "host/common/bus/device_place.h"
#include "host/common/module/module.h"
#include "host/common/text/parse.h"
#include "host/windows/about.h"
#include "host/windows/console.h"
#include "host/windows/host_window.h"
#include "host/windows/message_loop.h"
#include "host/windows/options.h"
#include "host/windows/settings.h"
#include "host/windows/text.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <commctrl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <exception>
#include <memory>
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

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    const winhost::Options options = winhost::ParseOptions(Arguments());
    using winhost::Say, winhost::Stream;
    if (!options.error.empty()) return Say(options.error + L"\n" + options.usage, Stream::Error, 2);
    if (options.help) return Say(options.helpText, Stream::Output, 0);
    if (options.version) {
        // Loads the module as a session would, so a DLL that cannot be used fails here too.
        try {
            return Say(winhost::AboutText(host::Module(options.module)), Stream::Output, 0);
        } catch (const std::exception& e) {
            return Say(winhost::Widen(e.what()), Stream::Error, 1);
        }
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The module draws with GDI+ and leaves starting it to its host.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplus = 0;
    if (Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr) != Gdiplus::Ok) return Say(L"GDI+ did not start.", Stream::Error, 1);

    int status = 1;
    try {
        const host::Module module(options.module);
        auto adapters = std::make_shared<host::AdapterPool>(options.devices.adapters);
        std::vector<host::Bus> buses;
        try {
            buses = host::MakeBuses(options.places, *adapters);
        } catch (const host::CommandError& e) {
            Gdiplus::GdiplusShutdown(gdiplus);
            return Say(winhost::Widen(e.what()) + L"\n" + options.usage, Stream::Error, 2);
        }
        winhost::HostWindow window(module, std::move(buses), winhost::SystemPrompts(), options.devices.verify, adapters);
        window.QuitWhenClosed();
        const bool maximized = window.RememberIn(winhost::DefaultSettingsFile());
        ShowWindow(window.Window(), maximized ? SW_SHOWMAXIMIZED : show);
        status = winhost::RunMessageLoop();
    } catch (const std::exception& e) {
        status = Say(winhost::Widen(e.what()), Stream::Error, 1);
    }
    Gdiplus::GdiplusShutdown(gdiplus);
    return status;
}
