#include "host/windows/options.h"

#include "host/common/bus/device_options.h"
#include "host/common/module/module.h"
#include "host/common/text/parse.h"
#include "host/windows/text.h"

#include <cwchar>

namespace winhost {

const wchar_t* const kUsage =
    L"qm7140host [--devices N | --device PLACE...] [--speed 100|400] [--verify] [--help] [--version] [PATH\\QM7140.dll]\n"
    L"\n"
    L"Loads QM7140.dll (the one beside this program unless a path is given) and makes one\n"
    L"instance per simulated QM7140 device (one unless --devices says up to 16).\n"
    L"Each device has 256 registers, all 0 at power-up but the limiter's curve (11 to 13).\n"
    L"--device PLACE, once per device in order, names each: sim is a simulated QM7140,\n"
    L"hid:VVVV:PPPP[:SERIAL][@0xNN] a chip behind a USB-HID I2C bridge (7-bit address,\n"
    L"default 0x40). File > Connect... lists the bridges plugged in.\n"
    L"--speed 100|400 runs the bridges' bus at that many kHz (100 unless given).\n"
    L"--verify reads back every write; another byte than the one sent is an error.";

namespace {

// 1 to kMostDevices in decimal, nothing else.
int DeviceCount(const std::wstring& text) {
    if (text.empty() || text.size() > 2) return 0;
    int count = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        count = count * 10 + (c - L'0');
    }
    return count <= kMostDevices ? count : 0;
}

}  // namespace

Options ParseOptions(const std::vector<std::wstring>& args) {
    Options options;
    bool modulePath = false;
    host::DeviceOptions devices;
    auto fail = [&](const std::wstring& problem) {
        options.error = problem;
        return options;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            options.help = true;
        } else if (arg == L"--version") {
            options.version = true;
        } else if (arg == L"--devices" || arg.starts_with(L"--devices=")) {
            std::wstring count;
            if (arg != L"--devices") count = arg.substr(10);
            else if (i + 1 < args.size()) count = args[++i];
            else return fail(L"--devices needs a number");
            options.devices = DeviceCount(count);
            if (options.devices == 0) return fail(L"--devices takes 1 to 16, not \"" + count + L"\"");
            devices.count = options.devices;
        } else if (arg == L"--device" || arg.starts_with(L"--device=")) {
            if (arg != L"--device") devices.devices.push_back(Narrow(arg.substr(9)));
            else if (i + 1 < args.size()) devices.devices.push_back(Narrow(args[++i]));
            else return fail(L"--device needs a PLACE such as sim");
        } else if (arg == L"--speed" || arg.starts_with(L"--speed=")) {
            std::wstring speed;
            if (arg != L"--speed") speed = arg.substr(8);
            else if (i + 1 < args.size()) speed = args[++i];
            else return fail(L"--speed needs 100 or 400");
            try {
                options.bus.speedKhz = host::ParseSpeed(Narrow(speed));
            } catch (const host::CommandError& e) {
                return fail(Widen(e.what()));
            }
        } else if (arg == L"--verify") {
            options.verify = true;
        } else if (arg.starts_with(L"--")) {
            return fail(L"unknown option " + arg);
        } else if (modulePath) {
            return fail(L"one module path at most");
        } else {
            options.module = arg;
            modulePath = true;
        }
    }
    if (!modulePath) options.module = host::DefaultModulePath();
    try {
        options.places = host::DevicePlacesOf(devices);
    } catch (const host::CommandError& e) {
        return fail(Widen(e.what()));
    }
    if (options.places.size() > static_cast<size_t>(kMostDevices)) return fail(L"at most 16 devices");
    options.devices = static_cast<int>(options.places.size());
    return options;
}

}  // namespace winhost
