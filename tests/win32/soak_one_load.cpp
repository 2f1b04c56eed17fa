#include "screen.h"
#include "soak.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

// Committed memory may grow this much in one load once warm (heap and cache slack).
constexpr long long kGrowthBoundKb = 128;

constexpr const wchar_t* kCaptions[3] = {L"Digital Control", L"Limiter / AGC", L"BoostForm"};
// On the 602 x 394 curve view: the inflection cursor where the initial codes put it, and
// the two points a drag swings between. After a move to kLow the cursor sits under it.
constexpr POINT kKnee = {326, 97}, kHigh = {400, 150}, kLow = {450, 250};

LPARAM At(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

BOOL CALLBACK Collect(HWND window, LPARAM into) {
    reinterpret_cast<std::set<HWND>*>(into)->insert(window);
    return TRUE;
}

std::set<HWND> ThreadWindows() {
    std::set<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

struct Instance {
    QM7140Instance handle = nullptr;
    std::array<HWND, 3> forms = {};
    std::unique_ptr<host::ModuleInstance> device;
    long writes = 0;
    POINT knee = kKnee;  // where the inflection cursor is now
};

class OneLoad {
public:
    OneLoad(size_t instances, Verdict& verdict) : verdict_(verdict), instances_(instances) {
        try {
            module_.emplace(host::DefaultModulePath());
        } catch (const std::runtime_error& e) {
            std::printf("soak: %s\n", e.what());
        }
    }

    // Every instance made and connected, its forms found among the windows it added.
    bool MakeInstances() {
        for (auto& instance : instances_) {
            instance = std::make_unique<Instance>();
            Instance& made = *instance;
            const std::set<HWND> before = ThreadWindows();
            try {
                made.device = std::make_unique<host::ModuleInstance>(*module_, [&made](const host::BusWrite&) { ++made.writes; });
            } catch (const std::runtime_error&) {
                return false;
            }
            made.handle = made.device->Instance();
            for (HWND window : ThreadWindows()) {
                if (before.count(window) != 0) continue;
                for (int dialog = 0; dialog < 3; ++dialog)
                    if (TextOf(window) == kCaptions[dialog]) instance->forms[static_cast<size_t>(dialog)] = window;
            }
            for (HWND form : instance->forms)
                if (form == nullptr) return false;
        }
        return true;
    }

    void ShowAll() {
        for (auto& instance : instances_)
            for (int32_t dialog = 0; dialog < 3; ++dialog) module_->SelectMenu(instance->handle, dialog);
        Pump();
        int shown = 0;
        for (auto& instance : instances_)
            for (HWND form : instance->forms) shown += IsWindowVisible(form) ? 1 : 0;
        verdict_.Check(shown == 3 * Count(), "every dialog shown (" + std::to_string(shown) + ")");
    }

    // `total` drag steps shared out over the instances' curve views, each view brought to
    // the front, pressed on its inflection cursor and swung between two points.
    void Drag(int total) {
        for (int i = 0; i < Count(); ++i) {
            const int steps = total / Count() + (i < total % Count() ? 1 : 0);
            if (steps > 0) DragOne(*instances_[static_cast<size_t>(i)], steps);
        }
    }

    // Show and close, one dialog after the other.
    void ShowAndClose(int cycles) {
        int wrong = 0;
        for (int i = 0; i < cycles; ++i) {
            Instance& instance = *instances_[static_cast<size_t>(i / 3 % Count())];
            const int32_t dialog = i % 3;
            HWND form = instance.forms[static_cast<size_t>(dialog)];
            module_->SelectMenu(instance.handle, dialog);
            Pump();
            wrong += IsWindowVisible(form) ? 0 : 1;
            SendMessageW(form, WM_CLOSE, 0, 0);
            Pump();
            wrong += IsWindowVisible(form) ? 1 : 0;
        }
        verdict_.Check(wrong == 0, std::to_string(wrong) + " dialogs did not show or close");
    }

    void FreeInstances() {
        for (auto& instance : instances_)
            if (instance != nullptr) instance->device.reset();
        Pump();
    }

    int Count() const { return static_cast<int>(instances_.size()); }
    bool Loaded() const { return module_.has_value(); }
    void Unload() { module_.reset(); }

private:
    void DragOne(Instance& instance, int steps) {
        HWND form = instance.forms[QM7140_DIALOG_LIMITER];
        HWND box = FindWindowExW(form, nullptr, L"QM7140PaintBox", nullptr);
        module_->SelectMenu(instance.handle, QM7140_DIALOG_LIMITER);
        Pump();
        const long writes = instance.writes;
        SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, At(instance.knee));
        // Ends on kLow, so the next drag presses there.
        for (int i = 0; i < steps; ++i)
            SendMessageW(box, WM_MOUSEMOVE, MK_LBUTTON, At((steps - 1 - i) % 2 == 0 ? kLow : kHigh));
        SendMessageW(box, WM_LBUTTONUP, 0, At(kLow));
        Pump();
        instance.knee = kLow;
        verdict_.Check(instance.writes - writes == 2L * steps,
                       "a drag of " + std::to_string(steps) + " steps wrote " +
                           std::to_string(instance.writes - writes) + " registers");
        verdict_.Check(RedNear(box, kLow), "the dragged cursor is not on the screen where it was left");
    }

    static bool RedNear(HWND box, POINT p) {
        HDC dc = GetDC(box);
        bool found = false;
        for (int y = p.y - 5; y <= p.y + 5; ++y)
            for (int x = p.x - 5; x <= p.x + 5; ++x) found = found || GetPixel(dc, x, y) == RGB(255, 0, 0);
        ReleaseDC(box, dc);
        return found;
    }

    Verdict& verdict_;
    std::optional<host::Module> module_;
    std::vector<std::unique_ptr<Instance>> instances_;
};

}  // namespace

void SoakOneLoad(int repaints, int cycles, Verdict& verdict) {
    std::printf("soak: one load, %d instances with all dialogs shown: %d repaints while dragging, %d show/close cycles\n",
                kInstancesPerLoad, repaints, cycles);
    // A first life of one instance in a load of its own: Wine and the common controls keep
    // what they set up on first use (cached device contexts, system bitmaps) to the end.
    {
        OneLoad first(1, verdict);
        if (first.Loaded() && first.MakeInstances()) {
            first.ShowAll();
            first.Drag(2);
            first.ShowAndClose(3);
        }
        first.FreeInstances();
    }
    const Resources unloaded = MeasureResources();
    OneLoad load(kInstancesPerLoad, verdict);
    verdict.Check(load.Loaded(), "QM7140.dll did not load");
    if (!load.Loaded()) return;
    const Resources empty = MeasureResources();
    const bool made = load.MakeInstances();
    verdict.Check(made, "16 instances with three forms each");
    if (made) {
        load.ShowAll();
        // Warm: every view dragged and every dialog shown and closed once.
        load.Drag(4 * kInstancesPerLoad);
        load.ShowAndClose(3 * kInstancesPerLoad);
        load.ShowAll();
        const Resources start = MeasureResources();
        const ULONGLONG began = GetTickCount64();
        load.Drag(repaints);
        load.ShowAndClose(cycles);
        load.ShowAll();
        const Resources end = MeasureResources();
        std::printf("soak:   %.1f s\n", static_cast<double>(GetTickCount64() - began) / 1000);
        PrintResources("warm to end", start, end);
        verdict.Check(end.windows == start.windows, "windows changed within one load");
        verdict.Check(end.gdi <= start.gdi, "GDI objects grew within one load");
        verdict.Check(GrowthKilobytes(start, end) <= kGrowthBoundKb,
                      "memory grew more than " + std::to_string(kGrowthBoundKb) + " KB within one load");
    }
    load.FreeInstances();
    const Resources freed = MeasureResources();
    PrintResources("no instance to all freed", empty, freed);
    verdict.Check(freed.windows == empty.windows, "windows left behind by freed instances");
    verdict.Check(freed.gdi <= empty.gdi, "GDI objects left behind by freed instances");
    load.Unload();
    const Resources after = MeasureResources();
    PrintResources("unloaded to unloaded", unloaded, after);
    verdict.Check(after.windows == unloaded.windows, "windows left behind by the unloaded module");
    verdict.Check(after.gdi <= unloaded.gdi, "GDI objects left behind by the unloaded module");
}
