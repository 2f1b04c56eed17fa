#include "host/windows/options.h"

#include "host/common/module/module.h"
#include "host/common/text/command_line.h"
#include "host/common/text/parse.h"
#include "host/windows/text.h"

namespace winhost {

Options ParseOptions(const std::vector<std::wstring>& args) {
    Options options;
    std::string module;
    const host::CommandLine line{
        .program = "qm7140host",
        .about = "Loads QM7140.dll (the one beside this program unless a path is given) and makes one\n"
                 "instance of it per device. A simulated QM7140 has 256 registers, all 0 at power-up\n"
                 "but the limiter's curve (11 to 13).\n",
        .options = host::DeviceOptionTable(options.devices, {.device = "File > Connect... lists the bridges plugged in."}),
        .operand = "PATH\\QM7140.dll",
        .takeOperand = [&module](const std::string& path) { module = path; },
        .check = [&options] { options.places = host::DevicePlacesOf(options.devices); },
    };
    options.helpText = Widen(host::HelpText(line));
    options.usage = Widen(host::UsageLine(line));
    std::vector<std::string> narrow;
    // The Windows way of asking for help too.
    for (const std::wstring& arg : args) narrow.push_back(arg == L"/?" ? "--help" : Narrow(arg));
    try {
        const host::Asked asked = host::ParseCommandLine(line, narrow);
        options.help = asked == host::Asked::Help;
        options.version = asked == host::Asked::Version;
    } catch (const host::CommandError& e) {
        options.error = Widen(e.what());
    }
    options.module = module.empty() ? host::DefaultModulePath() : std::filesystem::path(Widen(module));
    return options;
}

}  // namespace winhost
