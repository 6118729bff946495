#include "tags/frame_text.h"

#include <algorithm>
#include <cstdint>

#include "platform/codepage.h"
#include "platform/text.h"
#include "platform/whole_number.h"
#include "tags/id3v2.h"

namespace tags {
namespace {

// Every byte from 0x00 to 0x20.
constexpr std::string_view kBlankOrControl{
    "\0\1\2\3\4\5\6\7\10\11\12\13\14\15\16\17\20\21\22\23\24\25\26\27\30\31\32\33\34\35\36\37 ",
    0x21};

unsigned char Byte(std::string_view bytes, std::size_t i) { return static_cast<unsigned char>(bytes[i]); }

// Encoding 1 honours its byte-order mark (none means little-endian); only the mark itself is
// skipped. Encoding 2 is big-endian without a mark.
std::u16string DecodeUtf16(std::string_view text, bool bigEndian, bool markAllowed) {
    std::size_t i = 0;
    if (markAllowed && text.size() >= 2) {
        if (Byte(text, 0) == 0xFF && Byte(text, 1) == 0xFE) i = 2;
        if (Byte(text, 0) == 0xFE && Byte(text, 1) == 0xFF) i = 2, bigEndian = true;
    }
    std::u16string units;
    for (; i + 1 < text.size(); i += 2) {
        const auto first = Byte(text, i), second = Byte(text, i + 1);
        const auto unit = static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8));
        if (unit == 0) break;
        units += unit;
    }
    return units;
}

// A signed 32-bit number: decimal, or hexadecimal after "$" or "0x"; no blanks.
constexpr platform::NumberGrammar kTrackText{.sign = true, .dollarHex = true, .zeroXHex = true};

}  // namespace

std::string Trim(std::string_view text) {
    return std::string(platform::Trim(text, kBlankOrControl));
}

std::size_t FindTerminator(std::string_view content, std::size_t from, bool wide) {
    if (!wide) return content.find('\0', from);
    for (std::size_t i = from; i + 1 < content.size(); i += 2) {
        if (content[i] == '\0' && content[i + 1] == '\0') return i;
    }
    return std::string_view::npos;
}

std::u16string DecodeUnicode(unsigned char encoding, std::string_view text) {
    if (encoding == kUtf8Encoding) {
        text = text.substr(0, text.find('\0'));
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a mark some taggers add
        return platform::Utf16FromUtf8(text);
    }
    return DecodeUtf16(text, encoding == kUtf16BigEndianEncoding, encoding == kUtf16Encoding);
}

std::u16string CommentDescription(std::string_view content) {
    if (content.size() < 4) return {};
    const auto encoding = Byte(content, 0);
    const std::string_view rest = content.substr(4);
    const std::size_t end =
        FindTerminator(rest, 0, encoding == kUtf16Encoding || encoding == kUtf16BigEndianEncoding);
    // Without a terminator the reader takes it all as the text (see DecodeAfterDescription).
    if (end == std::string_view::npos) return {};
    const std::string_view bytes = rest.substr(0, end);
    if (encoding != kLatin1Encoding) return DecodeUnicode(encoding, bytes);
    // Latin-1 bytes are their code points.
    std::u16string description;
    for (unsigned char byte : bytes) description += static_cast<char16_t>(byte);
    return description;
}

bool IsMachineComment(std::string_view content) {
    return CommentDescription(content).starts_with(u"iTun");
}

std::string Utf16LittleEndianWithMark(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string DecodeText(std::string_view content) {
    const unsigned char encoding = content.empty() ? kLatin1Encoding : Byte(content, 0);
    if (encoding >= kUtf16Encoding && encoding <= kUtf8Encoding) {
        std::u16string units = DecodeUnicode(encoding, content.substr(1));
        // A character whose second half the 500-byte cap cut off is dropped whole.
        if (!units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
        return Trim(platform::Utf8FromUtf16(units));
    }
    // Encoding 0 in the code page: old taggers wrote the code page's bytes there. The encoding
    // byte and the zero fill go with the trim; zero bytes inside stay.
    return platform::Utf8FromAnsi(Trim(content));
}

std::string DecodeWithFallback(std::string_view first, std::string_view second) {
    // A frame that is there but empty is a cleared field, not a missing one.
    return DecodeText(first.empty() ? second : first);
}

std::uint16_t ParseTrackNumber(std::string_view content) {
    std::string text = DecodeText(content);
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos) text.resize(slash);
    return static_cast<std::uint16_t>(platform::ParseWholeNumber(text, kTrackText).value_or(0));
}

std::string PickYear(std::string_view year, std::string_view date) {
    if (!year.empty()) return DecodeText(year);
    // The first four characters, not bytes: a character is never cut in half.
    std::string text = DecodeText(date);
    std::size_t end = 0;
    for (int characters = 0; end < text.size(); ++end) {
        const bool startsCharacter = (Byte(text, end) & 0xC0) != 0x80;
        if (startsCharacter && ++characters > 4) break;
    }
    text.resize(end);
    return text;
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
    const bool wide = Byte(content, 0) == kUtf16Encoding || Byte(content, 0) == kUtf16BigEndianEncoding;
    const std::size_t separatorLength = wide ? 2 : 1;
    std::string_view rest = content.substr(std::min<std::size_t>(withLanguage ? 4 : 1, content.size()));
    // UTF-16 code units start at even offsets: a zero high byte followed by a zero low byte
    // is no separator.
    const std::size_t found = FindTerminator(rest, 0, wide);
    const std::size_t skip = found != std::string_view::npos ? found + separatorLength : separatorLength - 1;
    rest.remove_prefix(std::min(skip, rest.size()));
    if (!withLanguage) {
        // The URL of WXXX is ISO-8859-1 whatever the encoding byte says.
        std::u16string url;
        for (char byte : Trim(rest)) url += static_cast<char16_t>(static_cast<unsigned char>(byte));
        return platform::Utf8FromUtf16(url);
    }
    std::string text(1, encoding);
    text.append(rest);
    return DecodeText(text);
}

void FillFields(const TagInfo& record, TID3v2& tag) {
    const auto& slot = record.Frames;
    tag.Title = DecodeWithFallback(slot[kTitleSlot], slot[kGroupTitleSlot]);
    tag.Artist = DecodeWithFallback(slot[kArtistSlot], slot[kOriginalArtistSlot]);
    tag.Album = DecodeWithFallback(slot[kAlbumSlot], slot[kOriginalAlbumSlot]);
    tag.TrackNumber = ParseTrackNumber(slot[kTrackSlot]);
    tag.TrackText = DecodeText(slot[kTrackSlot]);
    tag.Year = PickYear(slot[kYearSlot], slot[kDateSlot]);
    tag.Genre = CleanGenre(slot[kGenreSlot]);
    tag.Comment = DecodeAfterDescription(slot[kCommentSlot], true);
    tag.Composer = DecodeText(slot[kComposerSlot]);
    tag.EncodedBy = DecodeText(slot[kEncodedBySlot]);
    tag.RightsNotice = DecodeText(slot[kRightsSlot]);
    tag.Language = DecodeText(slot[kLanguageSlot]);
    tag.UserUrl = DecodeAfterDescription(slot[kUserUrlSlot], false);
    tag.AudioSizeText = DecodeText(slot[kAudioSizeSlot]);
}

bool SameByteInLatin1AndCodePage(char16_t unit) {
    return unit <= 0xFF && platform::AnsiFromUtf16Unit(unit) == std::string(1, static_cast<char>(unit));
}

std::string EncodeText(std::string_view text, std::string_view prefix,
                       std::optional<std::u16string_view> description) {
    const std::u16string units = platform::Utf16FromUtf8(text);
    const std::u16string_view shortDescription = description.value_or(u"");
    auto sameBytes = [](std::u16string_view part) {
        return std::all_of(part.begin(), part.end(), SameByteInLatin1AndCodePage);
    };
    auto narrow = [&](std::u16string_view part) {
        return sameBytes(part) ? std::string(part.begin(), part.end()) : platform::AnsiFromUtf16(part);
    };
    // A zero unit ends a UTF-16 text, while encoding 0 keeps zero bytes inside its text: only
    // encoding 0 read such a text, so it goes back there in the code page it was read in.
    const bool latin1 = sameBytes(units) && sameBytes(shortDescription);
    const bool wide = !latin1 && text.find('\0') == std::string_view::npos;
    std::string content(1, static_cast<char>(wide ? kUtf16Encoding : kLatin1Encoding));
    content.append(prefix);
    if (wide) {
        if (description) content += Utf16LittleEndianWithMark(shortDescription) + std::string(2, '\0');
        content += Utf16LittleEndianWithMark(units);
    } else {
        if (description) content += narrow(shortDescription) + '\0';
        content += narrow(units);
    }
    return content;
}

std::string EncodeUserUrl(std::string_view url) {
    std::string content(2, '\0');  // encoding 0, an empty description
    for (char16_t unit : platform::Utf16FromUtf8(url)) content += unit <= 0xFF ? static_cast<char>(unit) : '?';
    return content;
}

}  // namespace tags
