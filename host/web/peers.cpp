#include "host/web/peers.h"

namespace web {

namespace {

constexpr size_t kErrorsKept = 16;  // refusals waiting for one page

}  // namespace

Peer* Peers::Find(ConnectionId id) {
    const auto found = pages_.find(id);
    return found == pages_.end() ? nullptr : &found->second;
}

void Peers::Show(Peer& page, int device) {
    page.device = device;
    page.view = PageView{};
    page.view.alertSeen = devices_[static_cast<size_t>(device)]->journal.alerts.End();
    page.pendingMove.reset();
}

void Peers::Refuse(Peer& page, std::string why) {
    if (page.errors.size() < kErrorsKept)
        page.errors.push_back(std::move(why));
    else
        ++page.errorsDropped;
}

std::vector<std::pair<Peer*, Action>> Peers::TakeMoves() {
    std::vector<std::pair<Peer*, Action>> moves;
    for (auto& [id, page] : pages_)
        if (page.pendingMove) moves.emplace_back(&page, std::move(*std::exchange(page.pendingMove, std::nullopt)));
    return moves;
}

void Peers::Flush(ConnectionId id) {
    if (Peer* page = Find(id)) Flush(id, *page);
}

void Peers::FlushDevice(int device) {
    // A send that drops a page closes it later, from the server's loop: the peers stay.
    for (auto& [id, page] : pages_)
        if (page.device == device) Flush(id, page);
}

void Peers::Flush(ConnectionId id, Peer& page) {
    if (!net_.Idle(id)) return;
    Json update = Json::object();
    if (page.device >= 0) {
        Sync(ui_, *devices_[static_cast<size_t>(page.device)], page.view, update);
        if (!update.empty()) update["dev"] = page.device;
    }
    if (!page.errors.empty()) {
        if (page.errorsDropped > 0) page.errors.push_back(std::to_string(page.errorsDropped) + " more refused");
        update["errors"] = std::move(page.errors);
        page.errors.clear();
        page.errorsDropped = 0;
    }
    if (page.ack >= 0) update["ack"] = std::exchange(page.ack, -1);
    if (update.empty()) return;
    update["t"] = "update";
    net_.Send(id, Dump(update));
}

}  // namespace web
