#include "host/common/chip/register_export.h"

#include "host/common/chip/amplifier.h"
#include "host/common/text/parse.h"

#include <algorithm>
#include <array>

namespace host {

namespace {

constexpr ExportFormatInfo kFormats[] = {
    {ExportFormat::CHeader, "c", "h", "C header"},
    {ExportFormat::I2cset, "i2cset", "sh", "i2cset shell script"},
    {ExportFormat::Script, "script", "txt", "Register script"},
};

constexpr uint8_t kResetPulse = 0x01;  // register 1, bit 0

constexpr const char* kUnset = "no dialog setting; as the device holds it";

struct ExportedRegister {
    uint8_t reg;
    std::string_view holds;  // a comment beside the register
};
// Every register from 0 to 31 once, in the order they go out; register 1 last.
constexpr ExportedRegister kOrder[] = {
    {0x03, "input mode, digital source, PDM in, I2S out, LRCLK in"},
    {0x04, "SDOUT tag and tri-state, LRCLK out"},
    {0x05, "LRCLK and BCLK direction, clocks per frame, data format, word length"},
    {0x06, "data offset"},
    {0x07, "PDM, right and left output data"},
    {0x11, "PDM clock and edge"},
    {0x0B, "limiter inflection point"},
    {0x0C, "limiter slope"},
    {0x0D, "limiter level"},
    {0x0E, "hysteresis, limit mode, APT/VBAT, attack time"},
    {0x0F, "integration count, release time"},
    {0x14, "APT threshold and delay"},
    {0x00, kUnset}, {0x08, kUnset}, {0x09, kUnset}, {0x0A, kUnset}, {0x10, kUnset}, {0x12, kUnset},
    {0x13, kUnset}, {0x15, kUnset}, {0x16, kUnset}, {0x17, kUnset}, {0x18, kUnset}, {0x19, kUnset},
    {0x1A, kUnset}, {0x1B, kUnset}, {0x1C, kUnset}, {0x1D, kUnset}, {0x1E, kUnset}, {0x1F, kUnset},
    {0x02, "boost, APT and limiter enables"},
    {0x01, "shutdown, mute, noise gate, PLL source (reset bit clear)"},
};

constexpr bool EachCoveredRegisterOnceAndRegisterOneLast() {
    bool seen[kCoveredRegisters] = {};
    for (const ExportedRegister& r : kOrder) {
        if (r.reg >= kCoveredRegisters || seen[r.reg]) return false;
        seen[r.reg] = true;
    }
    return std::size(kOrder) == kCoveredRegisters && kOrder[kCoveredRegisters - 1].reg == 1;
}
static_assert(EachCoveredRegisterOnceAndRegisterOneLast());

constexpr auto kOrderRegisters = [] {
    std::array<uint8_t, std::size(kOrder)> regs{};
    for (size_t i = 0; i < regs.size(); ++i) regs[i] = kOrder[i].reg;
    return regs;
}();

// Comment lines of every format, each after its format's comment leader.
constexpr const char* kOrderNote[] = {
    "Order: the audio interface and its clocks first, then the limiter, the APT",
    "settings and the registers no dialog sets, then the enables of register 2;",
    "register 1 (shutdown, mute, noise gate, PLL source) goes last, so that the",
    "amplifier leaves shutdown only once everything else is in place. The reset",
    "bit (register 1, bit 0) is never sent set.",
};

void Comment(std::string& text, std::string_view leader, std::string_view line) {
    text += leader;
    if (!line.empty()) text += ' ';
    text += line;
    text += '\n';
}

void OrderNote(std::string& text, std::string_view leader) {
    for (const char* line : kOrderNote) Comment(text, leader, line);
}

std::string CHeader(const RegisterFile& registers, uint8_t address) {
    std::string text = "/* QM7140 register settings, exported by a QM7140 host.\n *\n";
    Comment(text, " *", "Send each {reg, value} pair in array order as one single-byte register");
    Comment(text, " *", "write to the chip at 7-bit address " + Hex(address) + ": START, " +
                           Hex(static_cast<unsigned>(address) << 1) + " (write), reg, value, STOP.");
    Comment(text, " *", "");
    OrderNote(text, " *");
    text += " */\n#ifndef QM7140_SETTINGS_H\n#define QM7140_SETTINGS_H\n\n"
            "struct qm7140_setting {\n    unsigned char reg;\n    unsigned char value;\n};\n\n"
            "static const struct qm7140_setting qm7140_settings[] = {\n";
    for (const ExportedRegister& r : kOrder)
        text += "    {" + Hex(r.reg) + ", " + Hex(ExportedValue(registers, r.reg)) + "}, /* " + std::string(r.holds) + " */\n";
    text += "};\n\n#define QM7140_SETTING_COUNT (sizeof qm7140_settings / sizeof qm7140_settings[0])\n\n#endif\n";
    return text;
}

std::string I2csetScript(const RegisterFile& registers, uint8_t address) {
    std::string text = "#!/bin/sh\n# QM7140 register settings, exported by a QM7140 host.\n";
    Comment(text, "#", "Usage: sh THIS-FILE BUS, BUS being the N of /dev/i2c-N. Stops at the first");
    Comment(text, "#", "write that fails.");
    OrderNote(text, "#");
    text += "set -e\n"
            "case ${1-} in\n"
            "''|*[!0-9]*) echo \"usage: $0 BUS (the number N of /dev/i2c-N)\" >&2; exit 2;;\n"
            "esac\n";
    for (const ExportedRegister& r : kOrder)
        text += "i2cset -y \"$1\" " + Hex(address) + " " + Hex(r.reg) + " " + Hex(ExportedValue(registers, r.reg)) + "  # " +
                std::string(r.holds) + "\n";
    return text;
}

std::string RegisterScript(const RegisterFile& registers, uint8_t address) {
    std::string text = "# QM7140 register settings, exported by a QM7140 host; replay FILE in a host plays it back.\n";
    Comment(text, "#", "w ADDRESS REGISTER VALUE... writes registers from REGISTER on; hex, 8-bit address.");
    OrderNote(text, "#");
    const std::string device = Hex(static_cast<unsigned>(address) << 1);
    // Registers that follow one another in the order go out in one line.
    for (size_t first = 0; first < std::size(kOrder);) {
        size_t end = first + 1;
        while (end < std::size(kOrder) && kOrder[end].reg == kOrder[end - 1].reg + 1) ++end;
        std::string line = "w " + device + " " + Hex(kOrder[first].reg);
        for (size_t i = first; i < end; ++i) {
            Comment(text, "#", Hex(kOrder[i].reg) + " " + std::string(kOrder[i].holds));
            line += " " + Hex(ExportedValue(registers, kOrder[i].reg));
        }
        text += line + "\n";
        first = end;
    }
    return text;
}

}  // namespace

std::span<const ExportFormatInfo> ExportFormats() { return kFormats; }

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
    for (const ExportFormatInfo& f : kFormats)
        if (EqualsIgnoreCase(f.name, name)) return f.format;
    return std::nullopt;
}

uint8_t ExportedValue(const RegisterFile& registers, uint8_t reg) { return HeldValue(reg, registers.bytes[reg]); }

uint8_t HeldValue(uint8_t reg, uint8_t value) { return reg == 1 ? static_cast<uint8_t>(value & ~kResetPulse) : value; }

std::span<const uint8_t> ExportOrder() { return kOrderRegisters; }

std::string Export(ExportFormat format, const RegisterFile& registers, uint8_t address) {
    switch (format) {
    case ExportFormat::CHeader: return CHeader(registers, address);
    case ExportFormat::I2cset: return I2csetScript(registers, address);
    case ExportFormat::Script: break;
    }
    return RegisterScript(registers, address);
}

}  // namespace host
