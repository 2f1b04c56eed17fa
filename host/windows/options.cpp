#include "host/windows/options.h"

#include "host/common/module.h"

#include <cwchar>

namespace winhost {

const wchar_t* const kUsage =
    L"qm7140host [--devices N] [--version] [PATH\\QM7140.dll]\n"
    L"\n"
    L"Loads QM7140.dll (the one beside this program unless a path is given) and makes one\n"
    L"instance per simulated QM7140 device (one unless --devices says up to 16).\n"
    L"Each device has 256 registers, all 0 at power-up.";

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
    return options;
}

}  // namespace winhost
