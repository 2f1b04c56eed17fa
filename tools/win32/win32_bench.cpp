// What the module's Win32 path costs, under Wine, against bare Win32 doing the same: one
// line per figure on standard output, "NAME NANOSECONDS_PER_ITERATION"; the ratios to the
// goals on standard error.
//
//   qm7140_win32_bench [--quick]    --quick: a few iterations, to prove that it runs
#include "bare_frame.h"
#include "bench_timer.h"
#include "host/common/module/module_instance.h"
#include "host/common/module/module.h"
#include "tests/win32/screen.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// On the 602 x 394 curve view: where the initial codes put the inflection cursor, and two
// points a drag swings between.
constexpr POINT kKnee = {326, 97}, kHigh = {400, 150}, kLow = {450, 250};
constexpr const wchar_t* kBenchClass = L"QM7140BenchWindow";

LPARAM At(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

long hostWrites = 0;

// The bare check box's parent handles the click as a dialog would: it reads the state.
long bareClicks = 0;
LRESULT CALLBACK BenchWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        bareClicks += SendMessageW(reinterpret_cast<HWND>(lParam), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        return 0;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

HWND BenchWindow(int width, int height) {
    HWND window = CreateWindowExW(WS_EX_TOPMOST, kBenchClass, L"bench", WS_POPUP | WS_VISIBLE, 100, 100, width,
                                  height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Pump();
    return window;
}

struct Figures {
    double click = 0, bareClick = 0, drag = 0, bareFrame = 0;
};

class Bench {
public:
    explicit Bench(const BenchTimer& timer) : timer_(timer) {}

    bool ModuleFigures(Figures& figures) {
        try {
            host::Module module(host::DefaultModulePath());
            host::ModuleInstance device(module, [](const host::BusWrite&) { ++hostWrites; });
            return Click(module, device.Instance(), figures.click) && Drag(module, device.Instance(), figures.drag);
        } catch (const std::runtime_error& e) {
            return Failed(e.what());
        }
    }

    bool BareFigures(Figures& figures) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = BenchWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kBenchClass;
        RegisterClassW(&wc);
        return BareClick(figures.bareClick) && BareFrame(figures.bareFrame);
    }

private:
    bool Click(const host::Module& module, QM7140Instance instance, double& ns) {
        module.SelectMenu(instance, QM7140_DIALOG_BOOST);
        Pump();
        HWND box = FindControl(FindForm(L"BoostForm"), L"Button", L"Enable Boost");
        if (box == nullptr) return Failed("no Enable Boost check box (no display?)");
        hostWrites = 0;
        long clicks = 0;
        ns = timer_.MedianNs([&] {
            SendMessageW(box, BM_CLICK, 0, 0);
            ++clicks;
        });
        Pump();
        return hostWrites == clicks || Failed("clicks " + std::to_string(clicks) + ", writes " + std::to_string(hostWrites));
    }

    bool Drag(const host::Module& module, QM7140Instance instance, double& ns) {
        module.SelectMenu(instance, QM7140_DIALOG_LIMITER);
        Pump();
        HWND box = FindWindowExW(FindForm(L"Limiter / AGC"), nullptr, L"QM7140PaintBox", nullptr);
        if (box == nullptr) return Failed("no curve view (no display?)");
        hostWrites = 0;
        long steps = 0;
        SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, At(kKnee));
        ns = timer_.MedianNs([&] { SendMessageW(box, WM_MOUSEMOVE, MK_LBUTTON, At(++steps % 2 == 0 ? kLow : kHigh)); });
        SendMessageW(box, WM_LBUTTONUP, 0, At(steps % 2 == 0 ? kLow : kHigh));
        Pump();
        return hostWrites == 2 * steps || Failed("drag steps " + std::to_string(steps) + ", writes " + std::to_string(hostWrites));
    }

    bool BareClick(double& ns) {
        HWND parent = BenchWindow(380, 160);
        HWND box = CreateWindowExW(0, L"BUTTON", L"Enable Boost", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
                                   24, 16, 97, 17, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        Pump();
        bareClicks = 0;
        long clicks = 0;
        ns = timer_.MedianNs([&] {
            SendMessageW(box, BM_CLICK, 0, 0);
            ++clicks;
        });
        Pump();
        DestroyWindow(parent);
        DeleteObject(font);
        // Every other click checks the box.
        return bareClicks == (clicks + 1) / 2 || Failed("bare clicks " + std::to_string(clicks) + ", checked " +
                                                        std::to_string(bareClicks));
    }

    bool BareFrame(double& ns) {
        HWND window = BenchWindow(kFrameWidth, kFrameHeight);
        if (window == nullptr) return Failed("no window for the bare frame");
        long frames = 0;
        ns = timer_.MedianNs([&] { DrawBareFrame(window, ++frames % 2 == 0 ? kLow : kHigh); });
        DestroyWindow(window);
        return true;
    }

    static bool Failed(const std::string& what) {
        std::fprintf(stderr, "win32 bench: FAILED: %s\n", what.c_str());
        return false;
    }

    const BenchTimer& timer_;
};

}  // namespace

int main(int argc, char** argv) {
    BenchTimer timer;
    if (argc > 1 && std::strcmp(argv[1], "--quick") == 0) timer.quickIterations = 3;
    // The host starts GDI+ before it loads the module.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplus = 0;
    Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
    Figures f;
    Bench bench(timer);
    const bool ok = bench.ModuleFigures(f) && bench.BareFigures(f);
    Gdiplus::GdiplusShutdown(gdiplus);
    if (!ok) return 1;
    std::printf("ClickEnableBoost %.0f\nBareCheckBoxClick %.0f\nLimiterDragStep %.0f\nBareGdiplusFrame %.0f\n", f.click,
                f.bareClick, f.drag, f.bareFrame);
    std::fprintf(stderr, "click %.2f x the bare check box (goal 1.2), drag step %.2f x the bare frame (goal 1.5)\n",
                 f.click / f.bareClick, f.drag / f.bareFrame);
    return 0;
}
