#include "device.h"

#include "host/common/bus/device_place.h"
#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/bus/hid/usb_id.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"

#include <pybind11/stl.h>

#include <dlfcn.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <cmath>
#include <cstring>
#include <thread>

namespace qm7140py {

namespace {

// The module's contract: 16 instances per load.
constexpr int kInstancesPerLoad = 16;

// By its file name: the extension's RUNPATH ($ORIGIN) finds the copy a wheel bundles beside
// it, and the system's library path the one the .deb installs.
constexpr const char* kModuleFile = "libqm7140.so.1";

// The file the first load came from, found by the system's search (RUNPATH, then the
// library path), for private copies of it.
std::filesystem::path LoadedFile(const host::Module& module) {
    Dl_info info{};
    if (dladdr(module.Export("_Init"), &info) == 0 || info.dli_fname == nullptr)
        throw std::runtime_error("cannot tell which file the module was loaded from");
    return info.dli_fname;
}

// A load of its own: the file's bytes in an anonymous memory file, which the system loads as
// a library apart from every other load of it (its own statics, its own instance table).
// Nothing is left on disk, and the memory goes with the last device of the load.
std::shared_ptr<Load> PrivateLoad(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) throw std::runtime_error("cannot read " + host::PathText(file));
    const int fd = memfd_create("libqm7140", MFD_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot make a private copy of the module: " + std::string(strerror(errno)));
    Load::File owner(fd);  // closes it when anything below throws
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) throw std::runtime_error("cannot make a private copy of the module: " + std::string(strerror(errno)));
        done += static_cast<size_t>(n);
    }
    return std::make_shared<Load>("/proc/self/fd/" + std::to_string(fd), std::move(owner));
}

// The module's table allows 16 instances at once; each load makes 16 in its life.
struct Loads {
    std::weak_ptr<Load> current;
    std::weak_ptr<Load> ofFile;  // the load of the file itself, while any device has it
    std::filesystem::path file;  // the file the name found; later loads by this path, since a
                                 // name also matches a private copy's own (its soname)
    int open = 0;                // devices alive, over every load
};
Loads& TheLoads() {
    static Loads loads;
    return loads;
}

// The load a new device comes from, under the module's lock: the current one while it has
// instances to give; else the file, loaded afresh (its statics start anew) once no device of
// its last load is left, or else a private copy of it.
std::shared_ptr<Load> LoadForNewDevice() {
    Loads& loads = TheLoads();
    if (loads.open >= kInstancesPerLoad)
        throw std::runtime_error(std::to_string(kInstancesPerLoad) + " amplifiers are open, the most the module takes at once; "
                                 "close one first");
    std::shared_ptr<Load> load = loads.current.lock();
    if (load && load->made < kInstancesPerLoad) return load;
    load.reset();  // the last of its load, when no device has it: unloaded now
    if (loads.ofFile.expired()) {
        load = std::make_shared<Load>(loads.file.empty() ? std::filesystem::path(kModuleFile) : loads.file);
        loads.ofFile = load;
        if (loads.file.empty()) loads.file = LoadedFile(load->module);
    } else {
        load = PrivateLoad(loads.file);
    }
    loads.current = load;
    return load;
}

// Chips on one adapter share it, across every device of the process.
host::AdapterPool& Pool() {
    static host::AdapterPool pool;
    return pool;
}

py::object* makeBusError = nullptr;

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

Load::File::~File() {
    if (fd >= 0) close(fd);
}

std::timed_mutex& Device::Mutex() {
    static std::timed_mutex mutex;
    return mutex;
}

ModuleLock::ModuleLock(std::optional<std::chrono::milliseconds> timeout) {
    if (Device::Mutex().try_lock()) return;
    std::optional<py::gil_scoped_release> unlocked;
    if (PyGILState_Check() != 0) unlocked.emplace();
    if (!timeout) {
        Device::Mutex().lock();
    } else if (!Device::Mutex().try_lock_for(*timeout)) {
        throw BusFailure{ETIMEDOUT, std::nullopt,
                         "another call kept the module busy for longer than the timeout (" +
                             std::to_string(timeout->count()) + " ms)"};
    }
}

ModuleLock::~ModuleLock() { Device::Mutex().unlock(); }

Device::Device(const std::string& place, bool verify, unsigned speedKhz, std::optional<double> timeoutSeconds) {
    host::DevicePlace parsed;
    host::BusOptions options;
    try {
        parsed = host::ParseDevicePlace(place);
        options.speedKhz = host::ParseSpeed(std::to_string(speedKhz));
    } catch (const host::CommandError& e) {
        throw py::value_error(e.what());
    }
    if (timeoutSeconds) timeout_ = std::chrono::milliseconds(static_cast<long long>(std::ceil(*timeoutSeconds * 1000)));
    place_ = parsed.text;
    try {
        ModuleLock lock(timeout_);
        load_ = LoadForNewDevice();
        try {
            host::Bus bus = Pool().MakeBus(parsed, options);
            ++load_->made;
            device_ = std::make_unique<host::Device>(
                load_->module, std::move(bus), [this](const host::Record& record) { Keep(record); }, verify);
            ++TheLoads().open;
            mayWait_ = device_->MayWait();
        } catch (...) {
            load_.reset();  // under the lock: it may be the last of its load
            throw;
        }
    } catch (const BusFailure& failure) {
        RaiseBusError(failure, place_);
    }
    try {
        Run([](host::Device& device) { device.Start(); }, true);
    } catch (...) {
        Close();
        throw;
    }
}

Device::~Device() {
    ModuleLock lock;
    if (device_) --TheLoads().open;
    device_.reset();
    load_.reset();
}

void Device::Close() {
    ModuleLock lock;
    if (device_) --TheLoads().open;
    device_.reset();
    load_.reset();
}

bool Device::Online() {
    ModuleLock lock;
    return device_ != nullptr && device_->Chip().Online();
}

void Device::Connect() {
    Run([](host::Device& device) { device.Connect(); }, true);
}

host::Device& Device::Live() {
    if (!device_) throw py::value_error("the amplifier at " + place_ + " is closed");
    return *device_;
}

void Device::Keep(const host::Record& record) {
    if (records_.size() >= limit_) records_.pop_front();
    records_.push_back(record);
    ++added_;
}

bool Device::LoggingWanted() const { return wantsLog_ && !wantsLog_.is_none() && wantsLog_().cast<bool>(); }

Device::Outcome Device::Collect(uint64_t before, bool connecting, bool logging) {
    Outcome outcome;
    const uint64_t first = added_ - records_.size();  // the oldest record kept
    const auto at = [&](uint64_t n) { return records_.begin() + static_cast<std::ptrdiff_t>(n - first); };
    bool failed = false;
    for (uint64_t n = std::max(before, first); n < added_; ++n) {
        const host::Record& record = *at(n);
        if (!host::IsError(record)) continue;
        failed = true;
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
    // Copied only for callbacks or logging: a loop of sets pays nothing for them otherwise.
    if (receiver_ && (callbacks_ || logging || failed))
        outcome.fresh.assign(at(std::max(delivered_, first)), records_.end());
    delivered_ = added_;
    return outcome;
}

void Device::Deliver(const Outcome& outcome) {
    if (receiver_ && !outcome.fresh.empty()) {
        const py::object receiver = (*receiver_)();
        if (!receiver.is_none()) {
            py::list records;
            for (const host::Record& record : outcome.fresh) records.append(ToPython(record));
            receiver(records, place_);
        }
    }
    if (outcome.failure) RaiseBusError(*outcome.failure, place_);
}

py::object ToPython(const host::Record& record) {
    using std::chrono::duration_cast, std::chrono::nanoseconds;
    PyRecord r{KindName(record.kind), std::nullopt, std::nullopt, host::RecordLine(record),
               duration_cast<nanoseconds>(record.at.wall.time_since_epoch()).count(),
               duration_cast<nanoseconds>(record.at.start.time_since_epoch()).count(), record.at.duration.count(),
               record.source ? std::optional<std::string>(*record.source) : std::nullopt};
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
        ModuleLock lock;
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
    ModuleLock lock;
    return records_.size();
}

void Device::SetReceiver(const py::object& receiver, const py::object& wantsLog) {
    receiver_ = py::weakref(receiver);
    wantsLog_ = wantsLog;
}

void Device::SetCallbacks(bool callbacks) {
    ModuleLock lock;
    callbacks_ = callbacks;
}

void Device::ClearRecords() {
    ModuleLock lock;
    std::deque<host::Record>().swap(records_);
    delivered_ = added_;
    if (device_) device_->Chip().Transfers().Clear();
}

size_t Device::RecordLimit() {
    ModuleLock lock;
    return limit_;
}

void Device::SetRecordLimit(size_t limit) {
    if (limit == 0) throw py::value_error("the log keeps at least 1 record");
    ModuleLock lock;
    limit_ = limit;
    while (records_.size() > limit_) records_.pop_front();
    if (!device_) return;
    // The chip's ring keeps as many transfers, its newest ones.
    host::TransferRing& ring = device_->Chip().Transfers();
    const std::vector<host::RingEntry> kept = ring.Entries();
    ring = host::TransferRing(limit);
    for (size_t i = kept.size() > limit ? kept.size() - limit : 0; i < kept.size(); ++i) ring.Add(kept[i]);
}

void Device::Replay(const std::filesystem::path& path) {
    std::string text;
    {
        py::gil_scoped_release unlocked;
        text = host::ReadBounded(path, host::kLargestScript);
    }
    Run([&](host::Device& device) {
        if (interrupted_ && device.Playing())
            throw host::CommandError("the script interrupted earlier still holds this amplifier; close it and open it again");
        device.StartReplay(text, host::PathText(path));
        interrupted_ = false;
    });
    // Each slice under the lock; the delays without, in short naps between which Ctrl+C is
    // seen. An interrupted script is never played on: nothing after it is sent.
    constexpr auto kNap = std::chrono::milliseconds(20);
    for (;;) {
        if (PyErr_CheckSignals() != 0) {
            interrupted_ = true;
            throw py::error_already_set();
        }
        const auto next = Run([](host::Device& device) { return device.PlayDue(host::Device::Clock::now()); });
        if (!next) return;
        if (*next <= host::Device::Clock::now()) continue;
        py::gil_scoped_release unlocked;
        std::this_thread::sleep_until(std::min(*next, host::Device::Clock::now() + kNap));
    }
}

void SetBusErrorFactory(py::object make) { makeBusError = new py::object(std::move(make)); }

void RaiseBusError(const BusFailure& failure, const std::string& place) {
    py::object error = (*makeBusError)(failure.error, failure.text,
                                       failure.reg ? py::object(py::int_(*failure.reg)) : py::object(py::none()), place);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

std::vector<std::pair<std::string, std::string>> Bridges() {
    std::vector<std::pair<std::string, std::string>> bridges;
    for (const host::HidBridgeInfo& bridge : host::ListHidBridges()) {
        const host::HidDeviceInfo& d = bridge.device;
        bridges.emplace_back("hid:" + host::UsbIdText(d.vendor, d.product) + (d.serial.empty() ? "" : ":" + d.serial),
                             host::DescribeHidBridge(bridge));
    }
    return bridges;
}

}  // namespace qm7140py
