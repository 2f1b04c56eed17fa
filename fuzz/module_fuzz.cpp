// The whole module through its exports, as hosts use it and misuse it: instances made and
// freed (also twice, and handles that were never made), menus and dialogs shown by any index
// and name with or without a graph object, windows connected to the host's array and told of
// any address, page and register, and the user at work on all three dialogs. Whatever the
// order: nothing lands outside the host's array, every callback is for a register of the
// window that makes it, a reload never calls back nor changes the cache, and a handle that is
// not a live instance changes nothing.
#include "fuzz/fuzz_host.h"
#include "graph/tguiobject.h"
#include "plugin/csapi.h"

#include <qm7140/graph.h>
#include <qm7140/plugin.h>

#include <array>
#include <vector>

extern "C" {
QM7140Instance QM7140_CDECL qm_Init(int32_t, int32_t, int32_t, int32_t) __asm__("_Init");
void QM7140_CDECL qm_FreeCodecInstance(QM7140Instance) __asm__("_FreeCodecInstance");
QM7140RegisterWindow* QM7140_CDECL qm_GetI2CObject(QM7140Instance, int32_t) __asm__("_GetI2CObject");
void QM7140_CDECL qm_SetCodecName(QM7140Instance, const char*) __asm__("_SetCodecName");
const char* QM7140_CDECL qm_GetMenuItem(uint32_t) __asm__("_GetMenuItem");
void QM7140_CDECL qm_SelectMenu(QM7140Instance, int32_t) __asm__("_SelectMenu");
int32_t QM7140_CDECL qm_ShowDialog(QM7140Instance, const char*, int32_t, int32_t, void*) __asm__("_ShowDialog");
}

using fuzz::Check;

namespace {

constexpr const char* kNames[] = {"DigitalControl", "limiter", "BOOST", "Digital Control", "", "Boost ", nullptr};
constexpr std::string_view kKeys = "0123456789.-+ x\r\b";

struct Instance {
    QM7140Instance handle;
    bool live;
};

// Which window a callback comes from: the host gives each window its own context.
std::array<QM7140RegisterWindow*, 64> windowsByContext;
size_t windowCount = 0;
fuzz::Host* currentHost = nullptr;  // the host of the running input

void QM7140_CDECL Written(intptr_t context, int32_t address, int32_t page, uint32_t reg, int32_t count) {
    Check(context >= 0x100 && static_cast<size_t>(context - 0x100) < windowCount);
    const QM7140RegisterWindow& w = *windowsByContext[static_cast<size_t>(context - 0x100)];
    Check(address == w.DeviceAddress && page == w.Page && count == 1);
    Check(reg >= w.FirstRegister && reg - w.FirstRegister < w.RegisterCount);
    host::RegisterHost::Written(currentHost->Context(), address, page, reg, count);
}

// A user action on one control of a dialog, chosen and shaped by the step.
void Act(platform::Form& form, fuzz::Step s) {
    const auto& controls = form.Controls();
    if (controls.empty()) return;
    platform::Control& c = *controls[s.arg % controls.size()];
    const auto v = static_cast<int8_t>(s.value);
    switch (c.kind()) {
    case platform::Kind::CheckBox: static_cast<platform::CheckBox&>(c).userClick(); break;
    case platform::Kind::ComboBox:
        if (s.value & 1) static_cast<platform::ComboBox&>(c).userSelect(v / 2);
        else static_cast<platform::ComboBox&>(c).userEditText(fuzz::Typed(kKeys, s.value, s.arg, 3), v / 2);
        break;
    case platform::Kind::RadioGroup: static_cast<platform::RadioGroup&>(c).userSelect(v % 3); break;
    case platform::Kind::TrackBar: static_cast<platform::TrackBar&>(c).userSetPosition(v); break;
    case platform::Kind::Button: static_cast<platform::Button&>(c).userClick(); break;
    case platform::Kind::Edit: {
        auto& edit = static_cast<platform::Edit&>(c);
        form.userFocus(&edit);
        for (char key : fuzz::Typed(kKeys, s.value, s.arg / 4, 6)) edit.userType(key);
        if (s.value & 0x80) form.userFocus(nullptr);
        break;
    }
    case platform::Kind::PaintBox: {
        auto& box = static_cast<platform::PaintBox&>(c);
        const int x = v * 5, y = static_cast<int8_t>(s.arg) * 4;
        switch (s.value % 3) {
        case 0: box.userMouseDown(static_cast<platform::MouseButton>(s.arg % 3), x, y); break;
        case 1: box.userMouseMove(x, y); break;
        default: box.userMouseUp(static_cast<platform::MouseButton>(s.arg % 3), x, y); break;
        }
        break;
    }
    default:
        if (s.value & 1) form.userActivate();
        else form.userClose();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Host host;
    currentHost = &host;
    // Each input is one load of the module.
    csapi::Detach();
    csapi::Attach();
    windowCount = 0;
    std::vector<Instance> instances;
    std::vector<QM7140RegisterWindow*> windows;  // of live instances only
    TLCursor cursor;
    QM7140GraphObject* const cursorObject = reinterpret_cast<QM7140GraphObject*>(&cursor);
    int foreign = 0;

    auto handleOf = [&](uint8_t pick) -> Instance {
        if (pick % 8 == 6) return {&foreign, false};
        if (pick % 8 == 7 || instances.empty()) return {nullptr, false};
        return instances[pick % instances.size()];
    };

    fuzz::ForEachStep(data, size, [&](fuzz::Step s) {
        const auto before = host.Snapshot();
        const int callsBefore = host.Calls();
        const Instance target = handleOf(s.arg);
        bool quiet = !target.live;  // a refused handle, or a reload: no write, no change
        switch (s.op % 10) {
        case 0:
            if (QM7140Instance h = qm_Init(s.value, 0, 0, 0)) instances.push_back({h, true});
            quiet = true;
            break;
        case 1:
            qm_FreeCodecInstance(target.handle);
            if (target.live) {
                for (Instance& i : instances)
                    if (i.handle == target.handle) i.live = false;
                windows.clear();  // their dialogs may be gone; live ones are fetched again
                for (const Instance& i : instances)
                    if (i.live)
                        for (int32_t d = 0; d < 3; ++d) windows.push_back(qm_GetI2CObject(i.handle, d));
            }
            break;
        case 2: qm_SelectMenu(target.handle, static_cast<int8_t>(s.value) % 5); break;
        case 3:
            qm_ShowDialog(target.handle, kNames[s.value % std::size(kNames)], s.value, 0,
                          s.value & 0x80 ? cursorObject : nullptr);
            break;
        case 4: {  // the host connects a window
            QM7140RegisterWindow* w = qm_GetI2CObject(target.handle, static_cast<int8_t>(s.value) % 4);
            Check(target.live || w == nullptr);
            if (w != nullptr && windowCount < windowsByContext.size()) {
                windowsByContext[windowCount] = w;
                w->Cache = host.regs;
                w->CallbackContext = static_cast<intptr_t>(0x100 + windowCount++);
                w->WriteCallback = s.value & 0x40 ? nullptr : &Written;
                windows.push_back(w);
            }
            break;
        }
        case 5:  // the host read the device and tells a window
            if (!windows.empty()) {
                QM7140RegisterWindow* w = windows[s.arg % windows.size()];
                w->Ops->RegisterChanged(w, s.value & 0x80 ? 129 : 128, s.value & 0x40 ? 1 : 0, s.value % 40);
            }
            quiet = true;
            break;
        case 6: host.regs[s.arg % 32] = s.value; return;
        case 7: {
            char name[300];
            for (size_t i = 0; i < sizeof name; ++i) name[i] = static_cast<char>(s.value + i);
            name[(s.arg * 3u) % sizeof name] = 0;
            qm_SetCodecName(target.handle, s.arg & 1 ? name : nullptr);
            quiet = true;
            break;
        }
        case 8: Check((qm_GetMenuItem(s.value) != nullptr) == (s.value < 3)); break;
        case 9:  // the user, on a dialog of a live instance
            if (!windows.empty()) {
                QM7140RegisterWindow* w = windows[s.arg % windows.size()];
                Act(*static_cast<platform::Form*>(w->OwnerDialog), s);
            }
            quiet = false;
            break;
        }
        if (quiet) {
            Check(host.Calls() == callsBefore);
            Check(host.Snapshot() == before);
        }
    });
    for (const Instance& i : instances) qm_FreeCodecInstance(i.handle);
    return 0;
}
