// Windows share modes: the tag unit must not read a file that is being written, and must not
// write a file that anyone else holds open (the player included).
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "tests/tags/tag_bytes.h"

using namespace tag_bytes;
using test_support::ReadBytes;
using test_support::TempDir;
using test_support::WriteBytes;

namespace {

const Bytes kAudio = Bytes(5000, 0x55);

TID3v2 TitleOnly(const char* title) {
    TID3v2 tag;
    tag.SetTitle(title);
    return tag;
}

}  // namespace

TEST(Sharing, FileHeldOpenElsewhereIsNotWrittenAndNoTemporaryIsLeft) {
    TempDir dir;
    const std::u16string path = dir.File("song.mp3");
    // One file for each way: room for the tag in place, and a rebuild.
    for (const Bytes& original : {Tag(3, {Frame("TIT2", Latin1("Old"))}, 500) + kAudio, kAudio}) {
        WriteBytes(dir.Native("song.mp3"), original);
        for (bool readerHolds : {true, false}) {
            platform::File other;
            ASSERT_TRUE(readerHolds ? other.OpenShareRead(path) : other.OpenExclusive(path));
            EXPECT_FALSE(TitleOnly("New").WriteTag(path));
            other.Close();
            EXPECT_EQ(ReadBytes(dir.Native("song.mp3")), original);
            EXPECT_FALSE(std::filesystem::exists(dir.Native("song.mp3~")));
        }
        ASSERT_TRUE(TitleOnly("New").WriteTag(path));  // and once released, it works
    }
}

TEST(Sharing, FileHeldOpenForWritingCannotBeReadButOtherReadersAreNoObstacle) {
    TempDir dir;
    const std::u16string path = dir.File("song.mp3");
    WriteBytes(dir.Native("song.mp3"), Tag(3, {Frame("TIT2", Latin1("Song"))}) + kAudio);
    TID3v2 tag;
    {
        platform::File reader;
        ASSERT_TRUE(reader.OpenShareRead(path));
        ASSERT_TRUE(tag.ReadTag(path));
        EXPECT_EQ(tag.Title, "Song");
    }
    platform::File writer;
    ASSERT_TRUE(writer.OpenExclusive(path));
    EXPECT_FALSE(tag.ReadTag(path));
    EXPECT_FALSE(tag.TagPresent);
    EXPECT_EQ(tag.Title, "");
}

TEST(Sharing, ReadOnlyFileIsWrittenAndLosesItsReadOnlyAttribute) {
    TempDir dir;
    const std::u16string path = dir.File("song.mp3");
    for (const Bytes& original : {Tag(3, {}, 300) + kAudio, kAudio}) {
        WriteBytes(dir.Native("song.mp3"), original);
        // On Windows, taking every write permission away sets the read-only attribute.
        std::filesystem::permissions(dir.Native("song.mp3"), std::filesystem::perms::all,
                                     std::filesystem::perm_options::remove);
        ASSERT_EQ(std::filesystem::status(dir.Native("song.mp3")).permissions() &
                      std::filesystem::perms::owner_write,
                  std::filesystem::perms::none);
        ASSERT_TRUE(TitleOnly("Song").WriteTag(path));
        const auto perms = std::filesystem::status(dir.Native("song.mp3")).permissions();
        EXPECT_NE(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none);
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Title, "Song");
    }
}
