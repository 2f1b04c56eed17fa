#include "host/web/hub.h"
#include "qm7140_version.h"

#include "host/common/parse.h"
#include "host/common/register_export.h"
#include "host/common/register_file.h"
#include "host/web/display_list.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <sstream>

namespace web {

namespace {

using Json = nlohmann::json;

constexpr size_t kLogPerUpdate = 200;   // lines one update carries; the rest follow
constexpr size_t kErrorsKept = 16;      // refusals waiting for one page
constexpr const char* kDialogNames[host::kDialogCount] = {"DigitalControl", "Limiter", "Boost"};

// The figure's colours, 0x00BBGGRR: slate blue, and orange while Digital Control is active.
constexpr QM7140Color kFigureColor = 0x00805030;
constexpr QM7140Color kFigureHighlight = 0x0000A5FF;

std::string Dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

const char* StatusText(QM7140UiStatus status) {
    switch (status) {
    case QM7140_UI_ERR_ARGUMENT: return "bad argument";
    case QM7140_UI_ERR_INSTANCE: return "no such instance";
    case QM7140_UI_ERR_DIALOG: return "no such dialog";
    case QM7140_UI_ERR_CONTROL: return "no such control";
    case QM7140_UI_ERR_KIND: return "the control does not take that action";
    case QM7140_UI_ERR_RANGE: return "value out of range";
    case QM7140_UI_ERR_HIDDEN: return "the dialog is closed";
    case QM7140_UI_ERR_BUSY: return "the module is busy";
    case QM7140_UI_ERR_FAILED: return "the module failed";
    default: return "refused";
    }
}

// What a page last saw of a figure.
struct FigureLook {
    int32_t state, hitMode;
    uint32_t step, color, width;
    bool selected;
    bool operator==(const FigureLook&) const = default;
};

FigureLook LookOf(const QM7140GraphObject& o) {
    const host::GraphPen pen = host::CurrentPen(o);
    return {o.AnimationState, o.HitMode, o.AnimationStep, pen.color, pen.width, o.Selected};
}

bool Focusable(QM7140UiKind kind) {
    return kind != QM7140_UI_LABEL && kind != QM7140_UI_GROUP_BOX && kind != QM7140_UI_PAINT_BOX;
}

}  // namespace

struct Hub::Slot {
    int index = 0;
    // Before the device: the instance it frees may still touch the linked figure.
    host::GraphRectangle figure = host::MakeRectangle(0, 0, 132, 60, 2, kFigureColor);
    std::unique_ptr<ServedDevice> device;
    std::array<int32_t, host::kDialogCount> controlCount{};
    std::map<std::pair<int, int>, std::pair<uint32_t, std::string>> pictures;

    QM7140Instance Instance() const { return device->Instance(); }
};

struct Hub::Peer {
    int device = -1;
    std::array<std::optional<uint32_t>, host::kDialogCount> formSeen;
    std::array<std::vector<std::optional<uint32_t>>, host::kDialogCount> controlSeen;
    std::optional<std::array<uint8_t, 256>> registersSeen;
    uint64_t logSeen = 0;
    uint64_t alertSeen = 0;
    std::optional<bool> onlineSeen;
    std::optional<FigureLook> figureSeen;
    std::vector<std::string> errors;
    size_t errorsDropped = 0;
    int64_t ack = -1;
    std::optional<Action> pendingMove;

    void Watch(int d) {
        *this = Peer{.device = d, .errors = std::move(errors), .errorsDropped = errorsDropped, .ack = ack};
    }
};

Hub::Hub(const host::Module& module, NetServer& net, int devices, std::unique_ptr<host::Bus> chip)
    : module_(module), ui_(module.Ui), net_(net) {
    for (int i = 0; i < devices; ++i) {
        auto slot = std::make_unique<Slot>();
        Slot& s = *slot;
        s.index = i;
        QM7140GraphObject& o = s.figure.object;
        o.FadeColor = kFigureHighlight;
        o.HighlightPenWidth = 5;
        s.device = std::make_unique<ServedDevice>(module_, i == 0 ? std::move(chip) : nullptr);
        for (int d = 0; d < host::kDialogCount; ++d) {
            QM7140UiForm form{.size = sizeof(QM7140UiForm)};
            if (ui_.form(s.Instance(), d, &form) == QM7140_UI_OK) s.controlCount[static_cast<size_t>(d)] = form.control_count;
        }
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
    // Flushing may drop a page, this one too: from here on only copies.
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
        peer.alertSeen = devices_[static_cast<size_t>(action.device)]->device->alerts.End();
        return;
    }
    if (peer.device < 0) return Refuse(peer, "choose a device first (sub)");
    try {
        Act(*devices_[static_cast<size_t>(peer.device)], action);
    } catch (const std::exception& e) {
        Refuse(peer, e.what());
    }
}

// Checks what only the device can tell, then acts; throws host::CommandError when refused.
void Hub::Act(Slot& slot, const Action& a) {
    const QM7140Instance instance = slot.Instance();
    const auto check = [](QM7140UiStatus status) {
        if (status != QM7140_UI_OK) throw host::CommandError(StatusText(status));
    };
    switch (a.type) {
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
    default: break;
    }

    QM7140UiForm form{.size = sizeof(QM7140UiForm)};
    check(ui_.form(instance, a.dialog, &form));
    if (!form.visible) throw host::CommandError(StatusText(QM7140_UI_ERR_HIDDEN));
    if (a.type == ActionType::Focus && a.control < 0) return check(ui_.focus(instance, a.dialog, -1));
    if (a.control >= form.control_count) throw host::CommandError(StatusText(QM7140_UI_ERR_CONTROL));
    QM7140UiControl c{.size = sizeof(QM7140UiControl)};
    check(ui_.control(instance, a.dialog, a.control, &c));
    const auto need = [&](bool fits) {
        if (!fits) throw host::CommandError(StatusText(QM7140_UI_ERR_KIND));
    };
    const auto within = [&](bool fits) {
        if (!fits) throw host::CommandError(StatusText(QM7140_UI_ERR_RANGE));
    };
    if (a.type != ActionType::Mouse) need(c.enabled != 0);
    switch (a.type) {
    case ActionType::Click:
        need(c.kind == QM7140_UI_CHECK_BOX || c.kind == QM7140_UI_BUTTON);
        return check(ui_.click(instance, a.dialog, a.control));
    case ActionType::Select:
        need(c.kind == QM7140_UI_COMBO_BOX || c.kind == QM7140_UI_RADIO_GROUP);
        within(a.value < c.item_count);
        return check(ui_.select(instance, a.dialog, a.control, a.value));
    case ActionType::Text: {
        need(c.kind == QM7140_UI_EDIT || c.kind == QM7140_UI_COMBO_BOX);
        // The old text goes key by key, as a person's backspaces take it.
        std::string keys(c.text != nullptr ? std::strlen(c.text) : 0, QM7140_UI_KEY_BACKSPACE);
        keys += a.text;
        if (a.enter) keys += QM7140_UI_KEY_ENTER;
        return check(ui_.type(instance, a.dialog, a.control, keys.c_str()));
    }
    case ActionType::Focus:
        need(Focusable(c.kind));
        return check(ui_.focus(instance, a.dialog, a.control));
    case ActionType::Position:
        need(c.kind == QM7140_UI_TRACK_BAR);
        within(a.value >= c.min && a.value <= c.max);
        return check(ui_.setPosition(instance, a.dialog, a.control, a.value));
    case ActionType::Mouse:
        need(c.kind == QM7140_UI_PAINT_BOX);
        return check(ui_.mouse(instance, a.dialog, a.control, a.value, a.button, a.x, a.y));
    default: throw host::CommandError("not an action");
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
    std::vector<ConnectionId> ids;
    for (const auto& [id, peer] : peers_)
        if (peer.device == device) ids.push_back(id);
    // A send may drop a page, and with it its peer: look each up again.
    for (const ConnectionId id : ids) {
        const auto found = peers_.find(id);
        if (found != peers_.end()) Flush(id, found->second);
    }
}

void Hub::Flush(ConnectionId id, Peer& peer) {
    if (!net_.Idle(id)) return;  // the page gets the newest state once it has read the last
    std::string update = Update(peer);
    if (!update.empty()) net_.Send(id, std::move(update));
}

const std::string& Hub::Picture(Slot& slot, int dialog, int control, uint32_t changes) {
    auto& [seen, picture] = slot.pictures[{dialog, control}];
    if (seen != changes || picture.empty()) {
        DisplayList list;
        const QM7140UiStatus status = ui_.paint(slot.Instance(), dialog, control, &DisplayListDrawing(), &list);
        picture = list.Finish();
        if (status != QM7140_UI_OK) picture = "[]";
        seen = changes;
    }
    return picture;
}

std::string Hub::FormJson(Slot& slot, int dialog, Peer& peer, std::string& controls, std::string& paints) {
    const QM7140Instance instance = slot.Instance();
    QM7140UiForm f{.size = sizeof(QM7140UiForm)};
    if (ui_.form(instance, dialog, &f) != QM7140_UI_OK) return {};
    auto& formSeen = peer.formSeen[static_cast<size_t>(dialog)];
    if (formSeen == f.changes) return {};
    formSeen = f.changes;
    const Json form{{"dlg", dialog},      {"name", f.name ? f.name : ""}, {"caption", f.caption ? f.caption : ""},
                    {"font", f.font_name ? f.font_name : ""}, {"fontHeight", f.font_height},
                    {"w", f.width},       {"h", f.height},               {"hasPos", f.has_position != 0},
                    {"left", f.left},     {"top", f.top},                {"visible", f.visible != 0},
                    {"active", f.active != 0}, {"focused", f.focused}};
    auto& seen = peer.controlSeen[static_cast<size_t>(dialog)];
    seen.resize(static_cast<size_t>(std::max(f.control_count, 0)));
    for (int32_t i = 0; i < f.control_count; ++i) {
        QM7140UiControl c{.size = sizeof(QM7140UiControl)};
        if (ui_.control(instance, dialog, i, &c) != QM7140_UI_OK || seen[static_cast<size_t>(i)] == c.changes) continue;
        seen[static_cast<size_t>(i)] = c.changes;
        Json control{{"dlg", dialog},
                     {"c", i},
                     {"kind", c.kind},
                     {"name", c.name ? c.name : ""},
                     {"parent", c.parent},
                     {"l", c.left},
                     {"t", c.top},
                     {"w", c.width},
                     {"h", c.height},
                     {"tab", c.tab_order},
                     {"caption", c.caption ? c.caption : ""},
                     {"text", c.text ? c.text : ""},
                     {"enabled", c.enabled != 0},
                     {"checked", c.checked != 0},
                     {"index", c.item_index},
                     {"columns", c.columns},
                     {"pos", c.position},
                     {"min", c.min},
                     {"max", c.max}};
        const uint32_t changes = c.changes;
        const QM7140UiKind kind = c.kind;
        Json items = Json::array();
        for (int32_t k = 0; k < c.item_count; ++k) {
            const char* item = nullptr;
            items.push_back(ui_.item(instance, dialog, i, k, &item) == QM7140_UI_OK && item ? item : "");
        }
        control["items"] = std::move(items);
        controls += (controls.empty() ? "" : ",") + Dump(control);
        if (kind == QM7140_UI_PAINT_BOX) {
            paints += paints.empty() ? "" : ",";
            paints += "{\"dlg\":" + std::to_string(dialog) + ",\"c\":" + std::to_string(i) + ",\"ops\":";
            paints += Picture(slot, dialog, i, changes);
            paints += '}';
        }
    }
    return Dump(form);
}

std::string Hub::Update(Peer& peer) {
    std::string out;
    const auto add = [&](std::string_view key, const std::string& value) {
        out += out.empty() ? "{\"t\":\"update\"" : "";
        out += ",\"";
        out += key;
        out += "\":";
        out += value;
    };
    if (peer.device >= 0) {
        Slot& slot = *devices_[static_cast<size_t>(peer.device)];
        std::string forms, controls, paints;
        for (int d = 0; d < host::kDialogCount; ++d) {
            const std::string form = FormJson(slot, d, peer, controls, paints);
            if (!form.empty()) forms += (forms.empty() ? "" : ",") + form;
        }
        if (!forms.empty()) add("forms", "[" + forms + "]");
        if (!controls.empty()) add("controls", "[" + controls + "]");
        if (!paints.empty()) add("paints", "[" + paints + "]");

        const auto& bytes = slot.device->Registers().bytes;
        if (!peer.registersSeen) {
            add("regs", Dump(Json(bytes)));
        } else if (*peer.registersSeen != bytes) {
            Json changed = Json::array();
            for (size_t r = 0; r < bytes.size(); ++r)
                if ((*peer.registersSeen)[r] != bytes[r]) changed.push_back({r, bytes[r]});
            add("regd", Dump(changed));
        }
        peer.registersSeen = bytes;

        if (const auto lines = slot.device->log.Since(peer.logSeen, kLogPerUpdate); !lines.empty()) add("log", Dump(Json(lines)));
        if (const auto lines = slot.device->alerts.Since(peer.alertSeen, kErrorsKept); !lines.empty())
            add("alerts", Dump(Json(lines)));
        if (peer.onlineSeen != slot.device->Online()) {
            peer.onlineSeen = slot.device->Online();
            add("bus", Dump(Json{{"chip", slot.device->Chip().Name()}, {"sim", slot.device->Simulated()},
                                 {"online", slot.device->Online()}}));
        }

        const FigureLook look = LookOf(slot.figure.object);
        if (peer.figureSeen != look) {
            peer.figureSeen = look;
            const uint32_t c = look.color;  // 0x00BBGGRR
            char colour[8];
            std::snprintf(colour, sizeof colour, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
            add("figure", Dump(Json{{"state", look.state}, {"hit", look.hitMode}, {"step", look.step},
                                     {"color", colour}, {"width", look.width}, {"selected", look.selected}}));
        }
        if (!out.empty()) add("dev", std::to_string(peer.device));
    }
    if (!peer.errors.empty()) {
        if (peer.errorsDropped > 0) peer.errors.push_back(std::to_string(peer.errorsDropped) + " more refused");
        add("errors", Dump(Json(peer.errors)));
        peer.errors.clear();
        peer.errorsDropped = 0;
    }
    if (peer.ack >= 0) {
        add("ack", std::to_string(peer.ack));
        peer.ack = -1;
    }
    if (!out.empty()) out += '}';
    return out;
}

HttpReply Hub::Http(const HttpRequest& request) {
    const auto text = [](int status, std::string body) { return HttpReply{status, "text/plain; charset=utf-8", std::move(body)}; };
    if (request.path != "/state" && request.path != "/export" && request.path != "/replay") return text(404, "not found\n");
    const auto dev = QueryValue(request.query, "dev");
    int device = -1;
    if (dev) {
        const auto [end, error] = std::from_chars(dev->data(), dev->data() + dev->size(), device);
        if (error != std::errc() || end != dev->data() + dev->size()) device = -1;
    }
    if (device < 0 || device >= DeviceCount()) return text(400, "no such device\n");
    ServedDevice& served = *devices_[static_cast<size_t>(device)]->device;
    const std::string name = "qm7140-device-" + std::to_string(device + 1);
    const bool get = request.method == "GET";
    if (request.path == "/export") {
        if (!get) return text(405, "GET\n");
        const auto format = host::ExportFormatNamed(QueryValue(request.query, "format").value_or(""));
        if (!format) return text(400, "format: c, i2cset or script\n");
        std::string file = name + "-settings.";
        for (const host::ExportFormatInfo& f : host::ExportFormats())
            if (f.format == *format) file += f.extension;
        return {200, "text/plain; charset=utf-8", served.Export(*format), "attachment; filename=\"" + file + "\""};
    }
    if (request.path == "/state" && get) {
        std::ostringstream saved;
        served.Registers().Save(saved);
        return {200, "text/plain; charset=utf-8", saved.str(), "attachment; filename=\"" + name + ".txt\""};
    }
    if (request.method != "POST") return text(405, request.path == "/state" ? "GET or POST\n" : "POST\n");
    // Checked whole before anything reaches the device: a bad line changes nothing.
    try {
        if (request.path == "/state") {
            std::istringstream saved(request.body);
            const auto values = host::ParseSaved(saved, "state file");
            served.Load(values);
            FlushDevice(device);
            return text(200, "loaded " + std::to_string(values.size()) + " register(s)\n");
        }
        const size_t steps = served.StartReplay(request.body);
        served.PlayDue(ServedDevice::Clock::now());
        FlushDevice(device);
        if (served.Playing()) return text(200, "playing " + std::to_string(steps) + " step(s); the log follows them\n");
        if (!served.ReplayFailure().empty()) return text(409, served.ReplayFailure() + "\n");
        return text(200, "replayed " + std::to_string(steps) + " step(s)\n");
    } catch (const std::exception& e) {
        return text(400, std::string(e.what()) + "\n");
    }
}

}  // namespace web
