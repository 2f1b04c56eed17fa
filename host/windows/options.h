// The command line of qm7140host.exe.
#pragma once

#include "host/common/bus/device_place.h"

#include <filesystem>
#include <string>
#include <vector>

namespace winhost {

// The module makes at most this many instances per load.
constexpr int kMostDevices = 16;

struct Options {
    std::filesystem::path module;  // QM7140.dll beside the host unless given
    int devices = 1;
    std::vector<host::DevicePlace> places;  // one per device, in order
    host::BusOptions bus;                 // --speed
    bool verify = false;                  // every write read back
    bool help = false;
    bool version = false;  // tell the host's and the module's versions, then end
    std::wstring error;  // what is wrong with the command line; empty when nothing is
};

// The arguments after the program's name.
Options ParseOptions(const std::vector<std::wstring>& args);

extern const wchar_t* const kUsage;

}  // namespace winhost
