// A USB-HID I2C bridge made through /dev/uhid: the kernel sees a CP2112-class or MCP2221-class
// device, binds its own drivers to it and gives it a hidraw node, and the report-level double
// of the native tests answers every report, with QM7140 register files behind it. Each
// register a transfer changes is printed ("0x40 reg 0x02 = 0x40"), and a CP2112's every I2C
// message with its bytes as it puts them on the bus ("i2c 0x40 write 02 40", "i2c 0x40 read
// 40"), for a capture to be held against. SIGTERM or SIGINT unplugs the device and ends the
// program.
#include "hid_bridge_double.h"
#include "host/common/bus/bus.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: qm7140-uhid-bridge cp2112|mcp2221 [--serial S] [--chip 0xNN]... [--read-status N]\n"
    "                          [--busy-polls N] [--not-ready N] [--not-ready-state 0xNN]... [--nack-at-once]\n";

volatile sig_atomic_t unplug = 0;

// Every report 64 bytes, as the bridges' interrupt endpoints carry them. A CP2112 numbers its
// reports: the feature reports of its document with their lengths, the transfer reports
// with 63 bytes after the id. An MCP2221 has one report each way, unnumbered.
std::vector<uint8_t> Descriptor(hid_double::Bridge::Kind kind) {
    std::vector<uint8_t> d{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08};
    const auto item = [&d](int id, uint8_t count, uint8_t main) {
        if (id >= 0) d.insert(d.end(), {0x85, static_cast<uint8_t>(id)});
        d.insert(d.end(), {0x95, count, 0x09, 0x01, main, 0x02});
    };
    constexpr uint8_t kInput = 0x81, kOutput = 0x91, kFeature = 0xB1;
    if (kind == hid_double::Bridge::Kind::Mcp2221) {
        item(-1, 64, kInput);
        item(-1, 64, kOutput);
    } else {
        const struct {
            uint8_t id, count;
        } features[] = {{0x01, 1}, {0x02, 4}, {0x03, 1}, {0x04, 2}, {0x05, 2}, {0x06, 13},
                        {0x20, 1}, {0x21, 9}, {0x22, 62}, {0x23, 62}, {0x24, 62}};
        for (const auto& f : features) item(f.id, f.count, kFeature);
        for (const int id : {0x10, 0x11, 0x12, 0x14, 0x15, 0x17}) item(id, 63, kOutput);
        for (const int id : {0x13, 0x16}) item(id, 63, kInput);
    }
    d.push_back(0xC0);
    return d;
}

bool Send(int fd, const uhid_event& event) { return write(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event); }

bool Create(int fd, const hid_double::Bridge& bridge) {
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto& create = event.u.create2;
    const bool cp2112 = bridge.kind == hid_double::Bridge::Kind::Cp2112;
    std::snprintf(reinterpret_cast<char*>(create.name), sizeof create.name, "%s", cp2112 ? "CP2112 HID USB-to-SMBus Bridge" : "MCP2221 USB-I2C/UART Combo");
    std::snprintf(reinterpret_cast<char*>(create.phys), sizeof create.phys, "qm7140-uhid-bridge");
    std::snprintf(reinterpret_cast<char*>(create.uniq), sizeof create.uniq, "%s", bridge.info.serial.c_str());
    const std::vector<uint8_t> descriptor = Descriptor(bridge.kind);
    create.rd_size = static_cast<uint16_t>(descriptor.size());
    std::memcpy(create.rd_data, descriptor.data(), descriptor.size());
    create.bus = BUS_USB;
    create.vendor = bridge.info.vendor;
    create.product = bridge.info.product;
    create.version = 0x0100;
    return Send(fd, event);
}

// An output report as the bridge takes it off the wire. hidraw hands an MCP2221's over with
// report id 0 first and the kernel's driver without it, shorter; USB drops the 0 and the
// bridge reads 64 bytes either way.
std::vector<uint8_t> Received(const hid_double::Bridge& bridge, const uint8_t* data, size_t size) {
    std::vector<uint8_t> report(data, data + size);
    if (bridge.kind == hid_double::Bridge::Kind::Cp2112) return report;
    if (report.size() == 65 && report[0] == 0) return report;
    report.insert(report.begin(), 0);
    report.resize(65, 0);
    return report;
}

// The answers the double queued, each as one 64-byte input report.
bool Answer(int fd, hid_double::Bridge& bridge) {
    for (; !bridge.answers.empty(); bridge.answers.pop_front()) {
        std::vector<uint8_t> report = bridge.answers.front();
        if (bridge.kind == hid_double::Bridge::Kind::Mcp2221) report.erase(report.begin());
        report.resize(64, 0);
        uhid_event event{};
        event.type = UHID_INPUT2;
        event.u.input2.size = static_cast<uint16_t>(report.size());
        std::memcpy(event.u.input2.data, report.data(), report.size());
        if (!Send(fd, event)) return false;
    }
    return true;
}

void PrintMessage(uint8_t address8, const char* kind, const uint8_t* bytes, size_t count) {
    std::printf("i2c 0x%02X %s", address8 >> 1, kind);
    for (size_t i = 0; i < count; ++i) std::printf(" %02X", bytes[i]);
    std::printf("\n");
}

// The messages a CP2112's transfer reports put on the bus: a Data Write's bytes, a Data Write
// Read's target address (its read shows in the Data Read Response), and the bytes read.
void PrintMessages(const std::vector<uint8_t>& output, const hid_double::Bridge& bridge, uint8_t& addressed) {
    if (bridge.kind != hid_double::Bridge::Kind::Cp2112 || output.size() < 3) return;
    if (output[0] == 0x14 && output[2] <= output.size() - 3) PrintMessage(addressed = output[1], "write", &output[3], output[2]);
    if (output[0] == 0x11 && output.size() >= 5 && output[4] <= output.size() - 5) PrintMessage(addressed = output[1], "write", &output[5], output[4]);
    if (output[0] == 0x10) addressed = output[1];
    for (const auto& answer : bridge.answers)
        if (answer.size() >= 3 && answer[0] == 0x13 && answer[2] > 0 && answer[2] <= answer.size() - 3) PrintMessage(addressed, "read", &answer[3], answer[2]);
}

void PrintChanges(const decltype(hid_double::Bridge::chips)& before, const hid_double::Bridge& bridge) {
    for (const auto& [address, registers] : bridge.chips)
        for (size_t reg = 0; reg < registers.size(); ++reg)
            if (registers[reg] != before.at(address)[reg]) std::printf("0x%02X reg 0x%02zX = 0x%02X\n", address, reg, registers[reg]);
    std::fflush(stdout);
}

bool Serve(int fd, hid_double::Bridge& bridge, const uhid_event& event) {
    switch (event.type) {
    case UHID_OUTPUT: {
        const auto before = bridge.chips;
        const std::vector<uint8_t> output = Received(bridge, event.u.output.data, event.u.output.size);
        bridge.Output(output);
        static uint8_t addressed = 0;
        PrintMessages(output, bridge, addressed);
        PrintChanges(before, bridge);
        return Answer(fd, bridge);
    }
    case UHID_GET_REPORT: {
        std::vector<uint8_t> report(64, 0);
        report[0] = event.u.get_report.rnum;
        uhid_event reply{};
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = event.u.get_report.id;
        reply.u.get_report_reply.err = static_cast<uint16_t>(bridge.GetFeature(report));
        reply.u.get_report_reply.size = static_cast<uint16_t>(reply.u.get_report_reply.err ? 0 : report.size());
        std::memcpy(reply.u.get_report_reply.data, report.data(), reply.u.get_report_reply.size);
        return Send(fd, reply);
    }
    case UHID_SET_REPORT: {
        const auto& set = event.u.set_report;
        uhid_event reply{};
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = set.id;
        reply.u.set_report_reply.err = static_cast<uint16_t>(bridge.SetFeature({set.data, set.data + std::min<size_t>(set.size, UHID_DATA_MAX)}));
        return Send(fd, reply);
    }
    default: return true;  // start, stop, open, close: nothing to do
    }
}

bool Number(const char* text, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 0);
    if (end == text || *end != '\0' || parsed < 0 || parsed > 1 << 30) return false;
    value = static_cast<int>(parsed);
    return true;
}

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string_view kind = argv[1];
    if (kind != "cp2112" && kind != "mcp2221") return Usage();
    using Kind = hid_double::Bridge::Kind;
    auto bridge = hid_double::MakeBridge(kind == "cp2112" ? Kind::Cp2112 : Kind::Mcp2221, "", "");
    bridge->chips.clear();
    std::vector<uint8_t> states;  // the engine states "not ready" replies carry, in turn
    for (int i = 2; i < argc; ++i) {
        const std::string_view option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        int number = 0;
        if (option == "--nack-at-once") {
            bridge->nackAtOnce = true;
            continue;
        }
        if (value == nullptr) return Usage();
        ++i;
        if (option == "--serial") bridge->info.serial = value;
        else if (!Number(value, number)) return Usage();
        else if (option == "--chip" && number >= 0x08 && number <= 0x77) bridge->chips[static_cast<uint8_t>(number)] = {};
        else if (option == "--read-status" && number <= 3) bridge->readStatus = static_cast<uint8_t>(number);
        else if (option == "--busy-polls") bridge->busyPolls = number;
        else if (option == "--not-ready") bridge->notReady = number;
        else if (option == "--not-ready-state" && number <= 0xFF) states.push_back(static_cast<uint8_t>(number));
        else return Usage();
    }
    if (bridge->chips.empty()) bridge->chips[host::kChipAddress] = {};
    if (!states.empty()) bridge->notReadyStates = states;

    struct sigaction stop {};
    stop.sa_handler = [](int) { unplug = 1; };
    sigaction(SIGTERM, &stop, nullptr);  // no SA_RESTART: the blocked read returns
    sigaction(SIGINT, &stop, nullptr);

    const int fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::perror("/dev/uhid"), 1;
    if (!Create(fd, *bridge)) return std::perror("UHID_CREATE2"), 1;
    int status = 0;
    while (!unplug) {
        uhid_event event{};
        if (read(fd, &event, sizeof event) < 0) {
            if (errno == EINTR) continue;
            std::perror("/dev/uhid");
            status = 1;
            break;
        }
        if (!Serve(fd, *bridge, event)) {
            std::perror("/dev/uhid");
            status = 1;
            break;
        }
    }
    uhid_event destroy{};
    destroy.type = UHID_DESTROY;
    Send(fd, destroy);
    close(fd);
    return status;
}
