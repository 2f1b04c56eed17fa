#include "host/common/device/presets.h"

#include "host/common/chip/state_file.h"
#include "host/common/device/device.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace host {

namespace {

constexpr std::string_view kExtension = ".txt";

std::filesystem::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::filesystem::path(value) : std::filesystem::path();
}

}  // namespace

std::filesystem::path DefaultPresetShelf() {
#ifdef _WIN32
    const auto data = FromEnvironment("APPDATA");
    if (data.empty()) throw CommandError("no folder for presets: APPDATA is not set");
    return data / "qm7140" / "presets";
#else
    auto data = FromEnvironment("XDG_DATA_HOME");
    if (data.empty() || data.is_relative()) {
        const auto home = FromEnvironment("HOME");
        if (home.empty()) throw CommandError("no folder for presets: neither XDG_DATA_HOME nor HOME is set");
        data = home / ".local" / "share";
    }
    return data / "qm7140" / "presets";
#endif
}

void CheckPresetName(std::string_view name) {
    const std::string shown = Quoted(name);
    if (name.empty()) throw CommandError("a preset needs a name");
    if (name.size() > kLongestPresetName)
        throw CommandError("preset name " + shown + " is longer than " + std::to_string(kLongestPresetName) + " bytes");
    if (name.front() == '.') throw CommandError("preset name " + shown + " starts with a dot");
    if (name.front() == ' ' || name.back() == ' ' || name.back() == '.')
        throw CommandError("preset name " + shown + " starts or ends with a blank, or ends with a dot");
    for (const char c : name) {
        if (c == '/' || c == '\\' || c == ':') throw CommandError("preset name " + shown + " holds a path separator");
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) throw CommandError("preset name " + shown + " holds a control character");
    }
}

std::filesystem::path PresetPath(const std::filesystem::path& shelf, std::string_view name) {
    CheckPresetName(name);
    const std::string file = std::string(name) + std::string(kExtension);
    return shelf / std::filesystem::path(std::u8string(file.begin(), file.end()));
}

std::vector<std::string> ListPresets(const std::filesystem::path& shelf) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(shelf, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error) || it->path().extension() != kExtension) continue;
        std::string name = PathText(it->path().stem());
        try {
            CheckPresetName(name);
        } catch (const CommandError&) {
            continue;  // not one of ours
        }
        names.push_back(std::move(name));
    }
    std::ranges::sort(names);
    return names;
}

void Device::SavePreset(const std::filesystem::path& shelf, std::string_view name, bool force) {
    const auto path = PresetPath(shelf, name);
    if (!force && std::filesystem::exists(path))
        throw CommandError("preset " + Quoted(name) + " exists; save it with --force to replace it");
    std::error_code error;
    std::filesystem::create_directories(shelf, error);
    if (error) throw CommandError("cannot make " + PathText(shelf) + ": " + error.message());
    WriteStateFile(path, chip_.Registers());
    preset_ = name;
    changedSincePreset_ = false;
    Note("saved preset " + Quoted(name) + " as " + PathText(path));
}

ApplyResult Device::ApplyPreset(const std::filesystem::path& shelf, std::string_view name) {
    const auto path = PresetPath(shelf, name);
    if (!std::filesystem::exists(path)) throw CommandError("no preset " + Quoted(name) + " in " + PathText(shelf));
    ApplyResult result = Apply(ValuesOf(path));
    if (result.Done()) {
        preset_ = name;
        changedSincePreset_ = false;
    }
    return result;
}

void Device::DeletePreset(const std::filesystem::path& shelf, std::string_view name) {
    const auto path = PresetPath(shelf, name);
    std::error_code error;
    if (!std::filesystem::remove(path, error)) {
        if (error) throw CommandError("cannot delete " + PathText(path) + ": " + error.message());
        throw CommandError("no preset " + Quoted(name) + " in " + PathText(shelf));
    }
    if (preset_ == name) preset_.clear(), changedSincePreset_ = false;
    Note("deleted preset " + Quoted(name));
}

}  // namespace host
