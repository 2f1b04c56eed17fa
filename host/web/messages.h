// What a page may ask of the server, checked for shape before anything acts on it: one
// JSON object of a known type with exactly its fields, each of its type and range. What
// only the device can tell (how many controls, which kind, which items) is checked later.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace web {

enum class ActionType {
    Subscribe,   // sub {dev}: the page shows this device from now on
    Menu,        // menu {dlg}: as the host's menu item
    Close,       // close {dlg}
    Activate,    // activate {dlg}
    Deactivate,  // deactivate {dlg}
    Click,       // click {dlg, c}
    Select,      // select {dlg, c, item}
    Text,        // text {dlg, c, text, enter}: the edit's text replaced, then Enter if asked
    Focus,       // focus {dlg, c}: c -1 leaves the dialog's controls
    Position,    // pos {dlg, c, v[, seq]}: numbered, so the page knows its answer
    Mouse,       // mouse {dlg, c, a, b, x, y[, seq]}: a 0 down, 1 move, 2 up; moves carry seq
    Key,         // key {dlg, c, key}: ArrowLeft, ArrowRight, ArrowUp, ArrowDown, Tab or BackTab
                 // (Shift+Tab) on a paint box that has the page's keyboard
    Register,    // reg {r, v}: the grid's edit of one register
    ReadAll,     // readall {}
    Link,        // link {}: Digital Control shown on the device's figure
    Connect,     // connect {}: the bus re-opened and the chip read
    Undo,        // undo {}: the device's last change by its users taken back
    Redo,        // redo {}
};

struct Action {
    ActionType type{};
    int32_t device = 0;
    int32_t dialog = 0;
    int32_t control = 0;
    int32_t value = 0;  // item, position, register value, mouse action, the seam's key
    int32_t button = 0;
    int32_t x = 0, y = 0;
    int32_t reg = 0;
    int64_t seq = -1;  // a mouse move's or position's number, answered once it is applied
    bool enter = false;
    std::string text;
};

constexpr size_t kLargestMessage = 4096;
constexpr size_t kLongestText = 256;
constexpr int32_t kMostDevices = 16;

// The action, or why the message is refused.
std::variant<Action, std::string> ParseAction(std::string_view message);

}  // namespace web
