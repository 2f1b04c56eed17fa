// A host's long life with the module, under Wine: the module loaded as a host loads it,
// 16 instances with every dialog shown and connected, curve views dragged, dialogs shown
// and closed, and the module reloaded with 16 instances at a time. It fails if windows or
// GDI objects are left behind or memory grows beyond a small bound, and prints what it
// measured.
//
//   qm7140_soak [repaints [cycles [reloads]]]    (10000 2000 50 when not given)
#include "soak.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <gdiplus.h>

#include <cstdlib>

namespace {

int Count(int argc, char** argv, int at, int otherwise) {
    if (argc <= at) return otherwise;
    char* end = nullptr;
    const long value = std::strtol(argv[at], &end, 10);
    if (end == argv[at] || *end != 0 || value < 0 || value > 10000000) {
        std::fprintf(stderr, "not a count: %s\n", argv[at]);
        std::exit(2);
    }
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
    const int repaints = Count(argc, argv, 1, 10000), cycles = Count(argc, argv, 2, 2000),
              reloads = Count(argc, argv, 3, 50);
    // The host starts GDI+ before it loads the module, and stops it after the last unload.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplus = 0;
    if (Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr) != Gdiplus::Ok) {
        std::printf("soak: FAILED: GDI+ did not start\n");
        return 1;
    }
    Verdict verdict;
    SoakOneLoad(repaints, cycles, verdict);
    SoakReloads(reloads, verdict);
    Gdiplus::GdiplusShutdown(gdiplus);
    std::printf("soak: %s\n", verdict.failures == 0 ? "passed" : "FAILED");
    return verdict.failures == 0 ? 0 : 1;
}
