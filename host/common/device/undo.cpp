// Undo and redo of the user's own changes, as ordinary writes.
#include "host/common/device/device.h"

#include "host/common/text/parse.h"

#include <algorithm>

namespace host {

bool Device::WriteStep(const Step& step, bool back) {
    const auto order = ExportOrder();
    auto changes = step.changes;
    // Several registers go in the exports' safe order; back means the newest change first.
    if (back) std::ranges::reverse(changes);
    std::ranges::stable_sort(changes, [&](const Change& a, const Change& b) {
        const auto at = [&](uint8_t reg) { return reg < order.size() ? std::ranges::find(order, reg) - order.begin() : 256 + reg; };
        return at(a.reg) < at(b.reg);
    });
    const Busy busy(*this);
    for (const Change& c : changes) {
        const uint8_t want = back ? c.before : c.after;
        const auto value = HeldValue(c.reg, static_cast<uint8_t>((chip_.Registers().bytes[c.reg] & ~c.mask) | (want & c.mask)));
        if (!chip_.Write(c.reg, value)) return false;
    }
    return true;
}

bool Device::Undo() { return WalkHistory(true); }

bool Device::Redo() { return WalkHistory(false); }

bool Device::WalkHistory(bool back) {
    EndAction();
    const std::string verb = back ? "undo" : "redo";
    const auto asking = Asks(back ? "undo" : "redo");
    auto step = back ? history_.Undo() : history_.Redo();
    if (!step) {
        Note(verb + ": nothing to " + verb);
        return false;
    }
    if (!WriteStep(*step, back)) {
        if (back)
            history_.UndoFailed(std::move(*step));
        else
            history_.RedoFailed(std::move(*step));
        Note(verb + ": stopped at a failed write; " + (back ? history_.NextUndo() : history_.NextRedo()) + " is still to " + verb);
        return false;
    }
    changedSincePreset_ = !preset_.empty();
    Note(verb + ": " + step->what);
    return true;
}

}  // namespace host
