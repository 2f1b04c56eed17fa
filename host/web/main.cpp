// qm7140-web: the module's dialogs in a browser, live against simulated QM7140 devices or
// real ones on I2C adapters.
#include "host/common/text/files.h"
#include "host/common/bus/device_options.h"
#include "host/common/module/module.h"
#include "host/common/text/parse.h"
#include "host/web/assets.h"
#include "host/web/certificate.h"
#include "host/web/hub.h"
#include "host/web/net.h"
#include "qm7140_version.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One line: help2man takes only the "Usage:" line itself for the SYNOPSIS.
constexpr const char* kUsage =
    "qm7140-web [--devices N | --device PLACE... | --bus /dev/i2c-N [--address 0xNN]] [--speed 100|400] [--verify] "
    "[--listen ADDR:PORT] [--port-file PATH] [--tls | --no-tls] [--tls-cert FILE --tls-key FILE [--tls-key-pass-file FILE]] [--module PATH] [--verbose]\n";

void PrintHelp() {
    std::cout << "Usage: " << kUsage
              << "\n"
                 "Serves the module's three dialogs to a browser, one simulated QM7140 (one instance\n"
                 "of the module) per device, 1 to 16. The first line printed is the address to open,\n"
                 "with an access token; nothing is served without it. The token opens the page once,\n"
                 "then that browser's cookie does; SIGHUP prints a new address.\n"
                 "\n"
                 "Options:\n"
                 "  --devices N         N simulated devices, 1 to 16 (default 1).\n"
                 "  --device PLACE      once per device in order: sim, or i2c:/dev/i2c-N[@0xNN] for a\n"
                 "                      real QM7140 on that I2C adapter (7-bit address, default 0x40),\n"
                 "                      or hid:/dev/hidrawN[@0xNN] or hid:VVVV:PPPP[:SERIAL][@0xNN]\n"
                 "                      for one behind a USB-HID I2C bridge.\n"
                 "  --speed 100|400     the bridges' bus speed in kHz (default 100).\n"
                 "  --verify            every write is read back; another byte is an error.\n"
                 "  --bus /dev/i2c-N    device 1 is a real QM7140 on that I2C adapter (i2c-dev); the\n"
                 "                      others stay simulated. Registers 0x00 to 0x1F are read from it\n"
                 "                      at once and every write goes to it.\n"
                 "  --address 0xNN      its 7-bit address (default 0x40, the module's 0x80).\n"
                 "  --listen ADDR:PORT  where to listen (default 127.0.0.1:7140; port 0 takes a free\n"
                 "                      one). An address other than loopback serves the network, over\n"
                 "                      TLS unless --no-tls, at most 16 connections per peer address.\n"
                 "  --tls               HTTPS and WSS on loopback too. The second line printed is the\n"
                 "                      certificate's SHA-256 fingerprint, to check the browser's.\n"
                 "  --no-tls            plain HTTP and WS, also on the network.\n"
                 "  --tls-cert FILE     the certificate (PEM, leaf first), with --tls-key.\n"
                 "  --tls-key FILE      its key, with --tls-cert. Without the two a self-signed\n"
                 "                      certificate is made once and kept in $XDG_STATE_HOME/qm7140\n"
                 "                      (~/.local/state/qm7140), and made anew 30 days before it expires.\n"
                 "  --tls-key-pass-file FILE\n"
                 "                      the key's passphrase, its first line. Without it a key with a\n"
                 "                      passphrase asks for it on the terminal, and is refused off one.\n"
                 "  --port-file PATH    writes the port listened on there once it listens.\n"
                 "  --module PATH       the module; without it libqm7140.so beside this program, else\n"
                 "                      the installed one, " << host::InstalledModulePath().string() << ".\n"
                                  "  --verbose           also says when a connection closes as connections do; a\n"
                 "                      connection dropped for a fault is always said, with why.\n"
                 "  --help              prints this and ends.\n"
                 "  --version           prints the version and ends.\n";
}

int Usage(const std::string& problem) {
    std::cerr << "error: " << problem << "\nusage: " << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path modulePath = host::DefaultModulePath();
    std::optional<std::filesystem::path> portFile;
    web::Endpoint listen{"127.0.0.1", 7140};
    host::DeviceOptions devices;
    bool verify = false, verbose = false;
    std::optional<bool> tls;
    std::optional<std::filesystem::path> certificateFile, keyFile, passphraseFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        if (arg == "--version") {
            std::cout << "qm7140-web " QM7140_VERSION_TEXT "\n";
            return 0;
        }
        if (arg == "--tls" || arg == "--no-tls") {
            tls = arg == "--tls";
            continue;
        }
        if (arg == "--verify" || arg == "--verbose") {
            (arg == "--verify" ? verify : verbose) = true;
            continue;
        }
        if (arg != "--devices" && arg != "--device" && arg != "--listen" && arg != "--port-file" && arg != "--module" &&
            arg != "--bus" && arg != "--address" && arg != "--tls-cert" && arg != "--tls-key" &&
            arg != "--tls-key-pass-file" && arg != "--speed")
            return Usage("unknown option " + std::string(arg));
        if (++i == argc) return Usage(std::string(arg) + " needs a value");
        const std::string_view value = argv[i];
        if (arg == "--devices") {
            int count = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
            if (error != std::errc() || end != value.data() + value.size() || count < 1 || count > web::kMostDevices)
                return Usage("--devices takes 1 to " + std::to_string(web::kMostDevices));
            devices.count = count;
        } else if (arg == "--device") {
            devices.devices.emplace_back(value);
        } else if (arg == "--listen") {
            const auto endpoint = web::ParseEndpoint(value);
            if (!endpoint) return Usage("--listen takes ADDR:PORT with a numeric address, e.g. 127.0.0.1:7140");
            listen = *endpoint;
        } else if (arg == "--bus") {
            devices.bus = std::string(value);
        } else if (arg == "--address") {
            devices.address = std::string(value);
        } else if (arg == "--speed") {
            devices.speed = std::string(value);
        } else if (arg == "--tls-cert") {
            certificateFile = std::filesystem::path(value);
        } else if (arg == "--tls-key") {
            keyFile = std::filesystem::path(value);
        } else if (arg == "--tls-key-pass-file") {
            passphraseFile = std::filesystem::path(value);
        } else if (arg == "--port-file") {
            portFile = std::filesystem::path(value);
        } else {
            modulePath = std::filesystem::path(value);
        }
    }
    // Every place is checked before any device is opened.
    std::vector<host::DevicePlace> places;
    std::vector<host::Bus> buses;
    try {
        places = host::DevicePlacesOf(devices);
        if (places.size() > static_cast<size_t>(web::kMostDevices)) return Usage("at most " + std::to_string(web::kMostDevices) + " devices");
        buses = host::MakeBuses(places, host::BusOptionsOf(devices));
    } catch (const host::CommandError& e) {
        return Usage(e.what());
    }
    if (certificateFile.has_value() != keyFile.has_value()) return Usage("--tls-cert and --tls-key go together");
    if (certificateFile && tls == false) return Usage("--tls-cert is for TLS, and --no-tls was given");
    if (passphraseFile && !keyFile) return Usage("--tls-key-pass-file goes with --tls-key");
    const bool network = !web::IsLoopback(listen.address);
    const bool secure = tls.value_or(network || certificateFile.has_value());

    try {
        const host::Module module(modulePath);
        std::optional<web::Certificate> certificate;
        std::optional<web::KeptPair> kept;
        const std::filesystem::path stateDirectory = secure && !certificateFile ? web::StateDirectory() : std::filesystem::path();
        if (secure && certificateFile) certificate = web::LoadCertificate(*certificateFile, *keyFile, passphraseFile);
        if (secure && !certificateFile) certificate = (kept = web::KeptCertificate(stateDirectory, listen.address))->certificate;
        web::Gate gate{listen, web::MakeToken(), secure};
        const std::string token = gate.token;
        web::NetLimits limits;
        if (network) limits.mostPerPeer = 16;
        web::NetServer net(std::move(gate), limits, certificate ? &*certificate : nullptr);
        web::Hub hub(module, net, std::move(buses), verify);
        // Its token opens the page once; SIGHUP (the service's reload) prints another.
        web::Endpoint shown{listen.address, 0};
        const auto printAddress = [&](const std::string& fresh) {
            std::cout << (secure ? "https://" : "http://") << web::HostText(shown) << "/?token=" << fresh << std::endl;
        };
        net.Listen({
            .opened = [&](web::ConnectionId id) { hub.Opened(id); },
            .message = [&](web::ConnectionId id, std::string_view text) { hub.Message(id, text); },
            .closed = [&](web::ConnectionId id) { hub.Closed(id); },
            .drained = [&](web::ConnectionId id) { hub.Drained(id); },
            .http = [&](const web::HttpRequest& request) { return hub.Http(request); },
            .asset = [](std::string_view path) { return web::FindAsset(path); },
            .log = [&](web::LogLevel level, const std::string& line) {
                if (level != web::LogLevel::Debug || verbose) std::cerr << line << std::endl;
            },
            .token = [&](const std::string& fresh) { printAddress(fresh); },
        });
        net.Every(std::chrono::milliseconds(40), [&] { hub.Tick(); });
        // Only now that the port is ours: a run that cannot listen keeps the old pair.
        if (kept) web::Keep(stateDirectory, *kept);

        // On every address: the first of this machine's that others reach it by.
        shown.port = net.Port();
        if (listen.address == "0.0.0.0" || listen.address == "::") {
            const auto addresses = web::MachineAddresses();
            shown.address = addresses.empty() ? (listen.address == "::" ? "::1" : "127.0.0.1") : addresses.front();
        }
        printAddress(token);
        if (certificate) std::cout << "certificate SHA-256 fingerprint " << certificate->fingerprint << std::endl;
        if (kept && !kept->why.empty())
            std::cout << "certificate made anew and kept in " << stateDirectory.string() << ": " << kept->why
                      << (kept->oldFingerprint.empty() ? "" : "; the old one's SHA-256 fingerprint was " + kept->oldFingerprint)
                      << std::endl;
        if (network)
            std::cout << "warning: serving the network on " << web::HostText({listen.address, net.Port()})
                      << (secure ? "" : " in clear text")
                      << ", not only this machine: anyone with the address above, token included, drives the "
                         "devices"
                      << std::endl;
        int simulated = 0;
        for (size_t d = 0; d < places.size(); ++d) {
            if (places[d].kind == host::DevicePlace::Kind::Simulated)
                ++simulated;
            else
                std::cout << "device " << d + 1 << ": " << hub.Device(static_cast<int>(d)).Status() << std::endl;
        }
        std::cout << simulated << " simulated QM7140 device(s); Ctrl+C ends" << std::endl;
        if (portFile) host::WriteReplacing(*portFile, std::to_string(net.Port()) + "\n");
        net.Run();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
}
