// The graph objects' ABI on the i686 build: the checks shared with the native build, and a
// host object made from the header alone, driven by the library's own routines.
#include "../native/graph/graph_abi_test.cpp"
#include "platform/recording_canvas.h"

#include <type_traits>

namespace {

struct SlotCall {
    int slot;
    QM7140GraphObject* self;
    std::vector<int32_t> args;  // the integer and bool arguments
    bool operator==(const SlotCall&) const = default;
};
std::vector<SlotCall> hostCalls;
bool hostInside = false;

// Every slot of the host's table: a plain cdecl function that logs its call.
template <int Index, class R, class... A>
R QM7140_CDECL HostSlot(QM7140GraphObject* self, A... args) {
    SlotCall call{Index, self, {}};
    [[maybe_unused]] auto keep = [&](auto v) {
        if constexpr (std::is_integral_v<decltype(v)>) call.args.push_back(static_cast<int32_t>(v));
    };
    (keep(args), ...);
    hostCalls.push_back(call);
    if constexpr (Index == 3) return hostInside;
    else if constexpr (Index == 20) return self->Selected;
    else return R();
}

const QM7140GraphObjectOps hostOps = {
    HostSlot<0, void, bool>, HostSlot<1, void, int32_t>, HostSlot<2, void, float, int32_t, int32_t>,
    HostSlot<3, bool, int32_t, int32_t>, HostSlot<4, bool, int32_t, int32_t>, HostSlot<5, void, int32_t, int32_t>,
    HostSlot<6, void>, HostSlot<7, void>, HostSlot<8, void, void*, QM7140GraphNotifyProc>,
    HostSlot<9, void, QM7140Color>, HostSlot<10, void, QM7140Color>, HostSlot<11, void, bool>,
    HostSlot<12, void>, HostSlot<13, void, const float*>, HostSlot<14, void, const float*>,
    HostSlot<15, void, const float*>, HostSlot<16, bool, int32_t>, HostSlot<17, void, bool>,
    HostSlot<18, void, bool>, HostSlot<19, void, bool>, HostSlot<20, bool>, HostSlot<21, bool>,
    HostSlot<22, int32_t>, HostSlot<23, void, bool>, HostSlot<24, void, void*>,
};

QM7140GraphObject HostObject() {
    QM7140GraphObject o{};
    o.Ops = &hostOps;
    o.HitMode = QM7140_GRAPH_HIT_ON_SHAPE;
    o.Selectable = o.Visible = true;
    return o;
}

// What the module sees: one of its own graph objects.
TGUIObject& AsLibrary(QM7140GraphObject& o) { return *reinterpret_cast<TGUIObject*>(&o); }

TEST(GraphHostObject, LibraryPointerTrackingCallsTheHostsSlots) {
    QM7140GraphObject host = HostObject();
    host.NotifyProc = &Notified;
    host.NotifyContext = &host;
    hostCalls.clear();
    notified.clear();
    hostInside = true;
    AsLibrary(host).TGUIObject::MouseMove(7, -9);
    EXPECT_EQ(hostCalls, (std::vector<SlotCall>{{3, &host, {7, -9}}, {1, &host, {1}}}));
    hostCalls.clear();
    hostInside = false;
    host.AnimationState = 2;  // the host's own StartAnimation set nothing
    AsLibrary(host).TGUIObject::MouseMove(-300, 400);
    EXPECT_EQ(hostCalls, (std::vector<SlotCall>{{3, &host, {-300, 400}}, {1, &host, {3}}}));
    EXPECT_EQ(notified, (std::vector<int32_t>{3, 4}));
    hostCalls.clear();
    host.HitMode = QM7140_GRAPH_ALWAYS_HIT;
    EXPECT_TRUE(AsLibrary(host).TGUIObject::HitTest(1, 2));
    EXPECT_EQ(hostCalls, (std::vector<SlotCall>{{3, &host, {1, 2}}}));
}

TEST(GraphHostObject, SetHitModeAndStartAnimationWriteTheHostsFields) {
    QM7140GraphObject host = HostObject();
    TAnimationTimer timer, other;
    hostCalls.clear();
    AsLibrary(host).SetHitMode(QM7140_GRAPH_ALWAYS_HIT, &timer);
    EXPECT_EQ(host.HitMode, 2);
    EXPECT_EQ(host.AnimationTimer, &timer);
    ASSERT_EQ(timer.Objects().size(), 1u);
    EXPECT_EQ(static_cast<void*>(timer.Objects()[0]), &host);
    AsLibrary(host).SetHitMode(QM7140_GRAPH_HIT_ON_SHAPE, &other);
    EXPECT_EQ(host.HitMode, 1);
    EXPECT_EQ(host.AnimationTimer, &timer);

    AsLibrary(host).TGUIObject::StartAnimation(1);
    EXPECT_EQ(host.AnimationState, 1);
    EXPECT_TRUE(timer.Enabled());
    timer.Tick();
    EXPECT_EQ(host.AnimationStep, 1u);
    EXPECT_TRUE(hostCalls.empty());
}

TEST(GraphHostObject, LibrarySelectionAsksAHostSourceAndUpdatesAHostDependent) {
    QM7140GraphObject source = HostObject(), dependent = HostObject();
    source.Selected = true;
    source.SelectedColor = 0x123456;
    TLCursor cursor;
    cursor.Sources[0] = &AsLibrary(source), cursor.SourceCount = 1;
    cursor.Dependents[0] = &AsLibrary(dependent), cursor.DependentCount = 1;
    hostCalls.clear();
    cursor.UpdateSelection(true);
    EXPECT_EQ(hostCalls, (std::vector<SlotCall>{{20, &source, {}}, {11, &dependent, {1}}}));
    EXPECT_TRUE(cursor.Selected);
    EXPECT_EQ(cursor.Color, 0x123456u);
}

TEST(GraphHostObject, PaintDrawsAHostObjectThroughItsOwnSlot24) {
    QM7140GraphObject host = HostObject();
    platform::RecordingCanvas canvas;
    hostCalls.clear();
    AsLibrary(host).Paint(&canvas);
    EXPECT_EQ(hostCalls, (std::vector<SlotCall>{{24, &host, {}}}));
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"Lock", "Unlock"}));
    EXPECT_EQ(host.Canvas, &canvas);
}

}  // namespace
