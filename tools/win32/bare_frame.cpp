#include "bare_frame.h"

// After windows.h, which GDI+ needs.
#include <gdiplus.h>

namespace {

namespace gp = Gdiplus::DllExports;

constexpr int kLeft = 40, kTop = 10, kRight = 10, kBottom = 40;
constexpr double kLevelMax = 10.6;
constexpr const wchar_t* kVoltLabels[] = {L"1", L"1.5", L"2", L"2.5", L"3", L"3.5", L"4", L"4.5", L"5", L"5.5", L"6"};
constexpr const wchar_t* kLevelLabels[] = {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10"};

HFONT Arial(HDC dc, int escapement) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    font.lfEscapement = font.lfOrientation = escapement;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(font.lfFaceName, L"Arial");
    return CreateFontIndirectW(&font);
}

void Text(HDC dc, int x, int y, const wchar_t* text) { TextOutW(dc, x, y, text, lstrlenW(text)); }

void Grid(HDC dc) {
    HPEN grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    HFONT plain = Arial(dc, 0), turned = Arial(dc, 900);
    HGDIOBJ oldPen = SelectObject(dc, grey), oldFont = SelectObject(dc, plain);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    for (int i = 0; i < 11; ++i) {
        const int x = static_cast<int>((kFrameWidth - 50.0) * i * 0.5 * 0.2 + kLeft);
        MoveToEx(dc, x, kTop, nullptr);
        LineTo(dc, x, kFrameHeight - kBottom);
        Text(dc, x - 10, kFrameHeight - 35, kVoltLabels[i]);
    }
    for (int i = 0; i < 11; ++i) {
        const int y = static_cast<int>((kFrameHeight - 50.0) * (kLevelMax - i) / kLevelMax + kTop);
        MoveToEx(dc, kLeft, y, nullptr);
        LineTo(dc, kFrameWidth - kRight, y);
        Text(dc, 20, y - 10, kLevelLabels[i]);
    }
    SelectObject(dc, turned);
    Text(dc, 3, kFrameHeight / 2 + 40, L"Level [V]");
    SelectObject(dc, plain);
    Text(dc, kFrameWidth / 2 - 40, kFrameHeight - 20, L"IP [V]");
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    DeleteObject(turned);
    DeleteObject(plain);
    DeleteObject(grey);
}

// A 6 x 6 square with corners rounded by 2 x 2 arcs, outlined with a 2-pixel pen.
void Cursor(Gdiplus::GpGraphics* graphics, POINT center, Gdiplus::ARGB color) {
    const int x = center.x - 3, y = center.y - 3;
    Gdiplus::GpPen* pen = nullptr;
    Gdiplus::GpPath* path = nullptr;
    gp::GdipCreatePen1(color, 2.0f, Gdiplus::UnitWorld, &pen);
    gp::GdipCreatePath(Gdiplus::FillModeAlternate, &path);
    gp::GdipAddPathArcI(path, x, y, 2, 2, 180.0f, 90.0f);
    gp::GdipAddPathArcI(path, x + 5, y, 2, 2, 270.0f, 90.0f);
    gp::GdipAddPathArcI(path, x + 5, y + 5, 2, 2, 0.0f, 90.0f);
    gp::GdipAddPathArcI(path, x, y + 5, 2, 2, 90.0f, 90.0f);
    gp::GdipClosePathFigure(path);
    gp::GdipDrawPath(graphics, pen, path);
    gp::GdipDeletePath(path);
    gp::GdipDeletePen(pen);
}

void Curve(HDC dc, POINT knee) {
    const POINT foot = {knee.x - 146, kFrameHeight - kBottom};
    Gdiplus::GpGraphics* graphics = nullptr;
    Gdiplus::GpPen* pen = nullptr;
    gp::GdipCreateFromHDC(dc, &graphics);
    gp::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    gp::GdipCreatePen1(0xFF00BBBB, 2.0f, Gdiplus::UnitWorld, &pen);
    gp::GdipDrawLineI(graphics, pen, kFrameWidth - kRight, knee.y, knee.x, knee.y);
    gp::GdipDrawLineI(graphics, pen, knee.x, knee.y, foot.x, foot.y);
    gp::GdipDeletePen(pen);
    Cursor(graphics, knee, 0xFFFF0000);
    Cursor(graphics, foot, 0xFFFFFF00);
    gp::GdipDeleteGraphics(graphics);
}

}  // namespace

void DrawBareFrame(HWND window, POINT knee) {
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kFrameWidth, kFrameHeight);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const RECT all = {0, 0, kFrameWidth, kFrameHeight};
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &all, black);
    DeleteObject(black);
    Grid(dc);
    Curve(dc, knee);
    BitBlt(screen, 0, 0, kFrameWidth, kFrameHeight, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(window, screen);
}
