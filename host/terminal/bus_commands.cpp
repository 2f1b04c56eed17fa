#include "host/terminal/bus_commands.h"

#include "host/common/bus/hid/hid_adapter.h"
#include "host/common/chip/register_export.h"
#include "host/common/text/files.h"
#include "host/common/text/parse.h"
#include "host/terminal/session.h"

#include <ostream>
#include <thread>

namespace host::bus_commands {

void Status(Session& s, const Args&) {
    const Device& device = s.Current();
    s.Out() << device.Status() << (device.Chip().Online() || !device.MayWait() ? "" : " (connect re-opens it)") << '\n';
}

void Connect(Session& s, const Args&) { s.Current().Connect(); }

void ReadAll(Session& s, const Args&) { s.Current().ReadAll(); }

void Export(Session& s, const Args& a) {
    const auto format = ExportFormatNamed(a[0]);
    if (!format) throw CommandError("unknown export format " + Quoted(a[0]) + " (c, i2cset or script)");
    s.Current().ExportTo(a[1], *format);
}

// The script in slices, sleeping through its delays; a stop fails the command through its
// failure.
void Replay(Session& s, const Args& a) {
    Device& device = s.Current();
    device.StartReplay(std::filesystem::path(a[0]));
    while (const auto next = device.PlayDue(Device::Clock::now())) std::this_thread::sleep_until(*next);
}

void Log(Session& s, const Args& a) {
    if (a[0] != "save") throw CommandError("log: " + Quoted(a[0]) + " is not a use of it; log save FILE");
    s.Current().SaveLog(a[1]);
}

void ListDevices(Session& s, const Args&) {
    for (size_t i = 0; i < s.DeviceCount(); ++i) {
        const Device& device = s.DeviceAt(i);
        s.Out() << i + 1 << ' ' << s.Where(i) << ' ' << Hex(device.Chip().ChipBus().Address()) << ' '
                << (device.Chip().Online() ? "online" : "offline") << '\n';
    }
}

void SelectDevice(Session& s, const Args& a) { s.Select(a[0]); }

void ListBridges(Session& s, const Args&) { s.Out() << DescribeHidBridges(ListHidBridges()); }

}  // namespace host::bus_commands
