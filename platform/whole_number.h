// Whole numbers from text. The readers of settings, edits, tags, options and HTTP lines each
// accept their own grammar (prefixes, sign, blanks, range); the caller names it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

struct NumberGrammar {
    bool leadingBlanks = false;  // blanks (' ') before the sign
    bool sign = false;           // an optional '+' or '-'
    bool dollarHex = false;      // "$" introduces hexadecimal digits
    bool xHex = false;           // "x" or "X" does
    bool zeroXHex = false;       // "0x" or "0X" does
    bool bareHex = false;        // the digits are hexadecimal without a prefix
    std::int64_t lowest = INT32_MIN;
    std::int64_t highest = INT32_MAX;  // at most 2^58
    // A value above `highest` reads as `highest` + 1 instead of none, so that the caller can
    // tell a number too large from no number.
    bool clipAbove = false;
    // Hexadecimal may reach 0xFFFFFFFF and reads as the signed 32-bit value of those bits.
    bool hexIsBits32 = false;
};

// The whole of `text` read by `grammar`; none when it is no such number or out of range.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text, const NumberGrammar& grammar);

}  // namespace platform
