// The web host's single source of truth: the devices, each with its instance of the module,
// and the pages that show them. A page's action runs through the UI seam; then every page
// of that device is brought up to date (page_sync.h) from the module's change counters.
#pragma once

#include "host/common/bus/bus.h"
#include "host/common/module/module.h"
#include "host/web/messages.h"
#include "host/web/net.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace web {

class Hub {
public:
    // A device per bus, a real QM7140 or the simulated one. With `verify` every write is
    // read back.
    Hub(const host::Module& module, NetServer& net, std::vector<host::Bus> buses, bool verify = false);
    ~Hub();
    Hub(const Hub&) = delete;
    Hub& operator=(const Hub&) = delete;

    // The server's events.
    void Opened(ConnectionId id);
    void Message(ConnectionId id, std::string_view text);
    void Closed(ConnectionId id);
    void Drained(ConnectionId id);
    HttpReply Http(const HttpRequest& request);
    // The figures' fade, one step; scripts whose delay is over play on.
    void Tick();
    // "/dev/i2c-1 at 0x40, online", for the console.
    std::string ChipStatus(int device) const;

    int DeviceCount() const { return static_cast<int>(devices_.size()); }

private:
    struct Slot;
    struct Peer;

    void Run(Peer& peer, const Action& action);
    void Act(Slot& slot, const Action& action);
    void ApplyMoves();
    void Refuse(Peer& peer, std::string why);
    void FlushDevice(int device);
    void Flush(ConnectionId id, Peer& peer);

    const host::Module& module_;
    const host::Module::UiSeam& ui_;
    NetServer& net_;
    std::vector<std::unique_ptr<Slot>> devices_;
    std::map<ConnectionId, Peer> peers_;
    bool movesPosted_ = false;
};

}  // namespace web
