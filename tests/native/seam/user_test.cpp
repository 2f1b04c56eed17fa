// The user's actions through the UI seam that every host shares.
#include "host/common/seam/user.h"

#include <gtest/gtest.h>

namespace {

TEST(SeamCaptions, ShowAsWindowsDrawsThem) {
    EXPECT_EQ(host::user::ShownCaption("Shutdown Control && PLL"), "Shutdown Control & PLL");
    EXPECT_EQ(host::user::ShownCaption("&Mode"), "Mode");
    EXPECT_EQ(host::user::ShownCaption("A&&&B"), "A&B");
    EXPECT_EQ(host::user::ShownCaption("plain"), "plain");
    EXPECT_EQ(host::user::ShownCaption("end &"), "end &");
}

}  // namespace
