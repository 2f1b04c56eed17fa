#include "host/common/log/transfer_files.h"

#include "host/common/text/files.h"
#include "host/common/text/parse.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace host {

namespace {

// The names of the errnos a bus gives, spelled alike on every system (their numbers are not).
std::string ErrnoName(int error) {
    static constexpr struct {
        int error;
        const char* name;
    } kNames[] = {
        {ENXIO, "ENXIO"},   {EIO, "EIO"},       {ETIMEDOUT, "ETIMEDOUT"}, {EAGAIN, "EAGAIN"}, {ENODEV, "ENODEV"},
        {EBUSY, "EBUSY"},   {EACCES, "EACCES"}, {ENOENT, "ENOENT"},       {EINVAL, "EINVAL"}, {EPIPE, "EPIPE"},
        {ENOTSUP, "ENOTSUP"},
#ifdef EREMOTEIO
        {EREMOTEIO, "EREMOTEIO"},
#endif
#ifdef ESHUTDOWN
        {ESHUTDOWN, "ESHUTDOWN"},
#endif
    };
    for (const auto& [number, name] : kNames)
        if (number == error) return name;
    return "errno " + std::to_string(error);
}

std::string Hex(uint8_t byte) {
    char text[5];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// 2024-05-01T12:34:56.123456Z
std::string UtcTime(std::chrono::system_clock::time_point wall) {
    using namespace std::chrono;
    const auto micros = floor<microseconds>(wall);
    const auto day = floor<days>(micros);
    const year_month_day date{day};
    const hh_mm_ss<microseconds> time{micros - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%06lldZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                  static_cast<long long>(time.subseconds().count()));
    return text;
}

// Seconds of the monotonic clock to the nanosecond: on Linux CLOCK_MONOTONIC, the clock the
// kernel's trace shows under trace_clock mono and a logic analyser's capture can be tied to.
std::string Monotonic(std::chrono::steady_clock::time_point at) {
    const auto nanos = std::max<long long>(0, std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count());
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%09lld", nanos / 1000000000, nanos % 1000000000);
    return text;
}

std::string Seconds(std::chrono::nanoseconds duration) {
    const auto micros = std::max<long long>(0, std::chrono::duration_cast<std::chrono::microseconds>(duration).count());
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", micros / 1000000, micros % 1000000);
    return text;
}

// Quoted when it holds a separator, a quote or a line break, quotes doubled; a text that a
// spreadsheet would take for a formula gets a leading apostrophe, so opening the log runs
// nothing a device name or a script's name smuggled in.
std::string CsvText(std::string_view text) {
    std::string field;
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) field = "'";
    field += text;
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (const char c : field) quoted += c == '"' ? "\"\"" : std::string(1, c);
    return quoted + "\"";
}

void Little(std::string& out, uint32_t value, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// One packet: the Linux I2C pseudo-header (the bus, then the message's flags big-endian),
// the address byte with its read bit, the message's bytes.
void Packet(std::string& out, std::chrono::system_clock::time_point at, const Transfer& t, bool read, std::initializer_list<uint8_t> bytes) {
    using namespace std::chrono;
    const auto since = std::max(nanoseconds{0}, duration_cast<nanoseconds>(at.time_since_epoch()));
    const auto length = static_cast<uint32_t>(5 + 1 + bytes.size());
    Little(out, static_cast<uint32_t>(duration_cast<seconds>(since).count()));
    Little(out, static_cast<uint32_t>((since % seconds{1}).count()));
    Little(out, length);
    Little(out, length);
    const uint32_t flags = read ? 0x0001 : 0;  // I2C_M_RD
    out += static_cast<char>(t.bus & 0x7F);
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(flags >> shift & 0xFF);
    out += static_cast<char>((t.address & 0x7F) << 1 | (read ? 1 : 0));
    for (const uint8_t byte : bytes) out += static_cast<char>(byte);
}

}  // namespace

std::string TransfersCsv(std::span<const Transfer> transfers) {
    std::string csv = "time,duration,device,address,register,direction,value,result,source,monotonic\r\n";
    for (const Transfer& t : transfers) {
        const bool read = t.direction == Transfer::Direction::Read;
        std::string result = t.error == 0 ? "done" : ErrnoName(t.error) + (t.why.empty() ? "" : ": " + t.why);
        csv += UtcTime(t.wall) + ',' + Seconds(t.duration) + ',' + CsvText(t.device) + ',' + Hex(t.address) + ',' + Hex(t.reg) + ',' +
               (read ? "read" : "write") + ',' + (read && t.error != 0 ? "" : Hex(t.value)) + ',' + CsvText(result) + ',' +
               CsvText(t.source) + ',' + Monotonic(t.monotonic) + "\r\n";
    }
    return csv;
}

std::string TransfersPcap(std::span<const Transfer> transfers) {
    std::string pcap;
    Little(pcap, 0xA1B23C4D);  // nanosecond times
    Little(pcap, 2, 2);
    Little(pcap, 4, 2);
    Little(pcap, 0);      // times are UTC
    Little(pcap, 0);
    Little(pcap, 65535);  // the longest packet
    Little(pcap, 209);    // LINKTYPE_I2C_LINUX
    for (const Transfer& t : transfers) {
        if (t.direction == Transfer::Direction::Write) {
            Packet(pcap, t.wall, t, false, {t.reg, t.value});
            continue;
        }
        Packet(pcap, t.wall, t, false, {t.reg});
        const auto end = t.wall + std::chrono::duration_cast<std::chrono::system_clock::duration>(t.duration);
        if (t.error == 0) Packet(pcap, end, t, true, {t.value});
        else Packet(pcap, end, t, true, {});
    }
    return pcap;
}

void SaveTransfers(const std::filesystem::path& path, std::span<const Transfer> transfers) {
    std::string extension = PathText(path.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".csv") return WriteReplacing(path, TransfersCsv(transfers));
    if (extension == ".pcap") return WriteReplacing(path, TransfersPcap(transfers));
    throw CommandError("cannot save the log as " + Shown(PathText(path)) + ": name a .csv or a .pcap file");
}

}  // namespace host
