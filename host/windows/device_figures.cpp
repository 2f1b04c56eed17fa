#include "host/windows/device_figures.h"

#include "host/windows/ids.h"

// After windows.h, which GDI+ needs.
#include <gdiplus.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

namespace winhost {

namespace {

constexpr const wchar_t* kStripClass = L"QM7140HostFigures";
constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT kFadeInterval = 40;  // ten steps: a fade of 0.4 s
constexpr float kWidth = 132, kHeight = 60, kMargin = 12, kGap = 12;

static_assert(std::is_standard_layout_v<DeviceFigure> && offsetof(DeviceFigure, shape) == 0);

void QM7140_CDECL StartAnimation(QM7140GraphObject* self, int32_t state) {
    host::RectangleOps().StartAnimation(self, state);
    HWND strip = reinterpret_cast<DeviceFigure*>(self)->strip;
    if (strip != nullptr) SetTimer(strip, kFadeTimer, kFadeInterval, nullptr);
}

const QM7140GraphObjectOps kFigureOps = [] {
    QM7140GraphObjectOps ops = host::RectangleOps();
    ops.StartAnimation = &StartAnimation;
    return ops;
}();

Gdiplus::Color FromColor(QM7140Color c) {  // 0x00BBGGRR
    return Gdiplus::Color(255, static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16));
}

Gdiplus::Color FromFill(uint32_t c) {  // 0x00RRGGBB
    return Gdiplus::Color(255, static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c));
}

RECT BoxOf(const QM7140GraphObject& o) {
    const QM7140GraphPoint a = o.ScreenPoints[0], b = o.ScreenPoints[1];
    return {static_cast<LONG>(std::min(a.X, b.X)), static_cast<LONG>(std::min(a.Y, b.Y)),
            static_cast<LONG>(std::max(a.X, b.X)), static_cast<LONG>(std::max(a.Y, b.Y))};
}

void AddRoundedBox(Gdiplus::GraphicsPath& path, const RECT& box, float radius) {
    const auto left = static_cast<float>(box.left), top = static_cast<float>(box.top);
    const auto right = static_cast<float>(box.right), bottom = static_cast<float>(box.bottom);
    const float d = std::min({radius * 2, right - left, bottom - top});
    path.AddArc(left, top, d, d, 180, 90);
    path.AddArc(right - d, top, d, d, 270, 90);
    path.AddArc(right - d, bottom - d, d, d, 0, 90);
    path.AddArc(left, bottom - d, d, d, 90, 90);
    path.CloseFigure();
}

HFONT LabelFont(bool bold) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

DeviceFigure MakeFigure() {
    DeviceFigure figure{host::MakeRectangle(0, 0, kWidth, kHeight, 2, kFigureColor), nullptr};
    QM7140GraphObject& o = figure.shape.object;
    o.Ops = &kFigureOps;
    o.FadeColor = kFigureHighlight;
    o.SelectedColor = kFigurePicked;
    o.SelectedPenWidth = 3;
    o.HighlightPenWidth = 5;
    o.FillStyle = 2;
    o.FillColor = 0xF4F6FA;
    return figure;
}

FigureStrip::FigureStrip(HWND parent, Events events) : events_(std::move(events)) {
    static const ATOM registered = [] {
        WNDCLASSW c{};
        c.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        c.lpfnWndProc = &FigureStrip::Procedure;
        c.hInstance = GetModuleHandleW(nullptr);
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.lpszClassName = kStripClass;
        return RegisterClassW(&c);
    }();
    (void)registered;
    CreateWindowExW(WS_EX_CLIENTEDGE, kStripClass, L"Devices", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFigureStripId)), GetModuleHandleW(nullptr), this);
}

FigureStrip::~FigureStrip() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void FigureStrip::SetFigures(std::vector<DeviceFigure*> figures) {
    for (DeviceFigure* figure : figures_) figure->strip = nullptr;
    figures_ = std::move(figures);
    for (DeviceFigure* figure : figures_) figure->strip = window_;
    Place();
}

void FigureStrip::SetCurrent(int device) {
    current_ = device;
    for (size_t i = 0; i < figures_.size(); ++i) {
        QM7140GraphObject& o = figures_[i]->shape.object;
        o.Ops->SetSelected(&o, static_cast<int>(i) == device);
    }
    InvalidateRect(window_, nullptr, FALSE);
}

void FigureStrip::SetLabels(std::vector<Label> labels) {
    labels_ = std::move(labels);
    InvalidateRect(window_, nullptr, FALSE);
}

void FigureStrip::SetScale(float most) {
    most_ = std::max(most, 1.0f);
    Place();
}

// One row, shrunk to fit when many devices share it.
void FigureStrip::Place() {
    if (window_ == nullptr || figures_.empty()) return;
    RECT client;
    GetClientRect(window_, &client);
    const auto count = static_cast<float>(figures_.size());
    const float room = (static_cast<float>(client.right) - 2 * kMargin - kGap * (count - 1)) / count;
    const float scale = std::clamp(room / kWidth, 0.25f, most_);
    const auto top = static_cast<int32_t>((static_cast<float>(client.bottom) - kHeight * scale) / 2);
    for (size_t i = 0; i < figures_.size(); ++i) {
        QM7140GraphObject& o = figures_[i]->shape.object;
        const auto left = static_cast<int32_t>(kMargin + static_cast<float>(i) * (kWidth * scale + kGap));
        o.Ops->Place(&o, scale, left, std::max(top, 0));
    }
    InvalidateRect(window_, nullptr, FALSE);
}

void FigureStrip::Paint(HDC target) {
    RECT client;
    GetClientRect(window_, &client);
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, std::max(client.right, 1L), std::max(client.bottom, 1L));
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    {
        Gdiplus::Graphics graphics(dc);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        for (size_t i = 0; i < figures_.size(); ++i) {
            const QM7140GraphObject& o = figures_[i]->shape.object;
            if (!o.Visible) continue;
            Gdiplus::GraphicsPath path;
            AddRoundedBox(path, BoxOf(o), 8 * o.Scale);
            if (o.FillStyle == 2) {
                Gdiplus::SolidBrush fill(FromFill(o.FillColor));
                graphics.FillPath(&fill, &path);
            }
            const bool offline = i < labels_.size() && !labels_[i].online;
            if (offline) {
                Gdiplus::SolidBrush fill(Gdiplus::Color(255, 0xE4, 0xE4, 0xE4));
                graphics.FillPath(&fill, &path);
            }
            const host::GraphPen look = host::CurrentPen(o);
            Gdiplus::Pen pen(offline ? Gdiplus::Color(255, 0x80, 0x80, 0x80) : FromColor(look.color),
                             static_cast<Gdiplus::REAL>(look.width));
            if (offline) pen.SetDashStyle(Gdiplus::DashStyleDash);
            graphics.DrawPath(&pen, &path);
        }
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    HFONT normal = LabelFont(false), bold = LabelFont(true);
    HGDIOBJ oldFont = SelectObject(dc, normal);
    for (size_t i = 0; i < figures_.size(); ++i) {
        const QM7140GraphObject& o = figures_[i]->shape.object;
        if (!o.Visible) continue;
        SelectObject(dc, static_cast<int>(i) == current_ ? bold : normal);
        const Label said = i < labels_.size() ? labels_[i] : Label{};
        SetTextColor(dc, GetSysColor(said.online ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        const std::wstring label = L"QM7140 #" + std::to_wstring(i + 1) +
                                   (o.Scale >= 0.75f && !said.where.empty() ? L"\n" + said.where : L"");
        RECT box = BoxOf(o), measured = box;
        DrawTextW(dc, label.c_str(), -1, &measured, DT_CALCRECT | DT_CENTER | DT_NOPREFIX);
        OffsetRect(&box, 0, ((box.bottom - box.top) - (measured.bottom - measured.top)) / 2);
        DrawTextW(dc, label.c_str(), -1, &box, DT_CENTER | DT_NOPREFIX);
        if (static_cast<int>(i) == current_ && GetFocus() == window_) {
            RECT focus = BoxOf(o);
            InflateRect(&focus, 4, 4);
            DrawFocusRect(dc, &focus);
        }
    }
    SelectObject(dc, oldFont);
    DeleteObject(normal);
    DeleteObject(bold);
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

int FigureStrip::FigureAt(LPARAM point) const {
    const int x = static_cast<short>(LOWORD(point)), y = static_cast<short>(HIWORD(point));
    for (size_t i = 0; i < figures_.size(); ++i) {
        QM7140GraphObject& o = figures_[i]->shape.object;
        // The box itself: while its dialog is active a figure is "always hit", which would
        // make every click land on it.
        if (o.Visible && o.Ops->ContainsPoint(&o, x, y)) return static_cast<int>(i);
    }
    return -1;
}

void FigureStrip::Fade() {
    bool moving = false;
    for (DeviceFigure* figure : figures_) moving = host::StepFade(figure->shape.object) || moving;
    if (!moving) KillTimer(window_, kFadeTimer);
    InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK FigureStrip::Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FigureStrip*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FigureStrip*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, msg, wParam, lParam);
    switch (msg) {
    case WM_SIZE: self->Place(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        self->Paint(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kFadeTimer) self->Fade();
        return 0;
    case WM_LBUTTONDOWN:
        if (const int device = self->FigureAt(lParam); device >= 0) {
            SetFocus(window);
            if (self->events_.pick) self->events_.pick(device);
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
        const int count = static_cast<int>(self->figures_.size());
        const int step = wParam == VK_LEFT || wParam == VK_UP ? -1 : wParam == VK_RIGHT || wParam == VK_DOWN ? 1 : 0;
        if (step != 0 && count > 0 && self->events_.pick)
            self->events_.pick(std::clamp(self->current_ + step, 0, count - 1));
        if ((wParam == VK_RETURN || wParam == VK_SPACE) && self->events_.open) self->events_.open(self->current_);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        if (const int device = self->FigureAt(lParam); device >= 0 && self->events_.open) self->events_.open(device);
        return 0;
    case WM_NCDESTROY:
        // A dialog deactivated later must not start a timer on a window that is gone.
        for (DeviceFigure* figure : self->figures_) figure->strip = nullptr;
        self->window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    default: break;
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace winhost
