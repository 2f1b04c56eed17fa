// The changes a device's user made, for undo and redo: each step the registers it changed,
// their bytes before and after, and the bits it touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct Change {
    uint8_t reg;
    uint8_t mask;  // the bits the change touched: undo and redo write these alone
    uint8_t before, after;
};

struct Step {
    std::string what;  // "limiter AttackTime", "set 0x02", "apply golden.txt"
    std::vector<Change> changes;
};

class History {
public:
    // Steps kept; the oldest goes first.
    static constexpr size_t kDepth = 200;

    // A new step; what was undone can no longer be redone.
    void Add(Step step);
    void Clear();
    // The step to undo, moved to the redo side; nothing when there is none.
    std::optional<Step> Undo();
    std::optional<Step> Redo();
    // A step whose writes failed goes back where it came from.
    void UndoFailed(Step step);
    void RedoFailed(Step step);
    size_t Undoable() const { return undo_.size(); }
    size_t Redoable() const { return redo_.size(); }
    // What the next undo or redo would change, or empty.
    std::string NextUndo() const { return undo_.empty() ? std::string{} : undo_.back().what; }
    std::string NextRedo() const { return redo_.empty() ? std::string{} : redo_.back().what; }

private:
    std::deque<Step> undo_, redo_;
};

// The settings a state brought to the chip, or would have.
struct ApplyResult {
    bool read = true;  // false: the chip could not be read first, nothing was written
    std::vector<uint8_t> written;
    size_t equal = 0;               // named by the state and already as it says
    std::optional<uint8_t> failed;  // the write that failed
    std::vector<uint8_t> unsent;    // after it, never sent
    bool Done() const { return read && !failed; }
};

}  // namespace host
