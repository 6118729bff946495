#include "tracker/settings_values.h"

#include "platform/text.h"
#include "platform/whole_number.h"

namespace tracker {
namespace {

// A signed decimal number with leading blanks, or hexadecimal after "$" (and, for the track
// field, after "x" or "0x"), within 32 bits.
constexpr platform::NumberGrammar kSettingText{.leadingBlanks = true, .sign = true,
                                               .dollarHex = true};
constexpr platform::NumberGrammar kTrackText{.leadingBlanks = true, .sign = true, .dollarHex = true,
                                             .xHex = true, .zeroXHex = true};
// The digits after a leading "0x": no blank, no sign.
constexpr platform::NumberGrammar kSettingHex{.bareHex = true, .lowest = 0};

}  // namespace

std::string SettingsFilePath(std::string_view hostExePath) {
    return std::string(hostExePath.substr(0, platform::FileNameStart(hostExePath))) +
           "/Plugins/gen_quillon.ini";
}

std::string OutboxFilePath(std::string_view hostExePath) {
    return std::string(hostExePath.substr(0, platform::FileNameStart(hostExePath))) +
           "/Plugins/gen_quillon.outbox";
}

std::int32_t IntegerSettingOrDefault(const std::optional<std::string>& text,
                                     std::int32_t fallback) {
    if (!text) return fallback;
    const std::string_view view = *text;
    const auto value = platform::EqualNoCase(view.substr(0, 2), "0x")
                           ? platform::ParseWholeNumber(view.substr(2), kSettingHex)
                           : platform::ParseWholeNumber(view, kSettingText);
    return static_cast<std::int32_t>(value.value_or(fallback));
}

std::int32_t StrToInt(std::string_view text) {
    if (const auto value = platform::ParseWholeNumber(text, kTrackText))
        return static_cast<std::int32_t>(*value);
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace tracker
