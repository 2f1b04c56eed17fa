#include "host/common/module/register_file.h"

#include "host/common/text/parse.h"

#include <cstdio>
#include <istream>
#include <ostream>
#include <string>

namespace host {

void RegisterFile::Dump(std::ostream& out) const {
    out << "   ";
    for (unsigned column = 0; column < 16; ++column) out << "  " << "0123456789ABCDEF"[column];
    out << '\n';
    for (unsigned row = 0; row < 256; row += 16) {
        char line[8 + 16 * 3];
        int used = std::snprintf(line, sizeof line, "%02X: ", row);
        for (unsigned column = 0; column < 16; ++column)
            used += std::snprintf(line + used, sizeof line - static_cast<size_t>(used), column < 15 ? "%02X " : "%02X",
                                  bytes[row + column]);
        out << line << '\n';
    }
}

void RegisterFile::Save(std::ostream& out) const {
    out << "# QM7140 registers: register value (hex)\n";
    for (unsigned reg = 0; reg < 256; ++reg) out << Hex(reg) << ' ' << Hex(bytes[reg]) << '\n';
}

std::vector<std::pair<uint8_t, uint8_t>> ParseSaved(std::istream& in, std::string_view source) {
    std::vector<std::pair<uint8_t, uint8_t>> values;
    ForEachLine(in, source, [&values](const std::string& line, int) {
        const auto words = Tokenize(line);
        if (words.empty()) return;
        if (words.size() != 2) throw CommandError("expected REGISTER VALUE");
        values.emplace_back(ParseByte(words[0], "register"), ParseByte(words[1], "value"));
    });
    // An empty file is far likelier a wrong or truncated one than a state meant to change nothing.
    if (values.empty()) throw CommandError(std::string(source) + ": holds no register; nothing changed");
    return values;
}

}  // namespace host
