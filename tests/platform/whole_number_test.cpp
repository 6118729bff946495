#include "platform/whole_number.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

using platform::NumberGrammar;
using platform::ParseWholeNumber;

constexpr std::int64_t kNone = INT64_MIN;  // no number
constexpr std::int64_t kMin = INT32_MIN;

// The texts on which the callers' grammars disagree.
const char* const kTexts[] = {" 7",   "-7", "0",          "-$10",        "x1F",        "0x1F",
                              "1F",    "$FFFFFFFF",  "-2147483648", "2147483648", "65536",
                              "99999999999999999999999"};

struct Row {
    const char* caller;
    NumberGrammar grammar;
    std::int64_t expected[std::size(kTexts)];
};

const Row kRows[] = {
    {"spin edit",
     {.leadingBlanks = true, .sign = true, .dollarHex = true, .xHex = true, .zeroXHex = true,
      .hexIsBits32 = true},
     {7, -7, 0, -16, 31, 31, kNone, -1, kMin, kNone, 65536, kNone}},
    {"track field",
     {.leadingBlanks = true, .sign = true, .dollarHex = true, .xHex = true, .zeroXHex = true},
     {7, -7, 0, -16, 31, 31, kNone, kNone, kMin, kNone, 65536, kNone}},
    {"setting", {.leadingBlanks = true, .sign = true, .dollarHex = true},
     {7, -7, 0, -16, kNone, kNone, kNone, kNone, kMin, kNone, 65536, kNone}},
    {"tag track", {.sign = true, .dollarHex = true, .zeroXHex = true},
     {kNone, -7, 0, -16, kNone, 31, kNone, kNone, kMin, kNone, 65536, kNone}},
    {"tool track, status code", {.sign = true},
     {kNone, -7, 0, kNone, kNone, kNone, kNone, kNone, kMin, kNone, 65536, kNone}},
    {"tool count", {.lowest = 1, .highest = 1000000},
     {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, 65536, kNone}},
    {"port", {.lowest = 0, .highest = 65535, .clipAbove = true},
     {kNone, kNone, 0, kNone, kNone, kNone, kNone, kNone, kNone, 65536, 65536, 65536}},
    {"chunk size", {.bareHex = true, .lowest = 0, .highest = 1048576, .clipAbove = true},
     {kNone, kNone, 0, kNone, kNone, kNone, 31, kNone, kNone, 1048577, 0x65536, 1048577}},
};

TEST(ParseWholeNumber, EachCallersGrammarWhereTheyDisagree) {
    for (const Row& row : kRows) {
        for (std::size_t i = 0; i < std::size(kTexts); ++i) {
            EXPECT_EQ(ParseWholeNumber(kTexts[i], row.grammar).value_or(kNone), row.expected[i])
                << row.caller << ": \"" << kTexts[i] << '"';
        }
    }
}

TEST(ParseWholeNumber, NoGrammarReadsTheseTexts) {
    for (const Row& row : kRows) {
        for (const char* text : {"", " ", "-", "one", "12g", "12 ", "1.5", "- 1", "$", "0x", "++1",
                                 "$100000000", "-2147483649"}) {
            EXPECT_FALSE(ParseWholeNumber(text, row.grammar).has_value())
                << row.caller << ": \"" << text << '"';
        }
    }
}

}  // namespace
