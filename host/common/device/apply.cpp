// Settings brought to the chip, and the chip compared with them.
#include "host/common/device/device.h"

#include "host/common/text/files.h"
#include "host/common/text/parse.h"

namespace host {

namespace {

std::string RegisterList(const std::vector<uint8_t>& regs) {
    std::string text;
    for (const uint8_t reg : regs) text += (text.empty() ? "" : " ") + Hex(reg);
    return text;
}

}  // namespace

std::optional<RegisterValues> Device::ReadNow(std::string name) {
    const auto asking = Asks("read for a comparison");
    if (MayWait()) {
        if (!chip_.ReadAll()) return std::nullopt;
        Resync();
    }
    return ValuesOf(std::move(name), chip_.Registers().bytes);
}

ApplyResult Device::Apply(const RegisterValues& state) {
    EndAction();
    const auto asking = Asks("apply");
    const std::string from = "apply " + state.name;
    ApplyResult result;
    // The cache may be stale (a loaded file, someone else's i2cset): the chip says what it holds.
    if (MayWait() && !chip_.ReadAll()) {
        result.read = false;
        Note(from + ": nothing written; the chip could not be read first");
        return result;
    }
    Resync();
    Step step{from, {}};
    std::vector<uint8_t> due;
    for (const uint8_t reg : ExportOrder()) {
        if (!state.bytes[reg]) continue;
        if (HeldValue(reg, chip_.Registers().bytes[reg]) == HeldValue(reg, *state.bytes[reg]))
            ++result.equal;
        else
            due.push_back(reg);
    }
    {
        const Busy busy(*this);
        for (size_t i = 0; i < due.size(); ++i) {
            const uint8_t reg = due[i];
            const uint8_t before = HeldValue(reg, chip_.Registers().bytes[reg]);
            const uint8_t value = HeldValue(reg, *state.bytes[reg]);
            if (!chip_.Write(reg, value)) {
                result.failed = reg;
                result.unsent.assign(due.begin() + static_cast<ptrdiff_t>(i) + 1, due.end());
                break;
            }
            result.written.push_back(reg);
            step.changes.push_back({reg, 0xFF, before, value});
        }
    }
    Changed(std::move(step));
    std::string summary = from + ": wrote " + std::to_string(result.written.size()) + " register(s)";
    if (!result.written.empty()) summary += " (" + RegisterList(result.written) + ")";
    summary += ", " + std::to_string(result.equal) + " already equal";
    if (result.failed) {
        summary += "; stopped at " + Hex(*result.failed) + ", which failed";
        if (!result.unsent.empty()) summary += "; never sent: " + RegisterList(result.unsent);
    }
    Note(std::move(summary));
    return result;
}

ApplyResult Device::ApplyState(const std::filesystem::path& path) { return Apply(ValuesOf(path)); }

std::optional<Comparison> Device::Check(const std::filesystem::path& path) {
    const RegisterValues file = ValuesOf(path);
    const auto chip = ReadNow();
    if (!chip) {
        Note("check " + file.name + ": could not tell; the chip could not be read");
        return std::nullopt;
    }
    Comparison comparison = Compare(module_, *chip, file);
    Note("check " + file.name + ": " +
         (comparison.Equal() ? "equal" : "differs in " + std::to_string(comparison.registers.size()) + " register(s)"));
    return comparison;
}

}  // namespace host
