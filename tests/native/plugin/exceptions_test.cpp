// A failure inside what the host calls stops there and leaves the instance working.
#include "dialogs/tlimiter.h"
#include "host_fixture.h"
#include "platform/recording_canvas.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

// Headless, a reload allocates only in the peers (a native one converts text for its
// widget): this one runs out of memory once `budget` more updates went through.
struct FailingPeer final : platform::Peer {
    void Update(platform::Change) override {
        if (budget >= 0 && budget-- == 0) throw std::bad_alloc();
    }
    static inline long budget = -1;
};

TEST(Exceptions, AReloadThatFailsHalfWayReturnsWithTheCallbackRestored) {
    TLimiterForm form;
    TestHost host;
    host.Connect(form.LimiterI2C);
    for (const auto& control : form.Controls()) control->AttachPeer(std::make_unique<FailingPeer>());
    auto* record = reinterpret_cast<QM7140RegisterWindow*>(&form.LimiterI2C);
    for (long n = 0; n < 3; ++n) {
        host.Set(form.LimiterI2C, 14, 0);
        host.regs[14] = 0xFF;  // four track bars and a check box move
        FailingPeer::budget = n;
        record->Ops->RegisterChanged(record, 128, 0, 14);
        EXPECT_EQ(FailingPeer::budget, -1) << "no failure at update " << n;
        EXPECT_EQ(form.LimiterI2C.WriteCallback, &host::RegisterHost::Written);
    }
    host.Set(form.LimiterI2C, 14, 0xFF);
    EXPECT_EQ(form.AttackText.Caption(), "2510 us");
    form.LimMode.userClick();
    EXPECT_EQ(host.writes.size(), 1u) << "the click's write, and nothing from the reloads";
}

// A drawing layer that throws at any step: the draw returns, having deleted what it made,
// and the next one draws in full.
TEST(Exceptions, ADrawThatThrowsStopsInsideTheGraphObject) {
    for (const char* step : {"CreateFromHDC", "CreatePen1", "AddPathArcI", "DrawPath", "DeletePath", "DeletePen"}) {
        TLCursor cursor;
        cursor.SetCenter(20, 20);
        platform::RecordingCanvas canvas;
        canvas.Recorder().throwing = step;
        cursor.Paint(&canvas);
        EXPECT_EQ(canvas.Recorder().Live(), 0) << step;
        canvas.Recorder().throwing.clear();
        cursor.Paint(&canvas);
        const std::string& drawn = canvas.calls.end()[-5];  // then three deletes and Unlock
        EXPECT_TRUE(drawn.starts_with("DrawPath g") && drawn.find("null") == std::string::npos) << step;
    }
}

}  // namespace
