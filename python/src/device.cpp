#include "device.h"

#include "host/common/bus/device_place.h"
#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"

#include <pybind11/stl.h>

#include <thread>

namespace qm7140py {

namespace {

// The module's contract: 16 instances per load.
constexpr int kInstancesPerLoad = 16;

// By its file name: the extension's RUNPATH ($ORIGIN) finds the copy a wheel bundles beside
// it, and the system's library path the one the .deb installs.
constexpr const char* kModuleFile = "libqm7140.so.1";

// The load new devices come from: the current one while it has instances to give, else a
// fresh one. A load lives while any of its devices does, and a fresh load of the same file
// only starts afresh once the old one is gone.
std::shared_ptr<Load> LoadForNewDevice() {
    static std::weak_ptr<Load> current;
    std::shared_ptr<Load> load = current.lock();
    if (load && load->made >= kInstancesPerLoad) {
        if (load.use_count() > 1)
            throw std::runtime_error("16 devices were opened since the module was loaded and some are still open; "
                                     "close them all to load it afresh");
        load.reset();
    }
    if (!load) {
        load = std::make_shared<Load>(kModuleFile);
        current = load;
    }
    return load;
}

// Chips on one adapter share it, across every device of the process.
host::AdapterPool& Pool() {
    static host::AdapterPool pool;
    return pool;
}

py::object* busErrorType = nullptr;

const char* KindName(host::Record::Kind kind) {
    switch (kind) {
    case host::Record::Kind::Write: return "write";
    case host::Record::Kind::Read: return "read";
    case host::Record::Kind::Failure: return "failure";
    case host::Record::Kind::ScriptStopped: return "stopped";
    case host::Record::Kind::Note: return "note";
    }
    return "";
}

}  // namespace

std::mutex& Device::Mutex() {
    static std::mutex mutex;
    return mutex;
}

Device::Device(const std::string& place, bool verify, unsigned speedKhz) {
    host::DevicePlace parsed;
    host::BusOptions options;
    try {
        parsed = host::ParseDevicePlace(place);
        options.speedKhz = host::ParseSpeed(std::to_string(speedKhz));
    } catch (const host::CommandError& e) {
        throw py::value_error(e.what());
    }
    place_ = parsed.text;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard lock(Mutex());
        load_ = LoadForNewDevice();
        try {
            host::Bus bus = Pool().MakeBus(parsed, options);
            ++load_->made;
            device_ = std::make_unique<host::Device>(
                load_->module, std::move(bus), [this](const host::Record& record) { records_.push_back(record); }, verify);
            mayWait_ = device_->MayWait();
        } catch (...) {
            load_.reset();  // under the lock: it may be the last of its load
            throw;
        }
    }
    try {
        Run([](host::Device& device) { device.Start(); }, true);
    } catch (...) {
        Close();
        throw;
    }
}

Device::~Device() {
    std::lock_guard lock(Mutex());
    device_.reset();
    load_.reset();
}

void Device::Close() {
    py::gil_scoped_release unlocked;
    std::lock_guard lock(Mutex());
    device_.reset();
    load_.reset();
}

bool Device::Online() {
    py::gil_scoped_release unlocked;
    std::lock_guard lock(Mutex());
    return device_ != nullptr && device_->Chip().Online();
}

host::Device& Device::Live() {
    if (!device_) throw py::value_error("the amplifier at " + place_ + " is closed");
    return *device_;
}

Device::Outcome Device::Collect(size_t before, bool connecting) {
    Outcome outcome;
    // Copied only for callbacks to call: a loop of sets pays nothing for them otherwise.
    if (!callbacks_.empty())
        outcome.fresh.assign(records_.begin() + static_cast<std::ptrdiff_t>(std::min(delivered_, records_.size())),
                             records_.end());
    delivered_ = records_.size();
    for (size_t i = before; i < records_.size(); ++i) {
        const host::Record& record = records_[i];
        if (!host::IsError(record)) continue;
        const std::string line = host::RecordLine(record);
        if (!outcome.failure) {
            outcome.failure = BusFailure{0, std::nullopt, line};
        } else {
            outcome.failure->text += "; " + line;
        }
        if (record.kind != host::Record::Kind::Failure) continue;
        const host::Failure& f = record.failure;
        if (outcome.failure->error == 0) outcome.failure->error = f.error;
        const bool connect = connecting || f.op == host::Failure::Op::Open || f.op == host::Failure::Op::Identify;
        if (!outcome.failure->reg && !connect) outcome.failure->reg = f.reg;
    }
    return outcome;
}

void Device::Deliver(const Outcome& outcome) {
    if (!callbacks_.empty()) {
        // A callback may add callbacks: these are the ones there were.
        const std::vector<py::function> callbacks = callbacks_;
        for (const host::Record& record : outcome.fresh)
            for (const py::function& callback : callbacks) callback(ToPython(record));
    }
    if (outcome.failure) RaiseBusError(*outcome.failure, place_);
}

py::object ToPython(const host::Record& record) {
    PyRecord r{KindName(record.kind), std::nullopt, std::nullopt, host::RecordLine(record)};
    switch (record.kind) {
    case host::Record::Kind::Write:
    case host::Record::Kind::Read:
        r.reg = static_cast<int>(record.transfer.reg);
        r.value = record.transfer.value;
        break;
    case host::Record::Kind::Failure:
        r.reg = record.failure.reg;
        if (record.failure.op == host::Failure::Op::Write || record.failure.op == host::Failure::Op::Verify)
            r.value = record.failure.sent;
        break;
    case host::Record::Kind::ScriptStopped:
    case host::Record::Kind::Note: break;
    }
    return py::cast(std::move(r));
}

py::list Device::Records(size_t start, size_t stop) {
    std::vector<host::Record> copy;
    {
        py::gil_scoped_release unlocked;
        std::lock_guard lock(Mutex());
        stop = std::min(stop, records_.size());
        if (start < stop)
            copy.assign(records_.begin() + static_cast<std::ptrdiff_t>(start),
                        records_.begin() + static_cast<std::ptrdiff_t>(stop));
    }
    py::list list;
    for (const host::Record& record : copy) list.append(ToPython(record));
    return list;
}

size_t Device::RecordCount() {
    py::gil_scoped_release unlocked;
    std::lock_guard lock(Mutex());
    return records_.size();
}

void Device::OnRecord(py::function callback) {
    // Collect reads the list under the lock alone, while another thread may add to it.
    std::lock_guard lock(Mutex());
    callbacks_.push_back(std::move(callback));
}

void Device::ClearRecords() {
    py::gil_scoped_release unlocked;
    std::lock_guard lock(Mutex());
    records_.clear();
    delivered_ = 0;
}

void Device::Replay(const std::filesystem::path& path) {
    std::string text;
    {
        py::gil_scoped_release unlocked;
        text = host::ReadBounded(path, host::kLargestScript);
    }
    Run([&](host::Device& device) { device.StartReplay(text, host::PathText(path)); });
    // Each slice under the lock; the delays without.
    for (;;) {
        const auto next = Run([](host::Device& device) { return device.PlayDue(host::Device::Clock::now()); });
        if (!next) return;
        py::gil_scoped_release unlocked;
        std::this_thread::sleep_until(*next);
    }
}

void SetBusErrorType(py::object type) { busErrorType = new py::object(std::move(type)); }

void RaiseBusError(const BusFailure& failure, const std::string& place) {
    py::object error = (*busErrorType)(failure.error, failure.text);
    error.attr("register") = failure.reg ? py::object(py::int_(*failure.reg)) : py::object(py::none());
    error.attr("place") = place;
    PyErr_SetObject(busErrorType->ptr(), error.ptr());
    throw py::error_already_set();
}

std::vector<std::string> Bridges() {
    std::vector<std::string> lines;
    for (const host::HidBridgeInfo& bridge : host::ListHidBridges()) lines.push_back(host::DescribeHidBridge(bridge));
    return lines;
}

}  // namespace qm7140py
