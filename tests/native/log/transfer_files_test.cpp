// The saved log's two files, byte for byte: what a spreadsheet and Wireshark read.
#include "host/common/log/transfer_files.h"
#include "host/common/text/parse.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

using host::Transfer;
using namespace std::chrono_literals;

// 2024-05-01T12:34:56.000000Z
constexpr auto kNoon = std::chrono::sys_days{std::chrono::year{2024} / 5 / 1} + 12h + 34min + 56s;

Transfer Write(uint8_t reg, uint8_t value, std::string source = "limiter AttackTime") {
    return {kNoon + 123456us, std::chrono::steady_clock::time_point{12s + 345678901ns}, 250us, "i2c:/dev/i2c-1@0x40", 1, 0x40, reg, Transfer::Direction::Write, value, 0, "", std::move(source)};
}

Transfer Read(uint8_t reg, uint8_t value, int error = 0, std::string why = "") {
    return {kNoon + 1s, {}, 1500us, "hid:04D8:00DD@0x41", 0, 0x41, reg, Transfer::Direction::Read, value, error, std::move(why), "script.qmh:3"};
}

std::vector<std::string> Lines(const std::string& csv) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < csv.size(); at = end + 2) {
        end = csv.find("\r\n", at);
        lines.push_back(csv.substr(at, end - at));
    }
    return lines;
}

// A row per transfer under the header; texts quoted where they must be, and never taken for a
// formula; a failed read has no value and says why.
TEST(TransferFiles, CsvHasOneRowPerTransfer) {
    const struct {
        Transfer transfer;
        const char* row;
    } cases[] = {
        {Write(0x0E, 0x07), "2024-05-01T12:34:56.123456Z,0.000250,i2c:/dev/i2c-1@0x40,0x40,0x0E,write,0x07,done,limiter AttackTime,12.345678901"},
        {Read(0x0B, 0xB1), "2024-05-01T12:34:57.000000Z,0.001500,hid:04D8:00DD@0x41,0x41,0x0B,read,0xB1,done,script.qmh:3,0.000000000"},
        {Read(0x0B, 0, ENXIO, "no chip acknowledged its address"),
         "2024-05-01T12:34:57.000000Z,0.001500,hid:04D8:00DD@0x41,0x41,0x0B,read,,ENXIO: no chip acknowledged its address,script.qmh:3,0.000000000"},
        {Write(0x02, 0x40, "set \"a, b\"\nnext"), "2024-05-01T12:34:56.123456Z,0.000250,i2c:/dev/i2c-1@0x40,0x40,0x02,write,0x40,done,\"set \"\"a, b\"\"\nnext\",12.345678901"},
        {Write(0x02, 0x40, "=HYPERLINK(\"x\")"), "2024-05-01T12:34:56.123456Z,0.000250,i2c:/dev/i2c-1@0x40,0x40,0x02,write,0x40,done,\"'=HYPERLINK(\"\"x\"\")\",12.345678901"},
        {Write(0x02, 0x40, "-1+1"), "2024-05-01T12:34:56.123456Z,0.000250,i2c:/dev/i2c-1@0x40,0x40,0x02,write,0x40,done,'-1+1,12.345678901"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        const std::vector<std::string> lines = Lines(host::TransfersCsv({&c.transfer, 1}));
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], "time,duration,device,address,register,direction,value,result,source,monotonic");
        EXPECT_EQ(lines[1], c.row);
    }
    EXPECT_EQ(Lines(host::TransfersCsv({})).size(), 1u) << "an empty log is the header";
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (const int b : bytes) out += static_cast<char>(b);
    return out;
}

// The capture's header (nanosecond times, link type 209), then a packet per I2C message: a
// write's [reg, value]; a read's [reg] at its start and [value] at its end, empty when it
// failed. Each after the bus and the message's flags, and the address byte with its read bit.
TEST(TransferFiles, PcapHasAPacketPerMessage) {
    const std::vector<Transfer> transfers{Write(0x0E, 0x07), Read(0x0B, 0xB1), Read(0x0C, 0, ETIMEDOUT)};
    const std::string pcap = host::TransfersPcap(transfers);
    const std::string noon = Bytes({0xF0, 0x36, 0x32, 0x66});  // 1714566896 s, little-endian
    const std::string second = Bytes({0xF1, 0x36, 0x32, 0x66});
    const std::string expected =
        Bytes({0x4D, 0x3C, 0xB2, 0xA1, 2, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 209, 0, 0, 0}) +
        // the write, at .123456 s: bus 1, flags 0, 0x40 writing, [0x0E, 0x07]
        noon + Bytes({0x00, 0xCA, 0x5B, 0x07, 8, 0, 0, 0, 8, 0, 0, 0, 1, 0, 0, 0, 0, 0x80, 0x0E, 0x07}) +
        // the read at 57 s: [0x0B] written to 0x41, then at 57.0015 s 0xB1 read (flags I2C_M_RD)
        second + Bytes({0, 0, 0, 0, 7, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0x82, 0x0B}) +
        second + Bytes({0x60, 0xE3, 0x16, 0x00, 7, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 1, 0x83, 0xB1}) +
        // the failed read: its read message carries no byte
        second + Bytes({0, 0, 0, 0, 7, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0x82, 0x0C}) +
        second + Bytes({0x60, 0xE3, 0x16, 0x00, 6, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 1, 0x83});
    EXPECT_EQ(pcap, expected);
}

// Saved by the extension, replacing the file whole; another extension or a place that cannot
// be written is refused with words, and leaves nothing behind.
TEST(TransferFiles, SaveTakesTheFormatFromTheExtension) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qm7140-log-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::vector<Transfer> transfers{Write(0x0E, 0x07)};
    const auto read = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    host::SaveTransfers(dir / "log.CSV", transfers);
    EXPECT_EQ(read(dir / "log.CSV"), host::TransfersCsv(transfers));
    host::SaveTransfers(dir / "log.pcap", transfers);
    EXPECT_EQ(read(dir / "log.pcap"), host::TransfersPcap(transfers));
    EXPECT_THROW(
        try { host::SaveTransfers(dir / "log.txt", transfers); } catch (const host::CommandError& e) {
            EXPECT_STREQ(e.what(), ("cannot save the log as " + (dir / "log.txt").string() + ": name a .csv or a .pcap file").c_str());
            throw;
        },
        host::CommandError);
    EXPECT_THROW(host::SaveTransfers(dir / "missing" / "log.csv", transfers), host::CommandError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "nothing else written";
    std::filesystem::remove_all(dir);
}

}  // namespace
