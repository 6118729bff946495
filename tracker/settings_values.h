// The value rules of the settings store and of Write Tags' track field: pure text work, no
// files and no window.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tracker {

// The URL used until the user sets one: the local machine's web server over plain HTTP.
// The address rather than "localhost" needs no name lookup and cannot land on an IPv6
// listener the user's server lacks.
inline constexpr char kDefaultUrl[] = "http://127.0.0.1/test.php";

// The settings file of a host program at `hostExePath`: its directory (cut after the last
// "\" or ":", separator kept) with "/Plugins/gen_quillon.ini" appended as it stands.
std::string SettingsFilePath(std::string_view hostExePath);
// The outbox of plays waiting to be sent, beside the settings file.
std::string OutboxFilePath(std::string_view hostExePath);

// A whole-number key's value: a text of three or more characters beginning "0x" or "0X" is
// hexadecimal; otherwise a decimal number with optional leading blanks and sign, or "$" and
// hexadecimal digits. `fallback` when the key is absent or its text is no such number or
// does not fit 32 bits.
std::int32_t IntegerSettingOrDefault(const std::optional<std::string>& text,
                                     std::int32_t fallback);

// A text that is not a whole number where one is required.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A decimal number with optional leading blanks and sign, or hexadecimal after a "$", "x" or
// "0x" prefix; it must fit 32 bits. Throws EConvertError "'<text>' is not a valid integer
// value" for anything else, the empty text included.
std::int32_t StrToInt(std::string_view text);

}  // namespace tracker
