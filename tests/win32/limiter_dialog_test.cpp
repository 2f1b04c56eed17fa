// The Limiter / AGC dialog end to end: the DLL loaded and connected as a host does, its
// track bars, edits and curve view driven with the messages a user's actions produce, and
// the curve read back from the screen.
#include "dialog_test.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <commctrl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kYellow = RGB(255, 255, 0), kCurve = RGB(0, 187, 187);
// Where the initial codes 143, 190 and 128 put the cursors on the 602 x 394 box.
constexpr POINT kKnee = {326, 97}, kFoot = {180, 354};

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

class LimiterDialog : public DialogTest {
protected:
    LimiterDialog() : DialogTest(QM7140_DIALOG_LIMITER, L"Limiter / AGC") {}
    // The module draws its cursors with GDI+ and leaves starting it to the host: this test.
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token); }

    void SetUp() override {
        DialogTest::SetUp();
        if (HasFatalFailure()) return;
        Show();
    }
    HWND Group(const wchar_t* caption) const { return FindControl(form, L"Button", caption); }
    HWND Edit(int left) const { return ChildAt(form, left, 580); }
    HWND Box() const { return ChildAt(form, 8, 180); }
    // Typed and entered; the edit left before wrote its own registers again.
    void Enter(HWND edit, const wchar_t* text) {
        SetFocus(edit);
        Pump();
        host.writes.clear();
        Type(edit, std::wstring(text) + L"\r");
    }
    std::vector<std::pair<uint32_t, uint8_t>> Writes() const {
        std::vector<std::pair<uint32_t, uint8_t>> writes;
        for (const BusWrite& c : host.writes) writes.emplace_back(c.reg, c.value);
        return writes;
    }
    // Pixels of a colour within `reach` of a point of the curve view, as on the screen.
    int Near(COLORREF color, POINT p, int reach = 5) const {
        HDC dc = GetDC(Box());
        int n = 0;
        for (int y = p.y - reach; y <= p.y + reach; ++y)
            for (int x = p.x - reach; x <= p.x + reach; ++x) n += GetPixel(dc, x, y) == color;
        ReleaseDC(Box(), dc);
        return n;
    }

    static inline ULONG_PTR token = 0;
};

struct Bar {
    const wchar_t* group;
    int left, top, width, max;
};

const Bar kBars[] = {
    {L"Attack", 80, 12, 145, 7},
    {L"Attack", 80, 51, 145, 3},
    {L"Attack", 80, 90, 145, 3},
    {L"Release", 65, 12, 144, 15},
};

TEST_F(LimiterDialog, IsAToolWindowWithNativeTrackBarsAndACurveViewInTheirPlaces) {
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(form, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), DWORD{WS_EX_TOPMOST | WS_EX_TOOLWINDOW});
    RECT r;
    GetClientRect(form, &r);
    EXPECT_EQ(r.right, 618);
    EXPECT_EQ(r.bottom, 608);
    for (const Bar& b : kBars) {
        SCOPED_TRACE(b.top);
        HWND bar = ChildAt(Group(b.group), b.left, b.top);
        EXPECT_EQ(lstrcmpiW(ClassOf(bar).c_str(), TRACKBAR_CLASSW), 0);
        EXPECT_EQ(PlacementOf(bar), (Placement{b.left, b.top, b.width, 45}));
        const auto style = static_cast<DWORD>(GetWindowLongW(bar, GWL_STYLE));
        EXPECT_EQ(style & (TBS_VERT | TBS_TOP | TBS_AUTOTICKS | TBS_ENABLESELRANGE | WS_TABSTOP),
                  DWORD{TBS_TOP | TBS_AUTOTICKS | WS_TABSTOP});
        EXPECT_EQ(SendMessageW(bar, TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0), b.max);
        EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), 0);
        EXPECT_EQ(SendMessageW(bar, TBM_GETNUMTICS, 0, 0), b.max + 1) << "a tick for every position";
    }
    EXPECT_EQ(PlacementOf(Box()), (Placement{8, 180, 602, 394}));
    // The picture is there at once: black, the grey grid, the curve and both cursors.
    EXPECT_EQ(Near(RGB(0, 0, 0), {2, 2}, 2), 25);
    EXPECT_GT(Near(RGB(128, 128, 128), {40, 200}, 1), 0);
    EXPECT_GT(Near(kCurve, {582, kKnee.y}, 1), 0);
    EXPECT_GT(Near(kRed, kKnee), 0);
    EXPECT_GT(Near(kYellow, kFoot), 0);
    ExpectLabelsFit();
    EXPECT_TRUE(host.writes.empty());
}

struct Entry {
    int edit;  // its left edge
    const wchar_t* typed;
    const wchar_t* shown;
    std::vector<std::pair<uint32_t, uint8_t>> writes;
};

TEST_F(LimiterDialog, EnterInAnEditQuantisesWritesAndFallsBackOnBadInput) {
    constexpr int kSlope = 48, kInflection = 203, kLevel = 339;
    const Entry entries[] = {
        {kInflection, L"4.2", L"4.18", {{11, 0xB1}, {13, 190}}},
        {kLevel, L"5", L"4.99", {{11, 0xB1}, {13, 120}}},
        {kSlope, L"3", L"2.99", {{12, 48}}},
        {kInflection, L"5.55", L"4.18", {{11, 0xB1}, {13, 120}}},
        {kLevel, L"volts", L"4.99", {{11, 0xB1}, {13, 120}}},
        {kSlope, L"10.8", L"2.99", {{12, 48}}},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(std::to_string(e.edit) + " " + std::string(e.typed, e.typed + wcslen(e.typed)));
        Enter(Edit(e.edit), e.typed);
        EXPECT_EQ(TextOf(Edit(e.edit)), e.shown);
        EXPECT_EQ(Writes(), e.writes);
        EXPECT_EQ(GetFocus(), Edit(e.edit));
    }
}

enum class Act { Position, Key, Click };

struct Move {
    const wchar_t* group;
    int left, top;
    Act act;
    WPARAM value;  // a position, a virtual key, or nothing for a click
    uint32_t reg;
    uint8_t cached;
    const wchar_t* caption;  // the caption beside the bar after the move, if any
    int captionLeft;
};

TEST_F(LimiterDialog, MovingATrackBarWritesItsFieldAndShowsItsCaption) {
    const Move moves[] = {
        {L"Attack", 80, 12, Act::Position, 7, 14, 0x07, L"2510 us", 231},
        {L"Attack", 80, 51, Act::Position, 2, 14, 0x87, nullptr, 0},
        {L"Attack", 80, 90, Act::Key, VK_RIGHT, 14, 0x8F, nullptr, 0},
        {L"Release", 65, 12, Act::Key, VK_RIGHT, 15, 0x01, L"155 ms/step", 215},
        {L"Release", 65, 12, Act::Key, VK_END, 15, 0x0F, L"1625 ms/step", 215},
        {L"Attack", 16, 134, Act::Click, 0, 14, 0xAF, nullptr, 0},
        {L"Release", 16, 134, Act::Click, 0, 15, 0x2F, nullptr, 0},
    };
    // The focus arriving at a track bar is the edit's exit, as at any other control.
    ASSERT_EQ(GetFocus(), Edit(48));
    SetFocus(ChildAt(Group(L"Attack"), 80, 12));
    Pump();
    EXPECT_EQ(Writes(), (std::vector<std::pair<uint32_t, uint8_t>>{{12, 128}}));
    for (const Move& m : moves) {
        SCOPED_TRACE(std::to_string(m.left) + "," + std::to_string(m.top) + " reg " + std::to_string(m.reg));
        HWND control = ChildAt(Group(m.group), m.left, m.top);
        SetFocus(control);  // the edit that had it commits on leaving
        Pump();
        host.writes.clear();
        if (m.act == Act::Position) {
            SendMessageW(control, TBM_SETPOS, TRUE, static_cast<LPARAM>(m.value));
            SendMessageW(GetParent(control), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, m.value),
                         reinterpret_cast<LPARAM>(control));
            SendMessageW(GetParent(control), WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(control));
        } else if (m.act == Act::Key) {
            SendMessageW(control, WM_KEYDOWN, m.value, 1);
            SendMessageW(control, WM_KEYUP, m.value, static_cast<LPARAM>(0xC0000001u));  // released
        } else {
            SendMessageW(control, BM_CLICK, 0, 0);
        }
        Pump();
        EXPECT_EQ(Writes(), (std::vector<std::pair<uint32_t, uint8_t>>{{m.reg, m.cached}}));
        EXPECT_EQ(host.cache[m.reg], m.cached);
        if (m.caption != nullptr) {
            EXPECT_EQ(TextOf(ChildAt(Group(m.group), m.captionLeft, 28)), m.caption);
        }
    }
}

struct Drag {
    POINT from;
    std::vector<POINT> to;
    std::vector<std::pair<uint32_t, uint8_t>> writes;
    COLORREF cursor;
    POINT landed;
    int levelY;  // where the curve's level segment runs afterwards
};

// Each move writes; a pointer dragged out of the box while captured is clamped to the plot.
TEST_F(LimiterDialog, DraggingACursorWritesOnEveryMoveAndThePictureFollows) {
    const Drag drags[] = {
        // Right of the knee the slope cursor has no slope to take: nothing is written.
        {kFoot, {{200, 300}, {120, 330}, {500, 300}}, {{12, 0x71}, {12, 0x46}}, kYellow, {97, 354}, kKnee.y},
        {kKnee,
         {{400, 150}, {-20, -30}, {450, 250}},
         {{11, 0xB5}, {13, 0x97}, {11, 0x00}, {13, 0xFF}, {11, 0xCF}, {13, 0x4D}},
         kRed,
         {449, 250},
         250},
    };
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.from.x);
        host.writes.clear();
        HWND box = Box();
        SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, At(d.from.x, d.from.y));
        EXPECT_EQ(GetCapture(), box);
        for (POINT p : d.to) SendMessageW(box, WM_MOUSEMOVE, MK_LBUTTON, At(p.x, p.y));
        SendMessageW(box, WM_LBUTTONUP, 0, At(d.to.back().x, d.to.back().y));
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(Writes(), d.writes);
        EXPECT_GT(Near(d.cursor, d.landed), 0);
        EXPECT_EQ(Near(d.cursor, d.from, 4), 0);
        EXPECT_GT(Near(kCurve, {582, d.levelY}, 1), 0);
    }
}

TEST_F(LimiterDialog, OnlyALeftPressStartsADragAndADragEndsWhenTheMouseIsTakenAway) {
    HWND box = Box();
    const UINT presses[][3] = {{WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON}, {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON}};
    for (const auto& [down, up, held] : presses) {
        SendMessageW(box, down, held, At(kKnee.x, kKnee.y));
        EXPECT_EQ(GetCapture(), box) << "the box keeps the mouse for any button";
        SendMessageW(box, WM_MOUSEMOVE, held, At(400, 150));
        SendMessageW(box, up, 0, At(400, 150));
        EXPECT_EQ(GetCapture(), nullptr);
    }
    // Another window takes the mouse mid-drag: the release never comes, the drag is over.
    SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, At(kKnee.x, kKnee.y));
    SetCapture(form);
    ReleaseCapture();
    SendMessageW(box, WM_MOUSEMOVE, 0, At(400, 150));
    Pump();
    EXPECT_TRUE(host.writes.empty());
    EXPECT_GT(Near(kRed, kKnee), 0);
}

TEST_F(LimiterDialog, ANotificationSetsTheTrackBarsCaptionsAndCurveAndWritesNothing) {
    host.cache[2] = 0x04;
    host.cache[11] = host.cache[13] = 255;  // 5.54 V, 10.60 V
    host.cache[12] = 0;                     // 1.20 V/V: the slope meets the left edge
    host.cache[14] = 0x5B;
    host.cache[15] = 0x23;
    NotifyChanged(window, 128, 0, 14);
    Pump();
    const LRESULT positions[] = {3, 1, 3, 3};
    for (size_t i = 0; i < std::size(kBars); ++i)
        EXPECT_EQ(SendMessageW(ChildAt(Group(kBars[i].group), kBars[i].left, kBars[i].top), TBM_GETPOS, 0, 0),
                  positions[i]);
    EXPECT_EQ(TextOf(ChildAt(Group(L"Attack"), 231, 28)), L"1070 us");
    EXPECT_EQ(TextOf(ChildAt(Group(L"Release"), 215, 28)), L"365 ms/step");
    EXPECT_EQ(SendMessageW(FindControl(form, L"Button", L"Enable Limiter"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(FindControl(form, L"Button", L"Enable Integration Count"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TextOf(Edit(203)), L"5.54");
    EXPECT_EQ(TextOf(Edit(339)), L"10.60");
    EXPECT_EQ(TextOf(Edit(48)), L"1.20");
    EXPECT_EQ(Near(kRed, kKnee), 0);
    EXPECT_GT(Near(kRed, {541, 10}), 0);
    EXPECT_GT(Near(kYellow, {40, 186}), 0);
    EXPECT_TRUE(host.writes.empty());
}

// Information, not a requirement: what one drag step costs in the DLL, writes and repaint
// included.
TEST_F(LimiterDialog, DragStepTime) {
    constexpr int kSteps = 500;
    HWND box = Box();
    SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, At(kKnee.x, kKnee.y));
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kSteps; ++i) SendMessageW(box, WM_MOUSEMOVE, MK_LBUTTON, i % 2 == 0 ? At(400, 150) : At(450, 250));
    QueryPerformanceCounter(&end);
    SendMessageW(box, WM_LBUTTONUP, 0, At(450, 250));
    const double us = static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
    std::printf("one drag step: %.0f us (mean of %d)\n", us / kSteps, kSteps);
    RecordProperty("drag_step_us", static_cast<int>(us / kSteps));
    EXPECT_EQ(host.writes.size(), 2u * kSteps);
}

}  // namespace
