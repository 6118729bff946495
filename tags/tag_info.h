// The working record of one tag, the frame-id tables and the header rules that reading and
// writing share. Internal to the tag unit.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tags {

constexpr int kHeaderLength = 10;
constexpr int kFooterLength = 10;
constexpr std::size_t kContentCap = 500;

// Slots of TagInfo::Frames, numbered like the frame-id tables.
enum Slot : int {
    kTitleSlot = 1,
    kArtistSlot,
    kAlbumSlot,
    kTrackSlot,
    kYearSlot,
    kGenreSlot,
    kCommentSlot,
    kComposerSlot,
    kEncodedBySlot,
    kRightsSlot,
    kLanguageSlot,
    kUserUrlSlot,
    kDateSlot,
    kOriginalArtistSlot,
    kGroupTitleSlot,
    kOriginalAlbumSlot,
    kAudioSizeSlot,
};
constexpr int kSlotCount = 17;

// Index 0 is unused so that slot i is entry i.
extern const std::array<std::string_view, kSlotCount + 1> kFrameIdsV3;
extern const std::array<std::string_view, kSlotCount + 1> kFrameIdsV2;

struct TagInfo {
    std::array<char, 3> Magic{};
    std::uint8_t Version = 0;
    std::uint8_t Revision = 0;
    std::uint8_t Flags = 0;
    std::array<std::uint8_t, 4> SizeBytes{};
    std::int64_t FileLength = 0;
    std::array<std::string, kSlotCount + 1> Frames;  // index 0 unused
};

bool HasMagic(const TagInfo& record);

// Reads the 10 header bytes and the file length; true when all 10 bytes were there.
bool ProbeHeader(const std::u16string& path, TagInfo& record);

// Tag length with header and footer (version 4 only). A tag that claims more bytes than the
// file has ends where the file ends.
std::int32_t TotalTagLength(const TagInfo& record);

}  // namespace tags
