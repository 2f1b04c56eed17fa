// One QM7140 for Python: the device every host drives, the module's load it comes from,
// and the records of what reached the chip. Every call into the module or onto a bus holds
// one process-wide lock with the GIL released, so Python threads may share devices while the
// module still sees one caller at a time.
#pragma once

#include "host/common/device/device.h"
#include "host/common/module/module.h"

#include <pybind11/pybind11.h>

#include <filesystem>
#include <memory>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace qm7140py {

namespace py = pybind11;

// One load of the module. It hands out 16 instances in its life, freed ones included, so a
// new load follows once every device of the old one is closed.
struct Load {
    host::Module module;
    int made = 0;
    explicit Load(const std::filesystem::path& path) : module(path) {}
};

// One line of a device's log as Python sees it.
struct PyRecord {
    std::string kind;  // "write", "read", "failure", "stopped"
    std::optional<int> reg, value;
    std::string text;  // the hosts' own line
};
py::object ToPython(const host::Record& record);

// A chip that could not be reached, raised as qm7140.BusError once the call is over.
struct BusFailure {
    int error;
    std::optional<int> reg;
    std::string text;
};

class Device {
public:
    // Connected before it returns; ValueError for a bad place or speed, BusError when the chip
    // cannot be reached.
    Device(const std::string& place, bool verify, unsigned speedKhz);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const std::string& Place() const { return place_; }
    // The seam of the module the device came from; only inside Run.
    const host::Module::UiSeam& Ui() const { return load_->module.Ui; }
    const host::Module& Api() const { return load_->module; }
    bool Online();
    void Close();

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
        {
            // A chip that never waits keeps the GIL with the caller, which is faster.
            std::optional<py::gil_scoped_release> unlocked;
            if (mayWait_) unlocked.emplace();
            std::lock_guard lock(Mutex());
            host::Device& device = Live();
            const size_t before = records_.size();
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
            outcome = Collect(before, connecting);
        }
        Deliver(outcome);
        if (thrown) std::rethrow_exception(thrown);
        if constexpr (!std::is_void_v<Result>) return std::move(*result);
    }

    // The records kept, from `start` to `stop`, as Python objects; the count; forgetting them.
    py::list Records(size_t start, size_t stop);
    size_t RecordCount();
    void ClearRecords();
    void OnRecord(py::function callback);

    // Plays a register script to its end, the lock let go during its delays.
    void Replay(const std::filesystem::path& path);

    static std::mutex& Mutex();

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
    // Under the lock: the records not yet given to the callbacks, and the first failure since
    // `before`.
    Outcome Collect(size_t before, bool connecting);
    // With the GIL: the callbacks called, then BusError raised when there was a failure.
    void Deliver(const Outcome& outcome);
    host::Device& Live();

    std::shared_ptr<Load> load_;
    std::string place_;
    bool mayWait_ = true;
    std::vector<host::Record> records_;
    size_t delivered_ = 0;
    std::vector<py::function> callbacks_;
    std::unique_ptr<host::Device> device_;
};

// Python's exception for a failure, raised from C++ once the GIL is held.
[[noreturn]] void RaiseBusError(const BusFailure& failure, const std::string& place);
void SetBusErrorType(py::object type);

// The USB-HID bridges plugged in, a line each as the terminal host lists them.
std::vector<std::string> Bridges();

}  // namespace qm7140py
