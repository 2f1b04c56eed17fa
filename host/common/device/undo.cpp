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

bool Device::Undo() {
    EndAction();
    const auto asking = Asks("undo");
    auto step = history_.Undo();
    if (!step) {
        Note("undo: nothing to undo");
        return false;
    }
    if (!WriteStep(*step, true)) {
        history_.UndoFailed(std::move(*step));
        Note("undo: stopped at a failed write; " + history_.NextUndo() + " is still to undo");
        return false;
    }
    changedSincePreset_ = !preset_.empty();
    Note("undo: " + step->what);
    return true;
}

bool Device::Redo() {
    EndAction();
    const auto asking = Asks("redo");
    auto step = history_.Redo();
    if (!step) {
        Note("redo: nothing to redo");
        return false;
    }
    if (!WriteStep(*step, false)) {
        history_.RedoFailed(std::move(*step));
        Note("redo: stopped at a failed write; " + history_.NextRedo() + " is still to redo");
        return false;
    }
    changedSincePreset_ = !preset_.empty();
    Note("redo: " + step->what);
    return true;
}

}  // namespace host
