// A host's register cache of one QM7140: 256 register bytes and their text forms.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

struct RegisterFile {
    std::array<uint8_t, 256> bytes{};

    // A hex table, 16 registers a line, for reading.
    void Dump(std::ostream& out) const;
    // One "REG VALUE" line per register, hex: readable, and diffable register by register.
    void Save(std::ostream& out) const;
};

// The (register, value) lines of a saved file; # comments and blank lines are skipped.
// Throws CommandError naming `source` and the line; nothing is returned half-read.
std::vector<std::pair<uint8_t, uint8_t>> ParseSaved(std::istream& in, std::string_view source);

}  // namespace host
