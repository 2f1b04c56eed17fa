#include "host/common/device/history.h"

namespace host {

void History::Add(Step step) {
    if (step.changes.empty()) return;
    undo_.push_back(std::move(step));
    if (undo_.size() > kDepth) undo_.pop_front();
    redo_.clear();
}

void History::Clear() {
    undo_.clear();
    redo_.clear();
}

std::optional<Step> History::Undo() {
    if (undo_.empty()) return std::nullopt;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(step);
    return step;
}

std::optional<Step> History::Redo() {
    if (redo_.empty()) return std::nullopt;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(step);
    return step;
}

void History::UndoFailed(Step step) {
    redo_.pop_back();
    undo_.push_back(std::move(step));
}

void History::RedoFailed(Step step) {
    undo_.pop_back();
    redo_.push_back(std::move(step));
}

}  // namespace host
