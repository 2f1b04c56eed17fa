// The register windows as the host sees them: fields by offset, slot 0 by pointer.
#include "instance_test.h"
#include "test_host.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kRegisterCount[] = {32, 16, 21};  // by dialog index

using RegisterWindows = InstanceTest;

TEST_F(RegisterWindows, StartAsDocumentedBeforeTheHostConnects) {
    for (int32_t dialog = 0; dialog < 3; ++dialog) {
        SCOPED_TRACE(dialog);
        QM7140RegisterWindow* window = module.GetI2CObject(instance, dialog);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(module.GetI2CObject(instance, dialog), window);
        ASSERT_NE(window->Ops, nullptr);
        EXPECT_NE(window->Ops->RegisterChanged, nullptr);
        EXPECT_NE(window->Ops->ReloadControls, nullptr);
        EXPECT_EQ(window->DeviceAddress, 128);
        EXPECT_EQ(window->Page, 0);
        EXPECT_EQ(window->FirstRegister, 0u);
        EXPECT_EQ(window->RegisterCount, kRegisterCount[dialog]);
        EXPECT_EQ(window->Cache, &window->InlineCache);
        EXPECT_EQ(window->InlineCache, 0);
        EXPECT_EQ(window->SavedWriteCallback, nullptr);
        EXPECT_EQ(window->WriteCallback, nullptr);
        EXPECT_EQ(window->SpareWord1, 0);
        EXPECT_EQ(window->CallbackContext, 0);
        EXPECT_NE(window->OwnerDialog, nullptr);
    }
    EXPECT_EQ(module.GetI2CObject(instance, 3), nullptr);
}

// A reload parks the callback in SavedWriteCallback, so the record itself shows whether a
// notification reached the dialog; a slot called with the wrong convention would read its
// arguments from the wrong places and get every case below wrong.
TEST_F(RegisterWindows, SlotZeroReloadsExactlyForTheWindowsOwnRegisters) {
    TestHost hosts[3];
    for (int32_t dialog = 0; dialog < 3; ++dialog) {
        SCOPED_TRACE(dialog);
        QM7140RegisterWindow* window = module.GetI2CObject(instance, dialog);
        TestHost& host = hosts[dialog];
        host.Connect(*window);
        const uint32_t past = kRegisterCount[dialog];

        NotifyChanged(window, 128, 0, past);
        NotifyChanged(window, 129, 0, 0);
        NotifyChanged(window, 128, 1, 0);
        NotifyChanged(window, 128, 0, 0xFFFFFFFFu);
        EXPECT_EQ(window->SavedWriteCallback, nullptr) << "a notification outside the window reloaded";

        NotifyChanged(window, 128, 0, past - 1);
        EXPECT_EQ(window->SavedWriteCallback, &host::RegisterHost::Written);
        EXPECT_EQ(window->WriteCallback, &host::RegisterHost::Written);
        EXPECT_TRUE(host.writes.empty());
        for (uint8_t byte : host.cache) EXPECT_EQ(byte, 0);

        // A host that unhooked its callback gets the parked one back from the next reload.
        window->WriteCallback = nullptr;
        NotifyChanged(window, 128, 0, 0);
        EXPECT_EQ(window->WriteCallback, &host::RegisterHost::Written);
    }
}

}  // namespace
