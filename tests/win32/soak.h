// The soak's host: the hosts' device per instance behind all three register windows, and
// what the parts of the run share to judge and report.
#pragma once

#include "host/common/module/module_instance.h"
#include "host/common/module/module.h"
#include "resources.h"

#include <cstdint>
#include <cstdio>
#include <string>

constexpr int kInstancesPerLoad = 16;

// Failures are counted, never fatal: the run goes on so that every measure is reported.
struct Verdict {
    int failures = 0;
    void Check(bool ok, const std::string& what) {
        if (ok) return;
        ++failures;
        std::printf("soak: FAILED: %s\n", what.c_str());
    }
};

inline long long Kilobytes(size_t bytes) { return static_cast<long long>(bytes / 1024); }
inline long long GrowthKilobytes(const Resources& from, const Resources& to) {
    return (static_cast<long long>(to.memory) - static_cast<long long>(from.memory)) / 1024;
}

inline void PrintResources(const char* what, const Resources& from, const Resources& to) {
    std::printf("soak:   %s: memory %lld KB -> %lld KB (%+lld KB), windows %d -> %d, GDI objects %d -> %d\n", what,
                Kilobytes(from.memory), Kilobytes(to.memory), GrowthKilobytes(from, to), from.windows, to.windows,
                from.gdi, to.gdi);
    std::fflush(stdout);
}

// One load of the module: 16 connected instances with every dialog shown, drags of the
// curve views and dialogs shown and closed.
void SoakOneLoad(int repaints, int cycles, Verdict& verdict);
// The module loaded, used by 16 instances and unloaded, again and again, against a trivial
// DLL loaded and unloaded as often.
void SoakReloads(int reloads, Verdict& verdict);
