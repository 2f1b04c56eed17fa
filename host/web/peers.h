// The pages connected to the web host (its peers): the device each shows, what it last saw of it, the
// refusals waiting for it, its newest pointer move not yet applied; and sending each page,
// once it has read the last update, what changed since (page_sync.h).
#pragma once

#include "host/common/module/module.h"
#include "host/web/messages.h"
#include "host/web/net.h"
#include "host/web/page_sync.h"
#include "host/web/served_device.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace web {

struct Peer {
    int device = -1;
    PageView view;
    std::vector<std::string> errors;
    size_t errorsDropped = 0;
    int64_t ack = -1;  // the newest numbered action, answered with the next update
    std::optional<Action> pendingMove;
};

class Peers {
public:
    Peers(NetServer& net, const host::Module::UiSeam& ui, const std::vector<std::unique_ptr<ServedDevice>>& devices)
        : net_(net), ui_(ui), devices_(devices) {}

    void Open(ConnectionId id) { pages_[id]; }
    void Close(ConnectionId id) { pages_.erase(id); }
    // Null once the page is gone.
    Peer* Find(ConnectionId id);
    // From now on the page shows `device`, sent whole; failures from before it came are in
    // the log, only new ones pop up.
    void Show(Peer& page, int device);
    void Refuse(Peer& page, std::string why);
    // The newest move of each page that has one, taken from it.
    std::vector<std::pair<Peer*, Action>> TakeMoves();

    // What changed, to the page or to every page of the device. A page that has not read its
    // last update yet gets the newest state once it has (NetEvents::drained).
    void Flush(ConnectionId id);
    void FlushDevice(int device);

private:
    void Flush(ConnectionId id, Peer& page);

    NetServer& net_;
    const host::Module::UiSeam& ui_;
    const std::vector<std::unique_ptr<ServedDevice>>& devices_;
    std::map<ConnectionId, Peer> pages_;
};

}  // namespace web
