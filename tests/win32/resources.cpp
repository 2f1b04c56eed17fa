#include "resources.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

size_t CommittedPrivateBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    uintptr_t at = 0;
    while (VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const uintptr_t next = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;  // the top of the address space
        at = next;
    }
    return total;
}

namespace {

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<int*>(count);
    EnumChildWindows(window, &CountChild, count);  // every descendant, not only the children
    return TRUE;
}

}  // namespace

int ProcessWindowCount() {
    int count = 0;
    EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Wine hands a new GDI object the slot freed last, and a never-used slot (the next one up)
// only when no freed slot is left. So once fresh brushes climb one index at a time past
// every index seen, the freed slots are used up, and the top index less the brushes made
// counts the slots in use: the objects alive, with the stock objects as the constant.
// A single brush's index is the freed slot on top, which moves even when nothing leaks.
int LiveGdiObjects() {
    constexpr int kClimb = 16;
    constexpr size_t kMost = 12000;
    std::vector<HBRUSH> made;
    int top = -1, climb = 0;
    while (climb < kClimb && made.size() < kMost) {
        HBRUSH brush = CreateSolidBrush(0);
        if (brush == nullptr) break;
        made.push_back(brush);
        const int index = LOWORD(reinterpret_cast<uintptr_t>(brush));
        climb = index == top + 1 ? climb + 1 : index > top ? 1 : 0;
        top = std::max(top, index);
    }
    for (HBRUSH brush : made) DeleteObject(brush);
    return top + 1 - static_cast<int>(made.size());
}
