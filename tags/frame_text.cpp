#include "tags/frame_text.h"

#include <cstdint>

#include "platform/codepage.h"

namespace tags {
namespace {

constexpr unsigned char kUtf16Encoding = 1;

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string DecodeUtf16LittleEndian(std::string_view content) {
    std::string text;
    const std::size_t units = (content.size() - 1) / 2;
    for (std::size_t k = 1; k <= units; ++k) {
        const auto low = static_cast<unsigned char>(content[2 * k - 1]);
        const auto high = static_cast<unsigned char>(content[2 * k]);
        const auto unit = static_cast<char16_t>(low | (high << 8));
        if (unit == 0) break;
        // Drops the byte-order mark FF FE, and with it every unit whose low byte is FF.
        if (low == 0xFF) continue;
        text += platform::AnsiFromUtf16Unit(unit);
    }
    return Trim(text);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A signed 32-bit whole number: optional sign, then decimal digits, or hexadecimal after
// "$" or "0x". False for anything else, including blanks and values out of range.
bool ParseWholeNumber(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || digit >= base) return false;
        magnitude = magnitude * base + digit;
        if (magnitude > (std::int64_t{1} << 31)) return false;
    }
    const std::int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) return false;
    value = static_cast<std::int32_t>(signed_value);
    return true;
}

}  // namespace

std::string Trim(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlankOrControl(text[begin])) ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string DecodeText(std::string_view content) {
    if (!content.empty() && static_cast<unsigned char>(content[0]) == kUtf16Encoding) {
        return DecodeUtf16LittleEndian(content);
    }
    // Encoding 0: the bytes as they are; the encoding byte and the zero fill go with the trim.
    return Trim(content);
}

std::string DecodeWithFallback(std::string_view first, std::string_view second) {
    std::string text = DecodeText(first);
    return text.empty() ? DecodeText(second) : text;
}

std::uint16_t ParseTrackNumber(std::string_view content) {
    std::string text = DecodeText(content);
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos) text.resize(slash);
    std::int32_t number = 0;
    if (!ParseWholeNumber(text, number)) return 0;
    return static_cast<std::uint16_t>(number);
}

std::string PickYear(std::string_view year, std::string_view date) {
    std::string text = DecodeText(year);
    if (!text.empty()) return text;
    return DecodeText(date).substr(0, 4);
}

std::string CleanGenre(std::string_view content) {
    std::string genre = DecodeText(content);
    const std::size_t close = genre.rfind(')');
    if (close != std::string::npos) genre.erase(0, close + 1);
    return genre;
}

std::string DecodeAfterDescription(std::string_view content, bool withLanguage) {
    if (content.empty()) return {};
    const char encoding = content[0];
    const std::string_view separator =
        static_cast<unsigned char>(encoding) == kUtf16Encoding ? std::string_view("\0\0", 2)
                                                               : std::string_view("\0", 1);
    std::string_view rest = content.substr(std::min<std::size_t>(withLanguage ? 4 : 1, content.size()));
    const std::size_t found = rest.find(separator);
    const std::size_t skip = found != std::string_view::npos ? found + separator.size()
                                                             : separator.size() - 1;
    rest.remove_prefix(std::min(skip, rest.size()));
    std::string text(1, encoding);
    text.append(rest);
    return DecodeText(text);
}

}  // namespace tags
