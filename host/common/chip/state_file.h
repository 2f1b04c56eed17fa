// A device's state on disk, the same file for every host: one "REG VALUE" line per register.
#pragma once

#include "host/common/module/register_file.h"

#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

namespace host {

// Every (register, value) of the file, or CommandError naming the file and the bad line
// ("regs.txt:3: value 0x100 is above 255"): a caller applies all of it or nothing.
std::vector<std::pair<uint8_t, uint8_t>> ReadStateFile(const std::filesystem::path& path);
// All 256 registers; the old file stays whole when the write fails.
void WriteStateFile(const std::filesystem::path& path, const RegisterFile& registers);

}  // namespace host
