#include "host/web/messages.h"

#include <qm7140/ui.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace web {

namespace {

using Json = nlohmann::json;

struct Field {
    const char* name;
    int64_t low, high;  // an integer's range; a string's length; bool: unused
    enum { Integer, String, Boolean, KeyName } kind = Integer;
    bool optional = false;
};

struct Shape {
    const char* type;
    ActionType action;
    std::initializer_list<Field> fields;
};

constexpr int32_t kDialogs = QM7140_DIALOG_COUNT;
constexpr int64_t kCoordinate = 32767;
constexpr int64_t kMostControls = 1024;

// The keys a page passes on to a paint box, by the browser's names.
constexpr std::pair<std::string_view, QM7140UiKey> kKeys[] = {
    {"ArrowLeft", QM7140_UI_KEY_LEFT}, {"ArrowRight", QM7140_UI_KEY_RIGHT}, {"ArrowUp", QM7140_UI_KEY_UP},
    {"ArrowDown", QM7140_UI_KEY_DOWN}, {"Tab", QM7140_UI_KEY_TAB},          {"BackTab", QM7140_UI_KEY_BACK_TAB},
};

const Field kDlg{"dlg", 0, kDialogs - 1};
const Field kControl{"c", 0, kMostControls};

const Shape kShapes[] = {
    {"sub", ActionType::Subscribe, {{"dev", 0, kMostDevices - 1}}},
    {"menu", ActionType::Menu, {kDlg}},
    {"close", ActionType::Close, {kDlg}},
    {"activate", ActionType::Activate, {kDlg}},
    {"deactivate", ActionType::Deactivate, {kDlg}},
    {"click", ActionType::Click, {kDlg, kControl}},
    {"select", ActionType::Select, {kDlg, kControl, {"item", 0, 1024}}},
    {"text", ActionType::Text, {kDlg, kControl, {"text", 0, kLongestText, Field::String}, {"enter", 0, 0, Field::Boolean}}},
    {"focus", ActionType::Focus, {kDlg, {"c", -1, kMostControls}}},
    {"pos", ActionType::Position, {kDlg, kControl, {"v", INT32_MIN, INT32_MAX}, {"seq", 0, INT64_MAX, Field::Integer, true}}},
    {"mouse", ActionType::Mouse, {kDlg, kControl, {"a", 0, 2}, {"b", 0, 2}, {"x", -kCoordinate - 1, kCoordinate},
                                  {"y", -kCoordinate - 1, kCoordinate}, {"seq", 0, INT64_MAX, Field::Integer, true}}},
    {"key", ActionType::Key, {kDlg, kControl, {"key", 0, 0, Field::KeyName}}},
    {"reg", ActionType::Register, {{"r", 0, 255}, {"v", 0, 255}}},
    {"readall", ActionType::ReadAll, {}},
    {"link", ActionType::Link, {}},
    {"connect", ActionType::Connect, {}},
    {"undo", ActionType::Undo, {}},
    {"redo", ActionType::Redo, {}},
};

void Store(Action& action, std::string_view name, int64_t value) {
    const auto v = static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    if (name == "dev") action.device = v;
    else if (name == "dlg") action.dialog = v;
    else if (name == "c") action.control = v;
    else if (name == "item" || name == "v" || name == "a") action.value = v;
    else if (name == "b") action.button = v;
    else if (name == "x") action.x = v;
    else if (name == "y") action.y = v;
    else if (name == "r") action.reg = v;
    else if (name == "seq") action.seq = value;
}

// Printable ASCII: what the edits take, key by key.
bool Typable(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

std::variant<Action, std::string> ParseAction(std::string_view message) {
    if (message.size() > kLargestMessage) return "message larger than " + std::to_string(kLargestMessage) + " bytes";
    // The parser would take the part before it, and the page meant something else.
    if (message.find('\0') != std::string_view::npos) return std::string("message holds a NUL byte");
    const Json json = Json::parse(message.begin(), message.end(), nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::string("not a JSON object");
    const auto type = json.find("t");
    if (type == json.end() || !type->is_string()) return std::string("no message type \"t\"");
    const std::string& name = type->get_ref<const std::string&>();
    const auto shape = std::find_if(std::begin(kShapes), std::end(kShapes), [&](const Shape& s) { return name == s.type; });
    if (shape == std::end(kShapes)) return "unknown message type " + Json(name).dump(-1, ' ', true, Json::error_handler_t::replace);
    Action action;
    action.type = shape->action;
    size_t present = 1;
    for (const Field& field : shape->fields) {
        const auto found = json.find(field.name);
        const std::string where = name + "." + field.name;
        if (found == json.end()) {
            if (field.optional) continue;
            return where + " is missing";
        }
        ++present;
        switch (field.kind) {
        case Field::Integer: {
            if (!found->is_number_integer()) return where + " is not an integer";
            const int64_t value = found->is_number_unsigned() && found->get<uint64_t>() > INT64_MAX
                                      ? INT64_MAX
                                      : found->get<int64_t>();
            if (value < field.low || value > field.high) return where + " is out of range";
            Store(action, field.name, value);
            break;
        }
        case Field::String: {
            if (!found->is_string()) return where + " is not a string";
            const std::string& text = found->get_ref<const std::string&>();
            if (text.size() > static_cast<size_t>(field.high)) return where + " is too long";
            if (!Typable(text)) return where + " holds a character that cannot be typed";
            action.text = text;
            break;
        }
        case Field::Boolean:
            if (!found->is_boolean()) return where + " is not true or false";
            action.enter = found->get<bool>();
            break;
        case Field::KeyName: {
            const auto key =
                std::find_if(std::begin(kKeys), std::end(kKeys), [&](const auto& k) { return *found == k.first; });
            if (key == std::end(kKeys)) return where + " is not a key a paint box takes";
            action.value = key->second;
            break;
        }
        }
    }
    if (present != json.size()) return name + ": expected exactly its fields";
    return action;
}

}  // namespace web
