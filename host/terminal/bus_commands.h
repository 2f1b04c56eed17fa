// The commands that reach the chip behind the bus and carry its settings to firmware.
#pragma once

#include <string>
#include <vector>

namespace host {

class Session;

namespace bus_commands {

using Args = std::vector<std::string>;

void Status(Session& s, const Args& a);
void Connect(Session& s, const Args& a);
void ReadAll(Session& s, const Args& a);
void Export(Session& s, const Args& a);
void Replay(Session& s, const Args& a);
void Log(Session& s, const Args& a);
void ListDevices(Session& s, const Args& a);
void SelectDevice(Session& s, const Args& a);
void ListBridges(Session& s, const Args& a);

}  // namespace bus_commands
}  // namespace host
