#include "toolkit/int_text.h"

#include <gtest/gtest.h>

namespace {

using toolkit::ParseInteger;

TEST(ParseInteger, ReadsDecimalAndHexadecimalWithBlanksAndSign) {
    EXPECT_EQ(ParseInteger("0"), 0);
    EXPECT_EQ(ParseInteger("  42"), 42);
    EXPECT_EQ(ParseInteger("-7"), -7);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("$1E"), 30);
    EXPECT_EQ(ParseInteger("0x1e"), 30);
    EXPECT_EQ(ParseInteger("x10"), 16);
    EXPECT_EQ(ParseInteger("-$10"), -16);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
}

TEST(ParseInteger, RefusesAnythingElse) {
    for (const char* text : {"", " ", "abc", "12a", "12 ", "1.5", "- 1", "$", "0x", "2147483648",
                             "-2147483649", "$100000000", "++1"}) {
        EXPECT_FALSE(ParseInteger(text).has_value()) << '"' << text << '"';
    }
}

}  // namespace
