#include "platform/Files.h"

#include "common/TestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(FilesTest, WholeFileWriteReplacesAndLeavesNoTemporary) {
    testutil::TempDir dir;
    std::u16string path = dir.Write("store.dct", "old contents");
    ASSERT_TRUE(platform::WriteWholeFile(path, std::string("new\0bytes", 9)));
    EXPECT_EQ(platform::ReadWholeFile(path), std::string("new\0bytes", 9));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "store.dct.tmp"));
}

TEST(FilesTest, FailedWriteKeepsTheOldFile) {
    testutil::TempDir dir;
    std::u16string path = dir.Write("store.dct", "old contents");
    // A folder where the temporary file should go makes the write fail.
    std::filesystem::create_directory(dir.Path() / "store.dct.tmp");
    EXPECT_FALSE(platform::WriteWholeFile(path, "new"));
    EXPECT_EQ(platform::ReadWholeFile(path), "old contents");
}

TEST(FilesTest, MissingFileReadsAsNothing) {
    testutil::TempDir dir;
    EXPECT_FALSE(platform::ReadWholeFile(dir.File("absent")).has_value());
    EXPECT_FALSE(platform::FileExists(dir.File("absent")));
}

TEST(FilesTest, ReadStopsAtItsLimitWithoutReadingTheRest) {
    testutil::TempDir dir;
    const std::string bytes(40000, 'x'); // more than one read buffer
    std::u16string path = dir.Write("big.png", bytes);
    EXPECT_EQ(platform::ReadWholeFile(path, bytes.size()), bytes);
    EXPECT_FALSE(platform::ReadWholeFile(path, bytes.size() - 1).has_value());
    EXPECT_FALSE(platform::ReadWholeFile(path, 100).has_value());
}

} // namespace
