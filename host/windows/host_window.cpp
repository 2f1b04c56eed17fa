#include "host/windows/host_window.h"

#include "host/common/text/files.h"
#include "host/common/bus/simulated_adapter.h"
#include "host/common/text/parse.h"
#include "host/common/chip/state_file.h"
#include "host/windows/about.h"
#include "host/windows/ids.h"
#include "host/windows/menu_bar.h"
#include "host/windows/text.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <stdexcept>

namespace winhost {

namespace {

constexpr const wchar_t* kWindowClass = L"QM7140Host";
constexpr const wchar_t* kTitle = kProgramTitle;
constexpr int kWidth = 680, kHeight = 600, kGap = 6, kStripHeight = 84, kGridWidth = 252;
constexpr const wchar_t* kHint = L"Double-click a figure for Digital Control on it, a value to edit it.";

// The status bar's right pane as wide as the hint needs (with the pane's borders and inset
// and the size grip), so that it fits whatever font the system gives the bar.
int HintPaneWidth(HWND status) {
    HDC dc = GetDC(status);
    const HGDIOBJ font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(status, WM_GETFONT, 0, 0)));
    SIZE text{};
    GetTextExtentPoint32W(dc, kHint, static_cast<int>(std::wcslen(kHint)), &text);
    SelectObject(dc, font);
    ReleaseDC(status, dc);
    return static_cast<int>(text.cx) + GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE) + 12;
}

std::vector<host::Bus> Simulated(int devices) {
    std::vector<host::Bus> buses;
    for (int d = 0; d < devices; ++d) buses.push_back(host::SimulatedBus());
    return buses;
}

}  // namespace

HostWindow::HostWindow(const host::Module& module, int devices, Prompts prompts)
    : HostWindow(module, Simulated(devices), std::move(prompts)) {}

HostWindow::HostWindow(const host::Module& module, std::vector<host::Bus> buses, Prompts prompts,
                       bool verify, std::shared_ptr<host::AdapterPool> adapters)
    : module_(module), prompts_(std::move(prompts)),
      adapters_(adapters ? std::move(adapters) : std::make_shared<host::AdapterPool>()) {
    const int devices = static_cast<int>(buses.size());
    static const ATOM registered = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = &HostWindow::Procedure;
        c.hInstance = GetModuleHandleW(nullptr);
        c.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        c.lpszClassName = kWindowClass;
        return RegisterClassW(&c);
    }();
    (void)registered;
    // At the right of the screen: the module's dialogs open at its top left.
    RECT work{0, 0, kWidth, kHeight};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = std::max(static_cast<int>(work.left), static_cast<int>(work.right) - kWidth);
    const int y = static_cast<int>(work.top) + std::max(0, static_cast<int>(work.bottom - work.top) - kHeight) / 2;
    CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, kWidth,
                    kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) throw std::runtime_error("cannot create the host's window");

    strip_ = std::make_unique<FigureStrip>(window_, FigureStrip::Events{[this](int d) { Pick(d); },
                                                                         [this](int d) { OpenOnFigure(d); }});
    grid_ = std::make_unique<RegisterGrid>(window_, [this](uint8_t reg, uint8_t value) { SetRegister(reg, value); });
    log_ = std::make_unique<WriteLog>(window_);
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, window_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), GetModuleHandleW(nullptr),
                              nullptr);
    try {
        for (int d = 0; d < devices; ++d) {
            auto slot = std::make_unique<Slot>(Slot{MakeFigure(), nullptr});
            try {
                slot->device = std::make_unique<host::Device>(
                    module_, std::move(buses[static_cast<size_t>(d)]),
                    [this, d](const host::Record& record) { Recorded(d, record); }, verify);
                slot->device->Chip().OnUnsettled([this] { PostSettle(); });
            } catch (const std::runtime_error&) {
                throw std::runtime_error("the module made " + std::to_string(d) + " instance(s), not " +
                                         std::to_string(devices));
            }
            module_.SetCodecName(slot->device->Chip().Instance(), ("QM7140 #" + std::to_string(d + 1)).c_str());
            slots_.push_back(std::move(slot));
        }
    } catch (...) {
        DestroyWindow(window_);
        throw;
    }
    std::vector<DeviceFigure*> figures;
    for (const auto& slot : slots_) figures.push_back(&slot->figure);
    strip_->SetFigures(std::move(figures));
    BuildMenu();
    Pick(0);
    Layout();
    for (int d = 0; d < devices; ++d) DeviceAt(d).Start();
    grid_->RefreshAll();
    ShowStatus();
}

HostWindow::~HostWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void HostWindow::BuildMenu() {
    MenuBar bar = BuildMenuBar(module_, DeviceCount());
    deviceMenu_ = bar.deviceMenu;
    dialogs_ = bar.dialogs;
    SetMenu(window_, bar.menu);
}

void HostWindow::Layout() {
    if (grid_ == nullptr || log_ == nullptr) return;
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT client, status;
    GetClientRect(window_, &client);
    // The device's state on the left keeps a third at least when the window is narrow.
    const int parts[] = {std::max(static_cast<int>(client.right) - HintPaneWidth(status_), static_cast<int>(client.right) / 3), -1};
    SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(kHint));
    GetWindowRect(status_, &status);
    const int bottom = static_cast<int>(client.bottom - (status.bottom - status.top)) - kGap;
    const int top = kGap + kStripHeight + kGap;
    const int height = std::max(bottom - top, 0);
    MoveWindow(strip_->Window(), kGap, kGap, std::max(static_cast<int>(client.right) - 2 * kGap, 0), kStripHeight, TRUE);
    MoveWindow(grid_->Window(), kGap, top, kGridWidth, height, TRUE);
    const int logLeft = kGap + kGridWidth + kGap;
    MoveWindow(log_->Window(), logLeft, top, std::max(static_cast<int>(client.right) - logLeft - kGap, 0), height, TRUE);
}

void HostWindow::Pick(int device) {
    if (device < 0 || device >= DeviceCount()) return;
    current_ = device;
    grid_->Show(&slots_[static_cast<size_t>(device)]->device->Chip().Registers());
    strip_->SetCurrent(device);
    const auto count = static_cast<unsigned>(DeviceCount());
    if (count > 1)
        CheckMenuRadioItem(deviceMenu_, kDeviceMenu, kDeviceMenu + count - 1, kDeviceMenu + static_cast<unsigned>(device),
                           MF_BYCOMMAND);
    SetWindowTextW(window_, count > 1 ? (std::wstring(kTitle) + L" - device " + std::to_wstring(device + 1)).c_str() : kTitle);
    ShowStatus();
}

void HostWindow::ShowStatus() {
    if (slots_.empty()) return;
    const std::string text = "Device " + std::to_string(current_ + 1) + " of " + std::to_string(DeviceCount()) + ": " +
                             DeviceAt(current_).Status();
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void HostWindow::Connect() {
    const auto bridges = host::ListHidBridges(adapters_->Hid());
    const auto choice = AskWhereToConnect(window_, bridges, lastChoice_);
    if (choice) ConnectTo(*choice, bridges);
}

void HostWindow::ConnectTo(const ConnectChoice& choice, const std::vector<host::HidBridgeInfo>& bridges) {
    if (choice.place > bridges.size()) return;
    lastChoice_ = choice;
    host::DevicePlace place;  // the simulated QM7140
    if (choice.place > 0) {
        const std::string& path = bridges[choice.place - 1].device.path;
        place = {host::DevicePlace::Kind::Hid, "hid:" + path + "@" + host::Hex(choice.address), path, choice.address};
    }
    host::Bus bus = adapters_->MakeBus(place, {choice.speedKhz});
    for (int d = 0; d < DeviceCount(); ++d)
        if (d != current_ && DeviceAt(d).Reaches(bus))
            return Log("error: " + bus.Name() + " is device " + std::to_string(d + 1) + "'s chip already; nothing changed");
    DeviceAt(current_).Use(std::move(bus));
    grid_->RefreshAll();
    ShowStatus();
}

void HostWindow::SetRegister(uint8_t reg, uint8_t value) {
    DeviceAt(current_).SetRegister(reg, value);
    grid_->Changed(reg);
}

void HostWindow::ReadAll() {
    DeviceAt(current_).ReadAll();
    grid_->RefreshAll();
}

void HostWindow::OpenOnFigure(int device) {
    if (device < 0 || device >= DeviceCount()) return;
    Pick(device);
    Slot& slot = *slots_[static_cast<size_t>(device)];
    module_.ShowDialog(slot.device->Chip().Instance(), "DigitalControl", 0, 0, &slot.figure.shape.object);
}

void HostWindow::Recorded(int device, const host::Record& record) {
    // Often called from inside the module: nothing may be thrown back into it.
    try {
        Log((host::IsError(record) ? "error: " : "") + host::RecordLine(record) + OfDevice(device));
        if (record.kind == host::Record::Kind::Write && device == current_ && record.transfer.reg < 256)
            grid_->Changed(static_cast<uint8_t>(record.transfer.reg));
        if (record.kind == host::Record::Kind::Failure && device == current_) {
            grid_->Changed(record.failure.reg);
            ShowStatus();
        }
    } catch (...) {
    }
}

void HostWindow::PostSettle() {
    // Called from inside the module: the failures it holds are settled once its call is over.
    if (!settlePosted_) settlePosted_ = PostMessageW(window_, kSettleMessage, 0, 0) != 0;
}

void HostWindow::SettleAll() {
    settlePosted_ = false;
    for (const auto& slot : slots_) slot->device->Chip().Settle();
}

void HostWindow::LoadState() {
    const auto path = prompts_.stateFile(window_, false);
    if (!path) return;
    try {
        DeviceAt(current_).LoadState(*path);
    } catch (const std::exception& e) {
        prompts_.error(window_, L"The state file was not loaded; nothing was changed.\n\n" + Widen(e.what()));
        return;
    }
    grid_->RefreshAll();
}

void HostWindow::SaveState() {
    const auto path = prompts_.stateFile(window_, true);
    if (!path) return;
    try {
        DeviceAt(current_).SaveState(*path);
    } catch (const std::exception& e) {
        prompts_.error(window_, L"The state was not saved.\n\n" + Widen(e.what()));
    }
}

void HostWindow::Export() {
    const auto choice = prompts_.exportFile(window_);
    if (!choice) return;
    try {
        DeviceAt(current_).ExportTo(choice->path, choice->format);
    } catch (const std::exception& e) {
        prompts_.error(window_, L"The registers were not exported.\n\n" + Widen(e.what()));
    }
}

void HostWindow::Log(std::string_view line) {
    if (log_ != nullptr) log_->Add(line);
}

std::string HostWindow::OfDevice(int device) const {
    return slots_.size() > 1 ? " (device " + std::to_string(device + 1) + ")" : "";
}

void HostWindow::Command(unsigned id) {
    if (id >= kDialogMenu && id < kDialogMenu + static_cast<unsigned>(dialogs_)) {
        module_.SelectMenu(DeviceAt(current_).Chip().Instance(), static_cast<int32_t>(id - kDialogMenu));
        return;
    }
    if (id >= kDeviceMenu && id < kDeviceMenu + static_cast<unsigned>(DeviceCount())) {
        Pick(static_cast<int>(id - kDeviceMenu));
        return;
    }
    switch (id) {
    case kLoadState: LoadState(); break;
    case kSaveState: SaveState(); break;
    case kExport: Export(); break;
    case kExit: DestroyWindow(window_); break;
    case kAbout: MessageBoxW(window_, AboutText(module_).c_str(), kTitle, MB_OK | MB_ICONINFORMATION); break;
    case kReadAll: ReadAll(); break;
    case kConnect: Connect(); break;
    case kDigitalControlOnFigure: OpenOnFigure(current_); break;
    default: break;
    }
}

LRESULT HostWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (lParam == 0) Command(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = 0;
        if (grid_ != nullptr && header.idFrom == kGridId && grid_->Notify(header, result)) return result;
        break;
    }
    case kSettleMessage: SettleAll(); return 0;
    case WM_SIZE: Layout(); return 0;
    case WM_SETFOCUS:
        if (grid_ != nullptr) SetFocus(grid_->Window());
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {480, 360};
        return 0;
    case WM_DESTROY:
        // The instances go while the host's windows still take their last writes; the
        // strip and the grid forget what they were shown first.
        if (strip_ != nullptr) strip_->SetFigures({});
        if (grid_ != nullptr) grid_->Show(nullptr);
        slots_.clear();
        if (quitWhenClosed_) PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefWindowProcW(window_, msg, wParam, lParam);
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, msg, wParam, lParam);
    }
    // Nothing may unwind through the system's frames (only running out of memory throws).
    try {
        return self->Handle(msg, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

}  // namespace winhost
