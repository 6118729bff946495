// Turning raw frame contents (encoding byte first) into the 8-bit texts of the tag's fields.
// Internal to the tag unit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tags {

// Removes every leading and trailing byte of value 0x00 to 0x20.
std::string Trim(std::string_view text);

// Encoding 1 as little-endian UTF-16 into the ANSI code page; anything else trimmed as is.
std::string DecodeText(std::string_view content);
std::string DecodeWithFallback(std::string_view first, std::string_view second);
// The number before the first "/", low 16 bits; 0 when it is not a whole number.
std::uint16_t ParseTrackNumber(std::string_view content);
std::string PickYear(std::string_view year, std::string_view date);
// Drops numeric references: everything up to and including the last ")".
std::string CleanGenre(std::string_view content);
// Skips the language code (when present) and the short description of COMM and WXXX.
std::string DecodeAfterDescription(std::string_view content, bool withLanguage);

}  // namespace tags
