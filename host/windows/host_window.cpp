#include "host/windows/host_window.h"

#include "host/common/text/files.h"
#include "host/common/bus/simulated_adapter.h"
#include "host/common/text/parse.h"
#include "host/common/chip/state_file.h"
#include "host/common/device/presets.h"
#include "host/windows/about.h"
#include "host/windows/compare_window.h"
#include "host/windows/ids.h"
#include "host/windows/menu_bar.h"
#include "host/windows/message_loop.h"
#include "host/windows/text.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <stdexcept>

namespace winhost {

namespace {

constexpr const wchar_t* kWindowClass = L"QM7140Host";
constexpr const wchar_t* kTitle = kProgramTitle;
// At 96 DPI; scaled to the window's.
constexpr int kWidth = 680, kHeight = 600, kGap = 6, kStripHeight = 84, kMinWidth = 480, kMinHeight = 360;
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

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// "at 0x40" of "simulated QM7140 at 0x40": what a figure has room for.
std::wstring WhereOnly(const std::string& name) {
    const auto at = name.rfind(" at ");
    return Widen(at == std::string::npos ? name : name.substr(at + 1));
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
        // The program's icon when it has one (tests run the window without it).
        c.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        if (c.hIcon == nullptr) c.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        c.lpszClassName = kWindowClass;
        return RegisterClassW(&c);
    }();
    (void)registered;
    // At the right of the screen, the module's dialogs left of it; as large as the system's
    // DPI makes its text, within the screen.
    dpi_ = SystemDpi();
    RECT work{0, 0, Scale(kWidth), Scale(kHeight)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min(Scale(kWidth), static_cast<int>(work.right - work.left));
    const int height = std::min(Scale(kHeight), static_cast<int>(work.bottom - work.top));
    const int x = std::max(static_cast<int>(work.left), static_cast<int>(work.right) - width);
    const int y = static_cast<int>(work.top) + std::max(0, static_cast<int>(work.bottom - work.top) - height) / 2;
    CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x,
                    y, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) throw std::runtime_error("cannot create the host's window");
    if (const UINT own = GetDpiForWindow(window_); own != 0) dpi_ = static_cast<int>(own);
    moduleDialogs_ = std::make_unique<ModuleDialogs>(window_, [this] {
        RECT grid{};
        GetWindowRect(grid_->Window(), &grid);
        return grid;
    });

    strip_ = std::make_unique<FigureStrip>(window_, FigureStrip::Events{[this](int d) { Pick(d); },
                                                                         [this](int d) { OpenOnFigure(d); }});
    strip_->SetScale(static_cast<float>(dpi_) / 96.0f);
    grid_ = std::make_unique<RegisterGrid>(
        window_,
        RegisterGrid::Events{[this](uint8_t reg, uint8_t value) { SetRegister(reg, value); },
                             [this](const std::wstring& reason, bool dropped) { Refused(reason, dropped); }},
        dpi_);
    log_ = std::make_unique<WriteLog>(window_, dpi_);
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
    for (auto& slot : slots_) slot->unsaved = false;
    grid_->RefreshAll();
    ShowStatus();
    ShowTitle();
}

HostWindow::~HostWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
}

void HostWindow::BuildMenu() {
    MenuBar bar = BuildMenuBar(module_, DeviceCount());
    deviceMenu_ = bar.deviceMenu;
    fileMenu_ = bar.fileMenu;
    dialogs_ = bar.dialogs;
    presetsMenu_ = bar.presetsMenu;
    SetMenu(window_, bar.menu);
    ShowPresets();
    accelerators_ = MenuAccelerators();
    UseAccelerators(window_, accelerators_);
}

bool HostWindow::RememberIn(std::filesystem::path file) {
    settingsFile_ = std::move(file);
    settings_ = ReadSettings(settingsFile_);
    // A place on no screen now (a monitor gone) is forgotten.
    if (settings_.place && MonitorFromRect(&*settings_.place, MONITOR_DEFAULTTONULL) != nullptr) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window_, &placement);
        placement.rcNormalPosition = *settings_.place;
        placement.showCmd = IsWindowVisible(window_) ? SW_SHOWNORMAL : SW_HIDE;
        SetWindowPlacement(window_, &placement);
    }
    if (!settings_.recent.empty() && folder_.empty()) folder_ = settings_.recent.front().parent_path();
    ShowRecent();
    return settings_.maximized;
}

void HostWindow::SaveSettings() {
    if (settingsFile_.empty()) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(window_, &placement)) {
        settings_.place = placement.rcNormalPosition;
        settings_.maximized = placement.showCmd == SW_SHOWMAXIMIZED || IsZoomed(window_);
    }
    WriteSettings(settingsFile_, settings_);
}

void HostWindow::ShowRecent() { ShowRecentFiles(fileMenu_, settings_.recent); }

void HostWindow::SetDpi(int dpi) {
    dpi_ = dpi;
    grid_->SetDpi(dpi);
    log_->SetDpi(dpi);
    strip_->SetScale(static_cast<float>(dpi) / 96.0f);
    Layout();
}

// "*" before the title while the current device has changes not saved, as editors mark it.
void HostWindow::ShowTitle() {
    if (slots_.empty()) return;
    std::wstring title = DeviceCount() > 1 ? std::wstring(kTitle) + L" - device " + std::to_wstring(current_ + 1) : kTitle;
    if (Unsaved(current_)) title = L"*" + title;
    SetWindowTextW(window_, title.c_str());
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
    const int gap = Scale(kGap), strip = Scale(kStripHeight), gridWidth = grid_->Width();
    const int bottom = static_cast<int>(client.bottom - (status.bottom - status.top)) - gap;
    const int top = gap + strip + gap;
    const int height = std::max(bottom - top, 0);
    MoveWindow(strip_->Window(), gap, gap, std::max(static_cast<int>(client.right) - 2 * gap, 0), strip, TRUE);
    MoveWindow(grid_->Window(), gap, top, gridWidth, height, TRUE);
    const int logLeft = gap + gridWidth + gap;
    MoveWindow(log_->Window(), logLeft, top, std::max(static_cast<int>(client.right) - logLeft - gap, 0), height, TRUE);
    log_->ShowLatest();
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
    ShowTitle();
    ShowStatus();
}

void HostWindow::ShowStatus() {
    if (slots_.empty()) return;
    const host::Device& device = DeviceAt(current_);
    std::string text = "Device " + std::to_string(current_ + 1) + " of " + std::to_string(DeviceCount()) + ": " + device.Status();
    if (!device.Preset().empty())
        text += (device.ChangedSincePreset() ? ", changed since " : ", as preset ") + host::Quoted(device.Preset());
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    std::vector<FigureStrip::Label> labels;
    for (int d = 0; d < DeviceCount(); ++d) {
        const bool online = DeviceAt(d).Chip().Online();
        labels.push_back({WhereOnly(DeviceAt(d).Name()) + (online ? L"" : L", offline"), online});
    }
    strip_->SetLabels(std::move(labels));
}

void HostWindow::Refused(const std::wstring& reason, bool dropped) {
    // The reason across the status bar while the editor holds the text; a text dropped
    // when the editor closed is said in the log.
    if (!dropped && !reason.empty()) {
        SendMessageW(status_, SB_SIMPLE, TRUE, 0);
        SendMessageW(status_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(reason.c_str()));
        return;
    }
    SendMessageW(status_, SB_SIMPLE, FALSE, 0);
    if (!reason.empty()) Log(Narrow(reason) + OfDevice(current_));
}

void HostWindow::Connect() {
    const auto look = [this] { return host::ListHidBridges(adapters_->Hid()); };
    auto bridges = look();
    const auto choice = AskWhereToConnect(window_, bridges, look, lastChoice_);
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
    ShowStatus();
}

void HostWindow::ReadAll() {
    DeviceAt(current_).ReadAll();
    grid_->RefreshAll();
}

void HostWindow::OpenOnFigure(int device) {
    if (device < 0 || device >= DeviceCount()) return;
    Pick(device);
    Slot& slot = *slots_[static_cast<size_t>(device)];
    moduleDialogs_->Show(device, DeviceCount(), [&] {
        module_.ShowDialog(slot.device->Chip().Instance(), "DigitalControl", 0, 0, &slot.figure.shape.object);
    });
}

void HostWindow::Recorded(int device, const host::Record& record) {
    // Often called from inside the module: nothing may be thrown back into it.
    try {
        if (log_ != nullptr)
            log_->Add(host::TimeStamp(record, 3), (host::IsError(record) ? "error: " : "") + host::RecordLine(record) + OfDevice(device));
        // A dialog's writes are one action until its handler returns: the step ends at the settle.
        if (record.kind == host::Record::Kind::Write) PostSettle();
        if (record.kind == host::Record::Kind::Write && !slots_.at(static_cast<size_t>(device))->unsaved) {
            slots_.at(static_cast<size_t>(device))->unsaved = true;
            if (device == current_) ShowTitle();
        }
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
    for (const auto& slot : slots_) {
        slot->device->Chip().Settle();
        slot->device->EndAction();
    }
    ShowStatus();
}

void HostWindow::LoadState() {
    const auto path = prompts_.stateFile(window_, false, folder_);
    if (path) LoadStateFrom(*path);
}

void HostWindow::LoadStateFrom(const std::filesystem::path& path) {
    folder_ = path.parent_path();
    try {
        DeviceAt(current_).LoadState(path);
    } catch (const std::exception& e) {
        // The core's reason names the line; the file itself is named first, whatever it says.
        prompts_.error(window_, path.filename().wstring() + L" was not loaded; nothing changed.\n\n" + Widen(e.what()));
        return;
    }
    slots_[static_cast<size_t>(current_)]->unsaved = false;
    Remember(settings_.recent, path);
    ShowRecent();
    ShowTitle();
    grid_->RefreshAll();
}

void HostWindow::SaveState() {
    // A name to start from: the device's, in the folder of the last file.
    const std::wstring name = DeviceCount() > 1 ? L"qm7140-device" + std::to_wstring(current_ + 1) + L".txt" : L"qm7140-state.txt";
    const auto path = prompts_.stateFile(window_, true, folder_ / name);
    if (!path) return;
    folder_ = path->parent_path();
    try {
        DeviceAt(current_).SaveState(*path);
    } catch (const std::exception& e) {
        prompts_.error(window_, path->filename().wstring() + L" was not saved.\n\n" + Widen(e.what()));
        return;
    }
    slots_[static_cast<size_t>(current_)]->unsaved = false;
    Remember(settings_.recent, *path);
    ShowRecent();
    ShowTitle();
}

void HostWindow::Replay() {
    if (!prompts_.script) return;
    const auto path = prompts_.script(window_, folder_);
    if (!path) return;
    folder_ = path->parent_path();
    try {
        DeviceAt(current_).StartReplay(*path);
    } catch (const std::exception& e) {
        prompts_.error(window_, path->filename().wstring() + L" was not replayed; nothing was sent.\n\n" + Widen(e.what()));
        return;
    }
    PlayDue();
}

// Every playing device's due steps, then the timer set for the soonest next one.
void HostWindow::PlayDue() {
    const auto now = host::Device::Clock::now();
    std::optional<host::Device::Clock::time_point> soonest;
    for (int d = 0; d < DeviceCount(); ++d) {
        if (!DeviceAt(d).Playing()) continue;
        const auto next = DeviceAt(d).PlayDue(now);
        if (next && (!soonest || *next < *soonest)) soonest = next;
    }
    grid_->RefreshAll();
    if (!soonest) {
        KillTimer(window_, kReplayTimer);
        return;
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*soonest - host::Device::Clock::now()).count();
    SetTimer(window_, kReplayTimer, static_cast<UINT>(std::clamp<long long>(wait, USER_TIMER_MINIMUM, 10000)), nullptr);
}

bool HostWindow::Close() {
    std::wstring which;
    for (int d = 0; d < DeviceCount(); ++d)
        if (Unsaved(d)) which += (which.empty() ? L"" : L", ") + std::to_wstring(d + 1);
    if (!which.empty()) {
        const std::wstring whose = DeviceCount() > 1 ? L"Device " + which + L" has" : L"The device has";
        if (prompts_.ask && !prompts_.ask(window_, whose + L" changes that are not saved. Exit without saving them?")) return false;
    }
    DestroyWindow(window_);
    return true;
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

void HostWindow::ApplyState() {
    const auto path = prompts_.stateFile(window_, false, folder_);
    if (!path) return;
    folder_ = path->parent_path();
    try {
        Applied(DeviceAt(current_).ApplyState(*path));
    } catch (const std::exception& e) {
        prompts_.error(window_, path->filename().wstring() + L" was not applied; nothing was sent.\n\n" + Widen(e.what()));
    }
}

// The core's summary is in the log; a state not wholly applied is said as well.
void HostWindow::Applied(const host::ApplyResult& result) {
    grid_->RefreshAll();
    ShowStatus();
    if (!result.read) prompts_.error(window_, L"Nothing was written: the chip could not be read first.");
    else if (result.failed)
        prompts_.error(window_, L"The state was not wholly applied: writing register " + Widen(host::Hex(*result.failed)) + L" failed, and " +
                                    std::to_wstring(result.unsent.size()) + L" register(s) after it were never sent. The log lists them.");
}

void HostWindow::CompareWithFile() {
    const auto path = prompts_.stateFile(window_, false, folder_);
    if (!path) return;
    folder_ = path->parent_path();
    try {
        Compared(DeviceAt(current_).Check(*path));
    } catch (const std::exception& e) {
        prompts_.error(window_, path->filename().wstring() + L" was not compared.\n\n" + Widen(e.what()));
    }
}

void HostWindow::Compared(const std::optional<host::Comparison>& comparison) {
    ShowStatus();
    if (!comparison) {
        prompts_.error(window_, L"The chip could not be read to compare it.\n\n" + Widen(DeviceAt(current_).LastFailure()));
        return;
    }
    compare_ = ShowComparison(window_, compare_, *comparison, dpi_);
}

void HostWindow::UsePresetShelf(std::filesystem::path shelf) {
    shelf_ = std::move(shelf);
    ShowPresets();
}

std::filesystem::path HostWindow::Shelf() const { return shelf_.empty() ? host::DefaultPresetShelf() : shelf_; }

void HostWindow::ShowPresets() {
    try {
        presetNames_ = host::ListPresets(Shelf());
    } catch (const std::exception&) {
        presetNames_.clear();  // no folder for them: saving one says why
    }
    if (presetNames_.size() > kMostPresets) presetNames_.resize(kMostPresets);
    winhost::ShowPresets(presetsMenu_, presetNames_);
}

void HostWindow::SavePreset() {
    if (!prompts_.name) return;
    const auto name = prompts_.name(window_, L"Save the current settings as the preset named:");
    if (!name) return;
    const std::string chosen = Narrow(*name);
    try {
        const auto shelf = Shelf();
        // The core refuses to save over a preset unless told to: the person is asked here.
        bool replace = false;
        if (std::filesystem::exists(host::PresetPath(shelf, chosen))) {
            if (prompts_.ask && !prompts_.ask(window_, L"A preset named \"" + *name + L"\" exists. Replace it?")) return;
            replace = true;
        }
        DeviceAt(current_).SavePreset(shelf, chosen, replace);
    } catch (const std::exception& e) {
        prompts_.error(window_, L"The preset was not saved.\n\n" + Widen(e.what()));
    }
    ShowPresets();
    ShowStatus();
}

void HostWindow::PresetCommand(unsigned id) {
    const unsigned index = (id - kPresetApply) % 100;
    if (index >= presetNames_.size()) return;
    const std::string name = presetNames_[index];
    try {
        const auto shelf = Shelf();
        if (id < kPresetCompare) Applied(DeviceAt(current_).ApplyPreset(shelf, name));
        else if (id < kPresetDelete) Compared(DeviceAt(current_).Check(host::PresetPath(shelf, name)));
        else if (!prompts_.ask || prompts_.ask(window_, L"Delete the preset \"" + Widen(name) + L"\"?"))
            DeviceAt(current_).DeletePreset(shelf, name);
    } catch (const std::exception& e) {
        prompts_.error(window_, L"The preset \"" + Widen(name) + L"\": " + Widen(e.what()));
    }
    ShowPresets();
    ShowStatus();
}

void HostWindow::UndoRedo(bool undo) {
    if (undo) DeviceAt(current_).Undo();
    else DeviceAt(current_).Redo();
    grid_->RefreshAll();
    ShowStatus();
}

void HostWindow::SaveLog() {
    if (!prompts_.logFile) return;
    const std::wstring name = DeviceCount() > 1 ? L"qm7140-device" + std::to_wstring(current_ + 1) + L"-log.csv" : L"qm7140-log.csv";
    const auto path = prompts_.logFile(window_, folder_ / name);
    if (!path) return;
    folder_ = path->parent_path();
    try {
        DeviceAt(current_).SaveLog(*path);
    } catch (const std::exception& e) {
        prompts_.error(window_, L"The log was not saved.\n\n" + Widen(e.what()));
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
        moduleDialogs_->Show(current_, DeviceCount(), [&] {
            module_.SelectMenu(DeviceAt(current_).Chip().Instance(), static_cast<int32_t>(id - kDialogMenu));
        });
        return;
    }
    if (id >= kRecentFile && id < kRecentFile + settings_.recent.size()) {
        const std::filesystem::path path = settings_.recent[id - kRecentFile];  // the list changes as it loads
        LoadStateFrom(path);
        return;
    }
    if (id >= kPresetApply && id < kPresetDelete + kMostPresets) {
        PresetCommand(id);
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
    case kExit: Close(); break;
    case kReplay: Replay(); break;
    case kApplyState: ApplyState(); break;
    case kCompareFile: CompareWithFile(); break;
    case kSaveLog: SaveLog(); break;
    case kUndo: UndoRedo(true); break;
    case kRedo: UndoRedo(false); break;
    case kSavePreset: SavePreset(); break;
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
    case WM_INITMENUPOPUP:
        // The shelf is a folder anyone may change: listed afresh as the menu opens.
        if (reinterpret_cast<HMENU>(wParam) == presetsMenu_) ShowPresets();
        return 0;
    case WM_SIZE: Layout(); return 0;
    case WM_TIMER:
        if (wParam == kReplayTimer) PlayDue();
        return 0;
    case WM_CLOSE: Close(); return 0;
    case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wParam);
        std::wstring file(MAX_PATH * 4, L'\0');
        const UINT length = DragQueryFileW(drop, 0, file.data(), static_cast<UINT>(file.size()));
        DragFinish(drop);
        file.resize(length);
        if (!file.empty()) LoadStateFrom(file);
        return 0;
    }
    case WM_DPICHANGED: {
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetDpi(HIWORD(wParam));
        SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_SETFOCUS:
        if (grid_ != nullptr) SetFocus(grid_->Window());
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {Scale(kMinWidth), Scale(kMinHeight)};
        return 0;
    case WM_DESTROY:
        // The instances go while the host's windows still take their last writes; the
        // strip and the grid forget what they were shown first.
        SaveSettings();
        KillTimer(window_, kReplayTimer);
        if (compare_ != nullptr && IsWindow(compare_)) DestroyWindow(compare_);
        compare_ = nullptr;
        UseAccelerators(nullptr, nullptr);
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
