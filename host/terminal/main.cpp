// qm7140-host: a terminal host for the module, with a simulated QM7140 or a real one behind it.
#include "host/terminal/commands.h"
#include "host/common/text/files.h"
#include "host/common/bus/device_options.h"
#include "host/common/module/module.h"
#include "host/common/text/parse.h"
#include "host/terminal/session.h"
#include "qm7140_version.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Fontconfig keeps the fonts a snapshot loads for the life of the process; a leak checker
// in a sanitizer build is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

constexpr const char* kUsage =
    "qm7140-host [--module PATH] [--device PLACE]... [--devices N] [--bus /dev/i2c-N [--address 0xNN]] [--speed 100|400] [--verify] [SCRIPT | -]";

// Laid out for help2man as well as for a terminal: "Usage:" makes the SYNOPSIS, "Options:"
// the OPTIONS, and an indented term with two blanks after it one tagged paragraph.
void PrintHelp(std::ostream& out) {
    out << "Usage: " << kUsage << "\n"
           "\n"
           "Loads the QM7140 module, creates one instance and connects its three register\n"
           "windows to a simulated QM7140: 256 registers, all 0 at power-up but the\n"
           "limiter's curve (11 to 13), or to real ones. Every bus write the module makes is\n"
           "printed as one line, e.g. \"W 0x80/0 reg 0x02 = 0x55\" (device address/page,\n"
           "register, the byte written).\n"
           "\n"
           "Commands come one a line from SCRIPT, from standard input (\"-\", or when it is\n"
           "not a terminal; each line is echoed as \"> line\"), or at a prompt. A line that\n"
           "fails prints one \"error:\" line and the rest still runs.\n"
           "\n"
           "Options:\n"
           "  --module PATH      the module; without it libqm7140.so beside this program,\n"
           "                     else the installed one,\n"
           "                     " << host::InstalledModulePath().string() << ".\n"
           "  --device PLACE     once per device in order: sim (a simulated QM7140),\n"
           "                     i2c:/dev/i2c-N[@0xNN] (a real one on that I2C adapter,\n"
           "                     7-bit address, default 0x40), or one behind a USB-HID I2C\n"
           "                     bridge, hid:/dev/hidrawN[@0xNN] or\n"
           "                     hid:VVVV:PPPP[:SERIAL][@0xNN] (\"bridges\" lists them).\n"
           "                     Chips on one adapter share it; \"devices\" lists them and\n"
           "                     \"device N\" picks the one the commands act on.\n"
           "  --devices N        N simulated devices, 1 to 16.\n"
           "  --bus /dev/i2c-N   the short form of one i2c: device. Registers 0x00 to 0x1F\n"
           "                     are read from the chip at once and every write goes to it;\n"
           "                     a failed transfer prints an \"error:\" line and the register\n"
           "                     is read back once the command is over. When the adapter is\n"
           "                     gone the bus goes offline until \"connect\".\n"
           "  --address 0xNN     the chip's 7-bit address on --bus (default 0x40, the\n"
           "                     module's 0x80).\n"
           "  --speed 100|400    the bridges' bus speed in kHz (default 100).\n"
           "  --verify           every write that went through is read back; another byte is\n"
           "                     an error.\n"
           "  --help             prints this and ends.\n"
           "  --version          prints the version and ends.\n"
           "\n"
           "Exit status: 0 when every line ran; 1 when a line failed (after running the\n"
           "rest), the module could not be used or --bus did not connect; 2 for bad options.\n"
           "\n"
           "Commands:\n";
    host::PrintCommands(out);
}

int Usage(const std::string& problem) {
    std::cerr << "error: " << problem << "\nusage: " << kUsage << "  (--help for more)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path modulePath = host::DefaultModulePath();
    std::optional<std::string> script;
    host::DeviceOptions devices;
    bool verify = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::optional<std::string> given, count;
        std::optional<std::string>* value = nullptr;
        if (arg == "--bus" || arg.starts_with("--bus=")) value = &devices.bus;
        if (arg == "--address" || arg.starts_with("--address=")) value = &devices.address;
        if (arg == "--device" || arg.starts_with("--device=")) value = &given;
        if (arg == "--devices" || arg.starts_with("--devices=")) value = &count;
        if (arg == "--speed" || arg.starts_with("--speed=")) value = &devices.speed;
        if (value != nullptr) {
            const size_t equals = arg.find('=');
            if (equals != std::string_view::npos)
                *value = std::string(arg.substr(equals + 1));
            else if (++i < argc)
                *value = argv[i];
            else
                return Usage(std::string(arg) + " needs a value");
            if (given) devices.devices.push_back(*given);
            if (count) {
                const auto n = host::ParseUnsigned(*count);
                if (!n || *n < 1 || *n > 16) return Usage("--devices takes 1 to 16");
                devices.count = static_cast<int>(*n);
            }
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            PrintHelp(std::cout);
            return 0;
        }
        if (arg == "--version") {
            std::cout << "qm7140-host " QM7140_VERSION_TEXT "\n";
            return 0;
        }
        if (arg == "--verify") {
            verify = true;
        } else if (arg == "--module") {
            if (++i == argc) return Usage("--module needs a PATH");
            modulePath = argv[i];
        } else if (arg.starts_with("--module=")) {
            modulePath = std::string(arg.substr(9));
        } else if (arg.starts_with("-") && arg != "-") {
            return Usage("unknown option " + std::string(arg));
        } else if (script) {
            return Usage("one script at most");
        } else {
            script = arg;
        }
    }
    const bool interactive = !script && isatty(STDIN_FILENO) != 0;
    // Every place is checked before any device is opened.
    std::vector<host::DevicePlace> places;
    std::vector<host::Bus> buses;
    try {
        places = host::DevicePlacesOf(devices);
        buses = host::MakeBuses(places, host::BusOptionsOf(devices));
    } catch (const host::CommandError& e) {
        return Usage(e.what());
    }

    try {
        std::ifstream file;
        if (script && *script != "-") file = host::OpenInput(*script);
        std::istream& in = file.is_open() ? file : std::cin;
        std::vector<host::ChipPlace> chips;
        for (size_t d = 0; d < places.size(); ++d)
            chips.push_back({places[d].kind == host::DevicePlace::Kind::Simulated ? "sim" : places[d].adapter, std::move(buses[d])});
        // A chip that did not connect is reported; the session goes on with it offline, so
        // that "connect" can try again.
        host::Session session(modulePath, std::cout, std::cerr, std::move(chips), verify);
        int status = session.AllOnline() ? 0 : 1;
        if (interactive)
            session.RunInteractive(in);
        else
            status = session.RunScript(in, true) == 0 ? status : 1;
        // A transcript that could not be written is a failure, not a success.
        errno = 0;
        if (!std::cout.flush()) {
            const int error = session.OutputError() != 0 ? session.OutputError() : errno != 0 ? errno : EIO;
            std::cerr << "error: cannot write the output: " << std::strerror(error) << '\n';
            return 1;
        }
        return status;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
}
