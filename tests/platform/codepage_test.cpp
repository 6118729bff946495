#include <gtest/gtest.h>

#include "platform/codepage.h"

using platform::AnsiFromUtf16;
using platform::AnsiFromUtf16Unit;
using platform::Utf16FromAnsi;
using platform::Utf16FromUtf8;
using platform::Utf8FromUtf16;

// Both builds use code page 1252 here (wine's ANSI code page too), so the same table holds.
TEST(AnsiCodePage, MapsLatinAndWindowsPunctuationBothWays) {
    EXPECT_EQ(AnsiFromUtf16Unit(u'A'), "A");
    EXPECT_EQ(AnsiFromUtf16Unit(u'\u00E9'), "\xE9");
    EXPECT_EQ(AnsiFromUtf16Unit(u'\u20AC'), "\x80");
    EXPECT_EQ(AnsiFromUtf16Unit(u'\u2019'), "\x92");
    EXPECT_EQ(Utf16FromAnsi("\x80\x92\xE9\xFF"), u"\u20AC\u2019\u00E9\u00FF");
}

TEST(AnsiCodePage, MissingCharacterBecomesDefaultCharacterNotALookAlike) {
    EXPECT_EQ(AnsiFromUtf16Unit(u'\u0100'), "?");  // best fit would give "A"
    EXPECT_EQ(AnsiFromUtf16Unit(u'\u0416'), "?");
    EXPECT_EQ(AnsiFromUtf16(u"a\u0100b"), "a?b");
}

TEST(AnsiCodePage, EveryByteSurvivesARoundTrip) {
    for (int byte = 1; byte < 256; ++byte) {
        std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(AnsiFromUtf16(Utf16FromAnsi(one)), one) << "byte " << byte;
    }
}

TEST(Utf8, ConvertsAllPlanesAndReplacesMalformedInput) {
    EXPECT_EQ(Utf16FromUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5"), u"a\u00E9\u20AC\U0001F3B5");
    EXPECT_EQ(Utf8FromUtf16(u"a\u00E9\u20AC\U0001F3B5"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5");
    EXPECT_EQ(Utf16FromUtf8("\xC3"), u"\uFFFD");               // cut short
    EXPECT_EQ(Utf16FromUtf8("\xC0\xAFx"), u"\uFFFD\uFFFDx");  // overlong
    EXPECT_EQ(Utf16FromUtf8("\xFFz"), u"\uFFFDz");
    EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}
