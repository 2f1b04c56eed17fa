#include "host/common/module/graph_object.h"

#include <algorithm>

namespace host {

namespace {

using Object = QM7140GraphObject;

// The slots the module never calls and the host does not use.
template <class R, class... A>
R QM7140_CDECL Nothing(Object*, A...) {
    return R();
}

void QM7140_CDECL StartAnimation(Object* self, int32_t state) { self->AnimationState = state; }

void QM7140_CDECL Place(Object* self, float scale, int32_t dx, int32_t dy) {
    self->Scale = scale;
    QM7140GraphRect box{1000000, 1000000, 0, 0};
    const uint32_t count = std::min<uint32_t>(self->PointCount, 16);
    for (uint32_t i = 0; i < count; ++i) {
        QM7140GraphPoint& placed = self->ScreenPoints[i];
        placed = {self->Points[i].X * scale + static_cast<float>(dx), self->Points[i].Y * scale + static_cast<float>(dy)};
        box.Left = std::min(box.Left, static_cast<int32_t>(placed.X));
        box.Top = std::min(box.Top, static_cast<int32_t>(placed.Y));
        box.Right = std::max(box.Right, static_cast<int32_t>(placed.X));
        box.Bottom = std::max(box.Bottom, static_cast<int32_t>(placed.Y));
    }
    self->Bounds = box;
}

// The closed box between the first two placed points.
bool QM7140_CDECL ContainsPoint(Object* self, int32_t x, int32_t y) {
    const QM7140GraphPoint a = self->ScreenPoints[0], b = self->ScreenPoints[1];
    const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
    return std::min(a.X, b.X) <= fx && fx <= std::max(a.X, b.X) && std::min(a.Y, b.Y) <= fy && fy <= std::max(a.Y, b.Y);
}

bool QM7140_CDECL HitTest(Object* self, int32_t x, int32_t y) {
    if (self->HitMode == QM7140_GRAPH_NEVER_HIT) return false;
    return self->Ops->ContainsPoint(self, x, y) || self->HitMode == QM7140_GRAPH_ALWAYS_HIT;
}

void QM7140_CDECL SetNotify(Object* self, void* context, QM7140GraphNotifyProc proc) {
    self->NotifyContext = context;
    self->NotifyProc = proc;
}
void QM7140_CDECL SetFadeColor(Object* self, QM7140Color color) { self->FadeColor = color; }
void QM7140_CDECL SetSelectedColor(Object* self, QM7140Color color) { self->SelectedColor = color; }
void QM7140_CDECL SaveSelected(Object* self) { self->SavedSelected = self->Selected; }
void QM7140_CDECL SetSelected(Object* self, bool selected) {
    self->Selected = selected;
    const bool shown = selected && self->Selectable;
    self->Color = shown ? self->SelectedColor : self->NormalColor;
    self->PenWidth = shown ? self->SelectedPenWidth : self->NormalPenWidth;
}
void QM7140_CDECL SetUserFlag(Object* self, bool flag) { self->UserFlag = flag; }
void QM7140_CDECL SetSelectable(Object* self, bool selectable) { self->Selectable = selectable; }
bool QM7140_CDECL IsSelected(Object* self) { return self->Selected; }
bool QM7140_CDECL WasSelected(Object* self) { return self->SavedSelected; }
int32_t QM7140_CDECL GetIndex(Object*) { return -1; }
void QM7140_CDECL SetVisible(Object* self, bool visible) { self->Visible = visible; }

const QM7140GraphObjectOps kOps = {
    Nothing<void, bool>, StartAnimation, Place, ContainsPoint, HitTest, Nothing<void, int32_t, int32_t>,
    Nothing<void>, Nothing<void>, SetNotify, SetFadeColor, SetSelectedColor, Nothing<void, bool>, SaveSelected,
    Nothing<void, const float*>, Nothing<void, const float*>, Nothing<void, const float*>, Nothing<bool, int32_t>,
    SetSelected, SetUserFlag, SetSelectable, IsSelected, WasSelected, GetIndex, SetVisible, Nothing<void, void*>,
};

}  // namespace

const QM7140GraphObjectOps& RectangleOps() { return kOps; }

GraphRectangle MakeRectangle(float left, float top, float right, float bottom, uint32_t width, QM7140Color color) {
    GraphRectangle r{};
    Object& o = r.object;
    o.Ops = &kOps;
    o.Scale = 1.0f;
    o.PenWidth = o.NormalPenWidth = o.SelectedPenWidth = width;
    o.HighlightPenWidth = width + 2;
    o.Color = o.NormalColor = o.HighlightColor = color;
    o.FadeColor = 0x0000FF;
    o.Points[0] = {left, top};
    o.Points[1] = {right, bottom};
    o.PointCount = 2;
    o.HitMode = QM7140_GRAPH_HIT_ON_SHAPE;
    o.Selectable = true;
    o.Visible = true;
    o.FillColor = 0x808080;
    o.Reserved758 = 2;
    o.Reserved75C = 0x808080;
    o.Ops->Place(&o, 1.0f, 0, 0);
    return r;
}

const char* HitModeName(int32_t mode) {
    switch (mode) {
    case QM7140_GRAPH_NEVER_HIT: return "never hit";
    case QM7140_GRAPH_HIT_ON_SHAPE: return "hit on its shape";
    case QM7140_GRAPH_ALWAYS_HIT: return "always hit";
    default: return "unknown";
    }
}

bool StepFade(QM7140GraphObject& o) {
    switch (o.AnimationState) {
    case 1:
        o.AnimationStep = std::min(o.AnimationStep + 1, kFadeSteps);
        if (o.AnimationStep == kFadeSteps) o.AnimationState = 2;
        return true;
    case 3:
    case 5:
        o.AnimationStep = std::min(o.AnimationStep, kFadeSteps);
        if (o.AnimationStep > 0) --o.AnimationStep;
        if (o.AnimationStep == 0) o.AnimationState = 0;
        return true;
    default: return false;
    }
}

QM7140Color BlendColor(QM7140Color from, QM7140Color to, float t) {
    QM7140Color result = 0;
    for (const QM7140Color mask : {0x0000FFu, 0x00FF00u, 0xFF0000u}) {
        const double a = from & mask, b = to & mask;
        const double v = b > a ? a + (b - a) * t : a - (a - b) * t;
        result |= static_cast<QM7140Color>(std::clamp(v, 0.0, static_cast<double>(mask))) & mask;
    }
    return result;
}

GraphPen CurrentPen(const QM7140GraphObject& o) {
    if (o.AnimationState == 0) return {o.Color, o.PenWidth};
    const float t = static_cast<float>(std::min(o.AnimationStep, kFadeSteps)) * 0.1f;
    return {BlendColor(o.HighlightColor, o.FadeColor, t), o.HighlightPenWidth};
}

}  // namespace host
