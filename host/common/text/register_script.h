// Register scripts: the plain text a bring-up engineer writes or `export script` makes; a
// device plays them (Amplifier::Play). One command a line, numbers in hex (0x optional):
//   # a comment            (also after a command)
//   w ADDRESS REG VALUE... writes VALUE to REG, the next VALUE to REG + 1, and so on
//   d MS                   waits MS milliseconds (decimal)
//   r ADDRESS REG COUNT    reads COUNT registers from REG on and prints them
// ADDRESS is the chip's 8-bit address (0x80 for a chip at 7-bit 0x40).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace host {

// Bounds that keep a hostile file from hanging the host.
constexpr size_t kLargestScript = 64 * 1024;
constexpr std::chrono::milliseconds kLongestScriptDelay{10'000};  // all delays together

struct ScriptStep {
    enum class Kind { Write, Delay, Read } kind;
    int line;
    uint8_t reg = 0;
    std::vector<uint8_t> values;  // Write
    unsigned count = 0;           // Read: registers; Delay: milliseconds
};

// Every step of the script, checked whole for the chip at 8-bit `address` before anything
// runs; CommandError "FILE:7: ..." for the first line that is not valid.
std::vector<ScriptStep> ParseScript(std::string_view text, std::string_view source, uint8_t address);
std::vector<ScriptStep> ReadScript(const std::filesystem::path& path, uint8_t address);

}  // namespace host
