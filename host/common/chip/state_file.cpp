#include "host/common/chip/state_file.h"

#include "host/common/text/files.h"

#include <sstream>

namespace host {

std::vector<std::pair<uint8_t, uint8_t>> ReadStateFile(const std::filesystem::path& path) {
    std::istringstream text(ReadBounded(path, kLargestStateFile));
    return ParseSaved(text, PathText(path));
}

void WriteStateFile(const std::filesystem::path& path, const RegisterFile& registers) {
    std::ostringstream text;
    registers.Save(text);
    WriteReplacing(path, text.str());
}

}  // namespace host
