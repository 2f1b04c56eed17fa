// Bringing one page up to date with its device. What a page has not been sent yet waits as
// "what it last saw" (a PageView), never as a queue of messages: a slow page gets the
// newest state when it is ready, and nothing piles up for it.
#pragma once

#include "host/common/module/module.h"
#include "host/web/display_list.h"
#include "host/web/messages.h"
#include "host/web/served_device.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace web {

// What a page last saw of a figure.
struct FigureLook {
    int32_t state, hitMode;
    uint32_t step, color, width;
    bool selected;
    bool operator==(const FigureLook&) const = default;
};

// The bench's words for a page: the preset last applied or saved, whether a setting moved
// since, and what undo and redo would take back or do again.
struct BenchLook {
    std::string preset;
    bool changed;
    std::string undo, redo;
    bool operator==(const BenchLook&) const = default;
};

// A form and a control as a page is sent them, kept as values: what changed is found
// without building the JSON of what did not.
struct FormLook {
    std::string name, caption, font;
    int32_t fontHeight, w, h, left, top, focused;
    bool hasPos, visible, active;
};

struct ControlLook {
    int32_t kind;
    std::string name;
    int32_t parent, l, t, w, h, tab;
    std::string caption, text;
    bool enabled, checked;
    int32_t index, columns, pos, min, max;
    std::vector<std::string> items;
};

// What one page last saw of the device it shows. A form or control is sent with only the
// fields that differ from what the page was sent last (all of them the first time); the
// page keeps the rest. The change counters only say where to look.
struct PageView {
    template <class Look>
    struct Seen {
        std::optional<uint32_t> changes;
        std::optional<Look> sent;
        uint64_t picture = 0;  // the version of a paint box's picture sent
    };
    std::array<Seen<FormLook>, host::kDialogCount> forms;
    std::array<std::vector<Seen<ControlLook>>, host::kDialogCount> controls;
    std::optional<std::array<uint8_t, 256>> registersSeen;
    std::bitset<256> registersOwed;  // sent at the next sync even where unchanged
    uint64_t logSeen = 0;
    uint64_t alertSeen = 0;
    std::optional<bool> onlineSeen;
    std::optional<FigureLook> figureSeen;
    std::optional<BenchLook> benchSeen;
    bool mapSent = false;
};

// The page acted on a control or a register: it is sent whole at the next sync, as the module
// now holds it. What the person typed, picked or slid is not what the page was sent last,
// so only the whole state replaces a value the module refused or rounded.
void Acted(PageView& view, const Action& action);

// Adds to `update` what changed since `view` (forms, controls, paints, regs or regd, log,
// alerts, bus, figure, bench; the first time also map, the module's [dlg, c, reg, mask] bindings) and moves `view` on to it.
void Sync(const host::Module::UiSeam& ui, ServedDevice& device, PageView& view, Json& update);

}  // namespace web
