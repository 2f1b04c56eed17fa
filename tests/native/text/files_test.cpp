// Files replaced whole.
#include "host/common/text/files.h"
#include "host/common/text/parse.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

TEST(Files, AnOwnersFileIsTheOwnersAloneAndNoWriteFollowsALinkAtItsTemporary) {
    namespace fs = std::filesystem;
    const fs::path file = fs::temp_directory_path() / ("qm7140-key-" + std::to_string(getpid()) + ".pem");
    const fs::path temporary = file.string() + ".tmp" + std::to_string(getpid());
    std::ofstream(temporary) << "stale";
    fs::permissions(temporary, fs::perms::all);
    host::WriteReplacing(file, "secret", host::FileAccess::OwnerOnly);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(host::ReadBounded(file, 64), "secret");
    EXPECT_FALSE(fs::exists(temporary));

    const fs::path elsewhere = file.string() + ".elsewhere";
    std::ofstream(elsewhere) << "untouched";
    fs::create_symlink(elsewhere, temporary);
    EXPECT_THROW(host::WriteReplacing(file, "new"), host::CommandError);
    EXPECT_EQ(host::ReadBounded(elsewhere, 64), "untouched");
    EXPECT_EQ(host::ReadBounded(file, 64), "secret");
    for (const fs::path& p : {file, temporary, elsewhere}) fs::remove(p);
}

}  // namespace
