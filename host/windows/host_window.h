// The host's main window: one QM7140 per instance of the module, the devices
// drawn as the host's own graph objects, the current device's registers as a live grid,
// the bus writes as a log, and the module's dialogs in the Device menu.
#pragma once

#include "host/common/device/device.h"
#include "host/common/bus/device_place.h"
#include "host/common/module/module.h"
#include "host/common/chip/register_export.h"
#include "host/windows/connect_dialog.h"
#include "host/windows/prompts.h"
#include "host/windows/device_figures.h"
#include "host/windows/module_dialogs.h"
#include "host/windows/register_grid.h"
#include "host/windows/settings.h"
#include "host/windows/write_log.h"

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winhost {


class HostWindow {
public:
    // Makes an instance of the module per bus, each connected, and the window, hidden. With
    // `verify` every write is read back. File > Connect... finds bridges and makes buses
    // through `adapters` (the system's when null), the one the buses came from, so that a
    // bridge is opened once. Throws std::runtime_error when the module gives fewer instances.
    HostWindow(const host::Module& module, std::vector<host::Bus> buses, Prompts prompts,
               bool verify = false, std::shared_ptr<host::AdapterPool> adapters = nullptr);
    // `devices` simulated QM7140s.
    HostWindow(const host::Module& module, int devices, Prompts prompts);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Window() const { return window_; }
    // Keeps the window's place and the recent files in `file` from now on, and takes the
    // place kept there; whether the window was maximised.
    bool RememberIn(std::filesystem::path file);
    // Posts WM_QUIT once the window is destroyed: the program's loop then ends.
    void QuitWhenClosed() { quitWhenClosed_ = true; }

    int DeviceCount() const { return static_cast<int>(slots_.size()); }
    int Current() const { return current_; }
    host::Device& DeviceAt(int device) { return *slots_.at(static_cast<size_t>(device))->device; }
    const QM7140GraphObject& FigureOf(int device) const { return slots_.at(static_cast<size_t>(device))->figure.shape.object; }

    // The commands, as the menus and the grid run them.
    void Pick(int device);
    // A byte stored in the current device, then every window covering it told.
    void SetRegister(uint8_t reg, uint8_t value);
    void ReadAll();
    // File > Connect...: the current device's chip where the dialog says.
    void Connect();
    void ConnectTo(const ConnectChoice& choice, const std::vector<host::HidBridgeInfo>& bridges);
    // Digital Control shown through _ShowDialog with the device's figure linked.
    void OpenOnFigure(int device);
    // A state file into the current device (File > Load state..., a recent file, a file
    // dropped on the window); a refused one is said with its name.
    void LoadStateFrom(const std::filesystem::path& path);
    // File > Replay...: a register script played onto the current device as it comes due.
    void Replay();
    // Whether a device has changes not saved since its state was last saved or loaded.
    bool Unsaved(int device) const { return slots_.at(static_cast<size_t>(device))->unsaved; }
    // Exit: asks first when there are changes not saved; whether the window went.
    bool Close();
    // Where the presets are kept: the user's folder for them unless a caller says otherwise.
    void UsePresetShelf(std::filesystem::path shelf);
    // The presets as the Presets menu lists them, index by index.
    const std::vector<std::string>& PresetNames() const { return presetNames_; }
    // The last comparison's window, or null.
    HWND ComparisonWindow() const { return compare_; }

private:
    struct Slot {
        DeviceFigure figure;  // before the device: the instance it frees may still call it
        std::unique_ptr<host::Device> device;
        bool unsaved = false;
    };

    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void BuildMenu();
    void Layout();
    void Command(unsigned id);
    // A device's record, often from inside the module.
    void Recorded(int device, const host::Record& record);
    // A write that failed inside the module is settled once the module's handler has
    // returned, by a message posted to this window.
    void PostSettle();
    void SettleAll();
    void LoadState();
    void PlayDue();
    void SetDpi(int dpi);
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    void ShowTitle();
    void ShowRecent();
    void Refused(const std::wstring& reason, bool dropped);
    void SaveSettings();
    void SaveState();
    void Export();
    void Log(std::string_view line);
    // Settings brought to the chip and compared (the File and Presets menus).
    void ApplyState();
    void CompareWithFile();
    void Applied(const host::ApplyResult& result);
    void Compared(const std::optional<host::Comparison>& comparison);
    std::filesystem::path Shelf() const;
    void ShowPresets();
    void SavePreset();
    void PresetCommand(unsigned id);
    void UndoRedo(bool undo);
    void SaveLog();
    // Where the current device's chip is and whether it is online.
    void ShowStatus();
    std::string OfDevice(int device) const;  // " (device 2)" when there are several

    const host::Module& module_;
    Prompts prompts_;
    std::shared_ptr<host::AdapterPool> adapters_;
    ConnectChoice lastChoice_;
    HWND window_ = nullptr;
    HWND status_ = nullptr;
    HMENU deviceMenu_ = nullptr;
    HMENU fileMenu_ = nullptr;
    HMENU presetsMenu_ = nullptr;
    std::vector<std::string> presetNames_;
    std::filesystem::path shelf_;  // empty: the user's
    HWND compare_ = nullptr;
    HACCEL accelerators_ = nullptr;
    int dpi_ = 96;
    std::filesystem::path settingsFile_;
    Settings settings_;
    std::filesystem::path folder_;  // where the last file was
    std::unique_ptr<FigureStrip> strip_;
    std::unique_ptr<RegisterGrid> grid_;
    std::unique_ptr<WriteLog> log_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::unique_ptr<ModuleDialogs> moduleDialogs_;
    int dialogs_ = 0;  // menu captions the module gave
    int current_ = 0;
    bool quitWhenClosed_ = false;
    bool settlePosted_ = false;
};

}  // namespace winhost
