// What the host keeps between runs, in an ini file of the user's: where its window was and
// the state files used lately.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <vector>

namespace winhost {

constexpr size_t kMostRecentFiles = 4;

struct Settings {
    std::optional<RECT> place;  // the window's normal (not maximised) place
    bool maximized = false;
    std::vector<std::filesystem::path> recent;  // newest first
};

// %APPDATA%\QM7140\qm7140host.ini; empty when the system names no such folder.
std::filesystem::path DefaultSettingsFile();
// What `file` holds; nothing of what is missing or not a number.
Settings ReadSettings(const std::filesystem::path& file);
// Written whole, its folder made when it is missing; false when it cannot be.
bool WriteSettings(const std::filesystem::path& file, const Settings& settings);
// `path` first in the list, once, the list kept short.
void Remember(std::vector<std::filesystem::path>& recent, const std::filesystem::path& path);

}  // namespace winhost
