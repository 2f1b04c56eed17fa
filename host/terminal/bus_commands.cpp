#include "host/terminal/bus_commands.h"

#include "host/common/text/files.h"
#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/text/parse.h"
#include "host/common/chip/register_export.h"
#include "host/common/text/register_script.h"
#include "host/terminal/session.h"

#include <ostream>
#include <thread>

namespace host::bus_commands {

namespace {

std::string Covered() { return "registers " + Hex(0) + " to " + Hex(kCoveredRegisters - 1); }

}  // namespace

void Status(Session& s, const Args&) {
    s.Out() << s.Link().Chip().Name() << (s.Link().Online() ? ", online" : ", offline (connect re-opens it)") << '\n';
}

void Connect(Session& s, const Args&) {
    if (s.Link().Connect()) s.Out() << "connected to " << s.Link().Chip().Name() << "; read " << Covered() << '\n';
}

void ReadAll(Session& s, const Args&) {
    if (s.Link().ReadAll()) s.Out() << "read " << Covered() << " from " << s.Link().Chip().Name() << '\n';
}

void Export(Session& s, const Args& a) {
    const auto format = ExportFormatNamed(a[0]);
    if (!format) throw CommandError("unknown export format " + Quoted(a[0]) + " (c, i2cset or script)");
    WriteReplacing(a[1], host::Export(*format, s.Registers(), s.Link().Chip().Address()));
    s.Out() << "wrote " << Shown(a[1]) << ": " << Covered() << ", register 0x01 last\n";
}

// The script in slices, sleeping through its delays; a stop fails the command.
void Replay(Session& s, const Args& a) {
    Amplifier& device = s.Link();
    device.Play(ReadScript(a[0], static_cast<uint8_t>(device.Chip().Address() << 1)), a[0]);
    std::string stopped;
    while (true) {
        const PlayedSlice slice = device.Next(Amplifier::Clock::now());
        for (const Record& record : slice.records) {
            if (record.kind == Record::Kind::Stopped)
                stopped = record.text;
            else
                s.Print(record, s.Selected());
        }
        if (!slice.next) break;
        std::this_thread::sleep_until(*slice.next);
    }
    if (!stopped.empty()) throw CommandError(stopped);
}

void ListDevices(Session& s, const Args&) {
    for (size_t i = 0; i < s.DeviceCount(); ++i) {
        Amplifier& device = s.DeviceAt(i);
        s.Out() << i + 1 << ' ' << s.Where(i) << ' ' << Hex(device.Chip().Address()) << ' '
                << (device.Online() ? "online" : "offline") << '\n';
    }
}

void SelectDevice(Session& s, const Args& a) { s.Select(a[0]); }

void ListBridges(Session& s, const Args&) { s.Out() << DescribeHidBridges(ListHidBridges()); }

}  // namespace host::bus_commands
