// The bench's commands: a state applied to the chip, compared, checked, kept as a preset,
// and the user's changes undone and redone.
#pragma once

#include <string>
#include <vector>

namespace host {

class Session;

namespace bench_commands {

using Args = std::vector<std::string>;

void Apply(Session& s, const Args& a);
void Diff(Session& s, const Args& a);
void Check(Session& s, const Args& a);
void Preset(Session& s, const Args& a);
void Undo(Session& s, const Args& a);
void Redo(Session& s, const Args& a);

}  // namespace bench_commands
}  // namespace host
