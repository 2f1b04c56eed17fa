// The dialogs' names every host goes by.
#include "host/common/module/dialogs.h"

#include "host/common/text/parse.h"

#include <gtest/gtest.h>

namespace {

TEST(Dialogs, FoundByKeyOrShowNameInAnyCaseAndNothingElse) {
    const struct {
        const char* name;
        int32_t index;
    } found[] = {{"digital", QM7140_DIALOG_DIGITAL_CONTROL}, {"DIGITALCONTROL", QM7140_DIALOG_DIGITAL_CONTROL},
                 {"Limiter", QM7140_DIALOG_LIMITER},         {"boost", QM7140_DIALOG_BOOST},
                 {"bOOST", QM7140_DIALOG_BOOST}};
    for (const auto& f : found) EXPECT_EQ(host::FindDialog(f.name).index, f.index) << f.name;
    for (const char* miss : {"", "Digital Control", "boost ", "Limiter...", "dig"}) {
        try {
            host::FindDialog(miss);
            ADD_FAILURE() << miss;
        } catch (const host::CommandError& e) {
            EXPECT_STREQ(e.what(), ("unknown dialog " + host::Quoted(miss) + " (digital, limiter or boost)").c_str());
        }
    }
    ASSERT_EQ(host::Dialogs().size(), size_t{QM7140_DIALOG_COUNT});
    EXPECT_EQ(host::Dialogs()[QM7140_DIALOG_LIMITER].showName, "Limiter");
}

}  // namespace
