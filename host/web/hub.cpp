#include "host/web/hub.h"
#include "qm7140_version.h"

#include "host/common/module/graph_object.h"
#include "host/common/module/seam_status.h"
#include "host/common/text/parse.h"
#include "host/web/page_sync.h"
#include "host/web/routes.h"
#include "host/web/served_device.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace web {

namespace {

constexpr size_t kErrorsKept = 16;  // refusals waiting for one page
constexpr const char* kDialogNames[host::kDialogCount] = {"DigitalControl", "Limiter", "Boost"};

// The figure's colours, 0x00BBGGRR: slate blue, and orange while Digital Control is active.
constexpr QM7140Color kFigureColor = 0x00805030;
constexpr QM7140Color kFigureHighlight = 0x0000A5FF;

}  // namespace

struct Hub::Slot {
    int index = 0;
    // Before the device: the instance it frees may still touch the linked figure.
    host::GraphRectangle figure = host::MakeRectangle(0, 0, 132, 60, 2, kFigureColor);
    std::unique_ptr<ServedDevice> device;
    Pictures pictures;

    QM7140Instance Instance() const { return device->Instance(); }
};

struct Hub::Peer {
    int device = -1;
    PageView view;
    std::vector<std::string> errors;
    size_t errorsDropped = 0;
    int64_t ack = -1;
    std::optional<Action> pendingMove;

    void Watch(int d) {
        device = d;
        view = PageView{};
        pendingMove.reset();
    }
};

Hub::Hub(const host::Module& module, NetServer& net, std::vector<std::unique_ptr<host::Bus>> buses, bool verify)
    : module_(module), ui_(module.Ui), net_(net) {
    for (int i = 0; i < static_cast<int>(buses.size()); ++i) {
        auto slot = std::make_unique<Slot>();
        Slot& s = *slot;
        s.index = i;
        QM7140GraphObject& o = s.figure.object;
        o.FadeColor = kFigureHighlight;
        o.HighlightPenWidth = 5;
        s.device = std::make_unique<ServedDevice>(module_, std::move(buses[static_cast<size_t>(i)]), verify);
        devices_.push_back(std::move(slot));
    }
}

Hub::~Hub() = default;

void Hub::Opened(ConnectionId id) {
    peers_[id];
    Json hello{{"t", "hello"}, {"devices", DeviceCount()}, {"dialogs", kDialogNames}, {"version", QM7140_VERSION_TEXT}};
    Json menu = Json::array();
    for (uint32_t d = 0; d < host::kDialogCount; ++d) {
        const char* caption = module_.GetMenuItem(d);
        menu.push_back(caption != nullptr ? caption : "");
    }
    hello["menu"] = std::move(menu);
    net_.Send(id, Dump(hello));
}

void Hub::Closed(ConnectionId id) { peers_.erase(id); }

void Hub::Drained(ConnectionId id) {
    const auto found = peers_.find(id);
    if (found != peers_.end()) Flush(id, found->second);
}

void Hub::Refuse(Peer& peer, std::string why) {
    if (peer.errors.size() < kErrorsKept)
        peer.errors.push_back(std::move(why));
    else
        ++peer.errorsDropped;
}

void Hub::Message(ConnectionId id, std::string_view text) {
    const auto found = peers_.find(id);
    if (found == peers_.end()) return;
    Peer& peer = found->second;
    auto parsed = ParseAction(text);
    if (auto* why = std::get_if<std::string>(&parsed)) {
        Refuse(peer, std::move(*why));
        return Flush(id, peer);
    }
    Action& action = std::get<Action>(parsed);
    if (action.type == ActionType::Mouse && action.value == QM7140_UI_MOUSE_MOVE) {
        // Only the newest position waits; the loop applies it after what is ready now.
        peer.pendingMove = std::move(action);
        if (!movesPosted_) {
            movesPosted_ = true;
            net_.Post([this] { ApplyMoves(); });
        }
        return;
    }
    if (peer.pendingMove) {
        Action move = std::move(*peer.pendingMove);
        peer.pendingMove.reset();
        Run(peer, move);
    }
    const int before = peer.device;
    Run(peer, action);
    const int after = peer.device;
    if (after < 0) return Flush(id, peer);
    FlushDevice(after);
    if (before >= 0 && before != after) FlushDevice(before);
}

void Hub::ApplyMoves() {
    movesPosted_ = false;
    std::vector<int> touched;
    for (auto& [id, peer] : peers_) {
        if (!peer.pendingMove) continue;
        Action move = std::move(*peer.pendingMove);
        peer.pendingMove.reset();
        Run(peer, move);
        if (peer.device >= 0) touched.push_back(peer.device);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (const int device : touched) FlushDevice(device);
}

void Hub::Run(Peer& peer, const Action& action) {
    if (action.seq >= 0) peer.ack = action.seq;
    if (action.type == ActionType::Subscribe) {
        if (action.device >= DeviceCount()) return Refuse(peer, "no device " + std::to_string(action.device));
        peer.Watch(action.device);
        // Failures from before the page came are in the log; only new ones pop up.
        peer.view.alertSeen = devices_[static_cast<size_t>(action.device)]->device->alerts.End();
        return;
    }
    if (peer.device < 0) return Refuse(peer, "choose a device first (sub)");
    Slot& slot = *devices_[static_cast<size_t>(peer.device)];
    try {
        Act(slot, action);
    } catch (const std::exception& e) {
        Refuse(peer, e.what());
    }
    // The module's handler has returned: its failed writes are read back and reported now.
    slot.device->Settle();
}

// Acts straight through the seam, which refuses what the device cannot take; throws
// host::CommandError with its words when refused.
void Hub::Act(Slot& slot, const Action& a) {
    const QM7140Instance instance = slot.Instance();
    const auto check = [](QM7140UiStatus status) {
        if (status != QM7140_UI_OK) throw host::CommandError(host::SeamStatusText(status));
    };
    switch (a.type) {
    case ActionType::Subscribe: break;
    case ActionType::Register:
        return slot.device->SetRegister(static_cast<uint8_t>(a.reg), static_cast<uint8_t>(a.value));
    case ActionType::ReadAll: return slot.device->ReadAll();
    case ActionType::Connect: return slot.device->Connect();
    case ActionType::Link:
        module_.ShowDialog(instance, "DigitalControl", 0, 0, &slot.figure.object);
        return;
    case ActionType::Menu: return module_.SelectMenu(instance, a.dialog);
    case ActionType::Close: return check(ui_.close(instance, a.dialog));
    case ActionType::Activate: return check(ui_.activate(instance, a.dialog));
    case ActionType::Deactivate: return check(ui_.deactivate(instance, a.dialog));
    case ActionType::Click: return check(ui_.click(instance, a.dialog, a.control));
    case ActionType::Select: return check(ui_.select(instance, a.dialog, a.control, a.value));
    case ActionType::Text: {
        QM7140UiControl c{.size = sizeof(QM7140UiControl)};
        check(ui_.control(instance, a.dialog, a.control, &c));
        // The old text goes key by key, as a person's backspaces take it.
        std::string keys(c.text != nullptr ? std::strlen(c.text) : 0, QM7140_UI_KEY_BACKSPACE);
        keys += a.text;
        if (a.enter) keys += QM7140_UI_KEY_ENTER;
        return check(ui_.type(instance, a.dialog, a.control, keys.c_str()));
    }
    case ActionType::Focus: return check(ui_.focus(instance, a.dialog, a.control));
    case ActionType::Position: return check(ui_.setPosition(instance, a.dialog, a.control, a.value));
    case ActionType::Mouse: return check(ui_.mouse(instance, a.dialog, a.control, a.value, a.button, a.x, a.y));
    }
}

void Hub::Tick() {
    const auto now = ServedDevice::Clock::now();
    for (const auto& slot : devices_) {
        const uint64_t logged = slot->device->log.End();
        if (slot->device->Playing()) slot->device->PlayDue(now);
        if (host::StepFade(slot->figure.object) || slot->device->log.End() != logged) FlushDevice(slot->index);
    }
}

std::string Hub::ChipStatus(int device) const {
    const ServedDevice& d = *devices_[static_cast<size_t>(device)]->device;
    if (d.Simulated() || d.Online()) return d.Chip().Name() + (d.Simulated() ? "" : ", online");
    return d.Chip().Name() + ", offline (the page's Connect tries again): " + d.alerts.Last();
}

void Hub::FlushDevice(int device) {
    // A send that drops a page closes it later, from the server's loop: the peers stay.
    for (auto& [id, peer] : peers_)
        if (peer.device == device) Flush(id, peer);
}

void Hub::Flush(ConnectionId id, Peer& peer) {
    if (!net_.Idle(id)) return;  // the page gets the newest state once it has read the last
    Json update = Json::object();
    if (peer.device >= 0) {
        Slot& slot = *devices_[static_cast<size_t>(peer.device)];
        Sync({ui_, *slot.device, slot.figure.object, slot.pictures}, peer.view, update);
        if (!update.empty()) update["dev"] = peer.device;
    }
    if (!peer.errors.empty()) {
        if (peer.errorsDropped > 0) peer.errors.push_back(std::to_string(peer.errorsDropped) + " more refused");
        update["errors"] = std::move(peer.errors);
        peer.errors.clear();
        peer.errorsDropped = 0;
    }
    if (peer.ack >= 0) {
        update["ack"] = peer.ack;
        peer.ack = -1;
    }
    if (update.empty()) return;
    update["t"] = "update";
    net_.Send(id, Dump(update));
}

HttpReply Hub::Http(const HttpRequest& request) {
    const Routes routes{DeviceCount(), [this](int d) -> ServedDevice& { return *devices_[static_cast<size_t>(d)]->device; },
                        [this](int d) { FlushDevice(d); }};
    return Route(routes, request);
}

}  // namespace web
