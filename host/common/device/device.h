// What a host does to one QM7140, once for every host: the verbs behind its menus, commands
// and calls. Each verb reports through the device's records (the chip's transfers and
// failures, and notes in the host's words such as "connected to ..."), so a host only
// presents records and never asks whether the chip is simulated.
#pragma once

#include "host/common/chip/amplifier.h"
#include "host/common/chip/register_export.h"
#include "host/common/device/compare.h"
#include "host/common/device/history.h"
#include "host/common/module/module.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

// "registers 0x00 to 0x1F": what connect, read all and the exports cover.
std::string CoveredRegisters();

class Device {
public:
    using Clock = Amplifier::Clock;
    using Sink = Amplifier::Log;

    // A new instance of the module for the chip on `bus`, not connected yet (Start). Records
    // go to `sink`. Throws std::runtime_error when the module gives no instance.
    Device(const Module& module, Bus bus, Sink sink, bool verify = false);

    Amplifier& Chip() { return chip_; }
    const Amplifier& Chip() const { return chip_; }
    // The bus's name: "/dev/i2c-1 at 0x40", "simulated QM7140 at 0x40".
    std::string Name() const { return chip_.ChipBus().Name(); }
    // Whether a transfer may keep its caller waiting: a simulated chip never does.
    bool MayWait() const { return !chip_.ChipBus().Simulated(); }
    // Whether `bus` reaches this device's chip.
    bool Reaches(const Bus& bus) const;

    // The first connect, as a host starts: a real chip is noted when it answers, the
    // simulated one is simply there.
    bool Start();
    // Another chip behind the same instance, connected at once.
    bool Use(Bus bus);
    // Opens the bus again and reads the covered registers, every window told.
    bool Connect();
    // The chip's covered registers read again; the simulated chip, whose registers are the
    // cache, tells every window of every register instead.
    bool ReadAll();
    // The person's register edit: stored, sent to the chip, every covering window told. The
    // transfer's record (or its failure's) is the log's line. Gives how many windows were
    // told, or nothing when the transfer failed.
    std::optional<int> SetRegister(uint8_t reg, uint8_t value);
    // A state file's registers into the cache alone (not sent), every window told; all of
    // the file or nothing (CommandError naming the file, nothing changed).
    void LoadState(const std::filesystem::path& path);
    // The same from values already read; `from` names them in the note.
    void LoadValues(const std::vector<std::pair<uint8_t, uint8_t>>& values, std::string_view from);
    void SaveState(const std::filesystem::path& path);
    // The covered registers as a file's text, and written to a file (noted).
    std::string ExportText(ExportFormat format) const;
    void ExportTo(const std::filesystem::path& path, ExportFormat format);
    // Checks a whole register script (`source` names it in errors); CommandError and nothing
    // played when a line is bad or a script plays still. Gives its step count.
    size_t StartReplay(std::string_view text, std::string_view source);
    size_t StartReplay(const std::filesystem::path& path);
    // Plays what is due by `now`, for one slice's time at most; when the script wants the
    // next call, or nothing once it is over (or stopped at a failed transfer).
    std::optional<Clock::time_point> PlayDue(Clock::time_point now);
    bool Playing() const { return chip_.Playing(); }
    // The person stops the script playing: noted, and nothing of it sent from now on.
    void StopReplay();
    // Why the last script stopped early, or empty.
    const std::string& ReplayFailure() const { return replayFailure_; }
    // The transfers the ring holds, oldest first, as a saved log: .csv or .pcap by the file's
    // extension (CommandError for another); noted with how many it held.
    void SaveLog(const std::filesystem::path& path);
    std::vector<Transfer> TransferLog() const;

    // "/dev/i2c-1 at 0x40, online", "..., offline", or the simulated chip's name alone.
    std::string Status() const;
    // The words of the last failure, or empty.
    const std::string& LastFailure() const { return lastFailure_; }

    // Settings: a state brought to the chip (apply.cpp). A real chip is read first; then only
    // the covered registers the state names whose values differ are written, in the exports'
    // safe order, never the reset pulse, each verified when the device verifies; the
    // windows follow. Stops at the first write that fails. One summary note, and one undo
    // step for what was written.
    ApplyResult Apply(const RegisterValues& state);
    ApplyResult ApplyState(const std::filesystem::path& path);
    // The covered registers as the chip holds them now: a real chip read again (nothing
    // when that fails, the failure recorded), the simulated one's cache.
    std::optional<RegisterValues> ReadNow(std::string name = "chip");
    // The chip read now against a state file, the verdict noted; nothing when the chip could
    // not be read; CommandError when the file is bad.
    std::optional<Comparison> Check(const std::filesystem::path& path);
    const Module& Api() const { return module_; }

    // Presets: named state files in `shelf` (presets.cpp). CommandError for a bad or unknown
    // name, or an existing one saved over without `force`.
    void SavePreset(const std::filesystem::path& shelf, std::string_view name, bool force);
    ApplyResult ApplyPreset(const std::filesystem::path& shelf, std::string_view name);
    void DeletePreset(const std::filesystem::path& shelf, std::string_view name);
    // The preset last applied or saved, and whether a setting moved since.
    const std::string& Preset() const { return preset_; }
    bool ChangedSincePreset() const { return changedSincePreset_; }

    // Undo and redo of the user's changes (undo.cpp): a dialog's write, a register set, an
    // apply. Each writes the step's registers back, masked to the bits it touched, as
    // ordinary writes; false, with a note, when there is nothing to undo or a write failed.
    bool Undo();
    bool Redo();
    const History& Changes() const { return history_; }
    // The user's action is over (a host calls it where it settles the chip after a call into
    // the module): the dialogs' writes since the last one make one step, a typed level that
    // moves two registers as much as a click. Every verb above ends one too.
    void EndAction();

private:
    // The verb asks for the transfers it makes.
    Amplifier::Asking Asks(const char* verb);
    // While a verb of ours writes.
    struct Busy {
        Device& device;
        explicit Busy(Device& d) : device(d) { ++device.busy_; }
        ~Busy() { --device.busy_; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
    };
    void Note(std::string text);
    void Take(const Record& record);
    // A user's change into the history; the chip's own (read all, connect) starts it anew.
    void Changed(Step step);
    // A dialog's write joins the action under way; `field` indexes fields_ (-1: none).
    // Named only when the action ends, so a drag's writes allocate nothing.
    void Pend(int field, Change change);
    void ChipChanged();
    // The shadow from the cache, after a read.
    void Resync();
    // Writes a step's registers, each to `before` or `after` under its mask, in the exports'
    // order; whether all went through.
    bool WriteStep(const Step& step, bool back);
    // Undo (back) or redo: the one way through the history.
    bool WalkHistory(bool back);

    const Module& module_;
    Sink sink_;
    std::string lastFailure_;
    std::string replayFailure_;
    History history_;
    Step pending_;  // the dialogs' writes of the action under way
    std::vector<int> pendingFields_;  // the fields they touched, in order
    // The covered registers as the last transfers left them: a dialog's write is recorded
    // against it, since the cache already holds the new byte when the write reaches us.
    std::array<uint8_t, kCoveredRegisters> shadow_{};
    std::vector<Field> fields_;  // the register map, to name a dialog's write
    int busy_ = 0;               // a verb of ours is writing: its writes are not the dialogs'
    std::string preset_;
    bool changedSincePreset_ = false;
    Amplifier chip_;
};

}  // namespace host
