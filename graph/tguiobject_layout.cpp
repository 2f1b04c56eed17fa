// The host reads and writes graph objects by position. One list of their fields: on every
// build each C++ offset equals the host header's, and on i686, where the DLL is built, the
// 32-bit offset.
#include "graph/tguiobject.h"

#include <cstddef>

namespace {
#if defined(_WIN32) && !defined(_WIN64)
constexpr bool kI686 = true;
#else
constexpr bool kI686 = false;
#endif
}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

#define AT(field, offset)                                                                        \
    static_assert(offsetof(TGUIObject, field) == offsetof(QM7140GraphObject, field), #field);    \
    static_assert(!kI686 || offsetof(TGUIObject, field) == (offset), #field " at its 32-bit offset")

static_assert(offsetof(QM7140GraphObject, Ops) == 0x000);
AT(Scale, 0x004);
AT(Canvas, 0x008);
AT(Reserved00C, 0x00C);
AT(AnimationTimer, 0x010);
AT(AnimationState, 0x014);
AT(AnimationStep, 0x018);
AT(PenWidth, 0x01C);
AT(NormalPenWidth, 0x020);
AT(SelectedPenWidth, 0x024);
AT(HighlightPenWidth, 0x028);
AT(Color, 0x02C);
AT(HighlightColor, 0x030);
AT(NormalColor, 0x034);
AT(FadeColor, 0x038);
AT(SelectedColor, 0x03C);
AT(Points, 0x040);
AT(ScreenPoints, 0x0C0);
AT(PointCount, 0x140);
AT(Reserved144, 0x144);
AT(HitMode, 0x148);
AT(NotifyProc, 0x14C);
AT(NotifyContext, 0x150);
AT(Selected, 0x154);
AT(UserFlag, 0x155);
AT(Updating, 0x156);
AT(Reserved157, 0x157);
AT(Selectable, 0x158);
AT(SavedSelected, 0x159);
AT(Reserved15A, 0x15A);
AT(Visible, 0x15B);
AT(Reserved15C, 0x15C);
AT(Text160, 0x160);
AT(Text164, 0x164);
AT(Reserved168, 0x168);
AT(Bounds, 0x170);
AT(Reserved180, 0x180);
AT(Reserved184, 0x184);
AT(Reserved1C4, 0x1C4);
AT(DependentCount, 0x204);
AT(SourceCount, 0x208);
AT(Dependents, 0x20C);
AT(Sources, 0x24C);
AT(Reserved28C, 0x28C);
AT(LinkCount, 0x2CC);
AT(Links, 0x2D0);
AT(FillStyle, 0x750);
AT(FillColor, 0x754);
AT(Reserved758, 0x758);
AT(Reserved75C, 0x75C);
#undef AT

static_assert(sizeof(TGUIObject) == sizeof(QM7140GraphObject));
#if defined(_WIN32) && !defined(_WIN64)

static_assert(sizeof(TGUIPoint) == 8 && sizeof(TGUILink) == 72 && sizeof(Text8) == 4);
static_assert(sizeof(TGUIObject) == 1888);
static_assert(offsetof(TGUILine, DashStyle) == 0x760);
static_assert(sizeof(TGUILine) == 1892 && sizeof(TGUIRectangle) == 1892);
static_assert(offsetof(TLCursor, Dragging) == 0x764);
static_assert(offsetof(TLCursor, CenterX) == 0x768);
static_assert(offsetof(TLCursor, CenterY) == 0x76C);
static_assert(sizeof(TLCursor) == 1904);

#endif

#pragma GCC diagnostic pop
