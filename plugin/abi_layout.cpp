// The host reads and writes two records by position: the register window and the graph
// object. One list of the fields of each: on every build each C++ offset equals the C
// header's, and on i686, where the DLL is built, the 32-bit offset.
#include "graph/tguiobject.h"
#include "registers/ti2cobject.h"

#include <cstddef>

namespace {

// The owner's type cannot move the window's fields: any dialog will do.
struct AnyDialog;
using AnyWindow = TDialogI2C<AnyDialog, WriteGuard::Guarded>;

#if defined(_WIN32) && !defined(_WIN64)
constexpr bool kI686 = true;
#else
constexpr bool kI686 = false;
#endif

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

#define AT(Class, Record, field, offset)                                                     \
    static_assert(offsetof(Class, field) == offsetof(Record, field), #field);               \
    static_assert(!kI686 || offsetof(Class, field) == (offset), #field " at its 32-bit offset")

// ---- The register window ------------------------------------------------------------------

static_assert(offsetof(QM7140RegisterWindow, Ops) == 0);
AT(AnyWindow, QM7140RegisterWindow, DeviceAddress, 4);
AT(AnyWindow, QM7140RegisterWindow, Page, 8);
AT(AnyWindow, QM7140RegisterWindow, FirstRegister, 12);
AT(AnyWindow, QM7140RegisterWindow, RegisterCount, 16);
AT(AnyWindow, QM7140RegisterWindow, Cache, 20);
AT(AnyWindow, QM7140RegisterWindow, InlineCache, 24);
AT(AnyWindow, QM7140RegisterWindow, Filler, 25);
AT(AnyWindow, QM7140RegisterWindow, SavedWriteCallback, 28);
AT(AnyWindow, QM7140RegisterWindow, WriteCallback, 32);
AT(AnyWindow, QM7140RegisterWindow, SpareWord1, 36);
AT(AnyWindow, QM7140RegisterWindow, SpareWord2, 40);
AT(AnyWindow, QM7140RegisterWindow, CallbackContext, 44);
AT(AnyWindow, QM7140RegisterWindow, OwnerDialog, 48);

static_assert(sizeof(AnyWindow) == sizeof(QM7140RegisterWindow));
static_assert(!kI686 || (sizeof(TI2CObject) == 48 && sizeof(AnyWindow) == 52));

// ---- The graph object -----------------------------------------------------------------------

static_assert(offsetof(QM7140GraphObject, Ops) == 0x000);
AT(TGUIObject, QM7140GraphObject, Scale, 0x004);
AT(TGUIObject, QM7140GraphObject, Canvas, 0x008);
AT(TGUIObject, QM7140GraphObject, Reserved00C, 0x00C);
AT(TGUIObject, QM7140GraphObject, AnimationTimer, 0x010);
AT(TGUIObject, QM7140GraphObject, AnimationState, 0x014);
AT(TGUIObject, QM7140GraphObject, AnimationStep, 0x018);
AT(TGUIObject, QM7140GraphObject, PenWidth, 0x01C);
AT(TGUIObject, QM7140GraphObject, NormalPenWidth, 0x020);
AT(TGUIObject, QM7140GraphObject, SelectedPenWidth, 0x024);
AT(TGUIObject, QM7140GraphObject, HighlightPenWidth, 0x028);
AT(TGUIObject, QM7140GraphObject, Color, 0x02C);
AT(TGUIObject, QM7140GraphObject, HighlightColor, 0x030);
AT(TGUIObject, QM7140GraphObject, NormalColor, 0x034);
AT(TGUIObject, QM7140GraphObject, FadeColor, 0x038);
AT(TGUIObject, QM7140GraphObject, SelectedColor, 0x03C);
AT(TGUIObject, QM7140GraphObject, Points, 0x040);
AT(TGUIObject, QM7140GraphObject, ScreenPoints, 0x0C0);
AT(TGUIObject, QM7140GraphObject, PointCount, 0x140);
AT(TGUIObject, QM7140GraphObject, Reserved144, 0x144);
AT(TGUIObject, QM7140GraphObject, HitMode, 0x148);
AT(TGUIObject, QM7140GraphObject, NotifyProc, 0x14C);
AT(TGUIObject, QM7140GraphObject, NotifyContext, 0x150);
AT(TGUIObject, QM7140GraphObject, Selected, 0x154);
AT(TGUIObject, QM7140GraphObject, UserFlag, 0x155);
AT(TGUIObject, QM7140GraphObject, Updating, 0x156);
AT(TGUIObject, QM7140GraphObject, Reserved157, 0x157);
AT(TGUIObject, QM7140GraphObject, Selectable, 0x158);
AT(TGUIObject, QM7140GraphObject, SavedSelected, 0x159);
AT(TGUIObject, QM7140GraphObject, Reserved15A, 0x15A);
AT(TGUIObject, QM7140GraphObject, Visible, 0x15B);
AT(TGUIObject, QM7140GraphObject, Reserved15C, 0x15C);
AT(TGUIObject, QM7140GraphObject, Text160, 0x160);
AT(TGUIObject, QM7140GraphObject, Text164, 0x164);
AT(TGUIObject, QM7140GraphObject, Reserved168, 0x168);
AT(TGUIObject, QM7140GraphObject, Bounds, 0x170);
AT(TGUIObject, QM7140GraphObject, Reserved180, 0x180);
AT(TGUIObject, QM7140GraphObject, Reserved184, 0x184);
AT(TGUIObject, QM7140GraphObject, Reserved1C4, 0x1C4);
AT(TGUIObject, QM7140GraphObject, DependentCount, 0x204);
AT(TGUIObject, QM7140GraphObject, SourceCount, 0x208);
AT(TGUIObject, QM7140GraphObject, Dependents, 0x20C);
AT(TGUIObject, QM7140GraphObject, Sources, 0x24C);
AT(TGUIObject, QM7140GraphObject, Reserved28C, 0x28C);
AT(TGUIObject, QM7140GraphObject, LinkCount, 0x2CC);
AT(TGUIObject, QM7140GraphObject, Links, 0x2D0);
AT(TGUIObject, QM7140GraphObject, FillStyle, 0x750);
AT(TGUIObject, QM7140GraphObject, FillColor, 0x754);
AT(TGUIObject, QM7140GraphObject, Reserved758, 0x758);
AT(TGUIObject, QM7140GraphObject, Reserved75C, 0x75C);

static_assert(sizeof(TGUIObject) == sizeof(QM7140GraphObject));
// The module's own classes extend the record; the host never receives them, but their
// 32-bit sizes are documented in the header.
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

#undef AT
#pragma GCC diagnostic pop
