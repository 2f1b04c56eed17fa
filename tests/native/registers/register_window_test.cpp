#include "dialogs/tboost.h"
#include "dialogs/tdigitalcontrol.h"
#include "dialogs/tlimiter.h"
#include "host_fixture.h"
#include "host/common/module/module.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

namespace {

// A window whose reload only counts, so the window's own rules can be seen alone.
struct CountingForm;
struct CountingWindow final : TDialogI2C<CountingForm, WriteGuard::Unguarded> {
    CountingWindow(CountingForm* f, uint32_t count) : TDialogI2C(f, count) {}
};
struct CountingForm {
    int reloads = 0;
    I2CWriteCallback callbackDuringReload = nullptr;
    CountingWindow window{this, 21};
    void ReloadControls() {
        ++reloads;
        callbackDuringReload = window.WriteCallback;
    }
};

TEST(RegisterWindow, ConstructionStartsOnThePlaceholderWithNothingInstalled) {
    CountingForm f;
    EXPECT_EQ(f.window.DeviceAddress, 128);
    EXPECT_EQ(f.window.Page, 0);
    EXPECT_EQ(f.window.FirstRegister, 0u);
    EXPECT_EQ(f.window.RegisterCount, 21u);
    EXPECT_EQ(f.window.Cache, &f.window.InlineCache);
    EXPECT_EQ(f.window.InlineCache, 0);
    EXPECT_EQ(f.window.WriteCallback, nullptr);
    EXPECT_EQ(f.window.SavedWriteCallback, nullptr);
    EXPECT_EQ(f.window.SpareWord1, 0);
    EXPECT_EQ(f.window.CallbackContext, 0);
    EXPECT_EQ(f.window.OwnerDialog, &f);
}

// A counting window connected to a host.
struct ConnectedWindow : ::testing::Test {
    CountingForm f;
    TestHost h;
    void SetUp() override { h.Connect(f.window); }
};

// Which notifications reach the dialog: the range's ends are inclusive, its arithmetic
// unsigned (no registers at all is every register from the first on), and the device
// address and page must match.
TEST_F(ConnectedWindow, ANotificationReloadsForTheWindowsOwnRegistersOnly) {
    struct Case {
        uint32_t first, count;
        int32_t address, page;
        uint32_t reg;
        bool reloads;
    };
    const Case cases[] = {
        {0, 21, 128, 0, 20, true},           {0, 21, 128, 0, 21, false}, {0, 21, 129, 0, 2, false},
        {0, 21, 128, 1, 2, false},           {0, 21, 128, 0, 0xFFFFFFFFu, false},
        {5, 21, 128, 0, 4, false},           {5, 21, 128, 0, 5, true},   {5, 21, 128, 0, 25, true},
        {5, 21, 128, 0, 26, false},          {0, 0, 128, 0, 0xFFFFFFFFu, true},
    };
    for (const Case& c : cases) {
        f.reloads = 0;
        f.window.FirstRegister = c.first;
        f.window.RegisterCount = c.count;
        f.window.RegisterChanged(c.address, c.page, c.reg);
        EXPECT_EQ(f.reloads, c.reloads ? 1 : 0) << c.first << "+" << c.count << " " << c.address << "/" << c.page << " reg " << c.reg;
    }
}

// Each dialog's window, reached through the header's record: it belongs to its dialog and
// covers that dialog's registers and no more. A reload parks the callback, so the record
// shows whether a notification reached the dialog.
TEST(RegisterWindow, EachDialogsWindowCoversItsRegistersAndNoMore) {
    TBoostForm boost;
    TDigitalControlForm digital;
    TLimiterForm limiter;
    const struct {
        TI2CObject& window;
        const void* dialog;
        const void* owner;
        uint32_t count;
    } rows[] = {
        {boost.BoostI2C, &boost, boost.BoostI2C.OwnerDialog, 21},
        {digital.DigitalControlI2C, &digital, digital.DigitalControlI2C.OwnerDialog, 32},
        {limiter.LimiterI2C, &limiter, limiter.LimiterI2C.OwnerDialog, 16},
    };
    for (const auto& row : rows) {
        TestHost h;
        h.Connect(row.window);
        EXPECT_EQ(row.owner, row.dialog) << row.count;
        EXPECT_EQ(row.window.RegisterCount, row.count);
        row.window.RegisterChanged(128, 0, row.count);
        EXPECT_EQ(row.window.SavedWriteCallback, nullptr) << row.count << " is past the window";
        row.window.RegisterChanged(128, 0, row.count - 1);
        EXPECT_EQ(row.window.SavedWriteCallback, &host::RegisterHost::Written) << row.count;
        EXPECT_TRUE(h.writes.empty()) << row.count;
    }
}

TEST_F(ConnectedWindow, ReloadRunsWithTheCallbackParkedAndRestoresIt) {
    f.window.RegisterChanged(128, 0, 2);
    EXPECT_EQ(f.callbackDuringReload, nullptr);
    EXPECT_EQ(f.window.WriteCallback, &host::RegisterHost::Written);
    EXPECT_EQ(f.window.SavedWriteCallback, &host::RegisterHost::Written);

    // The saved callback survives the host clearing its own, and comes back after a reload.
    f.window.WriteCallback = nullptr;
    f.window.RegisterChanged(128, 0, 2);
    EXPECT_EQ(f.window.WriteCallback, &host::RegisterHost::Written);
}

TEST_F(ConnectedWindow, NullCacheIgnoresNotificationsAndWrites) {
    f.window.Cache = nullptr;
    f.window.RegisterChanged(128, 0, 2);
    f.window.WriteBits(2, 0x40, 0x40);
    EXPECT_EQ(f.reloads, 0);
    EXPECT_TRUE(h.writes.empty());
    EXPECT_EQ(f.window.ReadRegister(2), 0);
}

TEST_F(ConnectedWindow, MaskedWriteArithmeticAndOneCallbackPerWrite) {
    f.window.WriteBits(2, 0x40, 0x40);
    EXPECT_EQ(h.regs[2], 0x40);
    ASSERT_EQ(h.writes.size(), 1u);
    // The cache changes before the callback runs.
    EXPECT_EQ(h.writes[0], (BusWrite{128, 0, 2, 1, 0x40, h.Context()}));
    f.window.WriteBits(2, 0x00, 0x40);
    EXPECT_EQ(h.regs[2], 0x00);
    h.regs[3] = 0xF0;
    f.window.WriteBits(3, 0x03, 0x0C);
    EXPECT_EQ(h.regs[3], 0xF3) << "value bits outside the mask are not masked off";
    f.window.WriteBits(255, 0xAA, 0xFF);
    EXPECT_EQ(h.regs[255], 0xAA);
    EXPECT_EQ(h.writes.back().reg, 255u);
    EXPECT_EQ(h.writes.size(), 4u);
}

TEST_F(ConnectedWindow, PlaceholderHoldsRegisterZeroAlone) {
    f.window.Cache = &f.window.InlineCache;
    f.window.WriteBits(0, 0x81, 0xFF);
    EXPECT_EQ(f.window.InlineCache, 0x81);
    EXPECT_EQ(h.writes.size(), 1u);
    // Anything else has nowhere to land: no memory changes and nothing is reported.
    const std::array<uint8_t, 3> filler{f.window.Filler[0], f.window.Filler[1], f.window.Filler[2]};
    f.window.WriteBits(20, 0xFF, 0xFF);
    f.window.WriteBits(1, 0xFF, 0xFF);
    EXPECT_EQ(h.writes.size(), 1u);
    EXPECT_EQ(f.window.Filler[0], filler[0]);
    EXPECT_EQ(f.window.ReadRegister(0), 0x81);
    EXPECT_EQ(f.window.ReadRegister(20), 0);
}

// With a cache but no callback, a user's change in Boost or Limiter is dropped (the control
// still shows it); Digital Control keeps it in the cache.
TEST(RegisterWindow, GuardedWindowDropsWritesWithoutCallbackUnguardedKeepsThem) {
    TBoostForm boost;
    TDigitalControlForm digital;
    TLimiterForm limiter;
    std::array<uint8_t, 256> regs{};
    const struct {
        TI2CObject& window;
        platform::CheckBox& box;
        uint8_t reg, after;
    } rows[] = {
        {boost.BoostI2C, boost.EnableBoost, 2, 0},
        {limiter.LimiterI2C, limiter.Enable, 2, 0},
        {digital.DigitalControlI2C, digital.Mute, 1, 0x04},
    };
    for (const auto& row : rows) {
        row.window.Cache = regs.data();
        row.box.userClick();
        EXPECT_TRUE(row.box.Checked()) << row.box.Name();
        EXPECT_EQ(regs[row.reg], row.after) << row.box.Name();
    }
    boost.APTThreshold.userSelect(3);
    limiter.LimiterI2C.WriteBits(11, 0x12, 0xFF);
    EXPECT_EQ(regs[20], 0);
    EXPECT_EQ(regs[11], 0);
}

TEST_F(ConnectedWindow, CallbackThatNotifiesGetsOneReloadAndNoSecondCallback) {
    static CountingWindow* window = &f.window;
    f.window.WriteCallback = [](intptr_t c, int32_t a, int32_t p, uint32_t r, int32_t n) {
        host::RegisterHost::Written(c, a, p, r, n);
        window->RegisterChanged(a, p, r);
    };
    f.window.WriteBits(2, 0x40, 0x40);
    EXPECT_EQ(f.reloads, 1);
    EXPECT_EQ(h.writes.size(), 1u);
    EXPECT_EQ(f.callbackDuringReload, nullptr);
}

// The host calls the operation table's first slot with the window as first argument.
TEST(RegisterWindow, OperationTableSlotsAreCalledAsPlainFunctions) {
    TBoostForm form;
    TestHost host;
    host.Connect(form.BoostI2C);
    host.regs[2] = 0x40;
    auto* record = reinterpret_cast<QM7140RegisterWindow*>(&form.BoostI2C);
    void (*volatile changed)(QM7140RegisterWindow*, int32_t, int32_t, uint32_t) = record->Ops->RegisterChanged;
    changed(record, 128, 0, 2);
    EXPECT_TRUE(form.EnableBoost.Checked());
    host.regs[2] = 0;
    void (*volatile reload)(QM7140RegisterWindow*) = record->Ops->ReloadControls;
    reload(record);
    EXPECT_FALSE(form.EnableBoost.Checked());
}

// A host may clear a window's OwnerDialog (the record is its to write): a notification then
// does nothing, and the callback stays in place.
TEST(RegisterWindow, AWindowWhoseOwnerDialogWasClearedReloadsNothing) {
    host::Module m(QM7140_LIBRARY);
    for (int32_t dialog = 0; dialog < 3; ++dialog) {
        QM7140RegisterWindow* w = m.GetI2CObject(m.Init(0, 0, 0, 0), dialog);
        w->WriteCallback = &host::RegisterHost::Written;
        w->OwnerDialog = nullptr;
        for (uint32_t reg = 0; reg < w->RegisterCount; ++reg) w->Ops->RegisterChanged(w, 128, 0, reg);
        w->Ops->ReloadControls(w);
        EXPECT_EQ(w->WriteCallback, &host::RegisterHost::Written) << dialog;
    }
}

}  // namespace
