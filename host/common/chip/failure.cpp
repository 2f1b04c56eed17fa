#include "host/common/chip/failure.h"

#include "host/common/module/module_instance.h"
#include "host/common/text/parse.h"

namespace host {

namespace {

std::string Register(uint8_t reg) { return "reg " + Hex(reg); }

std::string Offline(const Failure& f) { return "the bus is offline (" + f.bus + ": " + f.why + "; connect re-opens it)"; }

std::string Lost(bool offline) { return offline ? "; offline (connect re-opens)" : ""; }

std::string ReadBackFailed(const Failure& f) {
    return "reading it back failed too (" + f.readBackWhy + ")" + Lost(f.offline) + "; the register shows the last value read, " +
           Hex(f.shows);
}

}  // namespace

std::string Describe(const Failure& f) {
    const std::string written = "write " + Register(f.reg) + " = " + Hex(f.sent);
    switch (f.op) {
    case Failure::Op::Open: return "connect: cannot open " + f.bus + ": " + f.why + "; offline";
    case Failure::Op::Identify: return "connect: no QM7140 read on " + f.bus + "; offline";
    case Failure::Op::ReadAll:
        if (f.notSent) return "read all: " + Offline(f);
        return "read all: " + Register(f.reg) + " on " + f.bus + ": " + f.why +
               (f.offline ? "; offline (connect re-opens)" : "; nothing stored");
    case Failure::Op::Read:
        if (f.notSent) return "read " + Register(f.reg) + ": " + Offline(f);
        return "read " + Register(f.reg) + " on " + f.bus + ": " + f.why + Lost(f.offline);
    case Failure::Op::Write:
        if (f.notSent) return written + " not sent: " + Offline(f) + "; the register shows " + Hex(f.shows);
        if (f.chipHolds) return written + " on " + f.bus + ": " + f.why + "; the chip holds " + Hex(*f.chipHolds);
        if (f.readBackError != 0) return written + " on " + f.bus + ": " + f.why + "; " + ReadBackFailed(f);
        return written + " on " + f.bus + ": " + f.why + Lost(f.offline) + "; the register shows the last value read, " +
               Hex(f.shows);
    case Failure::Op::Verify:
        if (f.chipHolds)
            return written + " on " + f.bus + ": verify read back " + Hex(*f.chipHolds) + ", not " + Hex(f.sent) +
                   "; the register shows " + Hex(f.shows);
        return written + " on " + f.bus + ": sent, but reading it back to verify failed (" + f.readBackWhy + ")" +
               Lost(f.offline);
    case Failure::Op::Foreign: return TransferLine('W', f.write) + ": not a register of this device; not sent";
    }
    return {};
}

}  // namespace host
