#include "graph/tguiobject.h"

#include "graph/tanimationtimer.h"
#include "platform/conversions.h"

#include <cmath>
#include <cstring>
#include <span>

namespace {

using platform::Truncate;

// Widens [low, high] to take v in; comparisons are exact, the stored value is truncated.
void Extend(int32_t& low, int32_t& high, float v) {
    if (high < static_cast<double>(v)) high = Truncate(v);
    if (low > static_cast<double>(v)) low = Truncate(v);
}

void Notify(TGUIObject& object, int32_t event) {
    if (object.NotifyProc != nullptr) object.NotifyProc(object.NotifyContext, &object, event);
}

}  // namespace

void Text8::Assign(std::string_view text) {
    Release();
    if (text.empty()) return;
    chars_ = new char[text.size() + 1];
    std::memcpy(chars_, text.data(), text.size());
    chars_[text.size()] = '\0';
}

void Text8::Release() {
    delete[] chars_;
    chars_ = nullptr;
}

// ---- TGUIObject ------------------------------------------------------------------------

TGUIObject::TGUIObject(uint32_t penWidth, TColor color)
    : PenWidth(penWidth),
      NormalPenWidth(penWidth),
      SelectedPenWidth(penWidth),
      HighlightPenWidth(penWidth + 2),
      Color(color),
      NormalColor(color) {}

void TGUIObject::Destroy(bool deleteSelf) noexcept {
    Text160.Release();
    Text164.Release();
    // The strings are all that any destructor in the chain releases; only memory is left.
    if (deleteSelf) ::operator delete(dynamic_cast<void*>(this));
}

void TGUIObject::StartAnimation(int32_t state) noexcept {
    if (AnimationTimer == nullptr) return;
    AnimationState = state;
    AnimationTimer->SetInterval(1);
    AnimationTimer->SetEnabled(true);
}

void TGUIObject::Place(float, int32_t, int32_t) noexcept {}

bool TGUIObject::HitTest(int32_t x, int32_t y) noexcept {
    if (HitMode == QM7140_GRAPH_NEVER_HIT) return false;
    return ContainsPoint(x, y) || HitMode == QM7140_GRAPH_ALWAYS_HIT;
}

void TGUIObject::MouseMove(int32_t x, int32_t y) noexcept {
    if (HitMode != QM7140_GRAPH_HIT_ON_SHAPE) return;
    const bool inside = ContainsPoint(x, y);
    // The state is read afresh for each test: a step or a notification may change it.
    if (inside && AnimationState == 0) {
        StartAnimation(1);
        Notify(*this, QM7140_GRAPH_POINTER_ENTERED);
    }
    if (!inside && AnimationState == 1) {
        StartAnimation(5);
        Notify(*this, QM7140_GRAPH_POINTER_LEFT);
    }
    if (!inside && AnimationState == 2) {
        StartAnimation(3);
        Notify(*this, QM7140_GRAPH_POINTER_LEFT);
    }
}

void TGUIObject::Reserved1() noexcept {}
void TGUIObject::Reserved2() noexcept {}

void TGUIObject::SetNotify(void* context, TGUINotifyProc proc) noexcept {
    NotifyContext = context;
    NotifyProc = proc;
}

void TGUIObject::SetFadeColor(TColor color) noexcept { FadeColor = color; }
void TGUIObject::SetSelectedColor(TColor color) noexcept { SelectedColor = color; }

void TGUIObject::UpdateSelection(bool adoptColor) noexcept {
    // Set while this object is being updated: a cycle of dependents ends here.
    if (Updating) return;
    Updating = true;
    Selected = false;
    if (Selectable) {
        TGUIObject* first = nullptr;
        bool any = false;
        for (TGUIObject* source : std::span(Sources, InUse(SourceCount))) {
            if (source == nullptr) continue;
            if (first == nullptr) first = source;
            if (!any) any = source->IsSelected();
        }
        if (adoptColor && first != nullptr) SetSelectedColor(first->SelectedColor);
        SetSelected(any && Selectable);
        for (TGUIObject* dependent : std::span(Dependents, InUse(DependentCount)))
            if (dependent != nullptr) dependent->UpdateSelection(adoptColor);
    }
    Updating = false;
}

void TGUIObject::SaveSelected() noexcept { SavedSelected = Selected; }

void TGUIObject::TransformPoints(const float m[6]) noexcept {
    for (TGUIPoint& p : std::span(Points, InUse(PointCount))) {
        const TGUIPoint old = p;
        p.X = m[0] * old.X + m[2] * old.Y + m[4];
        p.Y = m[1] * old.X + m[3] * old.Y + m[5];
    }
}

void TGUIObject::TranslatePoints(const float d[2]) noexcept {
    for (TGUIPoint& p : std::span(Points, InUse(PointCount))) {
        p.X += d[0];
        p.Y += d[1];
    }
}

void TGUIObject::ScalePoints(const float[2]) noexcept {}

bool TGUIObject::HasLink(int32_t id) noexcept {
    for (const TGUILink& link : std::span(Links, InUse(LinkCount)))
        if (link.Id == id) return true;
    return false;
}

void TGUIObject::SetSelected(bool selected) noexcept {
    Selected = selected;
    const bool on = Selected && Selectable;
    Color = on ? SelectedColor : NormalColor;
    PenWidth = on ? SelectedPenWidth : NormalPenWidth;
}

void TGUIObject::SetUserFlag(bool flag) noexcept { UserFlag = flag; }
void TGUIObject::SetSelectable(bool selectable) noexcept { Selectable = selectable; }
bool TGUIObject::IsSelected() noexcept { return Selected; }
bool TGUIObject::WasSelected() noexcept { return SavedSelected; }
int32_t TGUIObject::GetIndex() noexcept { return -1; }
void TGUIObject::SetVisible(bool visible) noexcept { Visible = visible; }

void TGUIObject::SetHitMode(int32_t mode, TAnimationTimer* timer) {
    // The first timer stays: the object is in its list, and nothing takes it out again.
    if (AnimationTimer == nullptr && timer != nullptr) {
        AnimationTimer = timer;
        timer->AddObject(this);
    }
    HitMode = mode;
}

TColor TGUIObject::BlendColor(TColor from, TColor to, float t) {
    // Each channel is blended where it sits, unshifted, and masked back afterwards.
    TColor result = 0;
    for (const TColor mask : {0x0000FFu, 0x00FF00u, 0xFF0000u}) {
        const double a = from & mask, b = to & mask;
        const double v = b > a ? a + (b - a) * t : a - (a - b) * t;
        result |= static_cast<TColor>(Truncate(v)) & mask;
    }
    return result;
}

// ---- TGUILine ----------------------------------------------------------------------------

TGUILine::TGUILine(uint32_t penWidth, TColor color) : TGUIObject(penWidth, color) {
    PointCount = 2;
    Points[0] = {0.0f, 0.0f};
    Points[1] = {0.0f, 0.0f};
}

void TGUILine::Place(float scale, int32_t dx, int32_t dy) noexcept {
    Scale = scale;
    Reserved168[0] = Reserved168[1] = 0;
    Bounds = {1000000, 1000000, 0, 0};
    for (uint32_t i = 0; i < InUse(PointCount); ++i) {
        const TGUIPoint p = {static_cast<float>(static_cast<double>(Points[i].X) * scale + dx),
                             static_cast<float>(static_cast<double>(Points[i].Y) * scale + dy)};
        ScreenPoints[i] = p;
        // Right and bottom start at 0, so they never go below it. NaN moves nothing.
        Extend(Bounds.Left, Bounds.Right, p.X);
        Extend(Bounds.Top, Bounds.Bottom, p.Y);
    }
}

bool TGUILine::ContainsPoint(int32_t x, int32_t y) noexcept {
    const TGUIPoint p0 = ScreenPoints[0];
    const float ex = ScreenPoints[1].X - p0.X, ey = ScreenPoints[1].Y - p0.Y;
    const float length2 = ex * ex + ey * ey;
    // Coincident ends (or ends so close that the square underflows) span no segment.
    if (length2 == 0.0f) return false;
    const float px = static_cast<float>(x), py = static_cast<float>(y);
    const float t = ((px - p0.X) * ex + (py - p0.Y) * ey) / length2;
    // In this order, a NaN t (from non-finite points) falls through to a NaN distance: no hit.
    float nx = p0.X + t * ex, ny = p0.Y + t * ey;
    if (t < 0.0f) {
        nx = p0.X;
        ny = p0.Y;
    } else if (t > 1.0f) {
        nx = ScreenPoints[1].X;
        ny = ScreenPoints[1].Y;
    }
    return std::sqrt((px - nx) * (px - nx) + (py - ny) * (py - ny)) < 5.0f;
}

void TGUILine::ScalePoints(const float s[2]) noexcept {
    for (TGUIPoint& p : std::span(Points, InUse(PointCount))) {
        p.X *= s[0];
        p.Y *= s[1];
    }
}

// ---- TGUIRectangle -----------------------------------------------------------------------

namespace {

bool Between(double v, float a, float b) { return b > a ? a <= v && v <= b : b <= v && v <= a; }

}  // namespace

bool TGUIRectangle::ContainsPoint(int32_t x, int32_t y) noexcept {
    const TGUIPoint p0 = ScreenPoints[0], p1 = ScreenPoints[1];
    return Between(x, p0.X, p1.X) && Between(y, p0.Y, p1.Y);
}

// ---- TLCursor ----------------------------------------------------------------------------

TLCursor::TLCursor() : TGUIRectangle(1, 0) {
    NormalPenWidth = PenWidth = 2;
    Color = 0x0000FF;
}

void TLCursor::SetCenter(float x, float y) {
    CenterX = x;
    CenterY = y;
    Points[0] = {x - HalfSide, y - HalfSide};
    Points[1] = {x + HalfSide, y + HalfSide};
    Place(1.0f, 0, 0);
    HighlightColor = 0x000000;
    Color = NormalColor;
    FadeColor = 0xFFFFFF;
    SelectedColor = NormalColor;
    NormalPenWidth = PenWidth = 2;
    HitMode = QM7140_GRAPH_HIT_ON_SHAPE;
}
