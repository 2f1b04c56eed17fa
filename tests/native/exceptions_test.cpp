// A failure inside what the host calls stops there and leaves the instance working. In an
// executable of its own: it replaces the global allocator for the whole process.
#include "dialogs/tboost.h"
#include "dialogs/tdigitalcontrol.h"
#include "dialogs/tlimiter.h"
#include "host_fixture.h"
#include "platform/recording_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>

namespace {
// Once `budget` more allocations have succeeded, every one fails until it is lifted (-1).
long budget = -1;
bool failed = false;
}  // namespace

void* operator new(std::size_t size) {
    if (budget == 0) {
        failed = true;
        throw std::bad_alloc();
    }
    if (budget > 0) --budget;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// The replacement pair is malloc/free by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// Copies what its control shows on every change, as a native peer converts text for its
// widget: headless, a reload allocates nothing, with peers it does at every control.
struct CopyingPeer final : platform::Peer {
    explicit CopyingPeer(const platform::Control& c) : control(c) {}
    void Update(platform::Change) override { shown = std::make_unique<std::string>(control.Caption()); }
    const platform::Control& control;
    std::unique_ptr<std::string> shown;
};

void AttachCopyingPeers(platform::Form& form) {
    for (const auto& control : form.Controls()) control->AttachPeer(std::make_unique<CopyingPeer>(*control));
}

// Every point of a reload where an allocation can fail, in each dialog: the host's call
// returns, the callback is back in place, and the next reload does the whole job.
TEST(Exceptions, AReloadThatRunsOutOfMemoryReturnsWithTheCallbackRestored) {
    TBoostForm boost;
    TDigitalControlForm digital;
    TLimiterForm limiter;
    TestHost host;
    struct Row {
        platform::Form& form;
        TI2CObject& window;
        uint8_t reg, value;
        std::function<bool()> reloaded;
    };
    const Row rows[] = {
        {boost, boost.BoostI2C, 20, 0x0F, [&] { return boost.APTDelay.ItemIndex() == 3; }},
        {digital, digital.DigitalControlI2C, 6, 42, [&] { return digital.DataOffset.Text() == "42"; }},
        {limiter, limiter.LimiterI2C, 14, 0xFF, [&] { return limiter.AttackText.Caption() == "2510 us"; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.form.Caption());
        AttachCopyingPeers(row.form);
        host.Connect(row.window);
        auto* record = reinterpret_cast<QM7140RegisterWindow*>(&row.window);
        int failures = 0;
        for (long n = 0;; ++n) {
            host.Set(row.window, row.reg, 0);  // every control moves again below
            host.regs[row.reg] = row.value;
            failed = false;
            budget = n;
            record->Ops->RegisterChanged(record, 128, 0, row.reg);
            budget = -1;
            ASSERT_EQ(row.window.WriteCallback, &TestHost::Write) << n;
            if (!failed) break;
            ++failures;
        }
        EXPECT_TRUE(row.reloaded());
        EXPECT_GT(failures, 1);
    }
    EXPECT_TRUE(host.writes.empty()) << "a reload writes nothing, failed or not";
    limiter.LimMode.userClick();
    EXPECT_EQ(host.writes.size(), 1u);
}

// A drawing layer that throws at any one step: the graph object's draw returns, deletes
// what it made (all but what the layer itself failed to delete), and draws in full next.
TEST(Exceptions, ADrawThatThrowsStopsInsideTheObject) {
    for (const char* step : {"CreateFromHDC", "SetSmoothingMode", "CreatePen1", "CreatePath", "AddPathArcI",
                             "CreateSolidFill", "FillPath", "DrawPath", "DeleteBrush", "DeletePath", "DeletePen"}) {
        SCOPED_TRACE(step);
        TLCursor cursor;
        cursor.SetCenter(20, 20);
        cursor.FillStyle = 2;
        platform::RecordingCanvas canvas;
        canvas.Recorder().throwing = step;
        cursor.Paint(&canvas);
        EXPECT_EQ(canvas.Recorder().Live(), std::string_view(step).starts_with("Delete") ? 1 : 0);
        EXPECT_EQ(canvas.LockDepth(), 0);
        canvas.Recorder().throwing.clear();
        canvas.calls.clear();
        cursor.Paint(&canvas);
        EXPECT_EQ(std::count_if(canvas.calls.begin(), canvas.calls.end(),
                                [](const std::string& c) { return c.starts_with("DrawPath g") && c.find("null") == std::string::npos; }),
                  1);
    }
}

}  // namespace
