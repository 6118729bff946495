// Text encodings, fallback frames, and the track, year, genre, comment and URL rules.
#include <gtest/gtest.h>

#include "tags/frame_text.h"
#include "tests/tags/tag_bytes.h"

using namespace tag_bytes;
using test_support::TempDir;

namespace {

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// What the walk hands over: the content zero-filled to 500 bytes.
std::string Slot(const Bytes& content) {
    std::string slot = AsText(content);
    slot.resize(500, '\0');
    return slot;
}

}  // namespace

TEST(Encodings, Encoding0IsReadInTheCodePageAndTrimmed) {
    // Code page 1252 on both builds here: 0xE9 is "é", 0x80 is "€".
    EXPECT_EQ(tags::DecodeText(Slot(Latin1("Caf\xE9 \x80"))), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(tags::DecodeText(Slot(Latin1(" \t\x01 padded \x1F "))), "padded");
    // A second string after a terminator stays part of the value.
    EXPECT_EQ(tags::DecodeText(Slot(Latin1(std::string_view("one\0two", 7)))), std::string("one\0two", 7));
    EXPECT_EQ(tags::DecodeText(""), "");
    EXPECT_EQ(tags::DecodeText(Slot(Latin1("   "))), "");
}

TEST(Encodings, Utf16EndsAtAZeroUnitAndIgnoresAnOddLastByte) {
    EXPECT_EQ(tags::DecodeText(Slot(Bytes{1, 'a', 0, 0, 0, 'b', 0})), "a");
    EXPECT_EQ(tags::DecodeText(AsText(Bytes{1, 'a', 0, 'b'})), "a");
}

TEST(Encodings, EveryUnicodeEncodingAndByteOrderKeepsEveryCharacter) {
    const struct {
        Bytes content;
        const char* text;
    } cases[] = {
        {Bytes{1, 0xFF, 0xFE, 0xE9, 0x00, 'x', 0}, "\xC3\xA9x"},  // little-endian mark
        {Bytes{1, 0xFE, 0xFF, 0x00, 0xE9, 0, 'x'}, "\xC3\xA9x"},  // big-endian mark
        {Bytes{1, 0xE9, 0x00, 'x', 0}, "\xC3\xA9x"},              // no mark: little-endian
        {Bytes{1, 'h', 0, 'i', 0}, "hi"},
        {Utf16(u"  x  "), "x"},
        {Utf16BigEndian(u"\u00E9x"), "\xC3\xA9x"},
        {Utf8("\xC3\xA9x"), "\xC3\xA9x"},
        {Utf8("\xEF\xBB\xBF\xC3\xA9x"), "\xC3\xA9x"},  // a UTF-8 mark is no character
        // Only the mark is skipped: U+00FF and other units whose low byte is FF stay.
        {Utf16(u"a\u00FFb\u01FFc"), "a\xC3\xBF" "b\xC7\xBF" "c"},
        {Bytes{1, 0xFE, 0xFF, 0x00, 0xFF}, "\xC3\xBF"},
        // Beyond the code page and beyond the basic plane.
        {Utf16(u"\u0416 \U0001F3B5"), "\xD0\x96 \xF0\x9F\x8E\xB5"},
        // Encodings 2 and 3 end at their terminator like encoding 1.
        {Utf16BigEndian(std::u16string(u"one\0two", 7)), "one"},
        {Utf8(std::string_view("one\0two", 7)), "one"},
    };
    for (const auto& c : cases) EXPECT_EQ(tags::DecodeText(Slot(c.content)), c.text) << AsText(c.content);
}

TEST(Encodings, JapaneseTitleAndCyrillicArtistComeBackWholeInEveryUnicodeEncoding) {
    const std::u16string title = u"\u6771\u4EAC\u306E\u591C";   // 東京の夜
    const std::u16string artist = u"\u041A\u0438\u043D\u043E";  // Кино
    const std::string titleUtf8 = "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x81\xAE\xE5\xA4\x9C";
    const std::string artistUtf8 = "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE";
    const struct {
        std::uint8_t version;
        Bytes titleContent, artistContent;
    } cases[] = {
        {3, Utf16(title), Utf16(artist)},
        {4, Utf16BigEndian(title), Utf16BigEndian(artist)},
        {4, Utf8(titleUtf8), Utf8(artistUtf8)},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const TID3v2 tag = ReadAsFile(dir, Tag(c.version, {Frame("TIT2", c.titleContent), Frame("TPE1", c.artistContent)}));
        EXPECT_EQ(tag.Title, titleUtf8) << int{c.titleContent[0]};
        EXPECT_EQ(tag.Artist, artistUtf8) << int{c.titleContent[0]};
    }
}

TEST(Encodings, NewTextIsEncoding0OnlyWhenLatin1AndTheCodePageHoldItAlike) {
    const struct {
        const char* text;
        unsigned char encoding;
    } cases[] = {
        {"Plain ASCII", 0},
        {"Caf\xC3\xA9 \xC3\xBF", 0},        // é and ÿ: one byte in both
        {"\xE2\x82\xAC", 1},                // €: 0x80 in 1252, a control in ISO-8859-1
        {"\xC2\x80", 1},                    // U+0080: 0x80 in ISO-8859-1 only
        {"\xC5\x92uvre", 1},                // Œ: 0x8C in 1252 only
        {"\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE", 1},  // Cyrillic
        {"\xE6\x9D\xB1\xE4\xBA\xAC", 1},    // Japanese
        {"", 0},
    };
    for (const auto& c : cases) {
        const std::string content = tags::EncodeText(c.text);
        ASSERT_FALSE(content.empty()) << c.text;
        EXPECT_EQ(static_cast<unsigned char>(content[0]), c.encoding) << c.text;
        if (c.encoding == 1) {
            EXPECT_EQ(content.substr(1, 2), "\xFF\xFE") << c.text;
        }
        EXPECT_EQ(tags::DecodeText(content), c.text);
    }
}

TEST(Encodings, FramesInEveryKnownEncodingFeedTheirFieldsOthersGiveWayToTheFallback) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(4, {Frame("TIT2", Utf8("Caf\xC3\xA9")), Frame("TIT1", Latin1("Group")),
                                         Frame("TPE1", Utf16BigEndian(u"\u00C4rtist")),
                                         Frame("COMM", Utf8(std::string_view("engd\0n\xC3\xA4", 9))),
                                         Frame("TALB", Bytes{4, 'a'}),
                                         Frame("TOAL", Utf16(u"Original \u00C4"))}));
    EXPECT_EQ(tag.Title, "Caf\xC3\xA9");
    EXPECT_EQ(tag.Artist, "\xC3\x84rtist");
    EXPECT_EQ(tag.Comment, "n\xC3\xA4");
    EXPECT_EQ(tag.Album, "Original \xC3\x84");
}

TEST(Fallbacks, SecondFrameIsUsedOnlyWhenTheFirstIsAbsentNotWhenItIsEmpty) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TIT2", Latin1(" \t ")), Frame("TIT1", Latin1("Group")),
                                         Frame("TPE1", Latin1("")), Frame("TOPE", Latin1("Original")),
                                         Frame("TOAL", Latin1("Old album")), Frame("TYER", Latin1("")),
                                         Frame("TDRC", Latin1("2004"))}));
    EXPECT_EQ(tag.Title, "");
    EXPECT_EQ(tag.Artist, "");
    EXPECT_EQ(tag.Album, "Old album");
    EXPECT_EQ(tag.Year, "");
    tag = ReadAsFile(dir, Tag(3, {Frame("TIT1", Latin1("Group")), Frame("TOPE", Latin1("Original")),
                                  Frame("TOAL", Latin1("Old album")), Frame("TALB", Latin1("Album"))}));
    EXPECT_EQ(tag.Title, "Group");
    EXPECT_EQ(tag.Artist, "Original");
    EXPECT_EQ(tag.Album, "Album");
}

TEST(Fallbacks, YearFallsBackToTheFirstFourCharactersOfTheDate) {
    TempDir dir;
    EXPECT_EQ(ReadAsFile(dir, Tag(4, {Frame("TDRC", Latin1("2004-05-01"))})).Year, "2004");
    EXPECT_EQ(ReadAsFile(dir, Tag(4, {Frame("TDRC", Latin1("99"))})).Year, "99");
    // Four characters, not four bytes.
    EXPECT_EQ(ReadAsFile(dir, Tag(4, {Frame("TDRC", Utf16(u"\u4EE4\u548C2\u5E74\u6625"))})).Year,
              "\xE4\xBB\xA4\xE5\x92\x8C" "2\xE5\xB9\xB4");
    EXPECT_EQ(ReadAsFile(dir, Tag(3, {Frame("TDRC", Latin1("2004")), Frame("TYER", Latin1("1971"))})).Year,
              "1971");
    EXPECT_EQ(ReadAsFile(dir, Tag(2, {FrameV2("TOR", Latin1("1965-01-01"))})).Year, "1965");
    EXPECT_EQ(tags::PickYear("", ""), "");
}

TEST(TrackNumber, NumberBeforeTheSlashAndTheTextAsStored) {
    TempDir dir;
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("TRCK", Latin1("3/12"))}));
    EXPECT_EQ(tag.TrackNumber, 3);
    EXPECT_EQ(tag.TrackText, "3/12");
    tag = ReadAsFile(dir, Tag(3, {Frame("TRCK", Utf16(u"4/10"))}));
    EXPECT_EQ(tag.TrackNumber, 4);
    EXPECT_EQ(tag.TrackText, "4/10");
    tag = ReadAsFile(dir, Tag(3, {Frame("TRCK", Latin1("3 /12"))}));
    EXPECT_EQ(tag.TrackNumber, 0);
    EXPECT_EQ(tag.TrackText, "3 /12");
}

TEST(TrackNumber, OnlyWholeNumbersCountAndKeepTheirLow16Bits) {
    struct Case {
        const char* text;
        std::uint16_t number;
    };
    const Case cases[] = {
        {"7", 7},          {" 7 ", 7},        {"+5", 5},         {"-1", 65535},
        {"70000", 4464},   {"$1F", 31},       {"0x10", 16},      {"0X1f", 31},
        {"-$2", 65534},    {"2147483647", 65535}, {"-2147483647", 1},
        {"2147483648", 0}, {"99999999999", 0}, {"A1", 0},        {"", 0},
        {"/5", 0},         {"1.5", 0},        {"$", 0},          {"0x", 0},
        {"--1", 0},        {"1e3", 0},        {"12a", 0},        {"$G", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tags::ParseTrackNumber(Slot(Latin1(c.text))), c.number) << '"' << c.text << '"';
    }
}

TEST(Genre, NumericReferencesAreCutOffNotLookedUp) {
    const std::pair<const char*, const char*> cases[] = {
        {"(17)Rock", "Rock"}, {"(17)", ""}, {"Rock", "Rock"}, {"Rock (live)", ""},
        {"(1)(2)Pop", "Pop"}, {"", ""},
    };
    for (const auto& [stored, genre] : cases) {
        EXPECT_EQ(tags::CleanGenre(Slot(Latin1(stored))), genre) << stored;
    }
    TempDir dir;
    EXPECT_EQ(ReadAsFile(dir, Tag(3, {Frame("TCON", Utf16(u"(9)Metal"))})).Genre, "Metal");
}

TEST(Comment, LanguageAndShortDescriptionAreSkipped) {
    TempDir dir;
    using std::string_view;
    EXPECT_EQ(ReadAsFile(dir, Tag(3, {Frame("COMM", Latin1(string_view("eng\0nice", 8)))})).Comment, "nice");
    EXPECT_EQ(ReadAsFile(dir, Tag(3, {Frame("COMM", Latin1(string_view("engdesc\0text", 12)))})).Comment,
              "text");
    // UTF-16 with an empty description written as FF FE 00 00.
    Bytes utf16 = Bytes{1} + FromText("eng") + Bytes{0xFF, 0xFE, 0, 0} + Utf16(u"nice \u00E9");
    utf16.erase(utf16.begin() + 8);  // the second encoding byte Utf16() put in
    EXPECT_EQ(ReadAsFile(dir, Tag(3, {Frame("COMM", utf16)})).Comment, "nice \xC3\xA9");
    // A UTF-16 description ends at a zero unit, not at the zero high byte of its last letter.
    Bytes described = Bytes{1} + FromText("eng") + Marked(u"zwei") + Bytes{0, 0} + Marked(u"text");
    EXPECT_EQ(ReadAsFile(dir, Tag(3, {Frame("COMM", described)})).Comment, "text");
    EXPECT_EQ(tags::DecodeAfterDescription("", true), "");
    // iTunes' machine data is no comment to show, whatever its place or encoding.
    for (const Bytes& machine : {Latin1(string_view("engiTunNORM\0 0000021C", 22)),
                                 Bytes{1} + FromText("eng") + Marked(u"iTunSMPB") + Bytes{0, 0} + Marked(u"00")}) {
        EXPECT_EQ(ReadAsFile(dir, Tag(3, {Frame("COMM", Latin1(string_view("eng\0shown", 9))), Frame("COMM", machine)}))
                      .Comment,
                  "shown");
    }
}

TEST(Comment, WithoutSeparatorOnlyTheLanguageIsSkipped) {
    // Only a full 500-byte text leaves no zero byte to find.
    EXPECT_EQ(tags::DecodeAfterDescription(AsText(Latin1("engabc")), true), "abc");
    // UTF-16: one byte of the missing two-byte separator is dropped.
    EXPECT_EQ(tags::DecodeAfterDescription(AsText(Bytes{1, 'e', 'n', 'g', 'x', 'a', 0, 'b', 0}), true),
              "ab");
}

TEST(UserUrl, DescriptionIsSkippedAndTheUrlIsLatin1InEveryEncoding) {
    TempDir dir;
    // 0x80 is "€" in the code page but U+0080 in ISO-8859-1.
    TID3v2 tag = ReadAsFile(dir, Tag(3, {Frame("WXXX", Latin1(std::string_view("Home\0http://\xE9\x80.example/", 23)))}));
    EXPECT_EQ(tag.UserUrl, "http://\xC3\xA9\xC2\x80.example/");
    tag = ReadAsFile(dir, Tag(3, {Frame("WXXX", Utf16(u"\u041C\u043E\u0439") + Bytes{0, 0} + FromText("http://\xE9.example/"))}));
    EXPECT_EQ(tag.UserUrl, "http://\xC3\xA9.example/");
    EXPECT_EQ(tags::DecodeAfterDescription(tags::EncodeUserUrl(tag.UserUrl), false), tag.UserUrl);
    // The encoding byte is the description's; the URL is ISO-8859-1 in every version.
    const Bytes url = FromText("http://caf\xE9.example/");
    for (const Bytes& content : {Utf16(u"Home") + Bytes{0, 0} + url, Utf16BigEndian(u"Home") + Bytes{0, 0} + url,
                                 Utf8("Home") + Bytes{0} + url, Bytes{1, 0, 0} + url}) {
        for (std::uint8_t version : {3, 4}) {
            tag = ReadAsFile(dir, Tag(version, {Frame("WXXX", content)}));
            EXPECT_EQ(tag.UserUrl, "http://caf\xC3\xA9.example/") << int{content[0]} << " " << int{version};
        }
    }
    EXPECT_EQ(ReadAsFile(dir, Tag(2, {FrameV2("WXX", Utf16(u"d") + Bytes{0, 0} + url)})).UserUrl, "http://caf\xC3\xA9.example/");
}
