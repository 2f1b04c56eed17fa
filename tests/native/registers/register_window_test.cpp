#include "dialogs/tboost.h"
#include "dialogs/tdigitalcontrol.h"
#include "dialogs/tlimiter.h"
#include "host_fixture.h"
#include "host/common/module/module.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
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

TEST(RegisterWindow, RangeEndsAreInclusiveAndAddressAndPageMustMatch) {
    CountingForm f;
    TestHost h;
    h.Connect(f.window);
    f.window.RegisterChanged(128, 0, 20);
    EXPECT_EQ(f.reloads, 1);
    f.window.RegisterChanged(128, 0, 21);
    f.window.RegisterChanged(129, 0, 2);
    f.window.RegisterChanged(128, 1, 2);
    f.window.RegisterChanged(128, 0, 0xFFFFFFFFu);
    EXPECT_EQ(f.reloads, 1);
    f.window.FirstRegister = 5;
    f.window.RegisterChanged(128, 0, 4);
    EXPECT_EQ(f.reloads, 1);
    f.window.RegisterChanged(128, 0, 5);
    f.window.RegisterChanged(128, 0, 25);
    EXPECT_EQ(f.reloads, 3);
}

TEST(RegisterWindow, RangeArithmeticIsUnsignedAndWraps) {
    CountingForm f;
    TestHost h;
    h.Connect(f.window);
    // No registers: the last one is 0 - 1, that is every register from 0 on.
    f.window.RegisterCount = 0;
    f.window.RegisterChanged(128, 0, 0xFFFFFFFFu);
    EXPECT_EQ(f.reloads, 1);
}

TEST(RegisterWindow, ReloadRunsWithTheCallbackParkedAndRestoresIt) {
    CountingForm f;
    TestHost h;
    h.Connect(f.window);
    f.window.RegisterChanged(128, 0, 2);
    EXPECT_EQ(f.callbackDuringReload, nullptr);
    EXPECT_EQ(f.window.WriteCallback, &host::RegisterHost::Written);
    EXPECT_EQ(f.window.SavedWriteCallback, &host::RegisterHost::Written);

    // The saved callback survives the host clearing its own, and comes back after a reload.
    f.window.WriteCallback = nullptr;
    f.window.RegisterChanged(128, 0, 2);
    EXPECT_EQ(f.window.WriteCallback, &host::RegisterHost::Written);
}

TEST(RegisterWindow, NullCacheIgnoresNotificationsAndWrites) {
    CountingForm f;
    TestHost h;
    h.Connect(f.window);
    f.window.Cache = nullptr;
    f.window.RegisterChanged(128, 0, 2);
    f.window.WriteBits(2, 0x40, 0x40);
    EXPECT_EQ(f.reloads, 0);
    EXPECT_TRUE(h.writes.empty());
    EXPECT_EQ(f.window.ReadRegister(2), 0);
}

TEST(RegisterWindow, MaskedWriteArithmeticAndOneCallbackPerWrite) {
    CountingForm f;
    TestHost h;
    h.Connect(f.window);
    f.window.WriteBits(2, 0x40, 0x40);
    EXPECT_EQ(h.regs[2], 0x40);
    ASSERT_EQ(h.writes.size(), 1u);
    EXPECT_EQ(h.writes[0].context, h.Context());
    EXPECT_EQ(h.writes[0].address, 128);
    EXPECT_EQ(h.writes[0].page, 0);
    EXPECT_EQ(h.writes[0].reg, 2u);
    EXPECT_EQ(h.writes[0].count, 1);
    EXPECT_EQ(h.writes[0].value, 0x40) << "the cache changes before the callback runs";
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

TEST(RegisterWindow, PlaceholderHoldsRegisterZeroAlone) {
    CountingForm f;
    TestHost h;
    h.Connect(f.window);
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

TEST(RegisterWindow, GuardedWindowDropsWritesWithoutCallbackUnguardedKeepsThem) {
    TBoostForm boost;
    TDigitalControlForm digital;
    TLimiterForm limiter;
    std::array<uint8_t, 256> regs{};
    for (TI2CObject* w : std::initializer_list<TI2CObject*>{&boost.BoostI2C, &digital.DigitalControlI2C, &limiter.LimiterI2C})
        w->Cache = regs.data();
    boost.BoostI2C.WriteBits(2, 0x40, 0x40);
    limiter.LimiterI2C.WriteBits(11, 0x12, 0xFF);
    EXPECT_EQ(regs[2], 0);
    EXPECT_EQ(regs[11], 0);
    digital.DigitalControlI2C.WriteBits(3, 0x80, 0x80);
    EXPECT_EQ(regs[3], 0x80);
}

TEST(RegisterWindow, CallbackThatNotifiesGetsOneReloadAndNoSecondCallback) {
    CountingForm f;
    TestHost h;
    h.Connect(f.window);
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

TEST(RegisterWindow, WindowsOfTheThreeDialogs) {
    TBoostForm boost;
    TDigitalControlForm digital;
    TLimiterForm limiter;
    EXPECT_EQ(boost.BoostI2C.RegisterCount, 21u);
    EXPECT_EQ(digital.DigitalControlI2C.RegisterCount, 32u);
    EXPECT_EQ(limiter.LimiterI2C.RegisterCount, 16u);
    EXPECT_EQ(boost.BoostI2C.OwnerDialog, &boost);
    EXPECT_EQ(digital.DigitalControlI2C.OwnerDialog, &digital);
    EXPECT_EQ(limiter.LimiterI2C.OwnerDialog, &limiter);
}

}  // namespace

namespace {

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
