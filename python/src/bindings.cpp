// qm7140._qm7140: the device and its dialogs in C++; the package's Python gives them their
// shape (qm7140/__init__.py).
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

    py::class_<qm7140py::PyRecord>(m, "Record", "One line of an amplifier's log: a transfer that reached the chip, a failure, a stopped script or a note.")
        .def_readonly("kind", &qm7140py::PyRecord::kind, "\"write\", \"read\", \"failure\", \"stopped\" or \"note\".")
        .def_readonly("register", &qm7140py::PyRecord::reg, "The register of a transfer or failure, else None.")
        .def_readonly("value", &qm7140py::PyRecord::value, "The byte a transfer carried (or a failed write meant to), else None.")
        .def_readonly("text", &qm7140py::PyRecord::text, "The line as the hosts show it: \"W 0x80/0 reg 0x02 = 0x40\".")
        .def("__repr__", [](const qm7140py::PyRecord& r) { return "<Record " + host::Quoted(r.text) + ">"; })
        .def("__str__", [](const qm7140py::PyRecord& r) { return r.text; });

    py::class_<Device>(m, "_Device")
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
        .def("set_receiver", &Device::SetReceiver);
}
