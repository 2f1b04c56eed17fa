#include "host/web/bench_routes.h"

#include "host/common/device/presets.h"
#include "host/common/module/register_file.h"
#include "host/common/text/parse.h"
#include "host/web/security.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <sstream>

namespace web {

namespace {

using Json = nlohmann::json;

// The chip could not be read: the request was sound, the answer is not there.
struct Unreadable : host::CommandError {
    using CommandError::CommandError;
};

HttpReply Text(int status, std::string body) { return {status, "text/plain; charset=utf-8", std::move(body) + "\n"}; }

HttpReply JsonReply(const Json& json) {
    return {200, "application/json", json.dump(-1, ' ', false, Json::error_handler_t::replace)};
}

std::string Parameter(const HttpRequest& request, std::string_view name) {
    const auto raw = QueryValue(request.query, name);
    if (!raw) return {};
    auto value = Decoded(*raw);
    if (!value) throw host::CommandError(std::string(name) + ": a broken %-escape");
    return std::move(*value);
}

const std::filesystem::path& Shelf(const Routes& routes) {
    if (routes.shelf.empty()) throw host::CommandError(routes.shelfError.empty() ? "no folder for presets" : routes.shelfError);
    return routes.shelf;
}

host::RegisterValues ChipOf(ServedDevice& served, std::string name) {
    auto values = served.device.ReadNow(std::move(name));
    if (!values) throw Unreadable("could not read " + served.device.Name());
    return std::move(*values);
}

// One side of a comparison by its word: chip, device:N or preset:NAME. Devices whose chip
// was read are added to `read`, for their pages to show the read.
host::RegisterValues Side(const Routes& routes, int device, std::string_view word, std::vector<int>& read) {
    if (word == "chip") {
        read.push_back(device);
        return ChipOf(routes.device(device), "chip");
    }
    if (word.starts_with("device:")) {
        const std::string_view number = word.substr(7);
        int n = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), n);
        if (error != std::errc() || end != number.data() + number.size() || n < 1 || n > routes.devices)
            throw host::CommandError("no device " + host::Quoted(number));
        read.push_back(n - 1);
        return ChipOf(routes.device(n - 1), "device " + std::to_string(n));
    }
    if (word.starts_with("preset:")) {
        const std::string_view name = word.substr(7);
        const auto path = host::PresetPath(Shelf(routes), name);
        if (!std::filesystem::exists(path)) throw host::CommandError("no preset " + host::Quoted(name));
        host::RegisterValues values = host::ValuesOf(path);
        values.name = "preset " + host::Quoted(name);
        return values;
    }
    throw host::CommandError("a side is chip, device:N or preset:NAME, not " + host::Quoted(word));
}

// A state file sent with the request; CommandError naming its bad line.
host::RegisterValues Uploaded(std::string name, const std::string& body) {
    std::istringstream in(body);
    host::RegisterValues values{.name = std::move(name)};
    for (const auto& [reg, value] : host::ParseSaved(in, "state file"))
        if (reg < host::kCoveredRegisters) values.bytes[reg] = value;
    return values;
}

Json ComparisonJson(const host::Comparison& c) {
    Json registers = Json::array(), fields = Json::array();
    for (const host::Difference& d : c.registers) registers.push_back({d.reg, d.a, d.b});
    for (const host::Difference& d : c.fields) {
        if (!d.field) continue;
        fields.push_back({{"reg", d.reg},
                          {"title", d.field->title},
                          {"control", d.field->control_name},
                          {"bits", host::BitsText(d.field->mask)},
                          {"a", d.shownA},
                          {"b", d.shownB}});
    }
    return {{"a", c.a}, {"b", c.b}, {"equal", c.Equal()}, {"registers", std::move(registers)}, {"fields", std::move(fields)}};
}

std::string Registers(const std::vector<uint8_t>& regs) {
    std::string text;
    for (const uint8_t reg : regs) text += (text.empty() ? "" : " ") + host::Hex(reg);
    return text;
}

// What an apply did, in the words of the device's own note.
HttpReply Applied(const host::ApplyResult& r, std::string_view what) {
    if (!r.read) return Text(409, std::string(what) + ": nothing written; the chip could not be read first");
    std::string text = std::string(what) + ": wrote " + std::to_string(r.written.size()) + " register(s)";
    if (!r.written.empty()) text += " (" + Registers(r.written) + ")";
    text += ", " + std::to_string(r.equal) + " already equal";
    if (r.failed) {
        text += "; stopped at " + host::Hex(*r.failed) + ", which failed";
        if (!r.unsent.empty()) text += "; never sent: " + Registers(r.unsent);
    }
    return Text(r.Done() ? 200 : 409, std::move(text));
}

HttpReply Preset(const Routes& routes, const HttpRequest& request, int device) {
    const std::string action = Parameter(request, "do"), name = Parameter(request, "name");
    const auto& shelf = Shelf(routes);
    host::Device& chip = routes.device(device).device;
    const std::string shown = "preset " + host::Quoted(name);
    if (action == "save") {
        const bool force = Parameter(request, "force") == "1";
        if (!force && std::filesystem::exists(host::PresetPath(shelf, name))) return Text(409, shown + " exists");
        chip.SavePreset(shelf, name, force);
        return Text(200, "saved " + shown);
    }
    if (action == "apply") return Applied(chip.ApplyPreset(shelf, name), "apply " + shown);
    if (action == "delete") {
        chip.DeletePreset(shelf, name);
        return Text(200, "deleted " + shown);
    }
    return Text(400, "do: save, apply or delete");
}

}  // namespace

std::optional<std::string> Decoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] != '%') {
            out += text[i];
        } else {
            unsigned value = 0;
            if (i + 2 >= text.size()) return std::nullopt;
            const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            if (error != std::errc() || end != text.data() + i + 3) return std::nullopt;
            out += static_cast<char>(value);
            i += 2;
        }
    }
    return out;
}

std::optional<HttpReply> BenchRoute(const Routes& routes, const HttpRequest& request, int device) {
    const bool get = request.method == "GET", post = request.method == "POST";
    std::vector<int> read;
    // Each device whose chip was read, and this one, brought up to date on its pages.
    const auto tell = [&] {
        read.push_back(device);
        std::ranges::sort(read);
        const auto [first, last] = std::ranges::unique(read);
        read.erase(first, last);
        for (const int d : read) routes.changed(d);
    };
    const auto done = [&](HttpReply reply) {
        tell();
        return reply;
    };
    try {
        if (request.path == "/presets") {
            if (!get) return Text(405, "GET");
            return JsonReply({{"names", host::ListPresets(Shelf(routes))}});
        }
        if (request.path == "/preset") {
            if (!post) return Text(405, "POST");
            return done(Preset(routes, request, device));
        }
        if (request.path == "/apply") {
            if (!post) return Text(405, "POST");
            // Checked whole before anything reaches the chip: a bad line writes nothing.
            host::RegisterValues state = Uploaded("uploaded state", request.body);
            return done(Applied(routes.device(device).device.Apply(state), "apply the uploaded state"));
        }
        if (request.path == "/compare") {
            if (!get && !post) return Text(405, "GET or POST");
            host::RegisterValues a;
            if (post) {
                a = Uploaded("file", request.body);
            } else {
                a = Side(routes, device, Parameter(request, "a"), read);
            }
            const std::string second = Parameter(request, "b");
            const host::RegisterValues b = Side(routes, device, second.empty() ? "chip" : second, read);
            const host::Comparison comparison = host::Compare(routes.device(device).device.Api(), a, b);
            return done(JsonReply(ComparisonJson(comparison)));
        }
    } catch (const Unreadable& e) {
        tell();
        return Text(409, e.what());
    } catch (const std::exception& e) {
        tell();
        return Text(400, e.what());
    }
    return std::nullopt;
}

}  // namespace web
