// The graph objects as a host sees them: the header's layout and operation table against the
// library's classes. Built natively and, included by tests/win32, for the i686 DLL's ABI.
#include "graph/tanimationtimer.h"
#include "graph/tguiobject.h"

#include <qm7140/graph.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

// Made where the caller cannot see the dynamic type, so no call below is devirtualised.
__attribute__((noinline)) QM7140GraphObject* MakeCursor(float x, float y) {
    auto* cursor = new TLCursor;
    cursor->NormalColor = 0x00AA00;
    cursor->SetCenter(x, y);
    cursor->Text160.Assign("released by slot 0");
    return reinterpret_cast<QM7140GraphObject*>(cursor);
}

// A slot read the way a host reads it: from the table, opaque to the optimiser.
template <class Fn>
Fn Slot(const QM7140GraphObject* o, Fn QM7140GraphObjectOps::*slot) {
    Fn volatile fn = o->Ops->*slot;
    return fn;
}
using Ops = QM7140GraphObjectOps;

std::vector<int32_t> notified;
void QM7140_CDECL Notified(void* context, QM7140GraphObject* sender, int32_t event) {
    if (context == sender) notified.push_back(event);
}

TEST(GraphAbi, EverySlotOfALibraryCursorIsACdeclFunctionInItsPlace) {
    QM7140GraphObject* o = MakeCursor(100, 50);
    EXPECT_TRUE(Slot(o, &Ops::ContainsPoint)(o, 97, 47));
    EXPECT_TRUE(Slot(o, &Ops::ContainsPoint)(o, 103, 53));
    EXPECT_FALSE(Slot(o, &Ops::ContainsPoint)(o, 104, 50));
    EXPECT_TRUE(Slot(o, &Ops::HitTest)(o, 100, 50));
    EXPECT_FALSE(Slot(o, &Ops::HitTest)(o, 100, 54));

    notified.clear();
    Slot(o, &Ops::SetNotify)(o, o, &Notified);
    EXPECT_EQ(o->NotifyContext, o);
    Slot(o, &Ops::MouseMove)(o, 100, 50);
    EXPECT_EQ(notified, std::vector<int32_t>{3});
    Slot(o, &Ops::StartAnimation)(o, 2);  // no timer: nothing changes
    EXPECT_EQ(o->AnimationState, 0);

    Slot(o, &Ops::Place)(o, 2.0f, 10, -200);
    EXPECT_EQ(o->Scale, 2.0f);
    EXPECT_EQ(o->ScreenPoints[0].X, 204.0f);
    EXPECT_EQ(o->Bounds.Top, -106);
    EXPECT_EQ(o->Bounds.Right, 216);

    Slot(o, &Ops::SetFadeColor)(o, 0x010203);
    Slot(o, &Ops::SetSelectedColor)(o, 0x040506);
    Slot(o, &Ops::SetSelected)(o, true);
    EXPECT_EQ(o->FadeColor, 0x010203u);
    EXPECT_EQ(o->Color, 0x040506u);
    EXPECT_EQ(o->PenWidth, 1u);
    EXPECT_TRUE(Slot(o, &Ops::IsSelected)(o));
    Slot(o, &Ops::SaveSelected)(o);
    Slot(o, &Ops::UpdateSelection)(o, true);  // no sources: deselected
    EXPECT_FALSE(Slot(o, &Ops::IsSelected)(o));
    EXPECT_TRUE(Slot(o, &Ops::WasSelected)(o));
    Slot(o, &Ops::SetUserFlag)(o, true);
    Slot(o, &Ops::SetSelectable)(o, false);
    Slot(o, &Ops::SetVisible)(o, false);
    EXPECT_TRUE(o->UserFlag);
    EXPECT_FALSE(o->Selectable);
    EXPECT_FALSE(o->Visible);
    EXPECT_EQ(Slot(o, &Ops::GetIndex)(o), -1);

    o->Links[0].Id = 42;
    o->LinkCount = 1;
    EXPECT_TRUE(Slot(o, &Ops::HasLink)(o, 42));
    EXPECT_FALSE(Slot(o, &Ops::HasLink)(o, 41));

    const float swap[6] = {0, 1, 1, 0, 0, 0}, d[2] = {1, 2}, s[2] = {3, 4};
    Slot(o, &Ops::TransformPoints)(o, swap);  // (97, 47) becomes (47, 97)
    Slot(o, &Ops::TranslatePoints)(o, d);
    Slot(o, &Ops::ScalePoints)(o, s);
    EXPECT_EQ(o->Points[0].X, 144.0f);
    EXPECT_EQ(o->Points[0].Y, 396.0f);

    Slot(o, &Ops::Reserved1)(o);
    Slot(o, &Ops::Reserved2)(o);
    Slot(o, &Ops::Draw)(o, nullptr);
    Slot(o, &Ops::Destroy)(o, false);
    EXPECT_EQ(o->Text160, nullptr);
    Slot(o, &Ops::Destroy)(o, true);
}

}  // namespace

extern "C" size_t qm7140_c_register_window_size(void);
extern "C" size_t qm7140_c_graph_object_size(void);
extern "C" size_t qm7140_c_graph_fill_color_offset(void);

namespace {

// The C++ side checks its classes against the headers at compile time; this is what a C
// compiler makes of the same headers.
TEST(GraphAbi, ACCompilerLaysTheRecordsOutAsCxxDoes) {
    EXPECT_EQ(qm7140_c_register_window_size(), sizeof(QM7140RegisterWindow));
    EXPECT_EQ(qm7140_c_graph_object_size(), sizeof(QM7140GraphObject));
    EXPECT_EQ(qm7140_c_graph_fill_color_offset(), offsetof(QM7140GraphObject, FillColor));
}

}  // namespace
