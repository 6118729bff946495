#include "tracker/settings_values.h"

#include <limits>

namespace tracker {
namespace {

enum class HexPrefixes { DollarOnly, DollarOrX };

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// Digits only, in `base`, all of `digits`, as a magnitude that a signed 32-bit value with
// the given sign can hold.
std::optional<std::int32_t> Magnitude(std::string_view digits, int base, bool negative) {
    if (digits.empty()) return std::nullopt;
    std::int64_t value = 0;
    constexpr std::int64_t kMost = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * base + digit;
        if (value > kMost) return std::nullopt;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    if (value == kMost) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseSigned(std::string_view text, HexPrefixes prefixes) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    bool negative = text.front() == '-';
    if (negative || text.front() == '+') text.remove_prefix(1);
    if (StartsWithNoCase(text, "$")) return Magnitude(text.substr(1), 16, negative);
    if (prefixes == HexPrefixes::DollarOrX) {
        if (StartsWithNoCase(text, "0x")) return Magnitude(text.substr(2), 16, negative);
        if (StartsWithNoCase(text, "x")) return Magnitude(text.substr(1), 16, negative);
    }
    return Magnitude(text, 10, negative);
}

}  // namespace

std::string SettingsFilePath(std::string_view hostExePath) {
    std::size_t cut = hostExePath.find_last_of("\\:");
    std::string_view directory =
        cut == std::string_view::npos ? std::string_view{} : hostExePath.substr(0, cut + 1);
    return std::string(directory) + "/Plugins/gen_quillon.ini";
}

std::int32_t IntegerSettingOrDefault(const std::optional<std::string>& text,
                                     std::int32_t fallback) {
    if (!text) return fallback;
    std::optional<std::int32_t> value;
    if (text->size() >= 3 && StartsWithNoCase(*text, "0x"))
        value = Magnitude(std::string_view(*text).substr(2), 16, false);
    else
        value = ParseSigned(*text, HexPrefixes::DollarOnly);
    return value.value_or(fallback);
}

std::int32_t StrToInt(std::string_view text) {
    if (auto value = ParseSigned(text, HexPrefixes::DollarOrX)) return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace tracker
