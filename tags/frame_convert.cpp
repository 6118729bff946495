#include "tags/frame_convert.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "tags/frame_ids.h"
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

// The parts of a frame whose layout has a text encoding byte (that byte comes first).
enum class Kind {
    kFixed,          // `length` bytes as they are
    kLatin1String,   // up to and with a zero byte
    kEncodedString,  // up to and with a terminator
    kEncodedRest,    // strings, each ended by a terminator but perhaps the last
    kSyncedText,     // strings, each followed by a 4-byte time stamp
    kRest,           // the rest as it is
};
struct Part {
    Kind kind;
    std::size_t length = 0;
};

// Only these frames carry an encoding byte; every other frame is binary whatever its first
// byte. Version 2 frames are looked up by their version 3 id.
std::span<const Part> TextLayout(std::string_view id) {
    using enum Kind;
    static constexpr Part kText[] = {{kEncodedRest}};
    static constexpr Part kLanguageText[] = {{kFixed, 3}, {kEncodedRest}};
    static constexpr Part kSynced[] = {{kFixed, 3}, {kFixed, 2}, {kEncodedString}, {kSyncedText}};
    static constexpr Part kUserUrl[] = {{kEncodedString}, {kRest}};
    static constexpr Part kPicture[] = {{kLatin1String}, {kFixed, 1}, {kEncodedString}, {kRest}};
    static constexpr Part kObject[] = {{kLatin1String}, {kEncodedString}, {kEncodedString}, {kRest}};
    static constexpr Part kCommercial[] = {{kLatin1String}, {kFixed, 8}, {kLatin1String}, {kFixed, 1},
                                           {kEncodedString}, {kEncodedString}, {kRest}};
    static constexpr Part kOwnership[] = {{kLatin1String}, {kFixed, 8}, {kEncodedRest}};
    if (!id.empty() && id[0] == 'T') return kText;
    if (id == "COMM" || id == "USLT" || id == "USER") return kLanguageText;
    if (id == "SYLT") return kSynced;
    if (id == "WXXX") return kUserUrl;
    if (id == "IPLS") return kText;
    if (id == "APIC") return kPicture;
    if (id == "GEOB") return kObject;
    if (id == "COMR") return kCommercial;
    if (id == "OWNE") return kOwnership;
    return {};
}

// Content in encoding 2 (UTF-16BE) or 3 (UTF-8) rewritten in encoding 1 with the mark FF FE,
// which version 3 knows; other contents, and frames without an encoding byte, as they are.
// Nothing for a frame whose layout does not parse.
std::optional<std::string> InEncodingOne(std::string_view id, std::string_view content) {
    const std::span<const Part> layout = TextLayout(id);
    if (content.empty() || layout.empty()) return std::string(content);
    const auto encoding = static_cast<unsigned char>(content[0]);
    if (encoding != kUtf16BigEndianEncoding && encoding != kUtf8Encoding) return std::string(content);
    const bool wide = encoding == kUtf16BigEndianEncoding;
    const std::size_t terminatorLength = wide ? 2 : 1;
    std::string out(1, static_cast<char>(kUtf16Encoding));
    std::size_t position = 1;
    auto fixed = [&](std::size_t length) {
        if (position + length > content.size()) return false;
        out.append(content.substr(position, length));
        position += length;
        return true;
    };
    // One string; false when it has no terminator and `mustEnd`.
    auto encoded = [&](bool mustEnd) {
        const std::size_t end = FindTerminator(content, position, wide);
        if (end == std::string_view::npos && mustEnd) return false;
        const std::size_t stop = std::min(end, content.size());
        out += Utf16LittleEndianWithMark(DecodeUnicode(encoding, content.substr(position, stop - position)));
        if (end != std::string_view::npos) out.append(2, '\0');
        position = end == std::string_view::npos ? content.size() : end + terminatorLength;
        return true;
    };
    for (const Part& part : layout) {
        bool parsed = true;
        switch (part.kind) {
            case Kind::kFixed:
                parsed = fixed(part.length);
                break;
            case Kind::kLatin1String: {
                const std::size_t end = content.find('\0', position);
                parsed = end != std::string_view::npos && fixed(end + 1 - position);
                break;
            }
            case Kind::kEncodedString:
                parsed = encoded(true);
                break;
            case Kind::kEncodedRest:
                while (position < content.size()) encoded(false);
                break;
            case Kind::kSyncedText:
                while (parsed && position < content.size()) parsed = encoded(true) && fixed(4);
                break;
            case Kind::kRest:
                fixed(content.size() - position);
                break;
        }
        if (!parsed) return std::nullopt;
    }
    return out;
}

// A version 4 frame's data taken apart: version 4 puts the group id, the encryption method
// and the data length in this order before the content.
struct Version4Parts {
    std::string group, method, dataLength, content;
    bool compressed = false;
};

std::optional<Version4Parts> SplitVersion4(const OldFrame& frame) {
    const unsigned char format = frame.flags[1];
    // The unused bit 7 makes readers pass the frame over; without it version 3 would read it.
    if ((format & kUnusedV4) != 0) return std::nullopt;
    const std::string data = (format & kUnsynchronisedV4) != 0 ? Resynchronise(frame.data) : frame.data;
    Version4Parts parts;
    std::size_t position = 0;
    auto take = [&](std::string& field, std::size_t length) {
        field = data.substr(std::min(position, data.size()), length);
        position += length;
    };
    if ((format & kGroupedV4) != 0) take(parts.group, 1);
    if ((format & kEncryptedV4) != 0) take(parts.method, 1);
    if ((format & kDataLengthV4) != 0) take(parts.dataLength, 4);
    if (position > data.size()) return std::nullopt;
    parts.content = data.substr(position);
    parts.compressed = (format & kCompressedV4) != 0;
    return parts;
}

// The content of a whole version 4 frame that is neither compressed nor encrypted.
std::optional<std::string> PlainContent(const OldFrame& frame) {
    std::optional<Version4Parts> parts = frame.whole ? SplitVersion4(frame) : std::nullopt;
    if (!parts || parts->compressed || !parts->method.empty()) return std::nullopt;
    return std::move(parts->content);
}

std::optional<std::string> FromVersion4(const OldFrame& frame) {
    // Their offsets and signature no longer hold once the tag is written anew.
    if (frame.id == "SEEK" || frame.id == "ASPI" || frame.id == "SIGN") return std::nullopt;
    std::optional<Version4Parts> parts = SplitVersion4(frame);
    if (!parts) return std::nullopt;
    auto& [group, method, dataLength, content, compressed] = *parts;
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
    // Version 3 wants the decompressed size, the method, the group id.
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

// Calls `take` with each string of a text frame's content, decoded, in order.
template <typename Take>
void EachTextString(std::string_view content, Take take) {
    if (content.empty()) return;
    const auto encoding = static_cast<unsigned char>(content[0]);
    const bool wide = encoding == kUtf16Encoding || encoding == kUtf16BigEndianEncoding;
    for (std::size_t position = 1; position < content.size();) {
        const std::size_t end = std::min(FindTerminator(content, position, wide), content.size());
        const std::string_view text = content.substr(position, end - position);
        if (encoding != kLatin1Encoding) {
            if (!take(DecodeUnicode(encoding, text))) return;
        } else {
            std::u16string latin1;
            for (char c : text) latin1 += static_cast<char16_t>(static_cast<unsigned char>(c));
            if (!take(std::move(latin1))) return;
        }
        position = end + (wide ? 2 : 1);
    }
}

// The first text of a whole version 4 frame that is neither compressed nor encrypted.
std::optional<std::u16string> FirstText(const OldFrame& frame) {
    const std::optional<std::string> content = PlainContent(frame);
    if (!content) return std::nullopt;
    std::u16string first;
    EachTextString(*content, [&](std::u16string text) {
        first = std::move(text);
        return false;
    });
    return first;
}

std::u16string Widened(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// A text frame of these strings (each but the last ended by a zero unit): encoding 0 when
// ISO-8859-1 holds them, else encoding 1.
std::string TextFrame(std::string_view id, std::u16string_view strings) {
    const bool latin1 = std::all_of(strings.begin(), strings.end(), [](char16_t unit) { return unit <= 0xFF; });
    std::string content(1, static_cast<char>(latin1 ? kLatin1Encoding : kUtf16Encoding));
    if (latin1) {
        for (char16_t unit : strings) content += static_cast<char>(unit);
        return Version3Frame(id, content);
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(strings.find(u'\0', start), strings.size());
        content += Utf16LittleEndianWithMark(strings.substr(start, end - start));
        if (end == strings.size()) break;
        content.append(2, '\0');
        start = end + 1;
    }
    return Version3Frame(id, content);
}

// The version 3 frames a version 4 timestamp (yyyy, yyyy-MM-dd, yyyy-MM-ddTHH:mm...) gives:
// the year in `yearId`, for a recording date also TDAT (DDMM) and TIME (HHMM). Empty when it
// does not begin with a year.
std::vector<std::pair<std::string_view, std::string>> DateParts(std::string_view yearId, std::u16string_view stamp) {
    auto digits = [&](std::size_t from, std::size_t count) {
        if (stamp.size() < from + count) return false;
        for (std::size_t i = from; i < from + count; ++i) {
            if (stamp[i] < u'0' || stamp[i] > u'9') return false;
        }
        return true;
    };
    auto text = [&](std::size_t from, std::size_t count) { return std::string(stamp.begin() + from, stamp.begin() + from + count); };
    std::vector<std::pair<std::string_view, std::string>> parts;
    if (!digits(0, 4)) return parts;
    parts.emplace_back(yearId, text(0, 4));
    if (yearId != "TYER" || !digits(5, 2) || !digits(8, 2) || stamp[4] != u'-' || stamp[7] != u'-') return parts;
    parts.emplace_back("TDAT", text(8, 2) + text(5, 2));
    if (!digits(11, 2) || !digits(14, 2) || stamp[10] != u'T' || stamp[13] != u':') return parts;
    parts.emplace_back("TIME", text(11, 2) + text(14, 2));
    return parts;
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

// The content length a version 3 frame header states.
std::size_t FirstFrameSize(std::string_view frames) {
    if (frames.size() < 10) return 0;
    std::uint32_t size = 0;
    for (int i = 4; i < 8; ++i) size = (size << 8) | static_cast<unsigned char>(frames[i]);
    return size;
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

TFrameConverter::TFrameConverter(std::uint8_t version) : version_(version) {}

void TFrameConverter::Learn(const OldFrame& frame) {
    const std::size_t index = learned_++;
    if (version_ != 4) return;
    const std::string_view id = frame.id;
    const bool dated = id == "TYER" || id == "TDAT" || id == "TIME" || id == "TORY";
    const bool dating = id == "TDRC" || id == "TDOR";
    const bool people = id == "IPLS" || id == "TIPL" || id == "TMCL";
    if ((!dated && !dating && !people) || !frame.whole || !FromVersion4(frame)) return;
    if (id == "IPLS") {
        hasPeopleList_ = true;
    } else if (id == "TIPL" || id == "TMCL") {
        const std::optional<std::string> content = PlainContent(frame);
        if (!content) return;
        // One string after another, each ended by a zero unit: held as they come, they take
        // no more than twice the frame.
        std::size_t count = 0;
        EachTextString(*content, [&](const std::u16string& text) {
            involved_ += text;
            involved_ += u'\0';
            ++count;
            return true;
        });
        if (count % 2 != 0) involved_ += u'\0';  // a role without a name
        if (!firstPeople_) firstPeople_ = index;
    } else if (dated) {
        if (Stated(id)) return;
        if (std::optional<std::u16string> text = FirstText(frame)) stated_.emplace_back(std::string(id), std::move(*text));
    } else {
        // The last, as the reader shows the last.
        auto parts = DateParts(id == "TDRC" ? "TYER" : "TORY", FirstText(frame).value_or(u""));
        if (!parts.empty()) (id == "TDRC" ? recording_ : original_) = {index, std::move(parts)};
    }
}

const std::u16string* TFrameConverter::Stated(std::string_view id) const {
    for (const auto& [known, text] : stated_) {
        if (known == id) return &text;
    }
    return nullptr;
}

std::optional<std::string> TFrameConverter::Convert(std::size_t index, const OldFrame& frame) {
    // A frame that runs past the end of the tag is incomplete; its rest is not tag data.
    if (!frame.whole) return std::nullopt;
    if (version_ == 2) return FromVersion2(frame);
    if (version_ == 3) return Version3Frame(frame.id, frame.data, frame.flags);
    std::optional<std::string> converted = FromVersion4(frame);
    if (!converted) return converted;
    if (frame.id == "TDRC" || frame.id == "TDOR") return ConvertDate(index, frame, std::move(*converted));
    if ((frame.id == "TIPL" || frame.id == "TMCL") && !hasPeopleList_ && PlainContent(frame)) {
        if (index != firstPeople_) return std::nullopt;
        if (!peopleList_) {
            std::u16string involved;
            involved.swap(involved_);
            if (!involved.empty()) involved.pop_back();  // the last string's end
            peopleList_ = TextFrame("IPLS", involved);
        }
        return peopleList_;
    }
    return converted;
}

std::optional<std::size_t> TFrameConverter::YearFromDate() const {
    if (version_ != 4 || Stated("TYER")) return std::nullopt;
    return recording_.index;
}

// The last date of its kind that begins with a year gives the year frame (and for a
// recording date TDAT and TIME) unless the tag states a year already, so that one year stands
// in the tag; every other date is dropped when what it says is stated so, else kept as it is.
std::optional<std::string> TFrameConverter::ConvertDate(std::size_t index, const OldFrame& frame, std::string asIs) {
    const bool recording = frame.id == "TDRC";
    const DateSource& source = recording ? recording_ : original_;
    const auto parts = DateParts(recording ? "TYER" : "TORY", FirstText(frame).value_or(u""));
    if (parts.empty()) return asIs;
    const bool yearStated = Stated(parts[0].first) != nullptr;
    if (!yearStated && index == source.index) {
        std::string replacement;
        for (const auto& [partId, value] : parts) {
            if (!Stated(partId)) replacement += TextFrame(partId, Widened(value));
        }
        return replacement;
    }
    // Compared with what the tag states, or else with what the converted date now states.
    bool agrees = true;
    for (const auto& [partId, value] : parts) {
        if (const std::u16string* old = Stated(partId)) {
            agrees = agrees && *old == Widened(value);
            continue;
        }
        const auto converted = std::find_if(source.parts.begin(), source.parts.end(),
                                            [&](const auto& part) { return part.first == partId; });
        agrees = agrees && !yearStated && converted != source.parts.end() && converted->second == value;
    }
    return agrees ? std::nullopt : std::optional<std::string>(std::move(asIs));
}

OldFrame FirstFrameOf(std::string_view frames) {
    OldFrame frame;
    if (frames.size() < 10) return frame;
    frame.id = frames.substr(0, 4);
    frame.flags = {static_cast<unsigned char>(frames[8]), static_cast<unsigned char>(frames[9])};
    frame.data = frames.substr(10, FirstFrameSize(frames));
    return frame;
}

std::string_view FramesAfterFirst(std::string_view frames) {
    if (frames.size() < 10) return {};
    return frames.substr(std::min(frames.size(), 10 + FirstFrameSize(frames)));
}

}  // namespace tags
