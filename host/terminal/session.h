// One host session: the module loaded, one instance, its three register windows connected
// to the simulated device, and commands that play the user on the module's forms.
#pragma once

#include "host/terminal/graph_object.h"
#include "host/terminal/module.h"
#include "host/terminal/register_file.h"

#include <qm7140/plugin.h>

#include <array>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace platform {
class Form;
}

namespace host {

struct DialogInfo {
    int32_t index;              // for _SelectMenu and _GetI2CObject
    std::string_view key;       // what commands call it
    std::string_view showName;  // for _ShowDialog
    std::string_view formName;  // the form's own name: how the host finds it
};

std::span<const DialogInfo> Dialogs();
// The form that owns a register window, when it is the dialog of that name; else null.
platform::Form* FormOfWindow(const QM7140RegisterWindow& window, std::string_view formName);
// By key or _ShowDialog name, in any letter case; CommandError for anything else.
const DialogInfo& FindDialog(std::string_view name);

class Session {
public:
    // Loads the module and connects a new instance. Throws std::runtime_error when the
    // module cannot be loaded or gives no instance. Errors go to `err`, the rest to `out`.
    Session(const std::string& modulePath, std::ostream& out, std::ostream& err);
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
    QM7140Instance Instance() const { return instance_; }
    const RegisterFile& Device() const { return device_; }
    std::ostream& Out() { return out_; }
    // The dialog's form; CommandError when the module made none of that name.
    platform::Form& FormOf(const DialogInfo& dialog) const;
    // Changes the simulated device behind the module's back.
    void Poke(uint8_t reg, uint8_t value);
    // What a host does after it read a register: every window is told.
    void Notify(uint8_t reg);
    void Quit() { quit_ = true; }
    // Links the host's graph object to the Digital Control dialog (_ShowDialog, which also
    // shows it), or unlinks it. From then on every change the module makes to the object's
    // animation state or hit mode is printed after the command that caused it.
    void LinkGraphObject(bool link);
    const QM7140GraphObject& GraphObject() const { return graph_; }

private:
    void ReportGraphObject();
    static void QM7140_CDECL BusWrite(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count);

    Module module_;
    std::ostream& out_;
    std::ostream& err_;
    RegisterFile device_;
    QM7140Instance instance_ = nullptr;
    std::array<QM7140RegisterWindow*, 3> windows_{};
    std::array<platform::Form*, 3> forms_{};
    QM7140GraphObject graph_ = MakeGraphObject();
    bool graphLinked_ = false;
    int32_t shownState_ = 0, shownHitMode_ = 0;
    std::string where_;  // "line 7: " while a script runs
    bool quit_ = false;
};

}  // namespace host
