// Walking the frames of a tag: into the slots of its TagInfo for reading, or whole for the
// writer, which decides per frame what becomes of it. Internal to the tag unit.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tags/tag_info.h"

namespace tags {

// A frame of the old tag as it stands, once a version 3 tag's unsynchronisation is undone.
struct OldFrame {
    std::string id;                       // 3 or 4 characters
    std::array<unsigned char, 2> flags{};  // zero in version 2
    std::string data;                     // everything after the frame header
    bool whole = true;                    // false: runs past the tag; `data` is only its start
};

// Fills the slots of `record` (header already probed) from the tag in the file. A failure to
// open or read the file ends the walk; slots filled so far stay.
void ReadSlots(const std::u16string& path, TagInfo& record);

// Every frame that lies whole within the tag, in order. Memory is bounded by the file.
std::vector<OldFrame> ReadFrames(const std::u16string& path, const TagInfo& record);

// The slot content a frame gives, as ReadSlots takes it: 500 bytes, zero filled; empty when
// the frame feeds no slot (unknown id, unknown encoding, compressed or encrypted, a comment of
// machine data).
std::string SlotContent(std::uint8_t version, const OldFrame& frame);
// The slot whose table entry is `id` for the version, or 0.
int SlotOf(std::uint8_t version, std::string_view id);

// Undoes unsynchronisation: every FF 00 becomes FF.
std::string Resynchronise(std::string_view bytes);

}  // namespace tags
