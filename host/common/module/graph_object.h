// The host's own graph object, made from the C header alone with an operation table of the
// host's, as a host that draws the device does: a rectangle, laid out as the module's
// rectangles are. Linked to the Digital Control dialog, it shows the dialog's activation:
// the module starts its animation through slot 1 and sets its hit mode; the host fades it
// with a timer of its own and draws it itself (the module exports no drawing).
#pragma once

#include <qm7140/graph.h>

#include <cstddef>
#include <cstdint>

namespace host {

// The common fields, then the line's dash style (always solid): 1892 bytes on i686.
struct GraphRectangle {
    QM7140GraphObject object;
    int32_t DashStyle;
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(GraphRectangle, DashStyle) == 0x760 && sizeof(GraphRectangle) == 1892);
#endif

// The rectangle's slots: placing, the box's hit test, the selection and visibility setters;
// slot 1 takes the animation state and leaves the fade to the host's timer (see StepFade).
// A host that must hear of StartAnimation copies the table and replaces slot 1.
const QM7140GraphObjectOps& RectangleOps();

// A rectangle spanning (left, top) to (right, bottom) in model points, drawn with a pen of
// `width` pixels in `color`; visible, selectable, hit on its shape, idle.
GraphRectangle MakeRectangle(float left, float top, float right, float bottom, uint32_t width, QM7140Color color);

// "always hit" for QM7140_GRAPH_ALWAYS_HIT, ...
const char* HitModeName(int32_t mode);

// The fade's last step: factor 1, the highlight wholly in FadeColor.
constexpr uint32_t kFadeSteps = 10;

// One tick of the host's fade timer. Entering (state 1) climbs to the last step and holds
// there as state 2; leaving (3 or 5) falls back to step 0 and ends as state 0. True while
// the object still moves.
bool StepFade(QM7140GraphObject& object);

// Each 8-bit channel from + (to - from) * t, rounded down, as the graph objects blend.
QM7140Color BlendColor(QM7140Color from, QM7140Color to, float t);

struct GraphPen {
    QM7140Color color;
    uint32_t width;
};
// What the outline is drawn with now: while animating, the highlight blended from
// HighlightColor toward FadeColor by the step, at HighlightPenWidth; else Color at PenWidth.
GraphPen CurrentPen(const QM7140GraphObject& object);

}  // namespace host
