// The web host's router: a page's message becomes an action on the device it shows, straight
// through the UI seam, and then every page of that device is brought up to date. Pointer
// moves are coalesced: only the newest of each page waits, applied after what is ready now.
#pragma once

#include "host/common/bus/bus.h"
#include "host/common/module/module.h"
#include "host/web/messages.h"
#include "host/web/net.h"
#include "host/web/peers.h"
#include "host/web/served_device.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace web {

class Hub {
public:
    // A device per bus, a real QM7140 or the simulated one. With `verify` every write is
    // read back.
    Hub(const host::Module& module, NetServer& net, std::vector<host::Bus> buses, bool verify = false);
    // Where the presets are kept; without one, `why` is the pages' answer to a preset.
    void Shelve(std::filesystem::path shelf, std::string why = {}) {
        shelf_ = std::move(shelf);
        shelfError_ = std::move(why);
    }

    // The server's events.
    void Opened(ConnectionId id);
    void Message(ConnectionId id, std::string_view text);
    void Closed(ConnectionId id) { peers_.Close(id); }
    void Drained(ConnectionId id) { peers_.Flush(id); }
    HttpReply Http(const HttpRequest& request);
    // The figures' fade, one step; scripts whose delay is over play on.
    void Tick();

    int DeviceCount() const { return static_cast<int>(devices_.size()); }
    const ServedDevice& Device(int device) const { return *devices_[static_cast<size_t>(device)]; }

private:
    void Run(Peer& peer, const Action& action);
    void ApplyMoves();

    const host::Module& module_;
    NetServer& net_;
    std::vector<std::unique_ptr<ServedDevice>> devices_;
    Peers peers_;
    bool movesPosted_ = false;
    std::filesystem::path shelf_;
    std::string shelfError_;
};

}  // namespace web
