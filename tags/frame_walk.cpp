#include "tags/frame_walk.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace tags {
namespace {

struct FrameLayout {
    std::size_t headerLength;
    std::size_t idLength;
    bool sizeIsSigned32;  // versions 3 and 4; version 2 has an unsigned 24-bit size
    bool hasFlags;
};

constexpr FrameLayout kLayoutV3{10, 4, true, true};
constexpr FrameLayout kLayoutV2{6, 3, false, false};
constexpr unsigned char kCompressedFlag = 0x80;  // second flags byte, version 3

// Serves the walk's small reads from one block of the file, so that a tag of many tiny
// frames costs a few system calls instead of several per frame. Large frames are still
// passed by moving on, never read whole.
class BlockReader {
public:
    BlockReader(platform::File& file, std::int64_t areaEnd) : file_(file), areaEnd_(areaEnd) {}

    // Copies up to `size` bytes from `offset`; fewer at the end of the file or on an error.
    std::size_t ReadAt(std::int64_t offset, char* out, std::size_t size) {
        if (offset < start_ || offset + static_cast<std::int64_t>(size) > End()) Fill(offset, size);
        if (offset < start_ || offset > End()) return 0;
        const std::size_t available = static_cast<std::size_t>(End() - offset);
        const std::size_t count = std::min(size, available);
        std::memcpy(out, block_.data() + (offset - start_), count);
        return count;
    }

private:
    static constexpr std::int64_t kBlockSize = 65536;

    std::int64_t End() const { return start_ + static_cast<std::int64_t>(block_.size()); }

    // Reads what is needed now, and on to the end of the tag area within one block.
    void Fill(std::int64_t offset, std::size_t need) {
        const std::int64_t ahead = std::clamp<std::int64_t>(areaEnd_ - offset, 0, kBlockSize);
        const auto length = std::max<std::size_t>(need, static_cast<std::size_t>(ahead));
        block_.resize(length);
        std::int64_t got = file_.Seek(offset) ? file_.Read(block_.data(), length) : -1;
        block_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        start_ = offset;
    }

    platform::File& file_;
    std::int64_t areaEnd_;
    std::int64_t start_ = 0;
    std::vector<char> block_;
};

std::int64_t FrameSize(const unsigned char* size, const FrameLayout& layout) {
    if (layout.sizeIsSigned32) {
        const std::uint32_t raw = (std::uint32_t{size[0]} << 24) | (size[1] << 16) | (size[2] << 8) | size[3];
        return static_cast<std::int32_t>(raw);
    }
    return (size[0] << 16) | (size[1] << 8) | size[2];
}

void WalkFrames(const std::u16string& path, TagInfo& record, const FrameLayout& layout) {
    platform::File file;
    if (!file.OpenShareRead(path)) return;
    const std::int64_t tagEnd = TotalTagLength(record);
    const std::int64_t fileLength = file.Length();
    BlockReader reader(file, std::min(tagEnd, fileLength));
    std::int64_t position = kHeaderLength;
    while (position < tagEnd && position < fileLength) {
        unsigned char header[10];
        // A header cut short by the end of the file ends the walk.
        if (reader.ReadAt(position, reinterpret_cast<char*>(header), layout.headerLength) <
            layout.headerLength) {
            break;
        }
        // Only the first id byte is tested; this is what stops the walk at padding.
        if (header[0] < 'A' || header[0] > 'Z') break;
        const std::int64_t contentStart = position + static_cast<std::int64_t>(layout.headerLength);
        const std::int64_t size = FrameSize(header + layout.idLength, layout);
        // A negative size would move the walk backwards and repeat frames for ever.
        if (size < 0) break;
        std::string content(kContentCap, '\0');
        reader.ReadAt(contentStart, content.data(),
                      static_cast<std::size_t>(std::min<std::int64_t>(size, kContentCap)));
        const bool compressed = layout.hasFlags && (header[9] & kCompressedFlag) != 0;
        if (!compressed) {
            StoreFrame(std::string_view(reinterpret_cast<const char*>(header), layout.idLength),
                       content, record);
        }
        position = contentStart + size;
    }
}

}  // namespace

void WalkFramesV3(const std::u16string& path, TagInfo& record) { WalkFrames(path, record, kLayoutV3); }

void WalkFramesV2(const std::u16string& path, TagInfo& record) { WalkFrames(path, record, kLayoutV2); }

void StoreFrame(std::string_view id, const std::string& content, TagInfo& record) {
    const auto& table = record.Version > 2 ? kFrameIdsV3 : kFrameIdsV2;
    const auto encoding = content.empty() ? 0xFF : static_cast<unsigned char>(content[0]);
    if (encoding > 1) return;  // UTF-16 big-endian, UTF-8 and unknown encodings are dropped
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (id == table[slot]) record.Frames[slot] = content;
    }
}

}  // namespace tags
