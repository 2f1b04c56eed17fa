// What a process holds, measured the ways that give real numbers under Wine (its
// GetGuiResources and private-usage counters report 0).
#pragma once

#include <cstddef>

// Bytes of committed private memory: every region that is both MEM_COMMIT and MEM_PRIVATE.
size_t CommittedPrivateBytes();

// Windows of this process: its top-level windows and every window inside them.
int ProcessWindowCount();

// GDI objects alive in this process, plus a constant: see resources.cpp.
int LiveGdiObjects();

struct Resources {
    size_t memory;
    int windows;
    int gdi;
};

inline Resources MeasureResources() { return {CommittedPrivateBytes(), ProcessWindowCount(), LiveGdiObjects()}; }
