#include "tags/frame_convert.h"

#include <algorithm>
#include <span>
#include <utility>

#include "platform/text.h"
#include "tags/frame_text.h"

namespace tags {
namespace {

// Version 4 flags: the status byte, then the format byte.
constexpr unsigned char kStatusFlagsV4 = 0x70;  // tag alter, file alter, read only: one bit lower than in version 3
constexpr unsigned char kUnusedV4 = 0x80;
constexpr unsigned char kGroupedV4 = 0x40;
constexpr unsigned char kCompressedV4 = 0x08;
constexpr unsigned char kEncryptedV4 = 0x04;
constexpr unsigned char kUnsynchronisedV4 = 0x02;
constexpr unsigned char kDataLengthV4 = 0x01;
// Version 3 format byte.
constexpr unsigned char kCompressedV3 = 0x80;
constexpr unsigned char kEncryptedV3 = 0x40;
constexpr unsigned char kGroupedV3 = 0x20;

void AppendBigEndian32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// The parts of the frames whose encoded texts are rewritten when they come in encoding 2 or 3.
enum class Part { kLanguage, kByte, kLatin1String, kEncodedString, kEncodedRest, kRest };

std::span<const Part> TextLayout(std::string_view id) {
    using enum Part;
    static constexpr Part kText[] = {kEncodedRest};
    static constexpr Part kLanguageText[] = {kLanguage, kEncodedRest};
    static constexpr Part kUserUrl[] = {kEncodedString, kRest};
    static constexpr Part kPicture[] = {kLatin1String, kByte, kEncodedString, kRest};
    static constexpr Part kObject[] = {kLatin1String, kEncodedString, kEncodedString, kRest};
    if (!id.empty() && id[0] == 'T') return kText;
    if (id == "COMM" || id == "USLT" || id == "USER") return kLanguageText;
    if (id == "WXXX") return kUserUrl;
    if (id == "APIC") return kPicture;
    if (id == "GEOB") return kObject;
    return {};
}

// Content in encoding 2 (UTF-16BE) or 3 (UTF-8) rewritten in encoding 1 with the mark FF FE,
// which version 3 knows; other contents as they are. Nothing for a frame whose layout is not
// known here or does not parse.
std::optional<std::string> InEncodingOne(std::string_view id, std::string_view content) {
    if (content.empty()) return std::string();
    const auto encoding = static_cast<unsigned char>(content[0]);
    if (encoding != kUtf16BigEndianEncoding && encoding != kUtf8Encoding) return std::string(content);
    const std::span<const Part> layout = TextLayout(id);
    if (layout.empty()) return std::nullopt;
    const bool wide = encoding == kUtf16BigEndianEncoding;
    const std::size_t terminatorLength = wide ? 2 : 1;
    std::string out(1, static_cast<char>(kUtf16Encoding));
    std::size_t position = 1;
    auto encoded = [&](std::size_t end) {
        out += Utf16LittleEndianWithMark(DecodeUnicode(encoding, content.substr(position, end - position)));
    };
    for (Part part : layout) {
        switch (part) {
            case Part::kLanguage:
            case Part::kByte: {
                const std::size_t length = part == Part::kLanguage ? 3 : 1;
                if (position + length > content.size()) return std::nullopt;
                out.append(content.substr(position, length));
                position += length;
                break;
            }
            case Part::kLatin1String: {
                const std::size_t end = content.find('\0', position);
                if (end == std::string_view::npos) return std::nullopt;
                out.append(content.substr(position, end + 1 - position));
                position = end + 1;
                break;
            }
            case Part::kEncodedString: {
                const std::size_t end = FindTerminator(content, position, wide);
                if (end == std::string_view::npos) return std::nullopt;
                encoded(end);
                out.append(2, '\0');
                position = end + terminatorLength;
                break;
            }
            case Part::kEncodedRest:
                // Several strings, each ended by a terminator but perhaps the last.
                while (position < content.size()) {
                    const std::size_t end = FindTerminator(content, position, wide);
                    encoded(std::min(end, content.size()));
                    if (end == std::string_view::npos) break;
                    out.append(2, '\0');
                    position = end + terminatorLength;
                }
                position = content.size();
                break;
            case Part::kRest:
                out.append(content.substr(position));
                position = content.size();
                break;
        }
    }
    return out;
}

std::optional<std::string> FromVersion4(const OldFrame& frame) {
    const unsigned char format = frame.flags[1];
    // The unused bit 7 makes readers pass the frame over; without it version 3 would read it.
    if ((format & kUnusedV4) != 0) return std::nullopt;
    const std::string data = (format & kUnsynchronisedV4) != 0 ? Resynchronise(frame.data) : frame.data;
    // Version 4 puts the group id, the encryption method and the data length in this order
    // before the content; version 3 wants the decompressed size, the method, the group id.
    std::size_t position = 0;
    std::string group, method, dataLength;
    auto take = [&](std::string& field, std::size_t length) {
        field = data.substr(std::min(position, data.size()), length);
        position += length;
    };
    if ((format & kGroupedV4) != 0) take(group, 1);
    if ((format & kEncryptedV4) != 0) take(method, 1);
    if ((format & kDataLengthV4) != 0) take(dataLength, 4);
    if (position > data.size()) return std::nullopt;
    std::string content = data.substr(position);
    const bool compressed = (format & kCompressedV4) != 0;
    // Version 3 states the decompressed size of a compressed frame; without it there is none.
    if (compressed && dataLength.empty()) return std::nullopt;
    // The reader takes a version 3 frame of a field's id as text whatever its group and
    // encryption flags say, as version 4 does not: such a frame loses its group id, and an
    // encrypted one (unless compressed too, which keeps it unread) is not kept.
    const bool feedsField = SlotOf(3, frame.id) != 0;
    if (feedsField && !compressed && !method.empty()) return std::nullopt;
    if (feedsField) group.clear();
    if (!compressed && method.empty()) {
        std::optional<std::string> text = InEncodingOne(frame.id, content);
        if (!text) return std::nullopt;
        content = std::move(*text);
    }
    std::array<unsigned char, 2> flags{static_cast<unsigned char>((frame.flags[0] & kStatusFlagsV4) << 1), 0};
    std::string prefix;
    if (compressed) {
        flags[1] |= kCompressedV3;
        std::uint32_t size = 0;
        for (char c : dataLength) size = (size << 7) | (static_cast<unsigned char>(c) & 0x7F);
        AppendBigEndian32(prefix, size);
    }
    if (!method.empty()) flags[1] |= kEncryptedV3, prefix += method;
    if (!group.empty()) flags[1] |= kGroupedV3, prefix += group;
    return Version3Frame(frame.id, prefix + content, flags);
}

// The version 3 id of a version 2 frame; empty for the two without a counterpart (CRM, an
// encrypted meta frame, and LNK, whose content names three-character ids) and unknown ones.
std::string_view Version3Id(std::string_view id) {
    static constexpr std::pair<std::string_view, std::string_view> kIds[] = {
        {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
        {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
        {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"},
        {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
        {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
        {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
        {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"},
        {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"},
        {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"},
        {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
        {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"},
        {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
        {"WXX", "WXXX"}};
    for (const auto& [old, current] : kIds) {
        if (id == old) return current;
    }
    return {};
}

// PIC names its image format in three letters where APIC has a MIME type.
std::optional<std::string> PictureFromVersion2(std::string_view data) {
    if (data.size() < 5) return std::nullopt;
    std::string format(data.substr(1, 3));
    std::string mime = format == "-->" ? format : "image/";
    if (format != "-->") {
        format = platform::AsciiLower(format);
        mime += format == "jpg" ? "jpeg" : format;
    }
    return std::string(data.substr(0, 1)) + mime + '\0' + std::string(data.substr(4));
}

std::optional<std::string> FromVersion2(const OldFrame& frame) {
    const std::string_view id = Version3Id(frame.id);
    if (id.empty()) return std::nullopt;
    std::optional<std::string> content = frame.id == "PIC" ? PictureFromVersion2(frame.data) : frame.data;
    if (content) content = InEncodingOne(id, *content);
    if (!content) return std::nullopt;
    return Version3Frame(id, *content);
}

}  // namespace

std::string Version3Frame(std::string_view id, std::string_view content,
                          const std::array<unsigned char, 2>& flags) {
    std::string frame(id);
    AppendBigEndian32(frame, static_cast<std::uint32_t>(content.size()));
    frame += static_cast<char>(flags[0]);
    frame += static_cast<char>(flags[1]);
    frame.append(content);
    return frame;
}

std::optional<std::string> ConvertFrame(std::uint8_t version, const OldFrame& frame) {
    // A frame that runs past the end of the tag is incomplete; its rest is not tag data.
    if (!frame.whole) return std::nullopt;
    if (version == 2) return FromVersion2(frame);
    if (version == 4) return FromVersion4(frame);
    return Version3Frame(frame.id, frame.data, frame.flags);
}

}  // namespace tags
