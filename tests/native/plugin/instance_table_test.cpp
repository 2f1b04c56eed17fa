// The instance table from inside: what a host cannot see directly.
#include "graph/tguiobject.h"
#include "plugin/csapi.h"

#include <gtest/gtest.h>

namespace {

struct InstanceTable : ::testing::Test {
    void SetUp() override { csapi::Attach(); }
    void TearDown() override { csapi::Detach(); }
};

int LiveForms() { return platform::Form::LocalScreen().forms; }

TEST_F(InstanceTable, SlotsFillInOrderAndFreeingClearsEverySlotHoldingTheHandle) {
    const int forms = LiveForms();
    TQM7140Forms* a = csapi::Init();
    TQM7140Forms* b = csapi::Init();
    EXPECT_EQ(LiveForms(), forms + 6);
    auto& t = csapi::Table();
    EXPECT_EQ(t.InstanceCount, 2);
    EXPECT_EQ(t.Instances[0], a);
    EXPECT_EQ(t.Instances[1], b);
    // A table the host never sees could hold a handle twice; every copy is cleared.
    t.Instances[7] = a;
    csapi::FreeCodecInstance(*a);
    EXPECT_EQ(LiveForms(), forms + 3);
    EXPECT_EQ(t.Instances[0], nullptr);
    EXPECT_EQ(t.Instances[7], nullptr);
    EXPECT_EQ(t.InstanceCount, 2);
    EXPECT_EQ(t.Instances[1], b);
    csapi::Detach();
    EXPECT_EQ(LiveForms(), forms);
}

TEST_F(InstanceTable, DetachEmptiesTheTableAndAttachStartsAgain) {
    csapi::Init();
    csapi::Detach();
    EXPECT_EQ(csapi::Table().Instances[0], nullptr);
    csapi::Attach();
    EXPECT_EQ(csapi::Table().InstanceCount, 0);
    for (int i = 0; i < 16; ++i) ASSERT_NE(csapi::Init(), nullptr);
    EXPECT_EQ(csapi::Init(), nullptr);
    EXPECT_EQ(csapi::Table().InstanceCount, 16);
}

TEST_F(InstanceTable, OneRowPerDialogGivesItsFormAndWindow) {
    TQM7140Forms& h = *csapi::Init();
    const platform::Form* forms[] = {h.DigitalControlDlg.get(), h.LimiterDlg.get(), h.BoostDlg.get()};
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(&csapi::kDialogs[i].form(h), forms[i]);
        EXPECT_EQ(csapi::kDialogs[i].window(h).ReadRegister(0), 0);
        EXPECT_EQ(static_cast<QM7140RegisterWindow*>(static_cast<void*>(csapi::GetI2CObject(h, i)))->OwnerDialog, forms[i]);
    }
}

TEST_F(InstanceTable, ShowDialogLinksTheGraphObjectAndSelectMenuLeavesIt) {
    TQM7140Forms& h = *csapi::Init();
    TLCursor object, other;
    EXPECT_EQ(h.DigitalControlDlg->ActiveGraphObject, nullptr);
    csapi::ShowDialog(h, "DigitalControl", &object);
    EXPECT_EQ(h.DigitalControlDlg->ActiveGraphObject, &object);
    csapi::ShowDialog(h, "Boost", &other);
    csapi::ShowDialog(h, "Digital Control", &other);
    csapi::SelectMenu(h, 0);
    EXPECT_EQ(h.DigitalControlDlg->ActiveGraphObject, &object);
    csapi::ShowDialog(h, "DIGITALCONTROL", nullptr);
    EXPECT_EQ(h.DigitalControlDlg->ActiveGraphObject, nullptr);
    EXPECT_TRUE(h.DigitalControlDlg->Visible());
}

}  // namespace
