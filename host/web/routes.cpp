#include "host/web/routes.h"

#include "host/common/text/parse.h"
#include "host/common/chip/register_export.h"
#include "host/common/log/transfer_files.h"
#include "host/common/module/register_file.h"
#include "host/web/bench_routes.h"
#include "host/web/security.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace web {

namespace {

HttpReply Text(int status, std::string body) { return {status, "text/plain; charset=utf-8", std::move(body)}; }

}  // namespace

HttpReply Route(const Routes& routes, const HttpRequest& request) {
    static constexpr std::string_view kPaths[] = {"/state", "/export", "/replay", "/log", "/apply", "/compare", "/presets", "/preset"};
    if (std::find(std::begin(kPaths), std::end(kPaths), request.path) == std::end(kPaths)) return Text(404, "not found\n");
    const auto dev = QueryValue(request.query, "dev");
    int device = -1;
    if (dev) {
        const auto [end, error] = std::from_chars(dev->data(), dev->data() + dev->size(), device);
        if (error != std::errc() || end != dev->data() + dev->size()) device = -1;
    }
    if (device < 0 || device >= routes.devices) return Text(400, "no such device\n");
    if (auto reply = BenchRoute(routes, request, device)) return std::move(*reply);
    ServedDevice& served = routes.device(device);
    const std::string name = "qm7140-device-" + std::to_string(device + 1);
    const bool get = request.method == "GET";
    if (request.path == "/export") {
        if (!get) return Text(405, "GET\n");
        const auto format = host::ExportFormatNamed(QueryValue(request.query, "format").value_or(""));
        if (!format) return Text(400, "format: c, i2cset or script\n");
        std::string file = name + "-settings.";
        for (const host::ExportFormatInfo& f : host::ExportFormats())
            if (f.format == *format) file += f.extension;
        return {200, "text/plain; charset=utf-8", served.device.ExportText(*format), "attachment; filename=\"" + file + "\""};
    }
    if (request.path == "/log") {
        if (!get) return Text(405, "GET\n");
        const std::string_view format = QueryValue(request.query, "format").value_or("");
        if (format != "csv" && format != "pcap") return Text(400, "format: csv or pcap\n");
        const std::vector<host::Transfer> log = served.device.TransferLog();
        if (format == "csv") return {200, "text/csv; charset=utf-8", host::TransfersCsv(log), "attachment; filename=\"" + name + "-log.csv\""};
        return {200, "application/vnd.tcpdump.pcap", host::TransfersPcap(log), "attachment; filename=\"" + name + "-log.pcap\""};
    }
    if (request.path == "/state" && get) {
        std::ostringstream saved;
        served.device.Chip().Registers().Save(saved);
        return {200, "text/plain; charset=utf-8", saved.str(), "attachment; filename=\"" + name + ".txt\""};
    }
    if (request.method != "POST") return Text(405, request.path == "/state" ? "GET or POST\n" : "POST\n");
    // Checked whole before anything reaches the device: a bad line changes nothing.
    try {
        if (request.path == "/state") {
            std::istringstream saved(request.body);
            const auto values = host::ParseSaved(saved, "state file");
            served.device.LoadValues(values, "a state file");
            routes.changed(device);
            return Text(200, "loaded " + std::to_string(values.size()) + " register(s)\n");
        }
        const size_t steps = served.device.StartReplay(request.body, "script");
        served.device.PlayDue(host::Device::Clock::now());
        routes.changed(device);
        if (served.device.Playing()) return Text(200, "playing " + std::to_string(steps) + " step(s); the log follows them\n");
        if (!served.device.ReplayFailure().empty()) return Text(409, served.device.ReplayFailure() + "\n");
        return Text(200, "replayed " + std::to_string(steps) + " step(s)\n");
    } catch (const std::exception& e) {
        return Text(400, std::string(e.what()) + "\n");
    }
}

}  // namespace web
