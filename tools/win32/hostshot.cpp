// The Windows host with one of the module's dialogs open, kept on the screen for a
// screenshot:
//
//   qm7140_hostshot <stop file> <digital|limiter|boost> [register=value ...] [click=Caption ...]
//   qm7140_hostshot <stop file> connect
//
// Registers are set as a user sets them in the grid; a click presses the dialog's button of
// that caption. Digital Control opens from the device's figure, which it then highlights.
// Once everything is painted it prints the rectangle holding the host and the dialog as
// "left top width height" and runs until the stop file exists (at most a minute). "connect"
// shows File > Connect... alone, listing two bridges a stand-in system reports (Wine has none).
#include "host/common/bus/device_place.h"
#include "host/common/bus/simulated_adapter.h"
#include "host/common/module/module.h"
#include "host/windows/host_window.h"
#include "host/windows/ids.h"
#include "host/windows/message_loop.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <commctrl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cerrno>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

void Wait(DWORD milliseconds, const wchar_t* stopFile = nullptr) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        winhost::PumpMessages();
        if (stopFile != nullptr && GetFileAttributesW(stopFile) != INVALID_FILE_ATTRIBUTES) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

HWND FindDescendant(HWND parent, const std::wstring& text) {
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t caption[128] = {};
        GetWindowTextW(child, caption, 128);
        if (text == caption) return child;
        if (HWND inner = FindDescendant(child, text)) return inner;
    }
    return nullptr;
}

HWND Shown(const wchar_t* caption) {
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, caption); w != nullptr; w = FindWindowExW(nullptr, w, nullptr, caption))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

const wchar_t* connectStop = nullptr;
int connectTicks = 0;

// Inside the Connect dialog's modal loop: a bridge picked at 400 kHz, the dialog's rectangle
// printed once painted, Cancel once the stop file exists.
void CALLBACK ConnectShot(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = Shown(L"Connect");
    if (dialog == nullptr) return;
    ++connectTicks;
    if (connectTicks == 1) {
        SendDlgItemMessageW(dialog, winhost::kConnectPlaces, LB_SETCURSEL, 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(winhost::kConnectPlaces, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, winhost::kConnectPlaces)));
        SendDlgItemMessageW(dialog, winhost::kConnectSpeed, CB_SETCURSEL, 1, 0);
        SetForegroundWindow(dialog);
    }
    if (connectTicks == 10) {
        RECT r;
        GetWindowRect(dialog, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fflush(stdout);
    }
    if (connectTicks > 600 || (connectTicks > 10 && GetFileAttributesW(connectStop) != INVALID_FILE_ATTRIBUTES))
        SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
}

int ShootConnect(const wchar_t* stopFile) {
    host::HidSystem standIn{
        [] {
            return std::vector<host::HidDeviceInfo>{
                {0x10C4, 0xEA90, "00A1B2C3", R"(\\?\hid#vid_10c4&pid_ea90#7&1f2e3d4c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})"},
                {0x04D8, 0x00DD, "", R"(\\?\hid#vid_04d8&pid_00dd&mi_02#8&2a3b4c5d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})"}};
        },
        [](const std::string&, std::unique_ptr<host::HidTransport>&) { return ENODEV; }};
    const host::Module module(host::DefaultModulePath());
    std::vector<host::Bus> buses{host::SimulatedBus()};
    winhost::HostWindow host(module, std::move(buses), winhost::SystemPrompts(), false,
                             std::make_shared<host::AdapterPool>(host::BusOptions{}, standIn));
    ShowWindow(host.Window(), SW_SHOW);
    Wait(300);
    connectStop = stopFile;
    SetTimer(nullptr, 0, 100, ConnectShot);
    SendMessageW(host.Window(), WM_COMMAND, winhost::kConnect, 0);
    return connectTicks > 10 ? 0 : 1;
}

int Run(int argc, wchar_t** argv) {
    const std::wstring what = argv[2];
    if (what == L"connect") return ShootConnect(argv[1]);
    const struct {
        const wchar_t* name;
        int32_t index;
        const wchar_t* caption;
    } dialogs[] = {{L"digital", 0, L"Digital Control"}, {L"limiter", 1, L"Limiter / AGC"}, {L"boost", 2, L"BoostForm"}};
    const auto* dialog = std::find_if(std::begin(dialogs), std::end(dialogs), [&](const auto& d) { return what == d.name; });
    if (dialog == std::end(dialogs)) {
        std::fprintf(stderr, "no dialog %ls\n", what.c_str());
        return 2;
    }
    const host::Module module(host::DefaultModulePath());
    winhost::HostWindow host(module, 1, winhost::SystemPrompts());
    ShowWindow(host.Window(), SW_SHOW);
    for (int i = 3; i < argc; ++i) {
        wchar_t* end = nullptr;
        const unsigned long reg = std::wcstoul(argv[i], &end, 0);
        if (end == argv[i] || *end != L'=' || reg > 255) continue;
        host.SetRegister(static_cast<uint8_t>(reg), static_cast<uint8_t>(std::wcstoul(end + 1, nullptr, 0)));
    }
    if (dialog->index == 0)
        host.OpenOnFigure(0);
    else
        SendMessageW(host.Window(), WM_COMMAND, winhost::kDialogMenu + static_cast<unsigned>(dialog->index), 0);
    Wait(300);
    HWND form = Shown(dialog->caption);
    if (form == nullptr) {
        std::fprintf(stderr, "the dialog did not show\n");
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (!arg.starts_with(L"click=")) continue;
        if (HWND button = FindDescendant(form, arg.substr(6))) SendMessageW(button, BM_CLICK, 0, 0);
    }
    SetForegroundWindow(form);
    Wait(900);  // painted, and the figure's fade done
    RECT a, b, both;
    GetWindowRect(host.Window(), &a);
    GetWindowRect(form, &b);
    UnionRect(&both, &a, &b);
    std::printf("%ld %ld %ld %ld\n", both.left, both.top, both.right - both.left, both.bottom - both.top);
    std::fflush(stdout);
    Wait(60000, argv[1]);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: qm7140_hostshot <stop file> <digital|limiter|boost> [register=value ...] [click=Caption ...]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
    int status = 1;
    try {
        status = Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    Gdiplus::GdiplusShutdown(gdiplus);
    return status;
}
