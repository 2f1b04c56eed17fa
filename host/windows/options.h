// The command line of qm7140host.exe.
#pragma once

#include "host/common/bus/device_options.h"

#include <filesystem>
#include <string>
#include <vector>

namespace winhost {

struct Options {
    std::filesystem::path module;  // QM7140.dll beside the host unless given
    host::DeviceOptions devices;
    std::vector<host::DevicePlace> places;  // one per device, in order
    bool help = false;
    bool version = false;  // tell the host's and the module's versions, then end
    std::wstring error;    // what is wrong with the command line; empty when nothing is
    std::wstring helpText, usage;  // --help's text, and the usage line after an error
};

// The arguments after the program's name.
Options ParseOptions(const std::vector<std::wstring>& args);

}  // namespace winhost
