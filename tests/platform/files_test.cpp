#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

using platform::File;
using test_support::ReadBytes;
using test_support::TempDir;
using test_support::WriteBytes;

TEST(Files, ReadWriteSeekAndLength) {
    TempDir dir;
    File file;
    ASSERT_TRUE(file.CreateExclusive(dir.File("a.bin")));
    ASSERT_TRUE(file.WriteAll("hello world", 11));
    EXPECT_EQ(file.Length(), 11);
    ASSERT_TRUE(file.Seek(6));
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    EXPECT_TRUE(file.Flush());
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Read(buffer, 1), -1);
}

TEST(Files, OpeningMissingFilesAndDirectoriesFails) {
    TempDir dir;
    File file;
    EXPECT_FALSE(file.OpenShareRead(dir.File("missing")));
    EXPECT_FALSE(file.OpenExclusive(dir.File("missing")));
    std::filesystem::create_directory(dir.Native("sub"));
    EXPECT_FALSE(platform::IsExistingFile(dir.File("sub")));
    EXPECT_FALSE(platform::IsExistingFile(dir.File("missing")));
    WriteBytes(dir.Native("x"), {1});
    EXPECT_TRUE(platform::IsExistingFile(dir.File("x")));
}

TEST(Files, CreateReplacesAnExistingFile) {
    TempDir dir;
    WriteBytes(dir.Native("t"), {1, 2, 3});
    File file;
    ASSERT_TRUE(file.CreateExclusive(dir.File("t")));
    EXPECT_EQ(file.Length(), 0);
}

TEST(Files, ReplaceAndDelete) {
    TempDir dir;
    WriteBytes(dir.Native("old"), {1});
    WriteBytes(dir.Native("new"), {2, 2});
    ASSERT_TRUE(platform::ReplaceFilePath(dir.File("new"), dir.File("old")));
    EXPECT_EQ(ReadBytes(dir.Native("old")), (std::vector<unsigned char>{2, 2}));
    EXPECT_FALSE(std::filesystem::exists(dir.Native("new")));
    ASSERT_TRUE(platform::DeleteFilePath(dir.File("old")));
    EXPECT_FALSE(platform::DeleteFilePath(dir.File("old")));
}

TEST(Files, ClearingAttributesMakesAReadOnlyFileWritable) {
    TempDir dir;
    WriteBytes(dir.Native("ro"), {1});
    std::filesystem::permissions(dir.Native("ro"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    ASSERT_TRUE(platform::ClearAttributes(dir.File("ro")));
    File file;
    EXPECT_TRUE(file.OpenExclusive(dir.File("ro")));
    EXPECT_FALSE(platform::ClearAttributes(dir.File("missing")));
}

TEST(Files, UnicodeNamesWork) {
    TempDir dir;
    File file;
    ASSERT_TRUE(file.CreateExclusive(dir.File("\xD0\x96\xC3\xA9.mp3")));
    file.Close();
    EXPECT_TRUE(platform::IsExistingFile(dir.File("\xD0\x96\xC3\xA9.mp3")));
}

#ifdef _WIN32
TEST(FileSharing, ReadersShareOnlyWithReadersAndExclusiveSharesWithNobody) {
    TempDir dir;
    WriteBytes(dir.Native("s"), {1, 2, 3});
    File reader, second;
    ASSERT_TRUE(reader.OpenShareRead(dir.File("s")));
    EXPECT_TRUE(second.OpenShareRead(dir.File("s")));
    EXPECT_FALSE(File().OpenExclusive(dir.File("s")));
    reader.Close();
    second.Close();
    File writer;
    ASSERT_TRUE(writer.OpenExclusive(dir.File("s")));
    EXPECT_FALSE(File().OpenShareRead(dir.File("s")));
    WriteBytes(dir.Native("r"), {9});
    EXPECT_FALSE(platform::ReplaceFilePath(dir.File("r"), dir.File("s")));  // target held open
    writer.Close();
    EXPECT_TRUE(platform::ReplaceFilePath(dir.File("r"), dir.File("s")));
}
#endif
