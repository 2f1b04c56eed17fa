// The bench's verbs for Python (apply, compare, check, presets, undo), each the device's own;
// a side of a comparison crosses as (name, 32 bytes or None each).
#include "bench.h"

#include "host/common/device/presets.h"
#include "host/common/log/transfer_files.h"
#include "host/common/text/files.h"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <bit>
#include <stdexcept>

namespace qm7140py {

namespace {

using Side = std::pair<std::string, std::vector<std::optional<int>>>;

Side ToSide(const host::RegisterValues& values) {
    Side side{values.name, {}};
    for (const auto& byte : values.bytes) side.second.push_back(byte ? std::optional<int>(*byte) : std::nullopt);
    return side;
}

host::RegisterValues FromSide(const Side& side) {
    host::RegisterValues values{side.first, {}};
    if (side.second.size() != values.bytes.size()) throw py::value_error("a side names " + std::to_string(values.bytes.size()) + " registers");
    for (size_t reg = 0; reg < values.bytes.size(); ++reg) {
        const auto& byte = side.second[reg];
        if (byte && (*byte < 0 || *byte > 255)) throw py::value_error("a register holds 0 to 255");
        if (byte) values.bytes[reg] = static_cast<uint8_t>(*byte);
    }
    return values;
}

// (register, field or None, a, b, shown a, shown b, title): a field's values are its bits.
py::tuple ToPython(const host::Difference& d) {
    if (!d.field) return py::make_tuple(d.reg, py::none(), d.a, d.b, d.shownA, d.shownB, py::none());
    const int shift = std::countr_zero(d.field->mask);
    return py::make_tuple(d.reg, d.field->control_name, (d.a & d.field->mask) >> shift, (d.b & d.field->mask) >> shift,
                          d.shownA, d.shownB, d.field->title);
}

py::list ToPython(const host::Comparison& comparison) {
    py::list list;
    for (const auto& d : comparison.registers) list.append(ToPython(d));
    for (const auto& d : comparison.fields) list.append(ToPython(d));
    return list;
}

// A verb that could not read the chip has recorded why (raised by Run); else this.
[[noreturn]] void Unread(Device& device) {
    throw std::runtime_error("could not read the chip at " + device.Place());
}

py::tuple Applied(const host::ApplyResult& result) {
    py::list written;
    for (const uint8_t reg : result.written) written.append(reg);
    return py::make_tuple(written, result.equal);
}

}  // namespace

void BindBench(py::class_<Device>& device, py::module_& m) {
    m.def("_presets", [] { return host::ListPresets(host::DefaultPresetShelf()); });
    device
        .def("apply", [](Device& d, const std::filesystem::path& path) {
            return Applied(d.Run([&](host::Device& dev) { return dev.ApplyState(path); }));
        })
        .def("values_of", [](Device&, const std::filesystem::path& path) { return ToSide(host::ValuesOf(path)); })
        .def("cached", [](Device& d) {
            return ToSide(d.Run([](host::Device& dev) { return host::ValuesOf("cache", dev.Chip().Registers().bytes); }));
        })
        .def("read_now", [](Device& d, const std::string& name) {
            const auto values = d.Run([&](host::Device& dev) { return dev.ReadNow(name); });
            if (!values) Unread(d);
            return ToSide(*values);
        })
        .def("compare", [](Device& d, const Side& a, const Side& b) {
            const host::RegisterValues first = FromSide(a), second = FromSide(b);
            const auto comparison = d.Run([&](host::Device& dev) { return host::Compare(dev.Api(), first, second); });
            return ToPython(comparison);
        })
        .def("check", [](Device& d, const std::filesystem::path& path) {
            const auto comparison = d.Run([&](host::Device& dev) { return dev.Check(path); });
            if (!comparison) Unread(d);
            return py::make_tuple(comparison->Equal(), ToPython(*comparison));
        })
        .def("save_preset", [](Device& d, const std::string& name, bool force) {
            d.Run([&](host::Device& dev) { dev.SavePreset(host::DefaultPresetShelf(), name, force); });
        })
        .def("apply_preset", [](Device& d, const std::string& name) {
            return Applied(d.Run([&](host::Device& dev) { return dev.ApplyPreset(host::DefaultPresetShelf(), name); }));
        })
        .def("delete_preset", [](Device& d, const std::string& name) {
            d.Run([&](host::Device& dev) { dev.DeletePreset(host::DefaultPresetShelf(), name); });
        })
        .def("undo", [](Device& d) { return d.Run([](host::Device& dev) { return dev.Undo(); }); })
        .def("redo", [](Device& d) { return d.Run([](host::Device& dev) { return dev.Redo(); }); })
        // The chip's transfers as the hosts save them, in the format asked whatever the name.
        .def("save_log", [](Device& d, const std::filesystem::path& path, bool pcap) {
            const auto log = d.Run([](host::Device& dev) { return dev.TransferLog(); });
            const std::string content = pcap ? host::TransfersPcap(log) : host::TransfersCsv(log);
            py::gil_scoped_release unlocked;
            host::WriteReplacing(path, content);
        });
}

}  // namespace qm7140py
