// Frame contents (encoding byte first) to the UTF-8 texts of the tag's fields, and back.
// Internal to the tag unit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags/tag_info.h"

class TID3v2;

namespace tags {

constexpr unsigned char kLatin1Encoding = 0;
constexpr unsigned char kUtf16Encoding = 1;
constexpr unsigned char kUtf16BigEndianEncoding = 2;
constexpr unsigned char kUtf8Encoding = 3;

// Removes every leading and trailing byte of value 0x00 to 0x20.
std::string Trim(std::string_view text);

// Encodings 1, 2 and 3 up to their terminator, every character kept; encoding 0 (and any
// other) trimmed and read in the ANSI code page.
std::string DecodeText(std::string_view content);
// The second frame's text only when the first frame is absent (empty content), not when its
// text is empty.
std::string DecodeWithFallback(std::string_view first, std::string_view second);
// The number before the first "/", low 16 bits; 0 when it is not a whole number.
std::uint16_t ParseTrackNumber(std::string_view content);
// The year frame's text; without one, the first 4 characters of the date frame's.
std::string PickYear(std::string_view year, std::string_view date);
// Drops numeric references: everything up to and including the last ")".
std::string CleanGenre(std::string_view content);
// Skips the language code (when present) and the short description of COMM and WXXX. The
// URL of WXXX (no language) is read as ISO-8859-1 whatever the encoding byte.
std::string DecodeAfterDescription(std::string_view content, bool withLanguage);

// The fields as ReadTag gives them from the slots of `record`.
void FillFields(const TagInfo& record, TID3v2& tag);

// Where the terminator of a string starts at or after `from`, or npos: one zero byte, or for
// UTF-16 (`wide`) two at an even distance from `from`.
std::size_t FindTerminator(std::string_view content, std::size_t from, bool wide);
// One string of text in encoding 1, 2 or 3 (no terminator) as UTF-16.
std::u16string DecodeUnicode(unsigned char encoding, std::string_view text);
// The short description of a COMM content (encoding, language, description, text), as UTF-16.
std::u16string CommentDescription(std::string_view content);
// iTunes keeps machine data in comments described "iTunNORM", "iTunSMPB" and the like: no
// comment to show, nor to replace by an edit.
bool IsMachineComment(std::string_view content);
// UTF-16 as the bytes of encoding 1: the mark FF FE, then little-endian units.
std::string Utf16LittleEndianWithMark(std::u16string_view text);

// True when ISO-8859-1 and the ANSI code page hold `unit` as the same byte, so that every
// reader, whichever of the two it takes encoding 0 for, gets it back.
bool SameByteInLatin1AndCodePage(char16_t unit);
// A field's UTF-8 text as frame content: encoding 0 when every character of it and of the
// description is one of those, else encoding 1 with the mark FF FE (a text with a zero byte,
// which only encoding 0 can carry, in encoding 0 in the code page). `prefix` (a comment's
// language) stands between the encoding byte and the text, and a `description` before the
// text.
std::string EncodeText(std::string_view text, std::string_view prefix = {},
                       std::optional<std::u16string_view> description = std::nullopt);
// The content of a WXXX frame: no description, the URL in ISO-8859-1 ("?" beyond it).
std::string EncodeUserUrl(std::string_view url);

}  // namespace tags
