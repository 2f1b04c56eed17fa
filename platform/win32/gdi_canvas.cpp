#include "platform/win32/gdi_canvas.h"

#include "platform/win32/gdiplus_graphics.h"
#include "platform/win32/text.h"

#include <algorithm>

namespace platform::win32 {

Graphics& GdiCanvas::GetGraphics() { return GdiPlus(); }

// TColor and COLORREF share the 0x00BBGGRR form.
void GdiCanvas::SetPen(Color color, int width) {
    pen_ = color & 0xFFFFFF;
    penWidth_ = std::clamp(width, 1, 1000);
}

void GdiCanvas::SetFont(std::string_view name, int points, Color color) {
    fontName_ = name;
    fontPoints_ = std::clamp(points, 1, 1000);
    fontColor_ = color & 0xFFFFFF;
}

void GdiCanvas::FillRect(int left, int top, int right, int bottom) {
    const RECT r = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(brush_);
    ::FillRect(dc_, &r, brush);
    DeleteObject(brush);
}

void GdiCanvas::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }

void GdiCanvas::LineTo(int x, int y) {
    HPEN pen = CreatePen(PS_SOLID, penWidth_, pen_);
    HGDIOBJ old = SelectObject(dc_, pen);
    ::LineTo(dc_, x, y);
    SelectObject(dc_, old);
    DeleteObject(pen);
}

void GdiCanvas::WriteText(int x, int y, std::string_view text) { Write(x, y, text, false); }
void GdiCanvas::WriteTextUp(int x, int y, std::string_view text) { Write(x, y, text, true); }

// Turned text is a font with a 90-degree escapement: GDI then runs it upwards from the
// reference point, the top of the glyphs facing left.
void GdiCanvas::Write(int x, int y, std::string_view text, bool upwards) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(fontPoints_, GetDeviceCaps(dc_, LOGPIXELSY), 72);
    font.lfEscapement = font.lfOrientation = upwards ? 900 : 0;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = Widen(fontName_);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ oldFont = SelectObject(dc_, handle);
    const COLORREF oldText = SetTextColor(dc_, fontColor_), oldBack = SetBkColor(dc_, brush_);
    const int oldMode = SetBkMode(dc_, OPAQUE);
    const UINT oldAlign = SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    const std::wstring wide = Widen(text);
    TextOutW(dc_, x, y, wide.c_str(), static_cast<int>(wide.size()));
    SetTextAlign(dc_, oldAlign);
    SetBkMode(dc_, oldMode);
    SetBkColor(dc_, oldBack);
    SetTextColor(dc_, oldText);
    SelectObject(dc_, oldFont);
    DeleteObject(handle);
}

}  // namespace platform::win32
