#include "host/windows/settings.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <system_error>

namespace winhost {

namespace {

constexpr const wchar_t* kWindow = L"Window";
constexpr const wchar_t* kRecent = L"Recent";

std::optional<long> Number(const std::filesystem::path& file, const wchar_t* section, const wchar_t* key) {
    wchar_t text[32] = {};
    GetPrivateProfileStringW(section, key, L"", text, 32, file.c_str());
    wchar_t* end = nullptr;
    const long value = std::wcstol(text, &end, 10);
    if (text[0] == 0 || end == nullptr || *end != 0) return std::nullopt;
    return value;
}

}  // namespace

std::filesystem::path DefaultSettingsFile() {
    const wchar_t* data = _wgetenv(L"APPDATA");
    if (data == nullptr || *data == 0) return {};
    return std::filesystem::path(data) / L"QM7140" / L"qm7140host.ini";
}

Settings ReadSettings(const std::filesystem::path& file) {
    Settings settings;
    if (file.empty()) return settings;
    const auto left = Number(file, kWindow, L"Left"), top = Number(file, kWindow, L"Top");
    const auto right = Number(file, kWindow, L"Right"), bottom = Number(file, kWindow, L"Bottom");
    if (left && top && right && bottom && *right > *left && *bottom > *top) settings.place = RECT{*left, *top, *right, *bottom};
    settings.maximized = Number(file, kWindow, L"Maximized").value_or(0) == 1;
    for (size_t i = 0; i < kMostRecentFiles; ++i) {
        wchar_t text[MAX_PATH * 4] = {};
        GetPrivateProfileStringW(kRecent, (L"File" + std::to_wstring(i + 1)).c_str(), L"", text, MAX_PATH * 4, file.c_str());
        if (text[0] != 0) settings.recent.emplace_back(text);
    }
    return settings;
}

bool WriteSettings(const std::filesystem::path& file, const Settings& settings) {
    if (file.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    const auto put = [&file](const wchar_t* section, const std::wstring& key, const std::wstring& value) {
        return WritePrivateProfileStringW(section, key.c_str(), value.c_str(), file.c_str()) != 0;
    };
    bool written = true;
    if (settings.place) {
        written = put(kWindow, L"Left", std::to_wstring(settings.place->left)) &&
                  put(kWindow, L"Top", std::to_wstring(settings.place->top)) &&
                  put(kWindow, L"Right", std::to_wstring(settings.place->right)) &&
                  put(kWindow, L"Bottom", std::to_wstring(settings.place->bottom));
    }
    written = put(kWindow, L"Maximized", settings.maximized ? L"1" : L"0") && written;
    WritePrivateProfileStringW(kRecent, nullptr, nullptr, file.c_str());  // the old list goes whole
    for (size_t i = 0; i < settings.recent.size() && i < kMostRecentFiles; ++i)
        written = put(kRecent, L"File" + std::to_wstring(i + 1), settings.recent[i].wstring()) && written;
    return written;
}

void Remember(std::vector<std::filesystem::path>& recent, const std::filesystem::path& path) {
    recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
    recent.insert(recent.begin(), path);
    if (recent.size() > kMostRecentFiles) recent.resize(kMostRecentFiles);
}

}  // namespace winhost
