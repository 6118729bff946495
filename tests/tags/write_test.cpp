// WriteTag: the tag it writes, in place versus rebuild, padding, and what happens on failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/tags/tag_bytes.h"

using namespace tag_bytes;
using test_support::ReadBytes;
using test_support::TempDir;
using test_support::WriteBytes;

namespace {

const Bytes kAudio = [] {
    Bytes audio(3000);
    for (std::size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<unsigned char>(i * 7 + 1);
    return audio;
}();

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return Bytes(bytes.begin() + from, bytes.begin() + from + count);
}

std::size_t SynchsafeSize(const Bytes& file) {
    return (file[6] << 21) | (file[7] << 14) | (file[8] << 7) | file[9];
}

bool Contains(const Bytes& bytes, std::string_view text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

TID3v2 TitleOnly(const char* title) {
    TID3v2 tag;
    tag.SetTitle(title);
    return tag;
}

class WriteTagTest : public testing::Test {
protected:
    std::u16string Put(const Bytes& bytes) {
        WriteBytes(dir.Native("song.mp3"), bytes);
        return path;
    }
    Bytes File() const { return ReadBytes(dir.Native("song.mp3")); }
    bool TemporaryLeft() const { return std::filesystem::exists(dir.Native("song.mp3~")); }

    TempDir dir;
    const std::u16string path = dir.File("song.mp3");
};

}  // namespace

TEST_F(WriteTagTest, FileWithoutTagGetsTheExactPaddedTagInFront) {
    Put(kAudio);
    ASSERT_TRUE(TitleOnly("Song").WriteTag(path));
    const Bytes expected = Bytes{0x49, 0x44, 0x33, 0x03, 0x00, 0x00, 0x00, 0x00, 0x1F, 0x76} +
                           Bytes{0x54, 0x49, 0x54, 0x32, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,
                                 0x53, 0x6F, 0x6E, 0x67} +
                           Zeros(4071) + kAudio;
    EXPECT_EQ(File(), expected);
    EXPECT_FALSE(TemporaryLeft());
}

TEST_F(WriteTagTest, EveryFieldIsWrittenInSlotOrderAsLatin1Frames) {
    Put(Tag(3, {Frame("TCOM", Latin1("Comp")), Frame("TENC", Latin1("Enc")), Frame("TCOP", Latin1("Copy")),
                Frame("TLAN", Latin1("eng")), Frame("WXXX", Latin1(std::string_view("d\0http://u/", 11))),
                Frame("TSIZ", Latin1("42")), Frame("TRCK", Latin1("5/9"))}) +
        kAudio);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    tag.SetTitle("T");
    tag.SetArtist("A");
    tag.SetAlbum("B");
    tag.SetYear("1999");
    tag.SetGenre("(3)Dance");
    tag.SetComment("C");
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes expected =
        Frame("TIT2", Latin1("T")) + Frame("TPE1", Latin1("A")) + Frame("TALB", Latin1("B")) +
        Frame("TRCK", Latin1("5")) + Frame("TYER", Latin1("1999")) + Frame("TCON", Latin1("(3)Dance")) +
        Frame("COMM", Latin1(std::string_view("eng\0C", 5))) + Frame("TCOM", Latin1("Comp")) +
        Frame("TENC", Latin1("Enc")) + Frame("TCOP", Latin1("Copy")) + Frame("TLAN", Latin1("eng")) +
        Frame("WXXX", Latin1(std::string_view("\0http://u/", 10)));
    const Bytes file = File();
    EXPECT_EQ(Slice(file, 10, expected.size()), expected);
    EXPECT_FALSE(Contains(file, "TSIZ"));  // slots 13 to 17 are never written
    EXPECT_FALSE(Contains(file, "5/9"));   // the track total is lost

    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.Title, "T");
    EXPECT_EQ(back.TrackNumber, 5);
    EXPECT_EQ(back.Genre, "Dance");
    EXPECT_EQ(back.Comment, "C");
    EXPECT_EQ(back.Composer, "Comp");
    EXPECT_EQ(back.UserUrl, "http://u/");
    EXPECT_EQ(back.AudioSizeText, "");
}

TEST_F(WriteTagTest, WritingChangesNoFieldOfTheObject) {
    Put(Tag(3, {Frame("TIT2", Latin1("Old")), Frame("TRCK", Latin1("2/3"))}) + kAudio);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    tag.SetTitle("New");
    ASSERT_TRUE(tag.WriteTag(path));
    EXPECT_EQ(tag.Title, "New");
    EXPECT_EQ(tag.TrackText, "2/3");
    EXPECT_EQ(tag.TotalSize, 38);
}

TEST_F(WriteTagTest, SettersTrimTextsAndKeepTheLow16BitsOfTheTrack) {
    TID3v2 tag;
    tag.SetTitle(std::string_view("\0 \t Title  x \r\n", 15));
    EXPECT_EQ(tag.Title, "Title  x");
    tag.SetComment(std::string_view("a\0b ", 4));
    EXPECT_EQ(tag.Comment, std::string("a\0b", 3));
    tag.SetTrackNumber(70000);
    EXPECT_EQ(tag.TrackNumber, 4464);
    tag.SetTrackNumber(-1);
    EXPECT_EQ(tag.TrackNumber, 65535);
}

TEST_F(WriteTagTest, LargeEnoughOldTagIsOverwrittenInPlaceWithPadding) {
    const Bytes frames = Frame("TIT2", Latin1("Old title")) + Frame("COMM", Latin1(std::string_view("eng\0old", 7)));
    const Bytes old = Header(3, 1990) + frames + Zeros(1990 - frames.size());
    ASSERT_EQ(old.size(), 2000u);
    Put(old + kAudio);
    // 289 title bytes make a frame of exactly 300 bytes.
    ASSERT_TRUE(TitleOnly(std::string(289, 'x').c_str()).WriteTag(path));
    const Bytes file = File();
    ASSERT_EQ(file.size(), 2000 + kAudio.size());
    EXPECT_EQ(SynchsafeSize(file), 1990u);
    EXPECT_EQ(Slice(file, 10, 300), Frame("TIT2", Latin1(std::string(289, 'x'))));
    EXPECT_EQ(Slice(file, 310, 1690), Zeros(1690));
    EXPECT_EQ(Slice(file, 2000, kAudio.size()), kAudio);
}

TEST_F(WriteTagTest, OldTagOfExactly4096BytesIsKeptOne4097BytesLongIsRebuilt) {
    Put(Tag(3, {Frame("TIT2", Latin1("x"))}, 4096 - 10 - 12) + kAudio);
    ASSERT_TRUE(TitleOnly("Song").WriteTag(path));
    EXPECT_EQ(File().size(), 4096 + kAudio.size());

    Put(Tag(3, {Frame("TIT2", Latin1("x"))}, 4097 - 10 - 12) + kAudio);
    ASSERT_TRUE(TitleOnly("Song").WriteTag(path));
    const Bytes file = File();
    EXPECT_EQ(file.size(), 4096 + kAudio.size());  // one byte shorter
    EXPECT_EQ(SynchsafeSize(file), 4086u);
    EXPECT_EQ(Slice(file, 4096, kAudio.size()), kAudio);
}

TEST_F(WriteTagTest, TooSmallOldTagIsRebuiltTo4096Bytes) {
    Put(Tag(4, {Frame("TIT2", Latin1("x"))}) + kAudio);
    TID3v2 tag = TitleOnly("A longer title than before");
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes file = File();
    EXPECT_EQ(file.size(), 4096 + kAudio.size());
    EXPECT_EQ(file[3], 3);
    EXPECT_EQ(Slice(file, 4096, kAudio.size()), kAudio);
}

TEST_F(WriteTagTest, FramesLongerThan4086BytesAreRebuiltWithoutPadding) {
    Put(kAudio);
    TID3v2 tag;
    tag.SetComment(std::string(5000, 'c'));
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes file = File();
    const std::size_t tagLength = 10 + 11 + 4 + 5000;
    EXPECT_EQ(file.size(), tagLength + kAudio.size());
    EXPECT_EQ(SynchsafeSize(file), tagLength - 10);
    EXPECT_EQ(Slice(file, tagLength, kAudio.size()), kAudio);
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.Comment, std::string(495, 'c'));  // read back cut to the frame cap
}

TEST_F(WriteTagTest, EmptyObjectWritesAnEmptyPaddedTagAndRemovesOldFrames) {
    const Bytes old = Tag(3, {Frame("TIT2", Latin1("Old")), Frame("COMM", Latin1(std::string_view("eng\0c", 5))),
                              Frame("APIC", Bytes(100, 7))},
                          50);
    Put(old + kAudio);
    ASSERT_TRUE(TID3v2().WriteTag(path));
    const Bytes file = File();
    EXPECT_EQ(file.size(), old.size() + kAudio.size());
    EXPECT_EQ(Slice(file, 0, old.size()), Header(3, static_cast<std::uint32_t>(old.size() - 10)) + Zeros(old.size() - 10));
    EXPECT_FALSE(Contains(file, "Old"));
    EXPECT_FALSE(Contains(file, "APIC"));
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.Comment, "");
}

TEST_F(WriteTagTest, AnyOldVersionBecomesAPlainVersion3Tag) {
    // Footer, extended header flag, unsynchronisation flag: all replaced; in place the footer
    // becomes padding.
    Bytes body = Frame("TIT2", Latin1("Old")) + Zeros(300);
    Bytes old = Header(4, static_cast<std::uint32_t>(body.size()), 0x10 | 0x40 | 0x80) + body +
                Bytes{'3', 'D', 'I', 4, 0, 0xD0, 0, 0, 2, 0x44};
    Put(old + kAudio);
    ASSERT_TRUE(TitleOnly("New").WriteTag(path));
    Bytes file = File();
    ASSERT_EQ(file.size(), old.size() + kAudio.size());
    EXPECT_EQ(Slice(file, 0, 10), Header(3, static_cast<std::uint32_t>(old.size() - 10)));
    EXPECT_EQ(Slice(file, 10 + 14, old.size() - 24), Zeros(old.size() - 24));
    EXPECT_EQ(Slice(file, old.size(), kAudio.size()), kAudio);

    Put(Tag(2, {FrameV2("TT2", Latin1("Two"))}) + kAudio);
    ASSERT_TRUE(TitleOnly("Now three").WriteTag(path));
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.MajorVersion, 3);
    EXPECT_EQ(back.Title, "Now three");
}

TEST_F(WriteTagTest, FallbackValuesAreWrittenUnderTheMainFrameIds) {
    Put(Tag(4, {Frame("TIT1", Latin1("Group")), Frame("TOPE", Latin1("Orig")), Frame("TOAL", Latin1("OAlb")),
                Frame("TDRC", Latin1("2004-05-01"))},
            400) +
        kAudio);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes file = File();
    const Bytes expected = Frame("TIT2", Latin1("Group")) + Frame("TPE1", Latin1("Orig")) +
                           Frame("TALB", Latin1("OAlb")) + Frame("TYER", Latin1("2004"));
    EXPECT_EQ(Slice(file, 10, expected.size()), expected);
    EXPECT_FALSE(Contains(file, "TDRC"));
    EXPECT_FALSE(Contains(file, "TIT1"));
}

TEST_F(WriteTagTest, TrackZeroAndEmptyTextsWriteNoFrame) {
    Put(kAudio);
    TID3v2 tag;
    tag.SetTitle("t");
    tag.SetTrackNumber(65536);  // low 16 bits: 0
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes file = File();
    EXPECT_FALSE(Contains(file, "TRCK"));
    EXPECT_FALSE(Contains(file, "COMM"));
    EXPECT_FALSE(Contains(file, "WXXX"));
}

TEST_F(WriteTagTest, FileHoldingOnlyATagBecomesTheNewTagAlone) {
    Put(Tag(3, {Frame("TIT2", Latin1("x"))}));
    ASSERT_TRUE(TitleOnly("A title too long for the old tag").WriteTag(path));
    EXPECT_EQ(File().size(), 4096u);
}

TEST_F(WriteTagTest, TagClaimingMoreThanTheFileKeepsTheWholeOldFileBehindTheNewTag) {
    const Bytes old = Header(3, 100000) + Frame("TIT2", Latin1("Old")) + kAudio;
    Put(old);
    ASSERT_TRUE(TitleOnly("New").WriteTag(path));
    const Bytes file = File();
    ASSERT_EQ(file.size(), 4096 + old.size());
    EXPECT_EQ(Slice(file, 4096, old.size()), old);
}

TEST_F(WriteTagTest, CodePageBytesAreWrittenAsTheyAreUnderEncoding0) {
    Put(kAudio);
    TID3v2 tag;
    tag.SetArtist("\xC6\xE8\xE2");  // Cyrillic in code page 1251, accented Latin in 1252
    ASSERT_TRUE(tag.WriteTag(path));
    EXPECT_EQ(Slice(File(), 10, 14), Frame("TPE1", Latin1("\xC6\xE8\xE2")));
}

TEST_F(WriteTagTest, ExistingTildeFileIsReplacedAndGone) {
    Put(kAudio);
    WriteBytes(dir.Native("song.mp3~"), FromText("someone's backup"));
    ASSERT_TRUE(TitleOnly("Song").WriteTag(path));
    EXPECT_FALSE(TemporaryLeft());
    EXPECT_EQ(File().size(), 4096 + kAudio.size());
}

TEST_F(WriteTagTest, ReadOnlyFileIsWrittenAndStaysWritable) {
    for (bool rebuild : {false, true}) {
        Put((rebuild ? Bytes{} : Tag(3, {}, 200)) + kAudio);
        std::filesystem::permissions(dir.Native("song.mp3"), std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write | std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        ASSERT_TRUE(TitleOnly("Song").WriteTag(path)) << rebuild;
        const auto perms = std::filesystem::status(dir.Native("song.mp3")).permissions();
        EXPECT_NE(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none) << rebuild;
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Title, "Song");
    }
}

TEST_F(WriteTagTest, MissingPathOrDirectoryFailsAndTouchesNothing) {
    EXPECT_FALSE(TitleOnly("x").WriteTag(dir.File("missing.mp3")));
    EXPECT_FALSE(std::filesystem::exists(dir.Native("missing.mp3")));
    EXPECT_FALSE(std::filesystem::exists(dir.Native("missing.mp3~")));
    std::filesystem::create_directory(dir.Native("folder.mp3"));
    EXPECT_FALSE(TitleOnly("x").WriteTag(dir.File("folder.mp3")));
    EXPECT_FALSE(std::filesystem::exists(dir.Native("folder.mp3~")));
}

TEST_F(WriteTagTest, FileShorterThanTenBytesIsNotWritten) {
    for (const Bytes& tiny : {Bytes{}, FromText("ID3\x03\x00"), FromText("123456789")}) {
        Put(tiny);
        EXPECT_FALSE(TitleOnly("x").WriteTag(path));
        EXPECT_EQ(File(), tiny);
        EXPECT_FALSE(TemporaryLeft());
    }
}

TEST_F(WriteTagTest, TemporaryNameThatCannotBeCreatedFailsAndLeavesBothAlone) {
    Put(kAudio);
    std::filesystem::create_directory(dir.Native("song.mp3~"));
    WriteBytes(dir.Native("song.mp3~") / "inside", {1});
    EXPECT_FALSE(TitleOnly("x").WriteTag(path));
    EXPECT_EQ(File(), kAudio);
    EXPECT_TRUE(std::filesystem::exists(dir.Native("song.mp3~") / "inside"));
}

TEST_F(WriteTagTest, UnicodeFileNamesAreWrittenThroughTheirTildeName) {
    const std::u16string name = dir.File("\xD0\x9F\xC3\xA9\xE2\x82\xAC.mp3");
    WriteBytes(std::filesystem::path(name), kAudio);
    ASSERT_TRUE(TitleOnly("Song").WriteTag(name));
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(name));
    EXPECT_EQ(back.Title, "Song");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(name + u"~")));
}

// Four synchsafe bytes say at most 2^28 - 1; a larger tag would be cut and the audio would
// seem to start inside it.
TEST_F(WriteTagTest, FramesTooLargeForTheHeaderAreRefusedAndTheFileIsUntouched) {
    if constexpr (sizeof(void*) < 8) GTEST_SKIP() << "needs a 64-bit address space";
    Put(kAudio);
    TID3v2 tag;
    tag.SetComment(std::string(std::size_t{1} << 28, 'c'));
    EXPECT_FALSE(tag.WriteTag(path));
    EXPECT_EQ(File(), kAudio);
    EXPECT_FALSE(TemporaryLeft());
}
