// One QM7140 for Python: the device every host drives, the module's load it comes from,
// and the records of what reached the chip. Every call into the module or onto a bus holds
// one process-wide lock, never waited for with the GIL held, so Python threads may share
// devices while the module still sees one caller at a time.
#pragma once

#include "host/common/device/device.h"
#include "host/common/module/module.h"
#include "host/common/seam/user.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace qm7140py {

namespace py = pybind11;

// One load of the module. It hands out 16 instances in its life, freed ones included; the
// next device comes from a new load (a private copy of the file while the old one is still
// loaded), so a freed instance's handle is never given again.
struct Load {
    // A private copy's memory file, open while the copy is loaded: the system knows a load by
    // its path, and a closed descriptor's number (so its /proc path) is given again.
    struct File {
        int fd = -1;
        explicit File(int descriptor) : fd(descriptor) {}
        File(File&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
        File& operator=(File&&) = delete;
        ~File();
    } file;
    host::Module module;
    int made = 0;
    explicit Load(const std::filesystem::path& path, File memory = File(-1)) : file(std::move(memory)), module(path) {}
};

// The module's lock, taken at once when free, else waited for without the GIL (when the
// caller holds it) for at most `timeout`: past it, BusFailure with ETIMEDOUT.
class ModuleLock {
public:
    explicit ModuleLock(std::optional<std::chrono::milliseconds> timeout = std::nullopt);
    ~ModuleLock();
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

// One line of a device's log as Python sees it: its times in nanoseconds (the wall clock's
// since the epoch, the monotonic one's as Python's time.monotonic_ns() counts).
struct PyRecord {
    std::string kind;  // "write", "read", "failure", "stopped", "note"
    std::optional<int> reg, value;
    std::string text;  // the hosts' own line
    int64_t wallNs = 0, monotonicNs = 0, durationNs = 0;
    std::optional<std::string> source;
    auto Key() const { return std::tie(monotonicNs, wallNs, durationNs, kind, reg, value, text, source); }
};
py::object ToPython(const host::Record& record);

// A chip that could not be reached, raised as qm7140.BusError once the call is over.
struct BusFailure {
    int error;
    std::optional<int> reg;
    std::string text;
};

// Python's exception for a failure, raised from C++ once the GIL is held: `make` gives it
// from (errno, text, register, place).
[[noreturn]] void RaiseBusError(const BusFailure& failure, const std::string& place);
void SetBusErrorFactory(py::object make);

class Device {
public:
    // Connected before it returns; ValueError for a bad place or speed, BusError when the chip
    // cannot be reached.
    Device(const std::string& place, bool verify, unsigned speedKhz, std::optional<double> timeoutSeconds);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const std::string& Place() const { return place_; }
    // The seam of the module the device came from; only inside Run.
    const host::Module::UiSeam& Ui() const { return load_->module.Ui; }
    const host::Module& Api() const { return load_->module; }
    bool Online();
    void Close();
    // Opens the bus again and reads the chip; BusError when it still cannot be reached.
    void Connect();

    // Runs `action` on the device (a verb) or its chip (the module's windows) without the GIL,
    // under the lock, and settles the module's failed writes before the lock is let go. Then
    // the new records reach the callbacks, and the first failure among them is raised as
    // BusError (before what `action` threw).
    template <class Action>
    auto Run(Action&& action, bool connecting = false) {
        using Result = decltype(Apply(action, std::declval<host::Device&>()));
        std::optional<std::conditional_t<std::is_void_v<Result>, bool, Result>> result;
        std::exception_ptr thrown;
        Outcome outcome;
        const bool logging = receiver_ && LoggingWanted();
        try {
            // A chip that never waits keeps the GIL with the caller, which is faster.
            std::optional<py::gil_scoped_release> unlocked;
            if (mayWait_) unlocked.emplace();
            ModuleLock lock(timeout_);
            host::Device& device = Live();
            const uint64_t before = added_;
            try {
                if constexpr (std::is_void_v<Result>) {
                    Apply(action, device);
                    result = true;
                } else {
                    result = Apply(action, device);
                }
            } catch (...) {
                thrown = std::current_exception();
            }
            device.Chip().Settle();
            device.EndAction();  // the call is the user's action: one undo step
            outcome = Collect(before, connecting, logging);
        } catch (const BusFailure& busy) {
            RaiseBusError(busy, place_);
        }
        Deliver(outcome);
        if (thrown) std::rethrow_exception(thrown);
        if constexpr (!std::is_void_v<Result>) return std::move(*result);
    }

    // The records kept, from `start` to `stop`, as Python objects; the count; forgetting them
    // (and the chip's transfer ring) with their memory. At most `RecordLimit()` are kept, the
    // oldest going first; so are as many of the chip's transfers.
    py::list Records(size_t start, size_t stop);
    size_t RecordCount();
    void ClearRecords();
    size_t RecordLimit();
    void SetRecordLimit(size_t limit);
    // The one receiver of new records (a list of them per call), held weakly: the Python
    // object that keeps the callbacks, so that they never keep the device alive. It is given
    // the records when `callbacks` or when `wantsLog()` (called once per call, cheap) says
    // Python's logging would take them; a failure's always.
    void SetReceiver(const py::object& receiver, const py::object& wantsLog);
    void SetCallbacks(bool callbacks);

    // Plays a register script to its end, the lock let go during its delays; KeyboardInterrupt
    // between two steps, with nothing sent after it.
    void Replay(const std::filesystem::path& path);

    static std::timed_mutex& Mutex();

private:
    template <class Action>
    static decltype(auto) Apply(Action& action, host::Device& device) {
        if constexpr (std::is_invocable_v<Action&, host::Device&>)
            return action(device);
        else
            return action(device.Chip());
    }
    struct Outcome {
        std::vector<host::Record> fresh;  // for the callbacks
        std::optional<BusFailure> failure;
    };
    // Under the lock: the records not yet given to the receiver (when it has callbacks, or
    // `logging`, or there was a failure), and the first failure since `before`.
    Outcome Collect(uint64_t before, bool connecting, bool logging);
    // With the GIL: the callbacks called, then BusError raised when there was a failure.
    void Deliver(const Outcome& outcome);
    bool LoggingWanted() const;
    void Keep(const host::Record& record);
    host::Device& Live();

public:
    // Under the lock: who asks for a control's writes, "python: limiter Release".
    host::Amplifier::Asking Asking(host::Amplifier& amp, int32_t dialog, int32_t control) {
        return host::Amplifier::Asking(amp, sources_.Of(Ui(), amp.Instance(), dialog, control));
    }

private:

    std::shared_ptr<Load> load_;
    std::string place_;
    bool mayWait_ = true;
    std::deque<host::Record> records_;
    size_t limit_ = host::TransferRing::kDefaultSize;
    uint64_t added_ = 0;      // records ever kept: records_ holds the last of them
    uint64_t delivered_ = 0;  // of those, given to the receiver
    std::optional<py::weakref> receiver_;
    py::object wantsLog_;
    bool callbacks_ = false;  // read under the lock, where receiver_ may not be
    bool interrupted_ = false;  // a script still held by the chip after KeyboardInterrupt
    std::optional<std::chrono::milliseconds> timeout_;
    std::unique_ptr<host::Device> device_;
    host::user::ControlSources sources_{"python"};
};


// The USB-HID bridges plugged in: the place open() takes ("hid:VVVV:PPPP[:SERIAL]") and a
// line as the terminal host lists them.
std::vector<std::pair<std::string, std::string>> Bridges();

}  // namespace qm7140py
