// The registers the dialogs cover, written out for firmware and scripts: a C header, an
// i2cset shell script, or a register script that `replay` plays back. All three send the
// registers in one order, safe for a chip that is running.
#pragma once

#include "host/common/module/register_file.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace host {

enum class ExportFormat { CHeader, I2cset, Script };

struct ExportFormatInfo {
    ExportFormat format;
    std::string_view name;       // as the export command takes it
    std::string_view extension;  // without the dot
    std::string_view title;      // for a file dialog's list
};
std::span<const ExportFormatInfo> ExportFormats();
std::optional<ExportFormat> ExportFormatNamed(std::string_view name);

// The byte a register goes out with: register 1 never with its reset pulse bit.
uint8_t ExportedValue(const RegisterFile& registers, uint8_t reg);
// The same for one byte: what of it a register holds as a setting.
uint8_t HeldValue(uint8_t reg, uint8_t value);
// Registers 0 to 31, each once, in the order the exports send them (register 1 last): the
// order in which any host writes several settings to a running chip.
std::span<const uint8_t> ExportOrder();

// The file's whole text, for the chip at the 7-bit `address`.
std::string Export(ExportFormat format, const RegisterFile& registers, uint8_t address);

}  // namespace host
