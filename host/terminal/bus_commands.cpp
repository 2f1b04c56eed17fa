#include "host/terminal/bus_commands.h"

#include "host/common/files.h"
#include "host/common/parse.h"
#include "host/common/register_export.h"
#include "host/common/register_script.h"
#include "host/terminal/session.h"

#include <ostream>

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

void Replay(Session& s, const Args& a) {
    const auto steps = ReadScript(a[0], static_cast<uint8_t>(s.Link().Chip().Address() << 1));
    PlayScript(steps, a[0], s.Link(), s.Out());
}

}  // namespace host::bus_commands
