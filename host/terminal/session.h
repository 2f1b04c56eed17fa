// One host session: the module loaded, one instance per device, each instance's register
// windows connected to its chip, and commands that play the user on the selected device's
// forms.
#pragma once

#include "host/common/bus/simulated_adapter.h"
#include "host/common/device/device.h"
#include "host/common/module/dialogs.h"
#include "host/common/module/graph_object.h"
#include "host/common/module/module.h"
#include "host/common/module/register_file.h"

#include <qm7140/plugin.h>

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// A device as the command line names it: `where` is "sim" or the adapter's path.
struct ChipPlace {
    std::string where = "sim";
    Bus bus = SimulatedBus();
};

class Session {
public:
    // Loads the module and connects a new instance per chip (one simulated QM7140 when none
    // is given), each chip at once; a chip that does not connect is reported and stays
    // offline. With `verify` every write is read back. Throws std::runtime_error when the
    // module cannot be loaded or gives too few instances. Errors go to `err`, the rest to
    // `out`.
    Session(const std::filesystem::path& modulePath, std::ostream& out, std::ostream& err,
            std::vector<ChipPlace> chips = {}, bool verify = false, bool timestamps = false);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The chip behind the selected device from now on, connected at once; whether it
    // connected. A failure is printed and leaves the device offline.
    bool UseBus(Bus bus);
    // Whether every device is online.
    bool AllOnline() const;

    // The devices, numbered from 1 as the commands name them.
    size_t DeviceCount() const { return devices_.size(); }
    size_t Selected() const { return selected_; }
    // CommandError, the selection kept, when there is no such device.
    void Select(std::string_view number);
    Device& DeviceAt(size_t index) { return *devices_[index]->device; }
    const std::string& Where(size_t index) const { return devices_[index]->where; }

    // One command line; false when it failed or a bus transfer it made failed (its error
    // line is printed).
    bool Execute(std::string_view line);
    // Every line, echoed as "> line" when asked; returns how many failed. Stops at quit.
    int RunScript(std::istream& in, bool echo);
    // Lines from a terminal, each after a prompt, until quit or end of input.
    void RunInteractive(std::istream& in);

    // What the commands act on.
    const Module& Api() const { return module_; }
    const Module::UiSeam& Ui() const { return module_.Ui; }
    QM7140Instance Instance() const { return Current().Chip().Instance(); }
    const RegisterFile& Registers() const { return Current().Chip().Registers(); }
    Device& Current() { return *devices_[selected_]->device; }
    const Device& Current() const { return *devices_[selected_]->device; }
    std::ostream& Out() { return out_; }
    // The dialog's form as the UI seam shows it; its strings last until the next call into
    // the module. CommandError when the module refuses.
    QM7140UiForm Form(const DialogInfo& dialog) const;
    // The selected device's records, as they come or as a script's slice gives them.
    void Print(const Record& record, size_t device);
    // Changes the selected device's cache behind the module's back.
    void Poke(uint8_t reg, uint8_t value);
    // What a host does after it read a register: every window is told.
    void Notify(uint8_t reg);
    void Quit() { quit_ = true; }
    // The errno of the first answer a script's output could not take, or 0.
    int OutputError() const { return outputError_; }
    // Links the host's graph object to the Digital Control dialog (_ShowDialog, which also
    // shows it), or unlinks it. From then on every change the module makes to the object's
    // animation state or hit mode is printed after the command that caused it.
    void LinkGraphObject(bool link);
    const QM7140GraphObject& GraphObject() const { return graph_.object; }

private:
    struct Slot {
        std::string where;
        std::unique_ptr<Device> device;
    };
    int Failures() const;
    void ReportGraphObject();

    Module module_;
    std::ostream& out_;
    std::ostream& err_;
    // Before the device: the instance it frees may still call the linked object, or write.
    GraphRectangle graph_ = MakeRectangle(0, 0, 100, 50, 1, 0);
    std::vector<std::unique_ptr<Slot>> devices_;
    bool several_ = false;
    size_t selected_ = 0;
    bool graphLinked_ = false;
    bool timestamps_ = false;
    int32_t shownState_ = 0, shownHitMode_ = 0;
    std::string where_;  // "line 7: " while a script runs
    bool quit_ = false;
    int outputError_ = 0;
};

}  // namespace host
