// One host session: the module loaded, one instance, its three register windows connected
// to the simulated device, and commands that play the user on the module's forms.
#pragma once

#include "host/common/device.h"
#include "host/common/graph_object.h"
#include "host/common/module.h"
#include "host/common/register_file.h"

#include <qm7140/plugin.h>

#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace host {

struct DialogInfo {
    int32_t index;              // for _SelectMenu, _GetI2CObject and the UI seam
    std::string_view key;       // what commands call it
    std::string_view showName;  // for _ShowDialog
};

std::span<const DialogInfo> Dialogs();
// By key or _ShowDialog name, in any letter case; CommandError for anything else.
const DialogInfo& FindDialog(std::string_view name);

class Session {
public:
    // Loads the module and connects a new instance. Throws std::runtime_error when the
    // module cannot be loaded or gives no instance. Errors go to `err`, the rest to `out`.
    Session(const std::filesystem::path& modulePath, std::ostream& out, std::ostream& err);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // One command line; false when it failed (its error line is printed).
    bool Execute(std::string_view line);
    // Every line, echoed as "> line" when asked; returns how many failed. Stops at quit.
    int RunScript(std::istream& in, bool echo);
    // Lines from a terminal, each after a prompt, until quit or end of input.
    void RunInteractive(std::istream& in);

    // What the commands act on.
    const Module& Api() const { return module_; }
    const Module::UiSeam& Ui() const { return module_.Ui; }
    QM7140Instance Instance() const { return device_.Instance(); }
    const RegisterFile& Registers() const { return device_.Registers(); }
    std::ostream& Out() { return out_; }
    // The dialog's form as the UI seam shows it; its strings last until the next call into
    // the module. CommandError when the module refuses.
    QM7140UiForm Form(const DialogInfo& dialog) const;
    // Changes the simulated device behind the module's back.
    void Poke(uint8_t reg, uint8_t value);
    // What a host does after it read a register: every window is told.
    void Notify(uint8_t reg);
    void Quit() { quit_ = true; }
    // Links the host's graph object to the Digital Control dialog (_ShowDialog, which also
    // shows it), or unlinks it. From then on every change the module makes to the object's
    // animation state or hit mode is printed after the command that caused it.
    void LinkGraphObject(bool link);
    const QM7140GraphObject& GraphObject() const { return graph_.object; }

private:
    void ReportGraphObject();

    Module module_;
    std::ostream& out_;
    std::ostream& err_;
    // Before the device: the instance it frees may still call the linked object.
    GraphRectangle graph_ = MakeRectangle(0, 0, 100, 50, 1, 0);
    Device device_;
    bool graphLinked_ = false;
    int32_t shownState_ = 0, shownHitMode_ = 0;
    std::string where_;  // "line 7: " while a script runs
    bool quit_ = false;
};

}  // namespace host
