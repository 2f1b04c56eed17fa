// State files as another system writes them.
#include "host/common/chip/state_file.h"
#include "host/common/text/parse.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

TEST(StateFile, RoundTripsAndReadsLinesEndedTheWindowsWay) {
    const auto file = std::filesystem::temp_directory_path() / ("qm7140-state-" + std::to_string(getpid()) + ".txt");
    host::RegisterFile saved;
    for (unsigned reg = 0; reg < 256; ++reg) saved.bytes[reg] = static_cast<uint8_t>(reg * 7);
    host::WriteStateFile(file, saved);
    host::RegisterFile loaded;
    for (const auto& [reg, value] : host::ReadStateFile(file)) loaded.bytes[reg] = value;
    EXPECT_EQ(loaded.bytes, saved.bytes);

    std::ofstream(file, std::ios::binary) << "# saved on Windows\r\n0x02 0x40\r\n\r\n0x14 0x0B\r\n";
    EXPECT_EQ(host::ReadStateFile(file), (std::vector<std::pair<uint8_t, uint8_t>>{{2, 0x40}, {20, 0x0B}}));
    std::filesystem::remove(file);
}

}  // namespace
