// The frame walk: which frames reach the fields, where the walk stops, and crafted tags that
// must neither hang nor read out of bounds.
#include <gtest/gtest.h>

#include "tests/tags/tag_bytes.h"

using namespace tag_bytes;
using test_support::TempDir;

TEST(FrameWalk, EveryFrameOfVersion3And4ReachesItsField) {
    TempDir dir;
    for (std::uint8_t version : {3, 4}) {
        Bytes file = Tag(version, {Frame("TIT2", Latin1("Title")), Frame("TPE1", Latin1("Artist")),
                                   Frame("TALB", Latin1("Album")), Frame("TRCK", Latin1("7/9")),
                                   Frame("TYER", Latin1("1999")), Frame("TCON", Latin1("Jazz")),
                                   Frame("COMM", Latin1(std::string_view("eng\0Note", 8))),
                                   Frame("TCOM", Latin1("Composer")), Frame("TENC", Latin1("Encoder")),
                                   Frame("TCOP", Latin1("(c) 1999")), Frame("TLAN", Latin1("eng")),
                                   Frame("WXXX", Latin1(std::string_view("\0http://x.example/", 18))),
                                   Frame("TSIZ", Latin1("12345"))},
                         100);
        TID3v2 tag = ReadAsFile(dir, file);
        EXPECT_EQ(tag.Title, "Title");
        EXPECT_EQ(tag.Artist, "Artist");
        EXPECT_EQ(tag.Album, "Album");
        EXPECT_EQ(tag.TrackNumber, 7);
        EXPECT_EQ(tag.TrackText, "7/9");
        EXPECT_EQ(tag.Year, "1999");
        EXPECT_EQ(tag.Genre, "Jazz");
        EXPECT_EQ(tag.Comment, "Note");
        EXPECT_EQ(tag.Composer, "Composer");
        EXPECT_EQ(tag.EncodedBy, "Encoder");
        EXPECT_EQ(tag.RightsNotice, "(c) 1999");
        EXPECT_EQ(tag.Language, "eng");
        EXPECT_EQ(tag.UserUrl, "http://x.example/");
        EXPECT_EQ(tag.AudioSizeText, "12345");
    }
}

TEST(FrameWalk, Version2UsesThreeCharacterIdsAndItsOwnFallbacks) {
    TempDir dir;
    Bytes file = Tag(2, {FrameV2("TT1", Latin1("Group")), FrameV2("TOA", Latin1("Original")),
                         FrameV2("TAL", Latin1("Album")), FrameV2("TRK", Latin1("2")),
                         FrameV2("TOR", Latin1("1987")), FrameV2("TCO", Latin1("(8)")),
                         FrameV2("COM", Latin1(std::string_view("eng\0Hi", 6))),
                         FrameV2("TCM", Latin1("Comp")), FrameV2("TEN", Latin1("Enc")),
                         FrameV2("TCR", Latin1("Copy")), FrameV2("TLA", Latin1("ger")),
                         FrameV2("WXX", Latin1(std::string_view("d\0http://u/", 11))),
                         FrameV2("TSI", Latin1("99")),
                         // Four-character ids mean nothing in version 2.
                         FrameV2("TIT", Latin1("no"))},
                     20);
    TID3v2 tag = ReadAsFile(dir, file);
    EXPECT_EQ(tag.Title, "Group");
    EXPECT_EQ(tag.Artist, "Original");
    EXPECT_EQ(tag.Album, "Album");
    EXPECT_EQ(tag.TrackNumber, 2);
    EXPECT_EQ(tag.Year, "1987");
    EXPECT_EQ(tag.Genre, "");
    EXPECT_EQ(tag.Comment, "Hi");
    EXPECT_EQ(tag.Composer, "Comp");
    EXPECT_EQ(tag.EncodedBy, "Enc");
    EXPECT_EQ(tag.RightsNotice, "Copy");
    EXPECT_EQ(tag.Language, "ger");
    EXPECT_EQ(tag.UserUrl, "http://u/");
    EXPECT_EQ(tag.AudioSizeText, "99");
    // The tables are not mixed: version 3 ids in a version 2 tag are not frames of it.
    EXPECT_EQ(ReadAsFile(dir, Tag(2, {Frame("TIT2", Latin1("x"))})).Title, "");
    EXPECT_EQ(ReadAsFile(dir, Tag(3, {FrameV2("TT2", Latin1("x"))})).Title, "");
}

TEST(FrameWalk, TheLaterOfTwoEqualFramesWins) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1("First")), Frame("TIT2", Latin1("Second"))}));
    EXPECT_EQ(tag.Title, "Second");
}

TEST(FrameWalk, WalkEndsAtAFrameIdThatDoesNotStartWithAnUppercaseLetter) {
    TempDir dir;
    for (const char* stopper : {"1ABC", "tIT2", "@XYZ", "[ABC"}) {
        TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TPE1", Latin1("Before")),
                                             Frame(stopper, Latin1("junk")),
                                             Frame("TIT2", Latin1("After"))}));
        EXPECT_EQ(tag.Artist, "Before") << stopper;
        EXPECT_EQ(tag.Title, "") << stopper;
    }
    // Only the first byte is tested: "Z" followed by anything is a frame to pass over.
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("Z\x01\x02\x03", Latin1("x")), Frame("TIT2", Latin1("After"))}));
    EXPECT_EQ(tag.Title, "After");
}

TEST(FrameWalk, UnknownFramesArePassedOverByTheirFullSize) {
    TempDir dir;
    Bytes picture = Bytes{0} + FromText("image/png") + Bytes{0, 3, 0} + Bytes(70000, 0x89);
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("APIC", picture), Frame("TXXX", Latin1("d\0v")),
                                         Frame("TIT2", Latin1("After picture"))}));
    EXPECT_EQ(tag.Title, "After picture");
}

TEST(FrameWalk, CompressedVersion3FramesArePassedOver) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1("Packed"), 0x80),
                                         Frame("TIT1", Latin1("Group"))}));
    EXPECT_EQ(tag.Title, "Group");
    // Other flag bits do not stop a frame.
    tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1("Plain"), 0x40)}));
    EXPECT_EQ(tag.Title, "Plain");
}

TEST(FrameWalk, ExtendedHeaderIsPassedOverByItsStatedSize) {
    TempDir dir;
    // Version 3 states the size without its own 4 bytes, version 4 with them, synchsafe.
    const std::pair<std::uint8_t, Bytes> cases[] = {{3, Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}},
                                                    {4, Bytes{0, 0, 0, 6, 1, 0}},
                                                    {4, Bytes{0, 0, 1, 2} + Bytes(126, 0x11)}};
    for (const auto& [version, extended] : cases) {
        Bytes body = extended + Frame("TIT2", Latin1("Found")) + Zeros(20);
        TID3v2 tag = ReadAsFile(dir, Header(version, static_cast<std::uint32_t>(body.size()), 0x40) + body);
        EXPECT_EQ(tag.Title, "Found") << int{version} << " " << extended.size();
    }
    // The flag without an extended header: the size bytes are a frame id.
    for (std::uint8_t version : {3, 4}) {
        Bytes body = Frame("TIT2", Latin1("At ten")) + Frame("TALB", Latin1("Album")) + Zeros(20);
        TID3v2 tag = ReadAsFile(dir, Header(version, static_cast<std::uint32_t>(body.size()), 0x40) + body);
        EXPECT_EQ(tag.Title, "At ten") << int{version};
        EXPECT_EQ(tag.Album, "Album") << int{version};
    }
}

TEST(FrameWalk, UnsynchronisationIsUndoneForTheWholeTagOfVersions2And3OrPerVersion4Frame) {
    TempDir dir;
    const Bytes title = Latin1("\xFF\xFF y\xFF");
    const Bytes artist = Utf16(u"\u00FF\u01FF");
    const Bytes v2 = Unsynchronise(FrameV2("TT2", title) + FrameV2("TP1", artist) + FrameV2("TAL", Latin1("After"))) + Zeros(10);
    const Bytes v3 = Unsynchronise(Frame("TIT2", title) + Frame("TPE1", artist) + Frame("TALB", Latin1("After"))) + Zeros(10);
    const Bytes v4 = Frame("TIT2", Unsynchronise(title), 0x02) + Frame("TPE1", Unsynchronise(artist), 0x02) +
                     Frame("TALB", Latin1("After")) + Zeros(10);
    // In version 4 the header's flag means every frame, whatever the frame's own flag says.
    const Bytes v4ByHeader = Frame("TIT2", Unsynchronise(title)) + Frame("TPE1", Unsynchronise(artist), 0x02) +
                             Frame("TALB", Latin1("After")) + Zeros(10);
    const std::pair<std::uint8_t, const Bytes*> cases[] = {{2, &v2}, {3, &v3}, {4, &v4}, {4, &v4ByHeader}};
    for (const auto& [version, body] : cases) {
        TID3v2 tag = ReadAsFile(dir, Header(version, static_cast<std::uint32_t>(body->size()), 0x80) + *body);
        EXPECT_EQ(tag.Title, "\xC3\xBF\xC3\xBF y\xC3\xBF") << int{version} << " " << body->size();
        EXPECT_EQ(tag.Artist, "\xC3\xBF\xC7\xBF") << int{version} << " " << body->size();
        EXPECT_EQ(tag.Album, "After") << int{version} << " " << body->size();
    }
}

TEST(FrameWalk, Version4GroupAndDataLengthArePassedCompressedAndEncryptedFramesSkipped) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(4, {Frame("TIT2", Bytes{7} + Latin1("Grouped"), 0x40),
                                         Frame("TPE1", Bytes{0, 0, 0, 9} + Latin1("Measured"), 0x01),
                                         Frame("TALB", Bytes{0, 0, 0, 9} + Latin1("Packed"), 0x09),
                                         Frame("TOAL", Bytes{1} + Latin1("Secret"), 0x04)}));
    EXPECT_EQ(tag.Title, "Grouped");
    EXPECT_EQ(tag.Artist, "Measured");
    EXPECT_EQ(tag.Album, "");
}

TEST(FrameWalk, Version4FrameSizesAreSynchsafeOrPlainByWhatFollows) {
    TempDir dir;
    // 00 00 01 48 is 200 synchsafe, 328 plain; the content is 200 bytes in the first file and
    // 328 (as some taggers wrote version 4) in the second.
    for (std::size_t length : {200, 328}) {
        Bytes content = Latin1("Long") + Bytes(length - 5, 'a');
        for (std::size_t i = 100; i < content.size(); i += 50) content[i] = 0;
        Bytes file = Tag(4, {FrameHeader("TIT2", 0x148) + content, Frame("TPE1", Latin1("Next"))}, 10);
        TID3v2 tag = ReadAsFile(dir, file);
        EXPECT_EQ(tag.Title.substr(0, 4), "Long") << length;
        EXPECT_EQ(tag.Artist, "Next") << length;
    }
    // Below 128 both readings agree.
    EXPECT_EQ(ReadAsFile(dir, Tag(4, {Frame("TIT2", Latin1("Short"))})).Title, "Short");
}

TEST(FrameWalk, FramesAreCutToTheirFirst500Bytes) {
    TempDir dir;
    std::string text(599, 'a');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1(text)), Frame("TPE1", Latin1("Next"))}));
    EXPECT_EQ(tag.Title, text.substr(0, 499));
    EXPECT_EQ(tag.Artist, "Next");

    std::u16string wide(300, u'\u00E9');
    tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Utf16(wide))}));
    // 249 code units fit, the first of them the byte-order mark.
    std::string title;
    for (int i = 0; i < 248; ++i) title += "\xC3\xA9";
    EXPECT_EQ(tag.Title, title);
}

TEST(FrameWalk, FramesAfterTheTagAreNotRead) {
    TempDir dir;
    Bytes file = Tag(3, {Frame("TIT2", Latin1("In"))}) + Frame("TPE1", Latin1("Out"));
    TID3v2 tag = ReadAsFile(dir, file);
    EXPECT_EQ(tag.Title, "In");
    EXPECT_EQ(tag.Artist, "");
}

// Crafted tags. Each of these once could loop for ever, read past a buffer or stall; the
// test's time-out would catch a hang.
TEST(CraftedTags, NegativeFrameSizeEndsTheWalk) {
    TempDir dir;
    for (std::uint32_t size : {0xFFFFFFF6u, 0x80000000u, 0xFFFFFFFFu}) {
        Bytes file = Tag(3, {Frame("TPE1", Latin1("Kept")), FrameHeader("TIT2", size) + Latin1("Bad"),
                             Frame("TALB", Latin1("Behind"))},
                         50);
        TID3v2 tag = ReadAsFile(dir, file);
        EXPECT_EQ(tag.Artist, "Kept") << size;
        EXPECT_EQ(tag.Title, "") << size;
        EXPECT_EQ(tag.Album, "") << size;
    }
}

TEST(CraftedTags, HugeFrameSizeReadsAtMost500BytesAndEndsTheWalk) {
    TempDir dir;
    Bytes file = Tag(3, {FrameHeader("TIT2", 0x7FFFFFFF) + Latin1("Huge"), Frame("TPE1", Latin1("x"))});
    TID3v2 tag = ReadAsFile(dir, file);
    // Content runs to the end of the file (the next frame included), then the walk is done.
    EXPECT_EQ(tag.Title, std::string("HugeTPE1\0\0\0\x02\0\0\0x", 16));
    EXPECT_EQ(tag.Artist, "");
    Bytes v2 = Tag(2, {FromText("TT2\xFF\xFF\xFF") + Latin1("Big2")});
    EXPECT_EQ(ReadAsFile(dir, v2).Title, "Big2");
}

TEST(CraftedTags, FrameHeaderCutShortByTheEndOfTheFileEndsTheWalk) {
    TempDir dir;
    // The tag claims exactly the file; the last header has only 4 of its 10 bytes.
    Bytes body = Frame("TIT2", Latin1("Whole")) + FromText("TPE1");
    Bytes file = Header(3, static_cast<std::uint32_t>(body.size())) + body;
    TID3v2 tag = ReadAsFile(dir, file);
    EXPECT_EQ(tag.Title, "Whole");
    EXPECT_EQ(tag.Artist, "");
    Bytes bodyV2 = FrameV2("TT2", Latin1("Whole")) + FromText("TP1\x00");
    EXPECT_EQ(ReadAsFile(dir, Header(2, static_cast<std::uint32_t>(bodyV2.size())) + bodyV2).Artist, "");
}

TEST(CraftedTags, ContentCutShortByTheEndOfTheFileKeepsWhatIsThere) {
    TempDir dir;
    Bytes file = Header(3, 200) + FrameHeader("TIT2", 400) + Latin1("Cut");
    file = file + Zeros(210 - file.size());  // tag fits the file, the frame does not
    TID3v2 tag = ReadAsFile(dir, file);
    EXPECT_EQ(tag.Title, "Cut");
}

TEST(CraftedTags, ManyEmptyFramesAreWalkedForwardToTheEnd) {
    TempDir dir;
    // 100000 frames of size 0: each step still moves on by its header.
    Bytes body;
    body.reserve(1000100);
    const Bytes empty = FrameHeader("XXXX", 0);
    for (int i = 0; i < 100000; ++i) body.insert(body.end(), empty.begin(), empty.end());
    body = body + Frame("TIT2", Latin1("Last"));
    TID3v2 tag = ReadAsFile(dir, Header(3, static_cast<std::uint32_t>(body.size())) + body);
    EXPECT_EQ(tag.Title, "Last");
    EXPECT_EQ(tag.TotalSize, static_cast<std::int32_t>(body.size() + 10));
}

TEST(CraftedTags, EmptyFrameOfAKnownIdGivesAnEmptyField) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", {}), Frame("TIT1", Latin1("Group"))}));
    EXPECT_EQ(tag.Title, "Group");
}
