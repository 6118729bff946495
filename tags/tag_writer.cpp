#include "tags/tag_writer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "tags/frame_walk.h"
#include "tags/tag_info.h"
#include "tags/tag_merge.h"

namespace tags {
namespace {

// A rebuilt tag is this long when its frames are shorter, else this much padding follows
// them, so that the next edits fit in place.
constexpr std::int64_t kRebuiltPadding = 4096;
constexpr std::size_t kBlock = 61440;
// The largest tag a write takes on, old or new; also what keeps its memory bounded.
constexpr std::int64_t kLargestTag = std::int64_t{64} << 20;

// The cause the system gave for the last failed file call, or `otherwise`.
TWriteFailure Cause(TWriteFailure otherwise) {
    switch (platform::LastFileError()) {
        case platform::FileError::kNotFound: return TWriteFailure::NoSuchFile;
        case platform::FileError::kNotRegular: return TWriteFailure::NotRegularFile;
        case platform::FileError::kNoAccess: return TWriteFailure::NoAccess;
        case platform::FileError::kInUse: return TWriteFailure::InUse;
        case platform::FileError::kDiskFull: return TWriteFailure::DiskFull;
        default: return otherwise;
    }
}

// The tag as it goes into the file: header and frames, then zero padding.
struct NewTag {
    std::string bytes;
    std::int64_t padding = 0;

    std::int64_t Length() const { return static_cast<std::int64_t>(bytes.size()) + padding; }

    // `count` bytes of the tag from `offset` on.
    void Copy(std::int64_t offset, char* out, std::size_t count) const {
        const auto size = static_cast<std::int64_t>(bytes.size());
        const auto fromBytes = static_cast<std::size_t>(std::clamp<std::int64_t>(size - offset, 0, static_cast<std::int64_t>(count)));
        if (fromBytes > 0) std::copy_n(bytes.data() + offset, fromBytes, out);
        std::fill(out + fromBytes, out + count, '\0');
    }

    void SetHeader() {
        bytes.replace(0, 6, "ID3\x03\x00\x00", 6);
        const auto body = static_cast<std::uint32_t>(Length() - kHeaderLength);
        for (int k = 0; k < 4; ++k) bytes[6 + k] = static_cast<char>((body >> (7 * (3 - k))) & 0x7F);
    }
};

// Writes over the old tag only the bytes from the first to the last that differ, so that an
// edit that keeps the frames' lengths leaves a picture behind them alone.
TWriteFailure OverwriteInPlace(const std::u16string& path, const NewTag& tag) {
    std::vector<char> old(kBlock), wanted(kBlock);
    if (!platform::ClearAttributes(path)) return Cause(TWriteFailure::CannotOpen);
    platform::File file;
    if (!file.OpenExclusive(path)) return Cause(TWriteFailure::CannotOpen);
    std::int64_t first = -1, last = -1;
    for (std::int64_t offset = 0; offset < tag.Length(); offset += kBlock) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(kBlock, tag.Length() - offset));
        // The old tag lies within the file, so it is there to be read whole.
        const std::int64_t got = file.Read(old.data(), count);
        if (got < 0) return Cause(TWriteFailure::NotReadWhole);
        if (got != static_cast<std::int64_t>(count)) return TWriteFailure::NotReadWhole;
        tag.Copy(offset, wanted.data(), count);
        if (std::memcmp(old.data(), wanted.data(), count) == 0) continue;
        const auto differs = std::mismatch(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(count), wanted.begin());
        if (first < 0) first = offset + (differs.first - old.begin());
        const auto lastDiffers = std::mismatch(old.rbegin() + static_cast<std::ptrdiff_t>(kBlock - count), old.rend(),
                                               wanted.rbegin() + static_cast<std::ptrdiff_t>(kBlock - count));
        last = offset + (old.rend() - lastDiffers.first) - 1;
    }
    if (first >= 0) {
        if (!file.Seek(first)) return Cause(TWriteFailure::WriteError);
        for (std::int64_t offset = first; offset <= last; offset += kBlock) {
            const auto count = static_cast<std::size_t>(std::min<std::int64_t>(kBlock, last + 1 - offset));
            tag.Copy(offset, wanted.data(), count);
            if (!file.WriteAll(wanted.data(), count)) return Cause(TWriteFailure::WriteError);
        }
        // On the disk before the player opens the file again.
        if (!file.Flush()) return Cause(TWriteFailure::WriteError);
    }
    // A close that fails may have lost what was written.
    return file.Close() ? TWriteFailure::None : Cause(TWriteFailure::WriteError);
}

// Writes the tag and the audio from `audioStart` on into the temporary file.
bool WriteTemporary(platform::File& audio, std::int64_t audioStart, platform::File& temporary, const NewTag& tag,
                    std::vector<char>& block) {
    for (std::int64_t offset = 0; offset < tag.Length(); offset += kBlock) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(kBlock, tag.Length() - offset));
        tag.Copy(offset, block.data(), count);
        if (!temporary.WriteAll(block.data(), count)) return false;
    }
    if (!audio.Seek(audioStart)) return false;
    for (;;) {
        const std::int64_t got = audio.Read(block.data(), block.size());
        if (got < 0) return false;
        if (got == 0) break;
        if (!temporary.WriteAll(block.data(), static_cast<std::size_t>(got))) return false;
    }
    // Completely on disk before it takes the original's place.
    return temporary.Flush();
}

// Writes the tag and then the audio after the old tag into "path~", and puts that file in the
// place of the original.
TWriteFailure RewriteWithTemp(const std::u16string& path, const NewTag& tag, std::int64_t audioStart) {
    if (!platform::ClearAttributes(path)) return Cause(TWriteFailure::CannotOpen);
    const std::u16string temporaryPath = path + u"~";
    std::vector<char> block(kBlock);  // taken before there is a temporary file to clean up
    platform::File audio, temporary;
    if (!audio.OpenExclusive(path)) return Cause(TWriteFailure::CannotOpen);
    // Only a file this call created may be removed again: an existing "~" file that cannot be
    // replaced is left alone.
    if (!temporary.CreateExclusive(temporaryPath)) {
        return platform::LastFileError() == platform::FileError::kDiskFull ? TWriteFailure::DiskFull
                                                                          : TWriteFailure::TemporaryFile;
    }
    TWriteFailure failure = TWriteFailure::None;
    if (!WriteTemporary(audio, audioStart, temporary, tag, block)) failure = Cause(TWriteFailure::WriteError);
    audio.Close();
    if (!temporary.Close() && failure == TWriteFailure::None) failure = Cause(TWriteFailure::WriteError);
    if (failure == TWriteFailure::None) {
        if (platform::ReplaceFilePath(temporaryPath, path)) return TWriteFailure::None;
        failure = platform::LastFileError() == platform::FileError::kInUse ? TWriteFailure::InUse
                                                                           : TWriteFailure::NotReplaced;
    }
    // The replace happens in one step, so the original is normally still there; should it be
    // gone, the temporary file is the only copy and stays.
    if (platform::IsExistingFile(path)) platform::DeleteFilePath(temporaryPath);
    return failure;
}

}  // namespace

TWriteFailure StoreTag(const TID3v2& fields, const std::u16string& path) {
    if (!platform::IsExistingFile(path)) return Cause(TWriteFailure::CannotOpen);
    {
        platform::File file;
        if (!file.OpenShareRead(path)) return Cause(TWriteFailure::CannotOpen);
        if (file.Length() < kHeaderLength) return TWriteFailure::TooShort;
    }
    TagInfo record;
    if (!ProbeHeader(path, record)) return Cause(TWriteFailure::CannotOpen);
    const std::int64_t oldLength = HasMagic(record) ? TotalTagLength(record) : 0;
    if (oldLength > kLargestTag) return TWriteFailure::TooLarge;
    // Frames the walk cannot reach would be lost with the old tag.
    if (HasMagic(record) && record.Version >= 2 && record.Version <= 4 && !ReadsWhole(path, record)) {
        return TWriteFailure::NotReadWhole;
    }

    NewTag tag;
    tag.bytes.assign(kHeaderLength, '\0');
    // The old tag is read again now: what the user did not change is kept as it is there.
    if (!MergeFrames(fields, path, record, tag.bytes)) return TWriteFailure::NotReadWhole;
    const auto length = static_cast<std::int64_t>(tag.bytes.size());
    if (length > kLargestTag) return TWriteFailure::TooLarge;
    if (HasMagic(record) && length <= oldLength) {
        // The old footer, if any, becomes padding too.
        tag.padding = oldLength - length;
        tag.SetHeader();
        return OverwriteInPlace(path, tag);
    }
    tag.padding = length <= kRebuiltPadding ? kRebuiltPadding - length : kRebuiltPadding;
    tag.SetHeader();
    return RewriteWithTemp(path, tag, oldLength);
}

}  // namespace tags
