// A file without an ID3v2 tag: its fields come from the ID3v1 tag at its end, and a write
// carries them into the new ID3v2 tag while the ID3v1 tag stays as it was.
#include <gtest/gtest.h>

#include "tests/tags/tag_bytes.h"

using namespace tag_bytes;
using test_support::ReadBytes;
using test_support::TempDir;
using test_support::WriteBytes;

namespace {

// A field of `width` bytes: the text, then `fill` up to the width.
Bytes Field(std::string_view text, std::size_t width, char fill = '\0') {
    std::string field(text);
    field.resize(width, fill);
    return FromText(field);
}

// 128 bytes: "TAG", title, artist, album (30 each), year (4), comment (30), genre.
Bytes Version1(std::string_view title, std::string_view artist, std::string_view album, std::string_view year,
               const Bytes& comment, unsigned char genre) {
    return FromText("TAG") + Field(title, 30) + Field(artist, 30, ' ') + Field(album, 30) + Field(year, 4) +
           comment + Bytes{genre};
}

const Bytes kAudio = Bytes(2000, 0x5A);

}  // namespace

TEST(Version1, FieldsOfAFileWithoutID3v2TagComeFromItsID3v1Tag) {
    const struct {
        Bytes tag;
        std::string title, artist, album, year, comment, genre;
        int track;
    } cases[] = {
        // Version 1.1: a zero byte, then the track, ends the comment.
        {Version1("Title", "Artist", "Album", "1999", Field("Nice", 28) + Bytes{0, 7}, 0), "Title", "Artist", "Album",
         "1999", "Nice", "Blues", 7},
        // Version 1.0: a comment of the full 30 bytes, no track; 255 means no genre.
        {Version1("", "", "", "", Field("abcdefghijklmnopqrstuvwxyz1234", 30), 255), "", "", "", "",
         "abcdefghijklmnopqrstuvwxyz1234", "", 0},
        // What follows a zero byte is no text; blanks around it go; bytes are read in the code
        // page (1252 here).
        {Version1(std::string_view(" Caf\xE9\0junk", 10), "\x80 ", "Album  ", "99", Field("x", 30, ' '), 191),
         "Caf\xC3\xA9", "\xE2\x82\xAC", "Album", "99", "x", "Psybient", 0},
        {Version1("t", "a", "b", "2000", Field("c", 30), 192), "t", "a", "b", "2000", "c", "", 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const TID3v2 tag = ReadAsFile(dir, kAudio + c.tag);
        EXPECT_FALSE(tag.TagPresent);
        EXPECT_TRUE(tag.Version1TagPresent);
        EXPECT_EQ(tag.Title, c.title);
        EXPECT_EQ(tag.Artist, c.artist);
        EXPECT_EQ(tag.Album, c.album);
        EXPECT_EQ(tag.Year, c.year);
        EXPECT_EQ(tag.Comment, c.comment);
        EXPECT_EQ(tag.Genre, c.genre);
        EXPECT_EQ(tag.TrackNumber, c.track);
    }
}

TEST(Version1, AnID3v2TagOrNoTagAtTheEndLeavesItAside) {
    TempDir dir;
    const Bytes version1 = Version1("Old", "Old", "Old", "1980", Field("Old", 30), 1);
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1("New"))}) + kAudio + version1);
    EXPECT_EQ(tag.Title, "New");
    EXPECT_EQ(tag.Artist, "");
    EXPECT_FALSE(tag.Version1TagPresent);
    // "TAG" 127 bytes from the end is no tag; neither is a file shorter than one.
    for (const Bytes& file : {kAudio + version1 + Bytes{0}, Bytes{'T', 'A', 'G'} + Zeros(100)}) {
        tag = ReadAsFile(dir, file);
        EXPECT_FALSE(tag.Version1TagPresent);
        EXPECT_EQ(tag.Title, "");
    }
}

TEST(Version1, AWriteCarriesTheFieldsIntoTheNewTagAndLeavesTheID3v1TagAsItIs) {
    TempDir dir;
    const Bytes version1 = Version1("Title", "Artist", "Album", "1999", Field("Nice", 28) + Bytes{0, 7}, 17);
    WriteBytes(dir.Native("song.mp3"), kAudio + version1);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(dir.File("song.mp3")));
    tag.SetTitle("New title");
    ASSERT_TRUE(tag.WriteTag(dir.File("song.mp3")));

    const Bytes file = ReadBytes(dir.Native("song.mp3"));
    EXPECT_EQ(Bytes(file.end() - 128, file.end()), version1);
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(dir.File("song.mp3")));
    EXPECT_TRUE(back.TagPresent);
    EXPECT_EQ(back.Title, "New title");
    EXPECT_EQ(back.Artist, "Artist");
    EXPECT_EQ(back.Album, "Album");
    EXPECT_EQ(back.Year, "1999");
    EXPECT_EQ(back.Comment, "Nice");
    EXPECT_EQ(back.TrackNumber, 7);
    EXPECT_EQ(back.Genre, tag.Genre);
    EXPECT_FALSE(back.Genre.empty());
}
