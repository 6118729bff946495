#include "tags/frame_walk.h"

#include <algorithm>
#include <cstdint>

#include "platform/files.h"
#include "tags/frame_ids.h"
#include "tags/frame_text.h"

namespace tags {
namespace {

struct FrameLayout {
    std::size_t headerLength;
    std::size_t idLength;
    bool hasFlags;  // versions 3 and 4; version 2 has a 24-bit size and no flags
};

constexpr FrameLayout kLayoutV3{10, 4, true};
constexpr FrameLayout kLayoutV2{6, 3, false};

constexpr unsigned char kUnsynchronisedTag = 0x80;  // tag header flags
constexpr unsigned char kExtendedHeader = 0x40;
constexpr unsigned char kCompressedV3 = 0x80;  // second frame flags byte
constexpr unsigned char kGroupedV4 = 0x40;
constexpr unsigned char kCompressedV4 = 0x08;
constexpr unsigned char kEncryptedV4 = 0x04;
constexpr unsigned char kUnsynchronisedV4 = 0x02;
constexpr unsigned char kDataLengthV4 = 0x01;

std::uint32_t BigEndian32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::uint32_t Synchsafe32(std::string_view bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 7) | (static_cast<unsigned char>(bytes[i]) & 0x7F);
    return value;
}

// The bytes the walk runs over: the file, read in blocks so that a tag of many tiny frames
// costs a few system calls (large frames are passed by moving on, never read whole); or, for
// a version 2 or 3 tag with unsynchronisation, the whole tag in memory with it undone, since
// its frame sizes count the bytes after the undoing.
class TagBytes {
public:
    bool Open(const std::u16string& path, const TagInfo& record) {
        if (!file_.OpenShareRead(path)) return false;
        fileLength_ = file_.Length();
        end_ = std::min<std::int64_t>(TotalTagLength(record), fileLength_);
        // A file cut inside the tag header holds no frames.
        if (end_ < kHeaderLength) return false;
        // Versions 2 and 3 unsynchronise the tag as a whole; version 4 frame by frame.
        if (record.Version < 4 && (record.Flags & kUnsynchronisedTag) != 0) {
            const std::string tag = ReadAt(0, end_);
            if (failed_) return false;
            memory_ = tag.substr(0, kHeaderLength) + Resynchronise(std::string_view(tag).substr(kHeaderLength));
            inMemory_ = true;
            end_ = static_cast<std::int64_t>(memory_.size());
        }
        return true;
    }

    // End of the tag, or of the file when that comes first.
    std::int64_t End() const { return end_; }
    // A read of the file failed; what was read stays, the walk ends.
    bool Failed() const { return failed_; }

    // Up to `size` bytes from `offset`; fewer at the end of the file, or on an error.
    std::string ReadAt(std::int64_t offset, std::int64_t size) {
        if (inMemory_) {
            if (offset >= end_) return {};
            return memory_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
        }
        size = std::clamp<std::int64_t>(size, 0, std::max<std::int64_t>(fileLength_ - offset, 0));
        // A large frame goes straight into its own string: through the block it would be held
        // twice.
        if (size > kBlockSize) return ReadDirect(offset, size);
        if (offset < start_ || offset + size > BlockEnd()) Fill(offset, size);
        if (offset < start_ || offset > BlockEnd()) return {};
        const std::int64_t count = std::min(size, BlockEnd() - offset);
        return block_.substr(static_cast<std::size_t>(offset - start_), static_cast<std::size_t>(count));
    }

private:
    static constexpr std::int64_t kBlockSize = 65536;

    std::int64_t BlockEnd() const { return start_ + static_cast<std::int64_t>(block_.size()); }

    std::string ReadDirect(std::int64_t offset, std::int64_t size) {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        const std::int64_t got = file_.Seek(offset) ? file_.Read(bytes.data(), bytes.size()) : -1;
        if (got < 0) failed_ = true;
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return bytes;
    }

    // Reads what is needed now, and on to the end of the tag within one block.
    void Fill(std::int64_t offset, std::int64_t need) {
        const std::int64_t ahead = std::clamp<std::int64_t>(end_ - offset, 0, kBlockSize);
        block_.resize(static_cast<std::size_t>(std::max(need, ahead)));
        const std::int64_t got = file_.Seek(offset) ? file_.Read(block_.data(), block_.size()) : -1;
        if (got < 0) failed_ = true;
        block_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        start_ = offset;
    }

    platform::File file_;
    std::int64_t fileLength_ = 0;
    std::int64_t end_ = 0;
    std::int64_t start_ = 0;
    std::string block_;
    bool inMemory_ = false;
    std::string memory_;
    bool failed_ = false;
};

struct FrameSpot {
    std::string_view id;
    std::array<unsigned char, 2> flags{};
    std::int64_t contentStart = 0;
    std::int64_t size = 0;  // as declared
};

// Four bytes that could be a frame id: an uppercase letter, then uppercase letters or digits.
bool LooksLikeId(std::string_view bytes) {
    return bytes.size() == 4 && bytes[0] >= 'A' && bytes[0] <= 'Z' &&
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// Where the first frame starts: behind the extended header, passed over by its stated size.
std::int64_t FirstFrame(TagBytes& bytes, const TagInfo& record) {
    if (record.Version == 2 || (record.Flags & kExtendedHeader) == 0) return kHeaderLength;
    const std::string size = bytes.ReadAt(kHeaderLength, 4);
    if (size.size() < 4) return bytes.End();
    // Version 3 counts the header without its 4 size bytes; version 4 counts them, synchsafe.
    const std::int64_t first = record.Version == 3 ? kHeaderLength + 4 + std::int64_t{BigEndian32(size)}
                                                   : kHeaderLength + std::int64_t{Synchsafe32(size)};
    // Some taggers set the flag and write no extended header: when the stated one cannot be,
    // the frames start right behind the tag header.
    if (LooksLikeId(size) || first > bytes.End()) return kHeaderLength;
    return first;
}

// What stands where a frame size says the next frame begins.
enum class Landing { kNothing, kPaddingOrEnd, kFrame };

Landing LandingAt(TagBytes& bytes, std::int64_t position) {
    if (position == bytes.End()) return Landing::kPaddingOrEnd;
    if (position > bytes.End()) return Landing::kNothing;
    const std::string next = bytes.ReadAt(position, 4);
    if (!next.empty() && next[0] == '\0') return Landing::kPaddingOrEnd;
    return LooksLikeId(next) ? Landing::kFrame : Landing::kNothing;
}

std::int64_t FrameSize(TagBytes& bytes, const TagInfo& record, std::string_view header,
                       std::int64_t contentStart) {
    if (record.Version == 2) return BigEndian32(header.substr(2, 4)) & 0xFFFFFF;
    const std::string_view field = header.substr(4, 4);
    const auto plain = static_cast<std::int32_t>(BigEndian32(field));
    const bool synchsafeForm = std::none_of(field.begin(), field.end(), [](char c) { return (c & 0x80) != 0; });
    const std::int64_t synchsafe = Synchsafe32(field);
    if (record.Version == 3 || !synchsafeForm || synchsafe == plain) return plain;
    // Version 4 sizes are synchsafe, but some taggers wrote plain ones: the reading that
    // lands on a frame wins, then one that lands on padding or the end.
    const Landing asSynchsafe = LandingAt(bytes, contentStart + synchsafe);
    const Landing asPlain = LandingAt(bytes, contentStart + plain);
    return asPlain > asSynchsafe ? plain : synchsafe;
}

// Calls `visit` for every frame from the first to the end of the tag, the first byte that
// cannot start an id (padding), a header cut short, a negative size or a failed read. Returns
// where it stopped: at or past the end when it walked the whole tag.
template <typename Visit>
std::int64_t Walk(TagBytes& bytes, const TagInfo& record, Visit visit) {
    const FrameLayout& layout = record.Version == 2 ? kLayoutV2 : kLayoutV3;
    // In version 4 the header's flag stands for the flag of every frame.
    const bool everyFrameUnsynchronised = record.Version == 4 && (record.Flags & kUnsynchronisedTag) != 0;
    std::int64_t position = FirstFrame(bytes, record);
    while (position < bytes.End() && !bytes.Failed()) {
        const std::string header = bytes.ReadAt(position, static_cast<std::int64_t>(layout.headerLength));
        if (header.size() < layout.headerLength) break;
        // Only the first id byte is tested; this is what stops the walk at padding.
        if (header[0] < 'A' || header[0] > 'Z') break;
        FrameSpot spot;
        spot.id = std::string_view(header).substr(0, layout.idLength);
        if (layout.hasFlags) spot.flags = {static_cast<unsigned char>(header[8]), static_cast<unsigned char>(header[9])};
        if (everyFrameUnsynchronised) spot.flags[1] |= kUnsynchronisedV4;
        spot.contentStart = position + static_cast<std::int64_t>(layout.headerLength);
        spot.size = FrameSize(bytes, record, header, spot.contentStart);
        // A negative size would move the walk backwards and repeat frames for ever.
        if (spot.size < 0) break;
        visit(spot);
        position = spot.contentStart + spot.size;
    }
    return position;
}

// A frame header at `header` that a tagger could have written: a known id and a size that
// keeps the frame inside the tag.
bool IsFrameHeaderWithin(TagBytes& bytes, const TagInfo& record, std::string_view header, std::int64_t at) {
    const FrameLayout& layout = record.Version == 2 ? kLayoutV2 : kLayoutV3;
    // Every id starts with a letter: most bytes are ruled out before the table is searched.
    if (header[0] < 'A' || header[0] > 'Z' || !IsKnownFrameId(record.Version, header.substr(0, layout.idLength))) {
        return false;
    }
    const std::int64_t contentStart = at + static_cast<std::int64_t>(layout.headerLength);
    const std::int64_t room = bytes.End() - contentStart;
    if (record.Version == 2) return (BigEndian32(header.substr(2, 4)) & 0xFFFFFF) <= room;
    const std::uint32_t plain = BigEndian32(header.substr(4, 4));
    return plain <= room || (record.Version == 4 && Synchsafe32(header.substr(4, 4)) <= room);
}

// Whether a frame header stands anywhere in [from, end of tag).
bool FrameHeaderFrom(TagBytes& bytes, const TagInfo& record, std::int64_t from) {
    const auto headerLength = static_cast<std::int64_t>((record.Version == 2 ? kLayoutV2 : kLayoutV3).headerLength);
    constexpr std::int64_t kStep = 65536;
    for (std::int64_t start = from; start + headerLength <= bytes.End() && !bytes.Failed(); start += kStep) {
        const std::string chunk = bytes.ReadAt(start, kStep + headerLength - 1);
        const std::string_view view(chunk);
        for (std::size_t i = 0; i + static_cast<std::size_t>(headerLength) <= view.size(); ++i) {
            const std::string_view header = view.substr(i, static_cast<std::size_t>(headerLength));
            if (IsFrameHeaderWithin(bytes, record, header, start + static_cast<std::int64_t>(i))) return true;
        }
    }
    return false;
}

// How a frame's content lies behind its header.
struct Payload {
    std::size_t skip = 0;         // version 4 group id and data length before the content
    bool readable = true;         // false for compressed and encrypted frames
    bool unsynchronised = false;  // version 4 frame flag
};

Payload PayloadOf(std::uint8_t version, const std::array<unsigned char, 2>& flags) {
    Payload payload;
    if (version < 3) return payload;
    const unsigned char format = flags[1];
    // Bit 7 is version 3's compression; version 4 leaves it unused, and readers pass it over.
    payload.readable = (format & kCompressedV3) == 0;
    if (version == 4) {
        payload.readable = payload.readable && (format & (kCompressedV4 | kEncryptedV4)) == 0;
        payload.skip = ((format & kGroupedV4) != 0 ? 1 : 0) + ((format & kDataLengthV4) != 0 ? 4 : 0);
        payload.unsynchronised = (format & kUnsynchronisedV4) != 0;
    }
    return payload;
}

// How many stored bytes give the 500 bytes of a slot.
std::int64_t PrefixLength(const Payload& payload) {
    const auto length = static_cast<std::int64_t>(payload.skip + kContentCap);
    return payload.unsynchronised ? 2 * length : length;
}

// The first stored bytes of a frame as a slot: 500 bytes, zero filled; empty for an encoding
// the reader does not know, and for a frame without content (not even the encoding), which
// other readers drop as well.
std::string ContentForSlot(std::string stored, const Payload& payload) {
    if (payload.unsynchronised) stored = Resynchronise(stored);
    stored.erase(0, std::min(payload.skip, stored.size()));
    if (stored.empty()) return {};
    stored.resize(kContentCap, '\0');
    if (static_cast<unsigned char>(stored[0]) > kUtf8Encoding) return {};
    return stored;
}

}  // namespace

std::string Resynchronise(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (bytes[i] == '\xFF' && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
    }
    return out;
}

int SlotOf(std::uint8_t version, std::string_view id) {
    const auto& table = version > 2 ? kFrameIdsV3 : kFrameIdsV2;
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (id == table[slot]) return slot;
    }
    return 0;
}

void ReadSlots(const std::u16string& path, TagInfo& record) {
    TagBytes bytes;
    if (!bytes.Open(path, record)) return;
    Walk(bytes, record, [&](const FrameSpot& spot) {
        const Payload payload = PayloadOf(record.Version, spot.flags);
        const int slot = SlotOf(record.Version, spot.id);
        if (slot == 0 || !payload.readable) return;
        std::string stored = bytes.ReadAt(spot.contentStart, std::min(spot.size, PrefixLength(payload)));
        if (bytes.Failed()) return;
        // A later frame with the same id replaces an earlier one.
        std::string content = ContentForSlot(std::move(stored), payload);
        if (!content.empty() && !(slot == kCommentSlot && IsMachineComment(content))) {
            record.Frames[slot] = std::move(content);
        }
    });
}

bool ForEachFrame(const std::u16string& path, const TagInfo& record,
                  const std::function<void(const OldFrame&)>& visit) {
    TagBytes bytes;
    if (!bytes.Open(path, record)) return false;
    Walk(bytes, record, [&](const FrameSpot& spot) {
        OldFrame frame{std::string(spot.id), spot.flags, {}, true};
        frame.whole = spot.contentStart + spot.size <= bytes.End();
        // A frame that runs past the tag counts for the fields with what the reader takes of it.
        const std::int64_t length = frame.whole ? spot.size : std::min(spot.size, PrefixLength(PayloadOf(record.Version, spot.flags)));
        frame.data = bytes.ReadAt(spot.contentStart, length);
        if (!bytes.Failed()) visit(frame);
    });
    return !bytes.Failed();
}

bool ReadsWhole(const std::u16string& path, const TagInfo& record) {
    TagBytes bytes;
    if (!bytes.Open(path, record)) return true;
    const std::int64_t stop = Walk(bytes, record, [](const FrameSpot&) {});
    if (bytes.Failed() || stop >= bytes.End()) return true;
    // Zeros, or bytes with no frame after them, are padding.
    const std::string first = bytes.ReadAt(stop, 1);
    return first.empty() || first[0] == '\0' || !FrameHeaderFrom(bytes, record, stop + 1);
}

std::string SlotContent(std::uint8_t version, const OldFrame& frame) {
    const Payload payload = PayloadOf(version, frame.flags);
    if (SlotOf(version, frame.id) == 0 || !payload.readable) return {};
    std::string content = ContentForSlot(frame.data.substr(0, static_cast<std::size_t>(PrefixLength(payload))), payload);
    if (SlotOf(version, frame.id) == kCommentSlot && IsMachineComment(content)) return {};
    return content;
}

}  // namespace tags
