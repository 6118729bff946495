// WriteTag: the tag it writes, in place versus rebuild, padding, and what happens on failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "tests/tags/tag_bytes.h"

#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

TEST_F(WriteTagTest, ChangedFieldsComeFirstInSlotOrderAndEveryOtherFrameFollowsAsItWas) {
    const Bytes old = Frame("TCOM", Latin1("Comp")) + Frame("TENC", Latin1("Enc")) + Frame("TCOP", Latin1("Copy")) +
                      Frame("TLAN", Latin1("eng")) + Frame("WXXX", Latin1(std::string_view("d\0http://u/", 11))) +
                      Frame("TSIZ", Latin1("42")) + Frame("TRCK", Latin1("5/9"));
    Put(Tag(3, {old}) + kAudio);
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
        Frame("TYER", Latin1("1999")) + Frame("TCON", Latin1("(3)Dance")) +
        Frame("COMM", Latin1(std::string_view("eng\0C", 5))) + old;
    const Bytes file = File();
    EXPECT_EQ(Slice(file, 10, expected.size()), expected);

    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.Title, "T");
    EXPECT_EQ(back.TrackText, "5/9");
    EXPECT_EQ(back.Genre, "Dance");
    EXPECT_EQ(back.Comment, "C");
    EXPECT_EQ(back.UserUrl, "http://u/");
    EXPECT_EQ(back.AudioSizeText, "42");
}

TEST_F(WriteTagTest, NothingChangedKeepsEveryFrameByteForByte) {
    const Bytes longText = Latin1(std::string(700, 'l'));
    const Bytes picture = Bytes{0} + FromText("image/png") + Bytes{0, 3, 0} + Bytes(3000, 0x89);
    const Bytes frames =
        Frame("TIT2", Utf16(u"\u0416 title")) + Frame("TRCK", Latin1("3/12")) +
        Frame("COMM", Latin1(std::string_view("eng\0first", 9))) +
        Frame("COMM", Bytes{1} + FromText("deu") + Marked(u"d") + Bytes{0, 0} + Marked(u"zweite \u00FF")) +
        Frame("APIC", picture) + Frame("TXXX", Latin1(std::string_view("key\0value", 9))) +
        Frame("PRIV", FromText(std::string_view("owner\0\1\2", 8))) + Frame("TPE1", longText) +
        Frame("TALB", Latin1("Packed"), 0x80) + Frame("TCON", Latin1("(17)Rock"), 0x20, 0x40);
    for (std::uint8_t flags : {0x00, 0x80, 0x40}) {
        // Unsynchronisation is undone, an extended header passed over.
        const Bytes body = flags == 0x80   ? Unsynchronise(frames) + Zeros(300)
                           : flags == 0x40 ? Bytes{0, 0, 0, 6} + Zeros(6) + frames + Zeros(300)
                                           : frames + Zeros(300);
        Put(Header(3, static_cast<std::uint32_t>(body.size()), flags) + body + kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        ASSERT_TRUE(tag.WriteTag(path));
        const Bytes file = File();
        EXPECT_EQ(Slice(file, 0, 6), (Bytes{'I', 'D', '3', 3, 0, 0})) << int{flags};
        EXPECT_EQ(Slice(file, 10, frames.size()), frames) << int{flags};
        EXPECT_EQ(Slice(file, file.size() - kAudio.size(), kAudio.size()), kAudio) << int{flags};
    }
}

TEST_F(WriteTagTest, AnEditedFieldReplacesOnlyTheFrameItsValueCameFrom) {
    const Bytes first = Frame("COMM", Latin1(std::string_view("eng\0first", 9)));
    const Bytes other = Frame("TXXX", Latin1(std::string_view("a\0b", 3)));
    const Bytes packed = Frame("COMM", Latin1(std::string_view("engzipped", 9)), 0x80);
    Put(Tag(3, {first, Frame("COMM", Latin1(std::string_view("deud\0second", 11))), other, packed,
                Frame("TIT1", Latin1("Group")), Frame("TDRC", Latin1("2004-05-01"))}, 200) +
        kAudio);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    ASSERT_EQ(tag.Comment, "second");
    tag.SetComment("new \xC3\xA9");
    tag.SetTitle("Title");  // the fallback TIT1 gave the value: TIT2 takes its place
    tag.SetYear("2001");    // TDRC keeps its place and its date, with the new year
    ASSERT_TRUE(tag.WriteTag(path));
    // The replaced comment keeps its language and description.
    const Bytes expected = Frame("TYER", Latin1("2001")) + first +
                           Frame("COMM", Latin1(std::string_view("deud\0new \xE9", 10))) + other + packed +
                           Frame("TIT2", Latin1("Title")) + Frame("TDRC", Latin1("2001-05-01"));
    EXPECT_EQ(Slice(File(), 10, expected.size()), expected);
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.Comment, "new \xC3\xA9");
    EXPECT_EQ(back.Title, "Title");
    EXPECT_EQ(back.Year, "2001");
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
    // The cleared comment stays as an empty one.
    EXPECT_EQ(Slice(file, 310, 15), Frame("COMM", Latin1(std::string_view("eng\0", 4))));
    EXPECT_EQ(Slice(file, 325, 1675), Zeros(1675));
    EXPECT_EQ(Slice(file, 2000, kAudio.size()), kAudio);
}

TEST_F(WriteTagTest, AnOldTagOfAnySizeWithRoomIsWrittenInPlace) {
    for (std::size_t length : {4096u, 4097u, 200000u}) {
        Put(Tag(3, {Frame("TIT2", Latin1("x"))}, length - 10 - 12) + kAudio);
        ASSERT_TRUE(TitleOnly("Song").WriteTag(path));
        const Bytes file = File();
        EXPECT_EQ(file.size(), length + kAudio.size()) << length;
        EXPECT_EQ(SynchsafeSize(file), length - 10) << length;
        EXPECT_EQ(Slice(file, 10, 15), Frame("TIT2", Latin1("Song"))) << length;
        EXPECT_EQ(Slice(file, length, kAudio.size()), kAudio) << length;
    }
}

#ifdef __linux__
// Bytes this process has handed to write calls so far.
std::uint64_t BytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "wchar:") return value;
    }
    return 0;
}

TEST_F(WriteTagTest, InPlaceOnlyTheBytesFromTheFirstToTheLastThatChangeAreWritten) {
    const Bytes picture = Frame("APIC", Bytes{0} + FromText("image/png") + Bytes{0, 3, 0} + Bytes(100000, 0x89));
    const Bytes old = Tag(3, {Frame("TIT2", Latin1("Title 1")), picture}, 5000);
    const struct {
        const char* title;
        std::size_t mostWritten;
    } cases[] = {
        {"Title 2", 1},                              // one byte of the title
        {"Title 22", 15 + picture.size() + 1},       // the picture moves by a byte
        {"Title", 15 + picture.size()},              // or back, the padding's first bytes zeroed
    };
    for (const auto& c : cases) {
        Put(old + kAudio);
        const std::uint64_t before = BytesWritten();
        ASSERT_TRUE(TitleOnly(c.title).WriteTag(path));
        const std::uint64_t written = BytesWritten() - before;
        EXPECT_GT(written, 0u) << c.title;
        EXPECT_LE(written, c.mostWritten) << c.title;
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Title, c.title);
        const Bytes file = File();
        EXPECT_EQ(file.size(), old.size() + kAudio.size()) << c.title;
        EXPECT_EQ(Slice(file, 10 + 11 + std::strlen(c.title), picture.size()), picture) << c.title;
    }
}
#endif

TEST_F(WriteTagTest, TooSmallOldTagIsRebuiltTo4096Bytes) {
    Put(Tag(4, {Frame("TIT2", Latin1("x"))}) + kAudio);
    TID3v2 tag = TitleOnly("A longer title than before");
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes file = File();
    EXPECT_EQ(file.size(), 4096 + kAudio.size());
    EXPECT_EQ(file[3], 3);
    EXPECT_EQ(Slice(file, 4096, kAudio.size()), kAudio);
}

TEST_F(WriteTagTest, FramesLongerThan4086BytesAreRebuiltWith4096BytesOfPadding) {
    Put(kAudio);
    TID3v2 tag;
    tag.SetComment(std::string(5000, 'c'));
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes file = File();
    const std::size_t framesEnd = 10 + 11 + 4 + 5000;
    EXPECT_EQ(file.size(), framesEnd + 4096 + kAudio.size());
    EXPECT_EQ(SynchsafeSize(file), framesEnd + 4096 - 10);
    EXPECT_EQ(Slice(file, framesEnd, 4096), Zeros(4096));
    EXPECT_EQ(Slice(file, framesEnd + 4096, kAudio.size()), kAudio);
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.Comment, std::string(495, 'c'));  // read back cut to the frame cap
}

TEST_F(WriteTagTest, EmptyObjectEmptiesTheFramesOfItsFieldsAndKeepsTheRest) {
    const Bytes picture = Frame("APIC", Bytes(100, 7));
    const Bytes old = Tag(3, {Frame("TIT2", Latin1("Old")), Frame("COMM", Latin1(std::string_view("eng\0c", 5))),
                              picture},
                          50);
    Put(old + kAudio);
    ASSERT_TRUE(TID3v2().WriteTag(path));
    const Bytes file = File();
    EXPECT_EQ(file.size(), old.size() + kAudio.size());
    const Bytes frames = Frame("TIT2", Latin1("")) + Frame("COMM", Latin1(std::string_view("eng\0", 4))) + picture;
    EXPECT_EQ(Slice(file, 0, old.size()),
              Header(3, static_cast<std::uint32_t>(old.size() - 10)) + frames + Zeros(old.size() - 10 - frames.size()));
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

TEST_F(WriteTagTest, Version4FramesAreCarriedOverInVersion3Framing) {
    const Bytes pictureData = Bytes(200, 0x89);
    const struct {
        Bytes old;
        Bytes kept;  // empty: dropped
    } cases[] = {
        {Frame("TIT1", Latin1("Plain")), Frame("TIT1", Latin1("Plain"))},
        {Frame("TIT2", Utf8("Caf\xC3\xA9 \xD0\x96")), Frame("TIT2", Utf16(u"Caf\u00E9 \u0416"))},
        {Frame("TXXX", Utf16BigEndian(std::u16string(u"key\0\u00E4", 5))),
         Frame("TXXX", Utf16(u"key") + Bytes{0, 0} + Marked(u"\u00E4"))},
        {Frame("COMM", Utf8(std::string_view("engd\0t", 6))),
         Frame("COMM", Bytes{1} + FromText("eng") + Marked(u"d") + Bytes{0, 0} + Marked(u"t"))},
        {Frame("APIC", Utf8("image/png") + Bytes{0, 3} + FromText("\xC3\xA4") + Bytes{0} + pictureData),
         Frame("APIC", Bytes{1} + FromText("image/png") + Bytes{0, 3} + Marked(u"\u00E4") + Bytes{0, 0} +
                           pictureData)},
        // Status flags move up one bit; unsynchronisation and the data length go; the group
        // byte stays in front of the content, compression gets its decompressed size there.
        {Frame("PRIV", FromText("o\0\xFF\0x"), 0x02, 0x40), Frame("PRIV", FromText("o\0\xFFx"), 0, 0x80)},
        {Frame("TPE2", Bytes{0, 0, 0, 4} + Latin1("Len"), 0x01), Frame("TPE2", Latin1("Len"))},
        {Frame("TPE3", Bytes{9} + Latin1("Grp"), 0x40, 0x20), Frame("TPE3", Bytes{9} + Latin1("Grp"), 0x20, 0x40)},
        {Frame("TSIZ", Bytes{0, 0, 1, 0} + Bytes{'z', 'z'}, 0x09), Frame("TSIZ", Bytes{0, 0, 0, 128, 'z', 'z'}, 0x80)},
        {Frame("TSSE", Bytes{5} + Latin1("Enc"), 0x04), Frame("TSSE", Bytes{5} + Latin1("Enc"), 0x40)},
        // A frame without an encoding byte stays as it is whatever its first byte.
        {Frame("ETCO", Bytes{2, 3, 0, 0, 0x10, 0}), Frame("ETCO", Bytes{2, 3, 0, 0, 0x10, 0})},
        {Frame("PCNT", Bytes{3, 0, 0, 1}), Frame("PCNT", Bytes{3, 0, 0, 1})},
        {Frame("RVA2", Bytes{2, 'x', 0, 1, 2, 3}), Frame("RVA2", Bytes{2, 'x', 0, 1, 2, 3})},
        {Frame("SYLT", Utf8(std::string_view("eng\2\1d\0\xC3\xA4\0\0\0\0\x10", 14))),
         Frame("SYLT", Bytes{1} + FromText("eng\2\1") + Marked(u"d") + Bytes{0, 0} + Marked(u"\u00E4") +
                           Bytes{0, 0, 0, 0, 0, 0x10})},
        // The URL of WXXX is ISO-8859-1: only the description changes its encoding.
        {Frame("WXXX", Utf8(std::string_view("Home\0http://u/", 14))),
         Frame("WXXX", Bytes{1} + Marked(u"Home") + Bytes{0, 0} + FromText("http://u/"))},
        // Dropped: compressed without a stated length; offsets and a signature that a rewrite
        // makes wrong; a frame running past the end of the tag.
        {Frame("TKEY", Bytes{'z', 'z'}, 0x08), {}},
        {Frame("SEEK", Bytes{0, 0, 1, 0}), {}},
        {Frame("ASPI", Bytes(10, 1)), {}},
        {Frame("SIGN", Bytes{1, 2, 3}), {}},
    };
    Bytes oldFrames, keptFrames;
    for (const auto& c : cases) {
        oldFrames = oldFrames + c.old;
        keptFrames = keptFrames + c.kept;
    }
    const Bytes runsPast = FrameHeader("TPE2", 100) + Latin1("cut");
    const Bytes extended{0, 0, 0, 6, 1, 0};  // passed over, not written
    Put(Header(4, static_cast<std::uint32_t>(extended.size() + oldFrames.size() + runsPast.size()), 0x40) + extended +
        oldFrames + runsPast + kAudio);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    ASSERT_EQ(tag.Title, "Caf\xC3\xA9 \xD0\x96");
    tag.SetArtist("New");
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes expected = Frame("TPE1", Latin1("New")) + keptFrames;
    const Bytes file = File();
    EXPECT_EQ(file[3], 3);
    EXPECT_EQ(Slice(file, 10, expected.size() + 1), expected + Bytes{0});
    TID3v2 back;
    ASSERT_TRUE(back.ReadTag(path));
    EXPECT_EQ(back.Title, "Caf\xC3\xA9 \xD0\x96");
}

TEST_F(WriteTagTest, Version2FramesGetTheirVersion3IdsOrAreDropped) {
    const Bytes picture = Bytes(300, 0x89);
    Put(Tag(2, {FrameV2("TT2", Latin1("Two")), FrameV2("PIC", Bytes{0} + FromText("JPG") + Bytes{3} + FromText("d") +
                                                                Bytes{0} + picture),
                FrameV2("TXX", Latin1(std::string_view("k\0v", 3))), FrameV2("CRM", Latin1("x")),
                FrameV2("LNK", FromText("TT2http://x/")), FrameV2("XYZ", Latin1("unknown")),
                FrameV2("TOR", Latin1("1987")), FrameV2("ETC", Bytes{2, 1, 0, 0, 0}), FrameV2("RVA", Bytes{3, 16, 1, 2}),
                FrameV2("TCP", Latin1("1")), FrameV2("TS2", Latin1("Band")), FrameV2("TSA", Latin1("Album")),
                FrameV2("TSC", Latin1("Bach")), FrameV2("TSP", Latin1("Artist")), FrameV2("TST", Latin1("Title"))},
            20) +
        kAudio);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    tag.SetAlbum("Album");
    ASSERT_TRUE(tag.WriteTag(path));
    // TORY feeds no field in version 3: the year TOR gave is written as TYER.
    const Bytes expected = Frame("TALB", Latin1("Album")) + Frame("TYER", Latin1("1987")) + Frame("TIT2", Latin1("Two")) +
                           Frame("APIC", Bytes{0} + FromText("image/jpeg") + Bytes{0, 3} + FromText("d") + Bytes{0} + picture) +
                           Frame("TXXX", Latin1(std::string_view("k\0v", 3))) + Frame("TORY", Latin1("1987")) +
                           Frame("ETCO", Bytes{2, 1, 0, 0, 0}) + Frame("RVAD", Bytes{3, 16, 1, 2}) +
                           Frame("TCMP", Latin1("1")) + Frame("TSO2", Latin1("Band")) + Frame("TSOA", Latin1("Album")) +
                           Frame("TSOC", Latin1("Bach")) + Frame("TSOP", Latin1("Artist")) + Frame("TSOT", Latin1("Title"));
    EXPECT_EQ(Slice(File(), 10, expected.size() + 1), expected + Bytes{0});
}

TEST_F(WriteTagTest, Version4OnlyIdsBecomeWhatVersion3SaysInstead) {
    const struct {
        std::vector<Bytes> old;
        Bytes kept;
    } cases[] = {
        {{Frame("TDRC", Utf8("2004-05-01T12:30"))},
         Frame("TYER", Latin1("2004")) + Frame("TDAT", Latin1("0105")) + Frame("TIME", Latin1("1230"))},
        {{Frame("TDRC", Latin1("2004-05"))}, Frame("TYER", Latin1("2004"))},
        // A year the tag states already: the agreeing date goes, a differing one stays.
        {{Frame("TYER", Latin1("2004")), Frame("TDRC", Latin1("2004"))}, Frame("TYER", Latin1("2004"))},
        {{Frame("TYER", Latin1("1999")), Frame("TDRC", Latin1("2004"))},
         Frame("TYER", Latin1("1999")) + Frame("TDRC", Latin1("2004"))},
        {{Frame("TDRC", Latin1("sometime"))}, Frame("TDRC", Latin1("sometime"))},
        {{Frame("TDOR", Latin1("1987-03-04"))}, Frame("TORY", Latin1("1987"))},
        {{Frame("TIPL", Utf8(std::string_view("producer\0A\0mixer\0B", 18))), Frame("TSOP", Latin1("Sort")),
          Frame("TMCL", Utf16(std::u16string_view(u"guitar\0\u0416", 8)))},
         Frame("IPLS", Bytes{1} + Marked(u"producer") + Bytes{0, 0} + Marked(u"A") + Bytes{0, 0} + Marked(u"mixer") +
                           Bytes{0, 0} + Marked(u"B") + Bytes{0, 0} + Marked(u"guitar") + Bytes{0, 0} + Marked(u"\u0416")) +
             Frame("TSOP", Latin1("Sort"))},
        {{Frame("TMCL", Latin1("dr\xFCms"))}, Frame("IPLS", Latin1(std::string_view("dr\xFCms\0", 6)))},
        // A tag that has an IPLS already keeps its lists as they are.
        {{Frame("IPLS", Latin1(std::string_view("a\0b", 3))), Frame("TIPL", Latin1(std::string_view("c\0d", 3)))},
         Frame("IPLS", Latin1(std::string_view("a\0b", 3))) + Frame("TIPL", Latin1(std::string_view("c\0d", 3)))},
    };
    for (const auto& c : cases) {
        Put(Tag(4, c.old) + kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        tag.SetArtist("New");
        ASSERT_TRUE(tag.WriteTag(path));
        const Bytes expected = Frame("TPE1", Latin1("New")) + c.kept;
        EXPECT_EQ(Slice(File(), 10, expected.size() + 1), expected + Bytes{0}) << c.old[0][0] << c.old[0][3];
    }
}

TEST_F(WriteTagTest, AYearEditOfAConvertedDateLeavesOneYear) {
    const Bytes year2001 = Frame("TYER", Latin1("2001"));
    const struct {
        std::vector<Bytes> old;
        const char* year;
        Bytes written;
    } cases[] = {
        // The new year takes the converted date's place; its day and time stay where they fit.
        {{Frame("TDRC", Utf8("2004-05-01T12:30"))}, "2001",
         year2001 + Frame("TDAT", Latin1("0105")) + Frame("TIME", Latin1("1230"))},
        {{Frame("TDRC", Latin1("2004-02-29T10:00"))}, "2001", year2001 + Frame("TIME", Latin1("1000"))},
        {{Frame("TDRC", Latin1("2004-05-01"))}, "", Frame("TYER", Latin1(""))},
        // The date shown (the last) gives the year; another date only takes the new year.
        {{Frame("TDRC", Latin1("2003")), Frame("TDRC", Latin1("2004-05-01"))}, "2001",
         Frame("TDRC", Latin1("2001")) + year2001 + Frame("TDAT", Latin1("0105"))},
        {{Frame("TDRC", Latin1("2004")), Frame("TDRC", Latin1("2004-05-01"))}, "2001",
         year2001 + Frame("TDAT", Latin1("0105"))},
        // The date shown holds no year: the new year still takes the place of the year another gives.
        {{Frame("TDRC", Latin1("2004-05-01")), Frame("TDRC", Latin1("sometime"))}, "2001",
         year2001 + Frame("TDAT", Latin1("0105")) + Frame("TDRC", Latin1("sometime"))},
    };
    for (const auto& c : cases) {
        Put(Tag(4, c.old) + kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        tag.SetYear(c.year);
        ASSERT_TRUE(tag.WriteTag(path));
        EXPECT_EQ(Slice(File(), 10, c.written.size() + 1), c.written + Bytes{0}) << c.old.size() << c.year;
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Year, c.year);
    }
}

TEST_F(WriteTagTest, UnsynchronisedPicturesAreKeptAsTheyWere) {
    const Bytes picture = Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0x00, 0x10} + Bytes(300, 0xFF);
    const Bytes apic = Bytes{0} + FromText("image/jpeg") + Bytes{0, 3, 0} + picture;
    const Bytes v2 = Unsynchronise(FrameV2("TT2", Latin1("Old")) + FrameV2("PIC", Bytes{0} + FromText("JPG") + Bytes{3, 0} + picture));
    // Version 4: the header's flag alone stands for every frame.
    const Bytes v4 = Frame("TIT2", Latin1("Old")) + Frame("APIC", Unsynchronise(apic));
    for (const auto& [version, body] : {std::pair{std::uint8_t{2}, v2}, std::pair{std::uint8_t{4}, v4}}) {
        Put(Header(version, static_cast<std::uint32_t>(body.size()), 0x80) + body + kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        EXPECT_EQ(tag.Title, "Old");
        tag.SetTitle("New");
        ASSERT_TRUE(tag.WriteTag(path));
        const Bytes expected = Frame("TIT2", Latin1("New")) + Frame("APIC", apic);
        EXPECT_EQ(Slice(File(), 10, expected.size()), expected) << int{version};
    }
}

TEST_F(WriteTagTest, FooterBitOfVersions2And3LeavesTheAudioAlone) {
    for (std::uint8_t version : {2, 3}) {
        const Bytes frame = version == 2 ? FrameV2("TT2", Latin1("Old title")) : Frame("TIT2", Latin1("Old title"));
        const Bytes old = Header(version, static_cast<std::uint32_t>(frame.size() + 30), 0x10) + frame + Zeros(30);
        Put(old + kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        tag.SetTitle("New");
        ASSERT_TRUE(tag.WriteTag(path));
        const Bytes file = File();
        ASSERT_EQ(file.size(), old.size() + kAudio.size()) << int{version};
        EXPECT_EQ(SynchsafeSize(file) + 10, old.size()) << int{version};
        EXPECT_EQ(Slice(file, old.size(), kAudio.size()), kAudio) << int{version};
    }
}

TEST_F(WriteTagTest, TagWithFramesBehindUnreadableBytesIsNotWritten) {
    const Bytes artist = Frame("TPE1", Latin1("Artist"));
    const Bytes title = Frame("TIT2", Latin1("Hidden"));
    const struct {
        Bytes body;
        bool written;
    } cases[] = {
        {artist + FromText("\x01junk") + title + Zeros(20), false},
        {artist + FrameHeader("TALB", 0xFFFFFFF0) + title, false},
        {artist + FromText("junk after the frames, none behind") + Zeros(20), true},
        // A frame header the tables do not know, or one too long for the tag, is no frame.
        {artist + FromText("\x01junk") + FrameHeader("QQQQ", 1) + Latin1("x"), true},
        {artist + FromText("\x01junk") + FrameHeader("TIT2", 100) + Latin1("x"), true},
        {artist + Zeros(10) + title, true},
    };
    for (const auto& c : cases) {
        const Bytes old = Header(3, static_cast<std::uint32_t>(c.body.size())) + c.body + kAudio;
        Put(old);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        tag.SetAlbum("New");
        EXPECT_EQ(tag.WriteTag(path).failure, c.written ? TWriteFailure::None : TWriteFailure::NotReadWhole)
            << c.body.size();
        if (!c.written) {
            EXPECT_EQ(File(), old);
            continue;
        }
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Album, "New");
        EXPECT_EQ(back.Artist, "Artist");
    }
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

TEST_F(WriteTagTest, TagClaimingMoreThanTheFileIsReplacedWhole) {
    // The file ends inside the tag, so all of it is the old tag: its frames are kept and none
    // of its bytes stay behind the new tag, written in place when its frames fit, else rebuilt.
    const Bytes picture = Frame("APIC", Bytes(3000, 0x89));
    const struct {
        Bytes old;
        std::size_t length;  // of the file written
    } cases[] = {
        {Header(3, 5102) + Frame("TIT2", Latin1("A long old title")) + picture, 10 + 27 + 3010},
        {Header(3, 100000) + Frame("TIT2", Latin1("Old")) + picture + Bytes{0, 0, 'x'}, 4096},
    };
    for (const auto& c : cases) {
        Put(c.old);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        tag.SetTitle("New title");
        ASSERT_TRUE(tag.WriteTag(path));
        const Bytes expected = Frame("TIT2", Latin1("New title")) + picture;
        const Bytes file = File();
        EXPECT_EQ(file.size(), c.length);
        EXPECT_EQ(SynchsafeSize(file) + 10, c.length);
        EXPECT_EQ(Slice(file, 10, expected.size()), expected);
    }
}

TEST_F(WriteTagTest, NewTextIsLatin1WhenItCanBeAndUtf16Otherwise) {
    const struct {
        std::string_view text;
        Bytes content;
    } cases[] = {
        {"\xC3\x86\xC3\xA8\xC3\xA2", Latin1("\xC6\xE8\xE2")},
        {"\xE2\x82\xAC and \xC5\x93", Utf16(u"\u20AC and \u0153")},  // code page 1252 beyond ISO-8859-1
        {"\xD0\x96 \xE6\x9D\xB1", Utf16(u"\u0416 \u6771")},
        // A zero byte would end a UTF-16 text: encoding 0 keeps it, in the code page.
        {std::string_view("\xE2\x82\xAC\0\xC5\x93", 6), Latin1(std::string_view("\x80\0\x9C", 3))},
    };
    for (const auto& c : cases) {
        Put(kAudio);
        TID3v2 tag;
        tag.SetArtist(c.text);
        tag.SetComment(c.text);
        ASSERT_TRUE(tag.WriteTag(path));
        const Bytes comment = c.content[0] == 0 ? Bytes{0} + FromText("eng") + Bytes{0} + Bytes(c.content.begin() + 1, c.content.end())
                                                : Bytes{1} + FromText("eng") + Bytes{0xFF, 0xFE, 0, 0} +
                                                      Bytes(c.content.begin() + 1, c.content.end());
        const Bytes expected = Frame("TPE1", c.content) + Frame("COMM", comment);
        EXPECT_EQ(Slice(File(), 10, expected.size()), expected) << c.text;
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Artist, c.text);
        EXPECT_EQ(back.Comment, c.text);
    }
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
    EXPECT_EQ(TitleOnly("x").WriteTag(dir.File("missing.mp3")).failure, TWriteFailure::NoSuchFile);
    EXPECT_FALSE(std::filesystem::exists(dir.Native("missing.mp3")));
    EXPECT_FALSE(std::filesystem::exists(dir.Native("missing.mp3~")));
    std::filesystem::create_directory(dir.Native("folder.mp3"));
    EXPECT_EQ(TitleOnly("x").WriteTag(dir.File("folder.mp3")).failure, TWriteFailure::NotRegularFile);
    EXPECT_FALSE(std::filesystem::exists(dir.Native("folder.mp3~")));
}

TEST_F(WriteTagTest, FileShorterThanTenBytesIsNotWritten) {
    for (const Bytes& tiny : {Bytes{}, FromText("ID3\x03\x00"), FromText("123456789")}) {
        Put(tiny);
        EXPECT_EQ(TitleOnly("x").WriteTag(path).failure, TWriteFailure::TooShort);
        EXPECT_EQ(File(), tiny);
        EXPECT_FALSE(TemporaryLeft());
    }
}

TEST_F(WriteTagTest, TemporaryNameThatCannotBeCreatedFailsAndLeavesBothAlone) {
    Put(kAudio);
    std::filesystem::create_directory(dir.Native("song.mp3~"));
    WriteBytes(dir.Native("song.mp3~") / "inside", {1});
    EXPECT_EQ(TitleOnly("x").WriteTag(path).failure, TWriteFailure::TemporaryFile);
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

// A tag over 64 MiB, old or new, is refused before the file is touched: that bounds a
// write's memory.
TEST_F(WriteTagTest, TagsOver64MiBAreRefusedAndTheFileIsUntouched) {
    constexpr std::size_t k64MiB = std::size_t{64} << 20;
    for (std::size_t oldLength : {k64MiB, k64MiB + 1}) {
        // Sparse: the frames are all padding.
        Put(Header(3, static_cast<std::uint32_t>(oldLength - 10)));
        std::filesystem::resize_file(dir.Native("song.mp3"), oldLength + kAudio.size());
        const TWriteResult result = TitleOnly("x").WriteTag(path);
        EXPECT_EQ(result.failure, oldLength > k64MiB ? TWriteFailure::TooLarge : TWriteFailure::None) << oldLength;
        EXPECT_EQ(std::filesystem::file_size(dir.Native("song.mp3")), oldLength + kAudio.size());
        EXPECT_FALSE(TemporaryLeft());
    }
    if constexpr (sizeof(void*) < 8) return;  // the new tag below needs a 64-bit address space
    Put(kAudio);
    TID3v2 tag;
    tag.SetComment(std::string(k64MiB, 'c'));
    EXPECT_EQ(tag.WriteTag(path).failure, TWriteFailure::TooLarge);
    EXPECT_EQ(File(), kAudio);
    EXPECT_FALSE(TemporaryLeft());
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
// Memory that runs out (as in a crowded 32-bit player), made in a child process with a
// bound on its address space.
TEST_F(WriteTagTest, AnAllocationFailureIsReportedAndChangesNothing) {
    Put(kAudio);
    const pid_t child = fork();
    if (child == 0) {
        TID3v2 tag;
        tag.SetComment(std::string(std::size_t{48} << 20, 'c'));
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlimit bound{static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + (std::size_t{64} << 20)), RLIM_INFINITY};
        if (setrlimit(RLIMIT_AS, &bound) != 0) _exit(2);
        const TWriteResult result = tag.WriteTag(path);
        _exit(result.failure == TWriteFailure::OutOfMemory ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "not OutOfMemory";
    EXPECT_EQ(File(), kAudio);
    EXPECT_FALSE(TemporaryLeft());
}
#endif

#ifdef __linux__
// A full disk, made in a child process with a small file system of its own (where the
// system lets it mount one).
TEST_F(WriteTagTest, AFullDiskIsNamedAndLeavesTheFileAsItWas) {
    const std::filesystem::path small = dir.Native("small");
    std::filesystem::create_directory(small);
    const pid_t child = fork();
    if (child == 0) {
        const bool mounted = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                             mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") == 0;
        if (!mounted) _exit(77);
        const Bytes audio(150000, 0x33);
        WriteBytes(small / "song.mp3", audio);
        const TWriteResult result = TitleOnly("x").WriteTag((small / "song.mp3").u16string());
        const bool unchanged = ReadBytes(small / "song.mp3") == audio && !std::filesystem::exists(small / "song.mp3~");
        _exit(result.failure == TWriteFailure::DiskFull && unchanged ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no file system of our own could be mounted here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "not DiskFull, or the file changed";
}
#endif

TEST_F(WriteTagTest, AClearedFieldIsWrittenEmptyWhereItsValueCameFromAndHidesTheFallback) {
    using std::string_view;
    const Bytes tit1 = Frame("TIT1", Latin1("Group")), tope = Frame("TOPE", Latin1("OrigArt"));
    const Bytes firstComment = Frame("COMM", Latin1(string_view("eng\0first", 9)));
    const Bytes tory = Frame("TORY", Latin1("1990"));
    const struct {
        std::vector<Bytes> old;
        void (*clear)(TID3v2&);
        Bytes written;
    } cases[] = {
        {{Frame("TIT2", Latin1("Title")), tit1}, [](TID3v2& t) { t.SetTitle(""); }, Frame("TIT2", Latin1("")) + tit1},
        {{tit1}, [](TID3v2& t) { t.SetTitle(""); }, Frame("TIT2", Latin1(""))},
        {{Frame("TPE1", Latin1("Artist")), tope}, [](TID3v2& t) { t.SetArtist(""); }, Frame("TPE1", Latin1("")) + tope},
        {{Frame("TRCK", Latin1("1")), Frame("TRCK", Latin1("2/9"))}, [](TID3v2& t) { t.SetTrackNumber(0); },
         Frame("TRCK", Latin1("1")) + Frame("TRCK", Latin1(""))},
        // The emptied comment keeps its language and description.
        {{firstComment, Frame("COMM", Bytes{1} + FromText("deu") + Marked(u"\u0416") + Bytes{0, 0} + Marked(u"second"))},
         [](TID3v2& t) { t.SetComment(""); },
         firstComment + Frame("COMM", Bytes{1} + FromText("deu") + Marked(u"\u0416") + Bytes{0, 0} + Marked(u""))},
        // No date is left to state the year; the original release year is another matter.
        {{Frame("TYER", Latin1("2004")), Frame("TDRC", Latin1("2004-05-01")), Frame("TDAT", Latin1("0105")), tory},
         [](TID3v2& t) { t.SetYear(""); }, Frame("TYER", Latin1("")) + tory},
    };
    for (const auto& c : cases) {
        Put(Tag(3, c.old, 100) + kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        c.clear(tag);
        ASSERT_TRUE(tag.WriteTag(path));
        EXPECT_EQ(Slice(File(), 10, c.written.size() + 1), c.written + Bytes{0});
        TID3v2 back;
        ASSERT_TRUE(back.ReadTag(path));
        EXPECT_EQ(back.Title + back.Artist + back.Year + back.Comment, "");
        EXPECT_EQ(back.TrackNumber, 0);
    }
}

TEST_F(WriteTagTest, AYearEditCarriesIntoTheRecordingDateNotTheOriginalRelease) {
    const Bytes originals = Frame("TORY", Latin1("1990")) + Frame("TDOR", Latin1("1990-01-01"));
    const struct {
        const char* year;
        const char* dateBefore;
        const char* dayBefore;
        const char* dateAfter;  // empty: the frame is gone
        const char* dayAfter;
    } cases[] = {
        {"2001", "2004-05-01", "0105", "2001-05-01", "0105"},
        {"2001", "2004-02-29T10:00", "2902", "2001-02", ""},  // no 29 February in 2001
        {"2008", "2004-02-29", "2902", "2008-02-29", "2902"},
        {"99", "2004-05-01", "0105", "", ""},  // no year a date can hold
    };
    for (const auto& c : cases) {
        Put(Tag(3, {Frame("TYER", Latin1("2004")), Frame("TDRC", Latin1(c.dateBefore)), Frame("TDAT", Latin1(c.dayBefore)),
                    originals},
                100) +
            kAudio);
        TID3v2 tag;
        ASSERT_TRUE(tag.ReadTag(path));
        tag.SetYear(c.year);
        ASSERT_TRUE(tag.WriteTag(path));
        auto frameOrNone = [](const char* id, std::string_view text) {
            return text.empty() ? Bytes{} : Frame(id, Latin1(text));
        };
        const Bytes expected = Frame("TYER", Latin1(c.year)) + frameOrNone("TDRC", c.dateAfter) +
                               frameOrNone("TDAT", c.dayAfter) + originals + Bytes{0};
        EXPECT_EQ(Slice(File(), 10, expected.size()), expected) << c.year << ' ' << c.dateBefore;
    }
}

TEST_F(WriteTagTest, AnEditRemovesUnreadableFramesOfItsTextIdOnly) {
    const Bytes packedComment = Frame("COMM", Latin1("engzipped"), 0x80);
    const Bytes packedUser = Frame("TXXX", Latin1("zipped"), 0x80);
    Put(Tag(3, {Frame("TALB", Latin1("zipped"), 0x80), Frame("TALB", Bytes{7, 'x'}), Frame("TALB", Latin1("Old")),
                packedComment, packedUser},
            100) +
        kAudio);
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    ASSERT_EQ(tag.Album, "Old");
    tag.SetAlbum("New");
    tag.SetComment("Note");
    ASSERT_TRUE(tag.WriteTag(path));
    const Bytes expected = Frame("COMM", Latin1(std::string_view("eng\0Note", 8))) + Frame("TALB", Latin1("New")) +
                           packedComment + packedUser + Bytes{0};
    EXPECT_EQ(Slice(File(), 10, expected.size()), expected);
}
