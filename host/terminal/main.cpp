// qm7140-host: a terminal host for the module, with a simulated QM7140 or a real one behind it.
#include "host/terminal/commands.h"
#include "host/common/text/files.h"
#include "host/common/bus/device_options.h"
#include "host/common/module/module.h"
#include "host/common/text/command_line.h"
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
#include <sstream>
#include <string>
#include <vector>

// Fontconfig keeps the fonts a snapshot loads for the life of the process; a leak checker
// in a sanitizer build is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

struct Settings {
    std::filesystem::path module = host::DefaultModulePath();
    std::optional<std::string> script;
    std::optional<std::string> check, apply;  // a state file for the bench, then out
    host::DeviceOptions devices;
    std::vector<host::DevicePlace> places;
    bool timestamps = false;
};

host::CommandLine TerminalCommandLine(Settings& settings) {
    std::ostringstream commands;
    host::PrintCommands(commands);
    host::CommandLine line{
        .program = "qm7140-host",
        .about = "Loads the QM7140 module, creates one instance and connects its three register\n"
                 "windows to a simulated QM7140: 256 registers, all 0 at power-up but the\n"
                 "limiter's curve (11 to 13), or to real ones. Every bus write the module makes is\n"
                 "printed as one line, e.g. \"W 0x80/0 reg 0x02 = 0x55\" (device address/page,\n"
                 "register, the byte written).\n"
                 "\n"
                 "Commands come one a line from SCRIPT, from standard input (\"-\", or when it is\n"
                 "not a terminal; each line is echoed as \"> line\"), or at a prompt. A line that\n"
                 "fails prints one \"error:\" line and the rest still runs.\n",
        .options = {host::ModuleOption(settings.module),
                    {"--timestamps", "",
                     "each line printed with its time, and a transfer with how long it took: \"14:02:07.123456 (85 us)  W "
                     "0x80/0 reg 0x02 = 0x55\".",
                     [&settings](const std::string&) { settings.timestamps = true; }},
                    {"--check", "FILE",
                     "Compare the chip (the first device), read now, with a state FILE, print the differences and "
                     "exit: 0 equal, 1 they differ, 2 could not tell (a bad file, no chip, a failed read). Never "
                     "writes to the chip.",
                     [&settings](const std::string& file) { settings.check = file; }},
                    {"--apply", "FILE",
                     "Bring the chip (the first device) to a state FILE: read it, write only registers 0x00-0x1F "
                     "that differ, in the exports' safe order and never the reset bit, then compare it again and exit "
                     "as --check does (0 when the chip then equals the file).",
                     [&settings](const std::string& file) { settings.apply = file; }}},
        .operand = "SCRIPT | -",
        .takeOperand = [&settings](const std::string& script) { settings.script = script; },
        .after = "Exit status: 0 when every line ran; 1 when a line failed (after running the\n"
                 "rest), the module could not be used or --bus did not connect; 2 for bad options.\n"
                 "With --check or --apply: 0 equal, 1 different, 2 could not tell.\n"
                 "\n"
                 "Commands:\n" +
                 commands.str(),
        .check =
            [&settings] {
                settings.places = host::DevicePlacesOf(settings.devices);
                if (settings.check && settings.apply) throw host::CommandError("--check and --apply do not go together");
                if ((settings.check || settings.apply) && settings.script)
                    throw host::CommandError("--check and --apply run no script; leave out " + host::Quoted(*settings.script));
            },
    };
    const auto devices = host::DeviceOptionTable(
        settings.devices, {.device = "Chips on one adapter share it; \"bridges\" lists the bridges, \"devices\" the devices, and "
                                     "\"device N\" picks the one the commands act on.",
                           .bus = "A failed transfer prints an \"error:\" line and the register is read back once the command "
                                  "is over. When the adapter is gone the bus goes offline until \"connect\"."});
    line.options.insert(line.options.end(), devices.begin(), devices.end());
    return line;
}

// --check and --apply: a verdict as the exit status, for a production bench's script.
int Bench(const Settings& settings, std::vector<host::Bus> buses) {
    constexpr int kEqual = 0, kDiffer = 1, kCannotTell = 2;
    try {
        std::vector<host::ChipPlace> chips;
        const host::DevicePlace& place = settings.places.front();
        chips.push_back({place.kind == host::DevicePlace::Kind::Simulated ? "sim" : place.adapter, std::move(buses.front())});
        host::Session session(settings.module, std::cout, std::cerr, std::move(chips), settings.devices.verify);
        if (!session.AllOnline()) return kCannotTell;
        host::Device& device = session.Current();
        const std::filesystem::path file = settings.check ? *settings.check : *settings.apply;
        if (settings.apply && !device.ApplyState(file).read) return kCannotTell;
        const auto comparison = device.Check(file);
        if (!comparison) return kCannotTell;
        if (!comparison->Equal()) std::cout << host::ComparisonText(*comparison);
        std::cout.flush();
        return comparison->Equal() ? kEqual : kDiffer;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return kCannotTell;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    const host::CommandLine line = TerminalCommandLine(settings);
    if (const auto status = host::ParseOrEnd(line, {argv + 1, argv + argc}, QM7140_VERSION_TEXT, std::cout, std::cerr)) return *status;
    std::vector<host::Bus> buses;
    try {
        buses = host::MakeBuses(settings.places, settings.devices.adapters);
    } catch (const host::CommandError& e) {
        std::cerr << "error: " << e.what() << "\n" << host::UsageLine(line) << "\n";
        return 2;
    }
    if (settings.check || settings.apply) return Bench(settings, std::move(buses));
    const bool interactive = !settings.script && isatty(STDIN_FILENO) != 0;
    try {
        std::ifstream file;
        if (settings.script && *settings.script != "-") file = host::OpenInput(*settings.script);
        std::istream& in = file.is_open() ? file : std::cin;
        std::vector<host::ChipPlace> chips;
        for (size_t d = 0; d < settings.places.size(); ++d) {
            const host::DevicePlace& place = settings.places[d];
            chips.push_back({place.kind == host::DevicePlace::Kind::Simulated ? "sim" : place.adapter, std::move(buses[d])});
        }
        // A chip that did not connect is reported; the session goes on with it offline, so
        // that "connect" can try again.
        host::Session session(settings.module, std::cout, std::cerr, std::move(chips), settings.devices.verify,
                              settings.timestamps);
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
