// The soak's measures must see a leak of each kind, and only a leak.
#include "resources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

HWND Static(HWND parent, DWORD style) {
    return CreateWindowExW(0, L"STATIC", L"", style, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
}

TEST(Resources, EachMeasureCountsWhatIsLeftBehindAndForgetsWhatIsReleased) {
    // A thread's top-level windows come with one of the system's own while any is open.
    HWND first = Static(nullptr, WS_POPUP);
    const Resources before = MeasureResources();
    std::vector<HGDIOBJ> pens;
    for (int i = 0; i < 5; ++i) pens.push_back(CreatePen(PS_SOLID, 1, RGB(0, 0, i)));
    HWND top = Static(nullptr, WS_POPUP);
    Static(Static(top, WS_CHILD), WS_CHILD);
    constexpr size_t kBlock = 1 << 20;
    void* block = VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(block, nullptr);

    const Resources held = MeasureResources();
    EXPECT_EQ(held.gdi, before.gdi + 5);
    EXPECT_EQ(held.windows, before.windows + 3) << "a grandchild counts too";
    EXPECT_GE(held.memory, before.memory + kBlock);

    for (HGDIOBJ pen : pens) DeleteObject(pen);
    DestroyWindow(top);
    VirtualFree(block, 0, MEM_RELEASE);
    const Resources after = MeasureResources();
    DestroyWindow(first);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_LT(after.memory, before.memory + kBlock);
}

// The handle of one fresh brush moves with the order objects were freed in; the count must not.
TEST(Resources, GdiCountIgnoresTheOrderObjectsWereFreedIn) {
    const int before = LiveGdiObjects();
    for (int round = 0; round < 3; ++round) {
        std::vector<HBRUSH> brushes;
        for (int i = 0; i < 40; ++i) brushes.push_back(CreateSolidBrush(RGB(i, round, 0)));
        for (size_t i = 0; i < brushes.size(); i += 2) DeleteObject(brushes[i]);
        for (size_t i = brushes.size(); i > 1; i -= 2) DeleteObject(brushes[i - 1]);
        EXPECT_EQ(LiveGdiObjects(), before) << "round " << round;
    }
}

}  // namespace
