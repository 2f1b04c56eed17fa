// Presets: named state files on a shelf, a folder of the user's (or the service's own).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace host {

constexpr size_t kLongestPresetName = 64;

// $XDG_DATA_HOME/qm7140/presets (~/.local/share/...), %APPDATA%\qm7140\presets on Windows;
// CommandError when the environment names no home.
std::filesystem::path DefaultPresetShelf();
// CommandError saying why a name cannot be a preset's: empty, too long, a path, a dot file,
// a control character.
void CheckPresetName(std::string_view name);
// The file of a checked name.
std::filesystem::path PresetPath(const std::filesystem::path& shelf, std::string_view name);
// The names on the shelf, sorted; none when there is no shelf yet.
std::vector<std::string> ListPresets(const std::filesystem::path& shelf);

}  // namespace host
