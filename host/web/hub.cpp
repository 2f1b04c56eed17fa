#include "host/web/hub.h"
#include "qm7140_version.h"

#include "host/common/module/dialogs.h"
#include "host/common/module/seam_status.h"
#include "host/common/seam/user.h"
#include "host/common/text/parse.h"
#include "host/web/routes.h"

#include <algorithm>
#include <utility>

namespace web {

namespace {

// The control kinds by the names the page builds them by.
constexpr std::pair<const char*, QM7140UiKind> kKinds[] = {
    {"check", QM7140_UI_CHECK_BOX}, {"combo", QM7140_UI_COMBO_BOX}, {"radio", QM7140_UI_RADIO_GROUP},
    {"track", QM7140_UI_TRACK_BAR}, {"edit", QM7140_UI_EDIT},       {"label", QM7140_UI_LABEL},
    {"group", QM7140_UI_GROUP_BOX}, {"button", QM7140_UI_BUTTON},   {"paint", QM7140_UI_PAINT_BOX},
};

// One page action on its device, straight through the seam, which refuses what the device
// cannot take; throws host::CommandError with its words when refused.
void Act(const host::Module& module, ServedDevice& device, const Action& a) {
    const host::Module::UiSeam& ui = module.Ui;
    const QM7140Instance instance = device.device.Chip().Instance();
    const auto check = [](QM7140UiStatus status) {
        if (status != QM7140_UI_OK) throw host::CommandError(host::SeamStatusText(status));
    };
    switch (a.type) {
    case ActionType::Subscribe: break;  // the page's, not the device's
    case ActionType::Register: device.device.SetRegister(static_cast<uint8_t>(a.reg), static_cast<uint8_t>(a.value)); return;
    case ActionType::ReadAll: device.device.ReadAll(); return;
    case ActionType::Connect: device.device.Connect(); return;
    // Nothing to take back is the device's note, not a refusal.
    case ActionType::Undo: device.device.Undo(); return;
    case ActionType::Redo: device.device.Redo(); return;
    case ActionType::Link:
        module.ShowDialog(instance, "DigitalControl", 0, 0, &device.figure.object);
        return;
    case ActionType::Menu: return module.SelectMenu(instance, a.dialog);
    case ActionType::Close: return check(ui.close(instance, a.dialog));
    case ActionType::Activate: return check(ui.activate(instance, a.dialog));
    case ActionType::Deactivate: return check(ui.deactivate(instance, a.dialog));
    case ActionType::Click: return check(ui.click(instance, a.dialog, a.control));
    case ActionType::Select: return check(ui.select(instance, a.dialog, a.control, a.value));
    case ActionType::Text: return check(host::user::TypeOver(ui, instance, a.dialog, a.control, a.text, a.enter));
    case ActionType::Focus: return check(ui.focus(instance, a.dialog, a.control));
    case ActionType::Position: return check(ui.setPosition(instance, a.dialog, a.control, a.value));
    case ActionType::Mouse: return check(ui.mouse(instance, a.dialog, a.control, a.value, a.button, a.x, a.y));
    case ActionType::Key: return check(ui.key(instance, a.dialog, a.control, a.value, nullptr));
    }
}

}  // namespace

Hub::Hub(const host::Module& module, NetServer& net, std::vector<host::Bus> buses, bool verify)
    : module_(module), net_(net), peers_(net, module.Ui, devices_) {
    for (auto& bus : buses) devices_.push_back(std::make_unique<ServedDevice>(module_, std::move(bus), verify));
}

void Hub::Opened(ConnectionId id) {
    peers_.Open(id);
    Json names = Json::array();
    for (const host::DialogInfo& d : host::Dialogs()) names.push_back(std::string(d.showName));
    Json hello{{"t", "hello"}, {"devices", DeviceCount()}, {"dialogs", std::move(names)}, {"version", QM7140_VERSION_TEXT}};
    Json menu = Json::array();
    for (uint32_t d = 0; d < host::kDialogCount; ++d) {
        const char* caption = module_.GetMenuItem(d);
        menu.push_back(caption != nullptr ? caption : "");
    }
    hello["menu"] = std::move(menu);
    Json kinds = Json::object();
    for (const auto& [name, kind] : kKinds) kinds[name] = kind;
    hello["kinds"] = std::move(kinds);
    hello["figure"] = {{"w", kFigureWidth},
                       {"h", kFigureHeight},
                       {"label", host::Hex(host::ModuleInstance::kAddress) + " / page " + std::to_string(host::ModuleInstance::kPage)}};
    net_.Send(id, Dump(hello));
}

void Hub::Message(ConnectionId id, std::string_view text) {
    Peer* peer = peers_.Find(id);
    if (peer == nullptr) return;
    auto parsed = ParseAction(text);
    if (auto* why = std::get_if<std::string>(&parsed)) {
        peers_.Refuse(*peer, std::move(*why));
        return peers_.Flush(id);
    }
    Action& action = std::get<Action>(parsed);
    if (action.type == ActionType::Mouse && action.value == QM7140_UI_MOUSE_MOVE) {
        peer->pendingMove = std::move(action);
        if (!std::exchange(movesPosted_, true)) net_.Post([this] { ApplyMoves(); });
        return;
    }
    // A move still waiting goes first: it came before this action.
    if (peer->pendingMove) Run(*peer, *std::exchange(peer->pendingMove, std::nullopt));
    const int before = peer->device;
    Run(*peer, action);
    const int after = peer->device;
    if (after < 0) return peers_.Flush(id);
    peers_.FlushDevice(after);
    if (before >= 0 && before != after) peers_.FlushDevice(before);
}

void Hub::ApplyMoves() {
    movesPosted_ = false;
    std::vector<int> touched;
    for (auto& [peer, move] : peers_.TakeMoves()) {
        Run(*peer, move);
        if (peer->device >= 0) touched.push_back(peer->device);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (const int device : touched) peers_.FlushDevice(device);
}

void Hub::Run(Peer& peer, const Action& action) {
    if (action.seq >= 0) peer.ack = action.seq;
    if (action.type == ActionType::Subscribe) {
        if (action.device >= DeviceCount()) return peers_.Refuse(peer, "no device " + std::to_string(action.device));
        return peers_.Show(peer, action.device);
    }
    if (peer.device < 0) return peers_.Refuse(peer, "choose a device first (sub)");
    ServedDevice& device = *devices_[static_cast<size_t>(peer.device)];
    try {
        // The page's control asks for what the module writes; a verb names itself.
        const host::Amplifier::Asking asking(device.device.Chip(), device.sources.Of(module_.Ui, device.device.Chip().Instance(), action.dialog, action.control));
        Act(module_, device, action);
    } catch (const std::exception& e) {
        peers_.Refuse(peer, e.what());
    }
    Acted(peer.view, action);
    // The module's handler has returned: its failed writes are read back and reported now.
    device.device.Chip().Settle();
    device.device.EndAction();
}

void Hub::Tick() {
    const auto now = host::Device::Clock::now();
    for (int d = 0; d < DeviceCount(); ++d) {
        ServedDevice& device = *devices_[static_cast<size_t>(d)];
        const uint64_t logged = device.journal.log.End();
        if (device.device.Playing()) device.device.PlayDue(now);
        if (host::StepFade(device.figure.object) || device.journal.log.End() != logged) peers_.FlushDevice(d);
    }
}

HttpReply Hub::Http(const HttpRequest& request) {
    const Routes routes{DeviceCount(), [this](int d) -> ServedDevice& { return *devices_[static_cast<size_t>(d)]; },
                        [this](int d) { peers_.FlushDevice(d); }, shelf_, shelfError_};
    return Route(routes, request);
}

}  // namespace web
