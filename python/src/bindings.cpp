// qm7140._qm7140: the device and its dialogs in C++; the package's Python gives them their
// shape (qm7140/__init__.py).
#include "bench.h"
#include "controls.h"
#include "device.h"

#include "host/common/chip/register_export.h"
#include "host/common/chip/state_file.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"
#include "qm7140_version.h"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

namespace py = pybind11;
using qm7140py::Device;

namespace {

uint8_t Byte(int value, const char* what) {
    if (value < 0 || value > 255) throw py::value_error(std::string(what) + " " + std::to_string(value) + " is not 0 to 255");
    return static_cast<uint8_t>(value);
}

void Export(Device& device, const std::string& format, const std::filesystem::path& path) {
    const auto chosen = host::ExportFormatNamed(format);
    if (!chosen) throw py::value_error("unknown export format " + host::Quoted(format) + " (c, i2cset or script)");
    device.Run([&](host::Device& d) { d.ExportTo(path, *chosen); });
}

// All or nothing, as the hosts load it: the cache takes the file and every window is told.
void LoadState(Device& device, const std::filesystem::path& path) {
    device.Run([&](host::Device& d) { d.LoadState(path); });
}

py::object WallTime(const qm7140py::PyRecord& r) {
    const py::module_ datetime = py::module_::import("datetime");
    const py::object utc = datetime.attr("timezone").attr("utc");
    const py::object epoch = datetime.attr("datetime")(1970, 1, 1, 0, 0, 0, 0, utc);
    const py::object since = datetime.attr("timedelta")(0, r.wallNs / 1'000'000'000, (r.wallNs % 1'000'000'000) / 1000);
    return (epoch + since).attr("astimezone")();
}

}  // namespace

PYBIND11_MODULE(_qm7140, m) {
    m.attr("__version__") = QM7140_VERSION_TEXT;

    // The hosts' words for a bad command line stay theirs; a file that cannot be used is an
    // OSError as Python's own files give.
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const host::CommandError& e) {
            const std::string_view what = e.what();
            if (what.starts_with("cannot ")) {
                PyErr_SetString(PyExc_OSError, e.what());
            } else {
                PyErr_SetString(PyExc_ValueError, e.what());
            }
        }
    });

    m.def("_set_bus_error", &qm7140py::SetBusErrorFactory);
    m.def("_bridges", &qm7140py::Bridges);

    using qm7140py::PyRecord;
    const auto state = [](const PyRecord& r) {
        return py::make_tuple(r.kind, r.reg, r.value, r.text, r.wallNs, r.monotonicNs, r.durationNs, r.source);
    };
    py::class_<PyRecord>(m, "Record", "One line of an amplifier's log: a transfer that reached the chip, a failure, a stopped "
                                      "script or a note, with when it happened and who asked. Records compare by time, then "
                                      "content; they copy and pickle.")
        .def_readonly("kind", &PyRecord::kind, "\"write\", \"read\", \"failure\", \"stopped\" or \"note\".")
        .def_readonly("register", &PyRecord::reg, "The register of a transfer or failure, else None.")
        .def_readonly("value", &PyRecord::value, "The byte a transfer carried (or a failed write meant to), else None.")
        .def_readonly("text", &PyRecord::text, "The line as the hosts show it: \"W 0x80/0 reg 0x02 = 0x40\".")
        .def_readonly("source", &PyRecord::source, "Who asked: \"limiter Release\", \"script.txt:3\", \"apply\"; or None.")
        .def_readonly("wall_ns", &PyRecord::wallNs, "When it started by the wall clock, in ns since the epoch.")
        .def_readonly("monotonic_ns", &PyRecord::monotonicNs, "When it started by time.monotonic_ns()'s clock.")
        .def_readonly("duration_ns", &PyRecord::durationNs, "How long the transfer took, in ns (0 for a note).")
        .def_property_readonly("wall", [](const PyRecord& r) { return static_cast<double>(r.wallNs) / 1e9; },
                               "When it started by the wall clock, in seconds since the epoch (as time.time()).")
        .def_property_readonly("monotonic", [](const PyRecord& r) { return static_cast<double>(r.monotonicNs) / 1e9; },
                               "When it started by time.monotonic()'s clock, in seconds.")
        .def_property_readonly("duration", [](const PyRecord& r) { return static_cast<double>(r.durationNs) / 1e9; },
                               "How long the transfer took, in seconds.")
        .def("__eq__", [](const PyRecord& a, const PyRecord& b) { return a.Key() == b.Key(); }, py::is_operator())
        .def("__ne__", [](const PyRecord& a, const PyRecord& b) { return a.Key() != b.Key(); }, py::is_operator())
        .def("__lt__", [](const PyRecord& a, const PyRecord& b) { return a.Key() < b.Key(); }, py::is_operator())
        .def("__le__", [](const PyRecord& a, const PyRecord& b) { return a.Key() <= b.Key(); }, py::is_operator())
        .def("__gt__", [](const PyRecord& a, const PyRecord& b) { return a.Key() > b.Key(); }, py::is_operator())
        .def("__ge__", [](const PyRecord& a, const PyRecord& b) { return a.Key() >= b.Key(); }, py::is_operator())
        .def("__hash__", [state](const PyRecord& r) { return py::hash(state(r)); })
        .def("__copy__", [](const PyRecord& r) { return r; })
        .def("__deepcopy__", [](const PyRecord& r, const py::object&) { return r; }, py::arg("memo"))
        .def(py::pickle(state, [](const py::tuple& t) {
            if (t.size() != 8) throw py::value_error("not a pickled Record");
            return PyRecord{t[0].cast<std::string>(), t[1].cast<std::optional<int>>(), t[2].cast<std::optional<int>>(),
                            t[3].cast<std::string>(), t[4].cast<int64_t>(), t[5].cast<int64_t>(), t[6].cast<int64_t>(),
                            t[7].cast<std::optional<std::string>>()};
        }))
        .def_property_readonly("time", [](const PyRecord& r) { return WallTime(r); },
                               "When it started by the wall clock, as a datetime in the local time zone.")
        .def("as_dict", [](const PyRecord& r) {
            py::dict d;
            d["kind"] = r.kind, d["register"] = r.reg, d["value"] = r.value, d["text"] = r.text, d["source"] = r.source;
            d["time"] = WallTime(r), d["wall"] = static_cast<double>(r.wallNs) / 1e9;
            d["monotonic"] = static_cast<double>(r.monotonicNs) / 1e9, d["duration"] = static_cast<double>(r.durationNs) / 1e9;
            return d;
        }, "The record's fields as a dict (time as a datetime, wall, monotonic and duration in seconds).")
        .def("__repr__", [](const PyRecord& r) { return "<Record " + host::Quoted(r.text) + ">"; })
        .def("__str__", [](const PyRecord& r) { return r.text; });

    py::class_<Device> deviceClass(m, "_Device");
    qm7140py::BindBench(deviceClass, m);
    deviceClass
        .def(py::init<const std::string&, bool, unsigned, std::optional<double>>(), py::arg("place"), py::arg("verify"),
             py::arg("speed"), py::arg("timeout"))
        .def_property_readonly("place", &Device::Place)
        .def_property_readonly("online", &Device::Online)
        .def("close", &Device::Close)
        .def("connect", &Device::Connect)
        .def("controls", &qm7140py::Controls)
        .def("get", &qm7140py::Get)
        .def("set", &qm7140py::Set)
        .def("items", &qm7140py::Items)
        .def("info", &qm7140py::Info)
        .def("click", &qm7140py::Click)
        .def("show", &qm7140py::Show)
        .def("hide", &qm7140py::Hide)
        .def("visible", &qm7140py::Visible)
        .def("drag", &qm7140py::Drag)
        .def("png", &qm7140py::Png)
        .def("register", [](Device& d, int reg) {
            const uint8_t r = Byte(reg, "register");
            return d.Run([&](host::Amplifier& amp) { return amp.Registers().bytes[r]; });
        })
        .def("write_register", [](Device& d, int reg, int value) {
            const uint8_t r = Byte(reg, "register"), v = Byte(value, "value");
            d.Run([&](host::Device& device) { device.SetRegister(r, v); });
        })
        .def("read_all", [](Device& d) { d.Run([](host::Device& device) { device.ReadAll(); }); })
        .def("export", &Export)
        .def("replay", &Device::Replay)
        .def("save_state", [](Device& d, const std::filesystem::path& path) {
            d.Run([&](host::Device& device) { device.SaveState(path); });
        })
        .def("load_state", &LoadState)
        .def("records", &Device::Records)
        .def("record_count", &Device::RecordCount)
        .def("clear_records", &Device::ClearRecords)
        .def("record_limit", &Device::RecordLimit)
        .def("set_record_limit", &Device::SetRecordLimit)
        .def("set_receiver", &Device::SetReceiver)
        .def("set_callbacks", &Device::SetCallbacks);
}
