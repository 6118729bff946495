#include "tags/tag_info.h"

#include "platform/files.h"

#include <algorithm>
#include <type_traits>

namespace tags {

const std::array<std::string_view, kSlotCount + 1> kFrameIdsV3 = {
    "",     "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM", "TCOM",
    "TENC", "TCOP", "TLAN", "WXXX", "TDRC", "TOPE", "TIT1", "TOAL", "TSIZ"};

const std::array<std::string_view, kSlotCount + 1> kFrameIdsV2 = {
    "",    "TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM", "TCM",
    "TEN", "TCR", "TLA", "WXX", "TOR", "TOA", "TT1", "TOT", "TSI"};

bool HasMagic(const TagInfo& record) {
    return record.Magic[0] == 'I' && record.Magic[1] == 'D' && record.Magic[2] == '3';
}

bool ProbeHeader(const std::u16string& path, TagInfo& record) {
    platform::File file;
    if (!file.OpenShareRead(path)) return false;
    unsigned char header[kHeaderLength] = {};
    const std::int64_t got = file.Read(header, sizeof header);
    // A short file still fills the fields it reaches, as a plain read would.
    const std::int64_t count = got < 0 ? 0 : got;
    auto byte = [&](int i, auto& field) {
        if (i < count) field = static_cast<std::remove_reference_t<decltype(field)>>(header[i]);
    };
    for (int i = 0; i < 3; ++i) byte(i, record.Magic[i]);
    byte(3, record.Version);
    byte(4, record.Revision);
    byte(5, record.Flags);
    for (int i = 0; i < 4; ++i) byte(6 + i, record.SizeBytes[i]);
    record.FileLength = file.Length();
    return count == kHeaderLength;
}

std::int32_t TotalTagLength(const TagInfo& record) {
    // The size bytes are combined whole, top bits included; the largest result still fits.
    std::int32_t n = record.SizeBytes[0] * (1 << 21) + record.SizeBytes[1] * (1 << 14) +
                     record.SizeBytes[2] * (1 << 7) + record.SizeBytes[3] + kHeaderLength;
    // Only version 4 has a footer; in 2.2 and 2.3 the bit is an unknown flag.
    if (record.Version == 4 && (record.Flags & 0x10) != 0) n += kFooterLength;
    // A cut-off file: what it holds of the tag is the tag.
    return static_cast<std::int32_t>(std::min<std::int64_t>(n, record.FileLength));
}

}  // namespace tags
