#include "platform/whole_number.h"

#include <algorithm>

namespace platform {
namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The length of the hexadecimal prefix that `text` begins with, or 0.
std::size_t HexPrefixLength(std::string_view text, const NumberGrammar& grammar) {
    const char first = text.empty() ? '\0' : text[0];
    if (grammar.dollarHex && first == '$') return 1;
    if (grammar.xHex && (first == 'x' || first == 'X')) return 1;
    if (grammar.zeroXHex && first == '0' && text.size() >= 2 && (text[1] == 'x' || text[1] == 'X'))
        return 2;
    return 0;
}

}  // namespace

std::optional<std::int64_t> ParseWholeNumber(std::string_view text, const NumberGrammar& grammar) {
    if (grammar.leadingBlanks)
        text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    bool negative = false;
    if (grammar.sign && !text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const std::size_t prefix = HexPrefixLength(text, grammar);
    const bool hex = grammar.bareHex || prefix > 0;
    text.remove_prefix(prefix);
    if (text.empty()) return std::nullopt;
    // Digits past any range only need checking: the magnitude stops growing above the ceiling.
    constexpr std::uint64_t kCeiling = std::uint64_t{1} << 59;
    const int base = hex ? 16 : 10;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        const int digit = DigitValue(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        magnitude = std::min<std::uint64_t>(magnitude * base + digit, kCeiling);
    }
    if (hex && grammar.hexIsBits32) {
        if (magnitude > 0xFFFFFFFFu) return std::nullopt;
        const auto bits = static_cast<std::uint32_t>(negative ? 0 - magnitude : magnitude);
        return static_cast<std::int32_t>(bits);
    }
    const auto value = static_cast<std::int64_t>(magnitude) * (negative ? -1 : 1);
    if (value > grammar.highest)
        return grammar.clipAbove ? std::optional(grammar.highest + 1) : std::nullopt;
    if (value < grammar.lowest) return std::nullopt;
    return value;
}

}  // namespace platform
