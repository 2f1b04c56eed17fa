#include "host/terminal/bench_commands.h"

#include "host/common/device/presets.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"
#include "host/terminal/environment.h"
#include "host/terminal/session.h"

#include <ostream>

namespace host::bench_commands {

namespace {

// The chip read now; CommandError (after the failure's own line) when it cannot be.
RegisterValues ChipOf(Device& device, std::string name) {
    auto values = device.ReadNow(std::move(name));
    if (!values) throw CommandError("could not read " + device.Name());
    return *values;
}

// One side of a comparison from the words at `at`: chip, device N, or a state file.
RegisterValues SideOf(Session& s, const Args& a, size_t& at) {
    const std::string& word = a[at++];
    if (EqualsIgnoreCase(word, "chip")) return ChipOf(s.Current(), "chip");
    if (EqualsIgnoreCase(word, "device")) {
        if (at >= a.size()) throw CommandError("diff: device needs its number");
        const std::string number = a[at++];
        const auto n = ParseUnsigned(number);
        if (!n || *n < 1 || *n > s.DeviceCount()) throw CommandError("no device " + Quoted(number) + " (devices lists them)");
        return ChipOf(s.DeviceAt(static_cast<size_t>(*n - 1)), "device " + number);
    }
    return ValuesOf(std::filesystem::path(ExpandEnvironment(word)));
}

}  // namespace

// A failed transfer's record fails the command; the verbs' notes say the rest.
void Apply(Session& s, const Args& a) { s.Current().ApplyState(ExpandEnvironment(a[0])); }

void Diff(Session& s, const Args& a) {
    size_t at = 0;
    const RegisterValues first = SideOf(s, a, at);
    const RegisterValues second = at < a.size() ? SideOf(s, a, at) : ChipOf(s.Current(), "chip");
    if (at < a.size()) throw CommandError("diff: too many words; usage: diff A [B], each chip, device N or a FILE");
    s.Out() << ComparisonText(Compare(s.Api(), first, second));
}

void Check(Session& s, const Args& a) {
    const auto comparison = s.Current().Check(ExpandEnvironment(a[0]));
    if (comparison && !comparison->Equal()) s.Out() << ComparisonText(*comparison);
}

void Preset(Session& s, const Args& a) {
    const std::string& action = a[0];
    const auto shelf = DefaultPresetShelf();
    if (EqualsIgnoreCase(action, "list")) {
        if (a.size() > 1) throw CommandError("preset list takes no name");
        const auto names = ListPresets(shelf);
        for (const std::string& name : names) s.Out() << name << '\n';
        if (names.empty()) s.Out() << "(no presets in " << PathText(shelf) << ")\n";
        return;
    }
    if (a.size() < 2) throw CommandError("preset " + action + ": missing NAME");
    const std::string& name = a[1];
    const bool force = a.size() > 2 && a[2] == "--force";
    if (a.size() > 2 && (!force || !EqualsIgnoreCase(action, "save")))
        throw CommandError("preset: " + Quoted(a[2]) + " is not understood here; only save takes --force");
    Device& device = s.Current();
    if (EqualsIgnoreCase(action, "save"))
        device.SavePreset(shelf, name, force);
    else if (EqualsIgnoreCase(action, "apply"))
        device.ApplyPreset(shelf, name);
    else if (EqualsIgnoreCase(action, "diff")) {
        RegisterValues preset = ValuesOf(PresetPath(shelf, name));
        preset.name = "preset " + Quoted(name);
        s.Out() << ComparisonText(Compare(s.Api(), preset, ChipOf(device, "chip")));
    } else if (EqualsIgnoreCase(action, "delete"))
        device.DeletePreset(shelf, name);
    else
        throw CommandError("preset: unknown action " + Quoted(action) + " (list, save, apply, diff or delete)");
}

void Undo(Session& s, const Args&) { s.Current().Undo(); }

void Redo(Session& s, const Args&) { s.Current().Redo(); }

}  // namespace host::bench_commands
