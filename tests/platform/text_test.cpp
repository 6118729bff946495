#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, LetterCaseFoldsAsciiLettersOnly) {
    EXPECT_EQ(platform::AsciiLower("Keep-Alive \xC4\xE4"), "keep-alive \xC4\xE4");
    EXPECT_TRUE(platform::EqualNoCase("Set-Cookie", "set-cOOKIE"));
    EXPECT_FALSE(platform::EqualNoCase("\xC4", "\xE4"));
    EXPECT_FALSE(platform::EqualNoCase("keep-alive", "keep-alive "));
}

}  // namespace
