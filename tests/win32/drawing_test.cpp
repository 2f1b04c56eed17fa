// Graph objects through GDI+ and the canvas through GDI, drawn into a real window and read
// back pixel by pixel. Wine's GDI+ does not blend edges, so only positions and colours count.
#include "graph/tguiobject.h"
#include "platform/win32/gdi_canvas.h"
#include "screen.h"

#include <windows.h>
// After windows.h, which GDI+ needs.
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

struct Line final : TGUILine {
    Line() : TGUILine(1, 0) {}
};

struct Box final : TGUIRectangle {
    Box() : TGUIRectangle(2, 0) {}
};

// 0x00BBGGRR, as GetPixel reports.
COLORREF Rgb(int r, int g, int b) { return RGB(r, g, b); }

class Drawing : public ::testing::Test {
protected:
    // The module never starts GDI+: a host does, and this program is the host here.
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QM7140DrawingTest";
        RegisterClassW(&wc);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(token); }

    void SetUp() override {
        window = CreateWindowExW(WS_EX_TOPMOST, L"QM7140DrawingTest", L"", WS_POPUP | WS_VISIBLE, 40, 40, 200, 120,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        Pump();
        dc = GetDC(window);
        canvas = std::make_unique<platform::win32::GdiCanvas>(dc);
        canvas->SetBrush(0x000000);
        canvas->FillRect(0, 0, 200, 120);
    }
    void TearDown() override {
        canvas.reset();
        if (dc != nullptr) ReleaseDC(window, dc);
        if (window != nullptr) DestroyWindow(window);
    }

    // Pixels of a colour inside a box, both corners included.
    int Count(COLORREF color, int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) n += GetPixel(dc, x, y) == color;
        return n;
    }

    // The smallest box holding every pixel that is not black, both corners included.
    RECT Drawn() {
        RECT e = {1 << 30, 1 << 30, -1, -1};
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 200; ++x)
                if (GetPixel(dc, x, y) != 0) {
                    e.left = std::min<LONG>(e.left, x), e.right = std::max<LONG>(e.right, x);
                    e.top = std::min<LONG>(e.top, y), e.bottom = std::max<LONG>(e.bottom, y);
                }
        return e;
    }

    static inline ULONG_PTR token = 0;
    HWND window = nullptr;
    HDC dc = nullptr;
    std::unique_ptr<platform::win32::GdiCanvas> canvas;
};

TEST_F(Drawing, GdiPlusDrawsTheCursorOutlineAndALineWhereTheyBelong) {
    TLCursor cursor;
    cursor.NormalColor = 0x0000FF;
    cursor.SetCenter(100, 50);
    cursor.Paint(canvas.get());
    Line line;
    line.Color = 0xFF0000;  // blue
    line.PenWidth = 3;
    line.ScreenPoints[0] = {20, 90};
    line.ScreenPoints[1] = {180, 90};
    line.Paint(canvas.get());
    Box box;  // filled: the fill colour is 0x00RRGGBB, so 0x00FF00 is green
    box.Color = 0x00FFFF;
    box.FillStyle = 2;
    box.FillColor = 0x00FF00;
    box.ScreenPoints[0] = {20, 20};
    box.ScreenPoints[1] = {50, 40};
    box.Paint(canvas.get());

    const COLORREF red = Rgb(255, 0, 0), blue = Rgb(0, 0, 255), black = Rgb(0, 0, 0);
    // Each side of the square, within a pixel of where its pen is centred.
    EXPECT_GT(Count(red, 96, 49, 98, 51), 0);
    EXPECT_GT(Count(red, 103, 49, 105, 51), 0);
    EXPECT_GT(Count(red, 99, 46, 101, 48), 0);
    EXPECT_GT(Count(red, 99, 53, 101, 55), 0);
    EXPECT_EQ(GetPixel(dc, 100, 50), black);  // not filled
    EXPECT_EQ(Count(red, 0, 0, 199, 119), Count(red, 95, 45, 106, 56));  // nothing beyond it
    EXPECT_EQ(GetPixel(dc, 100, 90), blue);
    EXPECT_EQ(GetPixel(dc, 100, 85), black);
    EXPECT_EQ(GetPixel(dc, 35, 30), Rgb(0, 255, 0));
    EXPECT_GT(Count(Rgb(255, 255, 0), 19, 29, 21, 31), 0);
    EXPECT_EQ(canvas->LockDepth(), 0);
}

TEST_F(Drawing, CanvasFillsDrawsLinesAndWritesPlainAndTurnedText) {
    canvas->SetBrush(0x0000FF);
    canvas->FillRect(10, 10, 20, 15);
    canvas->SetPen(0x808080, 1);
    canvas->MoveTo(150, 10);
    canvas->LineTo(150, 30);
    EXPECT_EQ(GetPixel(dc, 10, 10), Rgb(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 19, 14), Rgb(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 20, 14), Rgb(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 150, 20), Rgb(128, 128, 128));
    EXPECT_EQ(GetPixel(dc, 151, 20), Rgb(0, 0, 0));

    // Text on a grey box: the box is where the text goes, the glyphs white inside it.
    canvas->SetBrush(0x000000);
    canvas->FillRect(0, 0, 200, 120);
    canvas->SetBrush(0x808080);
    canvas->SetFont("Arial", 10, 0xFFFFFF);
    canvas->WriteText(40, 60, "IP [V]");
    RECT e = Drawn();
    EXPECT_EQ(e.left, 40);
    EXPECT_EQ(e.top, 60);
    EXPECT_NEAR(e.right - e.left, 35, 8);
    EXPECT_NEAR(e.bottom - e.top, 15, 3);
    EXPECT_EQ(GetPixel(dc, 40, 60), Rgb(128, 128, 128));

    canvas->SetBrush(0x000000);
    canvas->FillRect(0, 0, 200, 120);
    canvas->SetBrush(0x808080);
    canvas->WriteTextUp(110, 110, "Level [V]");
    // Upwards from (110, 110): a column about as wide as the font is high, above the point.
    // Wine fills turned text's background behind the glyphs only, so the box is inexact.
    e = Drawn();
    EXPECT_NEAR(e.left, 110, 4);
    EXPECT_NEAR(e.bottom, 109, 3);
    EXPECT_NEAR(e.right - e.left, 13, 5);
    EXPECT_NEAR(e.bottom - e.top, 55, 10);
}

}  // namespace
