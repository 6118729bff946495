// Header and size rules of ReadTag: what counts as a tag, how long it is, when it is skipped.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "tests/tags/tag_bytes.h"

using namespace tag_bytes;
using test_support::TempDir;

namespace {

void ExpectEmptyTexts(const TID3v2& tag) {
    for (const std::string* text : {&tag.Title, &tag.Artist, &tag.Album, &tag.TrackText, &tag.Year,
                                    &tag.Genre, &tag.Comment, &tag.Composer, &tag.EncodedBy,
                                    &tag.RightsNotice, &tag.Language, &tag.UserUrl,
                                    &tag.AudioSizeText}) {
        EXPECT_EQ(*text, "");
    }
    EXPECT_EQ(tag.TrackNumber, 0);
}

const Bytes kAudio = FromText("\xFF\xFB\x90\x64 audio frames follow");

}  // namespace

TEST(ReadHeader, SmallestExampleTagGivesTitleAndNothingElse) {
    TempDir dir;
    const Bytes file{0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x54, 0x49, 0x54,
                     0x32, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x53, 0x6F, 0x6E, 0x67};
    bool ok = false;
    TID3v2 tag = ReadAsFile(dir, file + kAudio, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(tag.TagPresent);
    EXPECT_EQ(tag.MajorVersion, 3);
    EXPECT_EQ(tag.TotalSize, 25);
    EXPECT_EQ(tag.Title, "Song");
    tag.Title.clear();
    ExpectEmptyTexts(tag);
}

TEST(ReadHeader, FileWithoutTagIsReadButHasNoTag) {
    TempDir dir;
    bool ok = false;
    TID3v2 tag = ReadAsFile(dir, kAudio, &ok);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(tag.TagPresent);
    EXPECT_EQ(tag.MajorVersion, 0);
    EXPECT_EQ(tag.TotalSize, 0);
    // The magic must match exactly.
    tag = ReadAsFile(dir, FromText("id3") + Tag(3, {Frame("TIT2", Latin1("x"))}), &ok);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(tag.TagPresent);
}

TEST(ReadHeader, MissingOrShortFilesFailAndLeaveTheFieldsCleared) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1("Old"))}));
    ASSERT_EQ(tag.Title, "Old");
    EXPECT_FALSE(tag.ReadTag(dir.File("missing.mp3")));
    EXPECT_FALSE(tag.TagPresent);
    ExpectEmptyTexts(tag);

    bool ok = true;
    tag = ReadAsFile(dir, FromText("ID3\x03\x00\x00\x00\x00\x00"), &ok);  // 9 bytes
    EXPECT_FALSE(ok);
    EXPECT_FALSE(tag.TagPresent);
    tag = ReadAsFile(dir, {}, &ok);
    EXPECT_FALSE(ok);

    std::filesystem::create_directory(dir.Native("folder.mp3"));
    EXPECT_FALSE(tag.ReadTag(dir.File("folder.mp3")));
}

TEST(ReadHeader, EveryReadStartsFromCleanFields) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1("A")), Frame("TCOM", Latin1("C"))}));
    ASSERT_EQ(tag.Composer, "C");
    tag.SetArtist("kept?");
    test_support::WriteBytes(dir.Native("other.mp3"), Tag(3, {Frame("TALB", Latin1("B"))}));
    ASSERT_TRUE(tag.ReadTag(dir.File("other.mp3")));
    EXPECT_EQ(tag.Album, "B");
    EXPECT_EQ(tag.Title, "");
    EXPECT_EQ(tag.Artist, "");
    EXPECT_EQ(tag.Composer, "");
}

TEST(ReadHeader, UnsupportedVersionsGiveTagPresentButNoTexts) {
    TempDir dir;
    for (std::uint8_t version : {0, 1, 5, 0xFF}) {
        Bytes file = Tag(version, {Frame("TIT2", Latin1("Song"))}) + kAudio;
        TID3v2 tag = ReadAsFile(dir, file);
        EXPECT_TRUE(tag.TagPresent);
        EXPECT_EQ(tag.MajorVersion, version);
        EXPECT_EQ(tag.TotalSize, 25);
        ExpectEmptyTexts(tag);
    }
}

TEST(ReadHeader, SizeBytesAreCombinedWholeWithTheirTopBits) {
    TempDir dir;
    // 0x81 in the last size byte: 129 (not 1) plus the header.
    Bytes file = FromText("ID3\x03") + Bytes{0, 0, 0, 0, 0, 0x81} + Frame("TIT2", Latin1("Top")) +
                 Zeros(200);
    TID3v2 tag = ReadAsFile(dir, file);
    EXPECT_EQ(tag.TotalSize, 139);
    EXPECT_EQ(tag.Title, "Top");
    // 0x80 in the third byte counts as 128 * 128.
    file = FromText("ID3\x03") + Bytes{0, 0, 0, 0, 0x80, 0} + Zeros(20000);
    EXPECT_EQ(ReadAsFile(dir, file).TotalSize, 16394);
}

TEST(ReadHeader, FooterFlagAddsTenBytesOnlyInVersion4) {
    TempDir dir;
    // In 2.2 and 2.3 the bit is an unknown flag: the ten bytes after the tag are audio.
    const std::pair<std::uint8_t, std::int32_t> cases[] = {{2, 25}, {3, 25}, {4, 35}};
    for (const auto& [version, total] : cases) {
        Bytes file = Header(version, 15, 0x10) + Frame("TIT2", Latin1("Song")) + kAudio;
        EXPECT_EQ(ReadAsFile(dir, file).TotalSize, total) << int{version};
    }
    Bytes file = Header(4, 15, 0x10) + Frame("TIT2", Latin1("Song")) + Zeros(10);
    EXPECT_EQ(ReadAsFile(dir, file).Title, "Song");
}

TEST(ReadHeader, TagLongerThanTheFileEndsWhereTheFileEnds) {
    TempDir dir;
    Bytes exact = Tag(3, {Frame("TIT2", Latin1("Song"))});
    TID3v2 tag = ReadAsFile(dir, exact);
    EXPECT_EQ(tag.TotalSize, 25);
    EXPECT_EQ(tag.Title, "Song");

    // A cut-off file: the frames it holds are read, one cut short included.
    for (std::uint32_t claimed : {31u, 5102u}) {
        Bytes tooLong = Header(3, claimed) + Frame("TIT2", Latin1("Song")) + Frame("TPE1", Latin1("Artist"));
        tooLong.resize(tooLong.size() - 2);
        bool ok = false;
        tag = ReadAsFile(dir, tooLong, &ok);
        EXPECT_TRUE(ok);
        EXPECT_TRUE(tag.TagPresent);
        EXPECT_EQ(tag.MajorVersion, 3);
        EXPECT_EQ(tag.TotalSize, static_cast<std::int32_t>(tooLong.size())) << claimed;
        EXPECT_EQ(tag.Title, "Song") << claimed;
        EXPECT_EQ(tag.Artist, "Arti") << claimed;
    }
}

// Sparse files: only the length matters, which costs no disk space.
TEST(ReadHeader, FilesOf2GiBAndMoreReadTheirTag) {
    TempDir dir;
    const Bytes tag = Tag(3, {Frame("TIT2", Latin1("Song"))});
    test_support::WriteBytes(dir.Native("big.mp3"), tag);
    for (std::uintmax_t length : {(std::uintmax_t{1} << 31) + 100, (std::uintmax_t{1} << 32) + 5}) {
        std::error_code error;
        std::filesystem::resize_file(dir.Native("big.mp3"), length, error);
        if (error) GTEST_SKIP() << "no sparse file of 2 GiB here: " << error.message();
        TID3v2 read;
        ASSERT_TRUE(read.ReadTag(dir.File("big.mp3")));
        EXPECT_EQ(read.TotalSize, 25) << length;
        EXPECT_EQ(read.Title, "Song") << length;
    }
}
