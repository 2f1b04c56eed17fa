// qm7140-host: a terminal host for the module, with a simulated QM7140 behind it.
#include "host/terminal/commands.h"
#include "host/common/files.h"
#include "host/common/module.h"
#include "host/terminal/session.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

// Fontconfig keeps the fonts a snapshot loads for the life of the process; a leak checker
// in a sanitizer build is told so.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

void PrintHelp(std::ostream& out) {
    out << "usage: qm7140-host [--module PATH] [SCRIPT | -]\n"
           "\n"
           "Loads libqm7140.so (the one beside this program unless --module names another),\n"
           "creates one instance and connects its three register windows to a simulated\n"
           "QM7140: 256 registers, all 0 at power-up. Every bus write the module makes is\n"
           "printed as one line, e.g. \"W 0x80/0 reg 0x02 = 0x55\" (device address/page,\n"
           "register, the byte written).\n"
           "\n"
           "Commands come one a line from SCRIPT, from standard input (\"-\", or when it is\n"
           "not a terminal; each line is echoed as \"> line\"), or at a prompt.\n"
           "A line that fails prints one \"error:\" line and the rest still runs.\n"
           "\n"
           "Exit status: 0 when every line ran; 1 when a line failed (after running the\n"
           "rest) or the module could not be used; 2 for bad options.\n"
           "\n"
           "Commands:\n";
    host::PrintCommands(out);
}

int Usage(const std::string& problem) {
    std::cerr << "error: " << problem << "\nusage: qm7140-host [--module PATH] [SCRIPT | -]  (--help for more)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path modulePath = host::DefaultModulePath();
    std::optional<std::string> script;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp(std::cout);
            return 0;
        }
        if (arg == "--module") {
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

    try {
        std::ifstream file;
        if (script && *script != "-") file = host::OpenInput(*script);
        std::istream& in = file.is_open() ? file : std::cin;
        host::Session session(modulePath, std::cout, std::cerr);
        int status = 0;
        if (interactive)
            session.RunInteractive(in);
        else
            status = session.RunScript(in, true) == 0 ? 0 : 1;
        // A transcript that could not be written is a failure, not a success.
        errno = 0;
        if (!std::cout.flush()) {
            std::cerr << "error: cannot write the output: " << std::strerror(errno != 0 ? errno : EIO) << '\n';
            return 1;
        }
        return status;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
}
