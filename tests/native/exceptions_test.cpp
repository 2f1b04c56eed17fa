// A failure inside what the host calls stops there and leaves the instance working.
#include "dialogs/tboost.h"
#include "dialogs/tdigitalcontrol.h"
#include "dialogs/tlimiter.h"
#include "host_fixture.h"
#include "platform/recording_canvas.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

namespace {

// A reload allocates only in the peers (a native one converts text for its widget): this
// one runs out of memory once `budget` more updates went through (-1: never).
struct FailingPeer final : platform::Peer {
    void Update(platform::Change) override {
        if (budget >= 0 && budget-- == 0) throw std::bad_alloc();
    }
    static inline long budget = -1;
};

TEST(Exceptions, AReloadThatFailsHalfWayReturnsWithTheCallbackRestored) {
    TBoostForm boost;
    TDigitalControlForm digital;
    TLimiterForm limiter;
    TestHost host;
    const std::pair<platform::Form*, TI2CObject*> rows[] = {
        {&boost, &boost.BoostI2C}, {&digital, &digital.DigitalControlI2C}, {&limiter, &limiter.LimiterI2C}};
    for (auto [form, window] : rows) {
        for (const auto& control : form->Controls()) control->AttachPeer(std::make_unique<FailingPeer>());
        host.Connect(*window);
        auto* record = reinterpret_cast<QM7140RegisterWindow*>(window);
        for (long n = 0; n < 3; ++n) {
            host.regs.fill(0);
            window->RegisterChanged(128, 0, 0);
            host.regs.fill(0xFF);  // every control moves
            FailingPeer::budget = n;
            record->Ops->RegisterChanged(record, 128, 0, 0);
            EXPECT_EQ(FailingPeer::budget, -1) << form->Caption() << " failed at update " << n;
            EXPECT_EQ(window->WriteCallback, &TestHost::Write);
        }
        window->RegisterChanged(128, 0, 0);
    }
    EXPECT_EQ(boost.APTDelay.ItemIndex(), 3);
    EXPECT_EQ(digital.DataOffset.Text(), "255");
    EXPECT_EQ(limiter.AttackText.Caption(), "2510 us");
    EXPECT_TRUE(host.writes.empty());
    limiter.LimMode.userClick();
    EXPECT_EQ(host.writes.size(), 1u);
}

// A drawing layer that throws at any step: the draw returns, having deleted what it made,
// and the next one draws in full.
TEST(Exceptions, ADrawThatThrowsStopsInsideTheGraphObject) {
    for (const char* step : {"CreateFromHDC", "CreatePen1", "AddPathArcI", "FillPath", "DrawPath", "DeletePath", "DeletePen"}) {
        TLCursor cursor;
        cursor.SetCenter(20, 20);
        cursor.FillStyle = 2;
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
