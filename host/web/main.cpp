// qm7140-web: the module's dialogs in a browser, live against simulated QM7140 devices or
// real ones on I2C adapters.
#include "host/common/text/files.h"
#include "host/common/bus/device_options.h"
#include "host/common/device/presets.h"
#include "host/common/module/module.h"
#include "host/common/text/command_line.h"
#include "host/common/text/parse.h"
#include "host/web/assets.h"
#include "host/web/certificate.h"
#include "host/web/hub.h"
#include "host/web/net.h"
#include "qm7140_version.h"

#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Settings {
    std::filesystem::path module = host::DefaultModulePath();
    std::optional<std::filesystem::path> portFile, certificateFile, keyFile, passphraseFile;
    web::Endpoint listen{"127.0.0.1", 7140};
    host::DeviceOptions devices;
    std::vector<host::DevicePlace> places;
    bool verbose = false, tls = false, noTls = false;
};

std::function<void(const std::string&)> Sets(std::optional<std::filesystem::path>& file) {
    return [&file](const std::string& path) { file = path; };
}

host::CommandLine WebCommandLine(Settings& s) {
    host::CommandLine line{
        .program = "qm7140-web",
        .about = "Serves the module's three dialogs to a browser, one simulated QM7140 (one instance\n"
                 "of the module) per device, 1 to 16. The first line printed is the address to open,\n"
                 "with an access token; nothing is served without it. The token opens the page once,\n"
                 "then that browser's cookie does; SIGHUP prints a new address.\n",
        .options = host::DeviceOptionTable(s.devices),
        .check =
            [&s] {
                s.places = host::DevicePlacesOf(s.devices);
                if (s.tls && s.noTls) throw host::CommandError("--tls and --no-tls do not go together");
                if (s.certificateFile.has_value() != s.keyFile.has_value()) throw host::CommandError("--tls-cert and --tls-key go together");
                if (s.certificateFile && s.noTls) throw host::CommandError("--tls-cert is for TLS, and --no-tls was given");
                if (s.passphraseFile && !s.keyFile) throw host::CommandError("--tls-key-pass-file goes with --tls-key");
            },
    };
    const std::vector<host::Option> own = {
        {"--listen", "ADDR:PORT",
         "where to listen (default 127.0.0.1:7140; port 0 takes a free one). An address other than loopback serves the "
         "network, over TLS unless --no-tls, at most 16 connections per peer address.",
         [&s](const std::string& text) {
             const auto endpoint = web::ParseEndpoint(text);
             if (!endpoint) throw host::CommandError("--listen takes ADDR:PORT with a numeric address, e.g. 127.0.0.1:7140");
             s.listen = *endpoint;
         }},
        {"--tls", "",
         "HTTPS and WSS on loopback too. The second line printed is the certificate's SHA-256 fingerprint, to check the "
         "browser's.",
         [&s](const std::string&) { s.tls = true; }},
        {"--no-tls", "", "plain HTTP and WS, also on the network.", [&s](const std::string&) { s.noTls = true; }},
        {"--tls-cert", "FILE", "the certificate (PEM, leaf first), with --tls-key.", Sets(s.certificateFile)},
        {"--tls-key", "FILE",
         "its key, with --tls-cert. Without the two a self-signed certificate is made once and kept in "
         "$XDG_STATE_HOME/qm7140 (~/.local/state/qm7140), and made anew 30 days before it expires.",
         Sets(s.keyFile)},
        {"--tls-key-pass-file", "FILE",
         "the key's passphrase, its first line. Without it a key with a passphrase asks for it on the terminal, and is "
         "refused off one.",
         Sets(s.passphraseFile)},
        {"--port-file", "PATH", "writes the port listened on there once it listens.", Sets(s.portFile)},
        host::ModuleOption(s.module),
        {"--verbose", "",
         "also says when a connection closes as connections do; a connection dropped for a fault is always said, with why.",
         [&s](const std::string&) { s.verbose = true; }},
    };
    line.options.insert(line.options.end(), own.begin(), own.end());
    return line;
}

// Where others reach this machine: on every address, the first of this machine's.
web::Endpoint Shown(const Settings& s, uint16_t port) {
    web::Endpoint shown{s.listen.address, port};
    if (s.listen.address == "0.0.0.0" || s.listen.address == "::") {
        const auto addresses = web::MachineAddresses();
        shown.address = addresses.empty() ? (s.listen.address == "::" ? "::1" : "127.0.0.1") : addresses.front();
    }
    return shown;
}

void PrintAddress(bool secure, const web::Endpoint& shown, const std::string& token) {
    std::cout << (secure ? "https://" : "http://") << web::HostText(shown) << "/?token=" << token << std::endl;
}

// What a person needs to reach the devices: the address with the token, the certificate's
// fingerprint, a warning when the network is served, and the devices that are not simulated.
void SayWhere(const Settings& s, const web::NetServer& net, web::Hub& hub, const std::string& token,
              const std::optional<web::Certificate>& certificate, const std::optional<web::KeptPair>& kept,
              const std::filesystem::path& stateDirectory) {
    const bool network = !web::IsLoopback(s.listen.address);
    PrintAddress(certificate.has_value(), Shown(s, net.Port()), token);
    if (certificate) std::cout << "certificate SHA-256 fingerprint " << certificate->fingerprint << std::endl;
    if (kept && !kept->why.empty())
        std::cout << "certificate made anew and kept in " << stateDirectory.string() << ": " << kept->why
                  << (kept->oldFingerprint.empty() ? "" : "; the old one's SHA-256 fingerprint was " + kept->oldFingerprint)
                  << std::endl;
    if (network)
        std::cout << "warning: serving the network on " << web::HostText({s.listen.address, net.Port()})
                  << (certificate ? "" : " in clear text")
                  << ", not only this machine: anyone with the address above, token included, drives the "
                     "devices"
                  << std::endl;
    int simulated = 0;
    for (size_t d = 0; d < s.places.size(); ++d) {
        if (s.places[d].kind == host::DevicePlace::Kind::Simulated)
            ++simulated;
        else
            std::cout << "device " << d + 1 << ": " << hub.Device(static_cast<int>(d)).Status() << std::endl;
    }
    std::cout << simulated << " simulated QM7140 device(s); Ctrl+C ends" << std::endl;
}

// The service keeps its presets in its own state directory (systemd's StateDirectory=); a
// person's run, in their data folder. The error is for whoever asks for a preset.
std::pair<std::filesystem::path, std::string> PresetShelf() {
    if (const char* state = std::getenv("STATE_DIRECTORY"); state != nullptr && state[0] == '/') {
        const std::string_view first = std::string_view(state).substr(0, std::string_view(state).find(':'));
        return {std::filesystem::path(first) / "presets", {}};
    }
    try {
        return {host::DefaultPresetShelf(), {}};
    } catch (const host::CommandError& e) {
        return {{}, e.what()};
    }
}

int Serve(const Settings& s, std::vector<host::Bus> buses) {
    const bool network = !web::IsLoopback(s.listen.address);
    const bool secure = s.tls || (!s.noTls && (network || s.certificateFile.has_value()));
    const host::Module module(s.module);
    std::optional<web::Certificate> certificate;
    std::optional<web::KeptPair> kept;
    const std::filesystem::path stateDirectory = secure && !s.certificateFile ? web::StateDirectory() : std::filesystem::path();
    if (secure && s.certificateFile) certificate = web::LoadCertificate(*s.certificateFile, *s.keyFile, s.passphraseFile);
    if (secure && !s.certificateFile) certificate = (kept = web::KeptCertificate(stateDirectory, s.listen.address))->certificate;
    web::Gate gate{s.listen, web::MakeToken(), secure};
    const std::string token = gate.token;
    web::NetLimits limits;
    if (network) limits.mostPerPeer = 16;
    web::NetServer net(std::move(gate), limits, certificate ? &*certificate : nullptr);
    web::Hub hub(module, net, std::move(buses), s.devices.verify);
    auto [shelf, why] = PresetShelf();
    hub.Shelve(std::move(shelf), std::move(why));
    net.Listen({
        .opened = [&](web::ConnectionId id) { hub.Opened(id); },
        .message = [&](web::ConnectionId id, std::string_view text) { hub.Message(id, text); },
        .closed = [&](web::ConnectionId id) { hub.Closed(id); },
        .drained = [&](web::ConnectionId id) { hub.Drained(id); },
        .http = [&](const web::HttpRequest& request) { return hub.Http(request); },
        .asset = [](std::string_view path) { return web::FindAsset(path); },
        .log = [&](web::LogLevel level, const std::string& line) {
            if (level != web::LogLevel::Debug || s.verbose) std::cerr << line << std::endl;
        },
        // Its token opens the page once; SIGHUP (the service's reload) prints another.
        .token = [&](const std::string& fresh) { PrintAddress(certificate.has_value(), Shown(s, net.Port()), fresh); },
    });
    net.Every(std::chrono::milliseconds(40), [&] { hub.Tick(); });
    // Only now that the port is ours: a run that cannot listen keeps the old pair.
    if (kept) web::Keep(stateDirectory, *kept);
    SayWhere(s, net, hub, token, certificate, kept, stateDirectory);
    if (s.portFile) host::WriteReplacing(*s.portFile, std::to_string(net.Port()) + "\n");
    net.Run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    const host::CommandLine line = WebCommandLine(settings);
    if (const auto status = host::ParseOrEnd(line, {argv + 1, argv + argc}, QM7140_VERSION_TEXT, std::cout, std::cerr)) return *status;
    std::vector<host::Bus> buses;
    try {
        buses = host::MakeBuses(settings.places, settings.devices.adapters);
    } catch (const host::CommandError& e) {
        std::cerr << "error: " << e.what() << "\n" << host::UsageLine(line) << "\n";
        return 2;
    }
    try {
        return Serve(settings, std::move(buses));
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
}
