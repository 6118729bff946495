#include "tags/tag_writer.h"

#include <vector>

#include "platform/files.h"

namespace tags {
namespace {

constexpr std::int32_t kInPlaceLimit = 4096;  // also the padded length of a rebuilt tag
constexpr std::int64_t kLargestTagBody = 0x0FFFFFFF;  // what four synchsafe bytes can say
constexpr std::size_t kCopyBlock = 61440;

std::int64_t FramesLength(const std::vector<std::string>& frames) {
    std::int64_t total = 0;
    for (const std::string& frame : frames) total += static_cast<std::int64_t>(frame.size());
    return total;
}

std::string BuildTag(const TagInfo& record, const std::vector<std::string>& frames) {
    std::string tag;
    tag.append(record.Magic.data(), record.Magic.size());
    tag += static_cast<char>(record.Version);
    tag += static_cast<char>(record.Revision);
    tag += static_cast<char>(record.Flags);
    tag.append(reinterpret_cast<const char*>(record.SizeBytes.data()), record.SizeBytes.size());
    for (const std::string& frame : frames) tag.append(frame);
    if (record.PaddingLength > 0) tag.append(static_cast<std::size_t>(record.PaddingLength), '\0');
    return tag;
}

// Writes the tag and the audio behind it into the temporary file; false on any failure.
bool WriteTemporary(platform::File& audio, platform::File& temporary, const std::string& tag) {
    if (!temporary.WriteAll(tag.data(), tag.size())) return false;
    std::vector<char> block(kCopyBlock);
    for (;;) {
        const std::int64_t got = audio.Read(block.data(), block.size());
        if (got < 0) return false;
        if (got == 0) break;
        if (!temporary.WriteAll(block.data(), static_cast<std::size_t>(got))) return false;
    }
    // Completely on disk before it takes the original's place.
    return temporary.Flush();
}

// Decides in place or rebuild and the padding for frames of `framesLength` bytes; rewrites the
// header fields for version 3.
void PlanTag(TagInfo& record, std::int64_t framesLength) {
    // Callers keep the frames within what the header can express (see SerializeAndStore).
    auto total = static_cast<std::int32_t>(kHeaderLength + framesLength);
    const std::int32_t old = TotalTagLength(record);
    record.MustRebuild = !HasMagic(record) || old < total || old > kInPlaceLimit;
    record.PaddingLength = record.MustRebuild ? kInPlaceLimit - total : old - total;
    if (record.PaddingLength > 0) total += record.PaddingLength;
    record.Magic = {'I', 'D', '3'};
    record.Version = 3;
    record.Revision = 0;
    record.Flags = 0;
    const auto body = static_cast<std::uint32_t>(total - kHeaderLength);
    for (int k = 1; k <= 4; ++k) record.SizeBytes[k - 1] = (body >> (7 * (4 - k))) & 0x7F;
}

// Writes `tag` over the start of the file; the file keeps its length.
bool OverwriteInPlace(const std::u16string& path, const std::string& tag) {
    if (!platform::IsExistingFile(path) || !platform::ClearAttributes(path)) return false;
    platform::File file;
    // A close that fails may have lost what was written.
    return file.OpenExclusive(path) && file.WriteAll(tag.data(), tag.size()) && file.Close();
}

// Writes `tag` and then the audio after the old tag into "path~", and puts that file in the
// place of the original.
bool RewriteWithTemp(const std::u16string& path, const std::string& tag) {
    TagInfo old;
    if (!platform::IsExistingFile(path) || !platform::ClearAttributes(path) ||
        !ProbeHeader(path, old)) {
        return false;
    }
    const std::u16string temporaryPath = path + u"~";
    platform::File audio, temporary;
    if (!audio.OpenExclusive(path)) return false;
    // Only a file this call created may be removed again: an existing "~" file that cannot be
    // replaced is left alone.
    if (!temporary.CreateExclusive(temporaryPath)) return false;
    const std::int64_t audioStart = HasMagic(old) ? TotalTagLength(old) : 0;
    bool written = audio.Seek(audioStart) && WriteTemporary(audio, temporary, tag);
    audio.Close();
    written = temporary.Close() && written;
    if (written && platform::ReplaceFilePath(temporaryPath, path)) return true;
    // The replace happens in one step, so the original is normally still there; should it be
    // gone, the temporary file is the only copy and stays.
    if (platform::IsExistingFile(path)) platform::DeleteFilePath(temporaryPath);
    return false;
}

}  // namespace

bool SerializeAndStore(const std::u16string& path, TagInfo& record, const std::vector<std::string>& frames) {
    // Frames the synchsafe size cannot express would give a corrupt tag; refuse them.
    const std::int64_t framesLength = FramesLength(frames);
    if (framesLength > kLargestTagBody) return false;
    PlanTag(record, framesLength);
    const std::string tag = BuildTag(record, frames);
    return record.MustRebuild ? RewriteWithTemp(path, tag) : OverwriteInPlace(path, tag);
}

}  // namespace tags
