#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, TrimCutsOnlyTheGivenCharactersAtTheEnds) {
    EXPECT_EQ(platform::Trim("  a b  "), "a b");
    EXPECT_EQ(platform::Trim("\t a\t", " \t"), "a");
    EXPECT_EQ(platform::Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(platform::Trim("   "), "");
}

TEST(Text, LetterCaseFoldsAsciiLettersOnly) {
    EXPECT_EQ(platform::AsciiLower("Keep-Alive \xC4\xE4"), "keep-alive \xC4\xE4");
    EXPECT_TRUE(platform::EqualNoCase("Set-Cookie", "set-cOOKIE"));
    EXPECT_FALSE(platform::EqualNoCase("\xC4", "\xE4"));
    EXPECT_FALSE(platform::EqualNoCase("keep-alive", "keep-alive "));
}

}  // namespace
