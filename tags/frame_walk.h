// Walking the frames of a tag: into the slots of its TagInfo for reading, or whole for the
// writer, which decides per frame what becomes of it. Internal to the tag unit.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "tags/tag_info.h"

namespace tags {

// A frame of the old tag as it stands, once a version 2 or 3 tag's unsynchronisation is
// undone. A version 4 frame of a tag unsynchronised as a whole carries that frame flag.
struct OldFrame {
    std::string id;                       // 3 or 4 characters
    std::array<unsigned char, 2> flags{};  // zero in version 2
    std::string data;                     // everything after the frame header
    bool whole = true;                    // false: runs past the tag; `data` is only its start
};

// Fills the slots of `record` (header already probed) from the tag in the file. A failure to
// open or read the file ends the walk; slots filled so far stay.
void ReadSlots(const std::u16string& path, TagInfo& record);

// Calls `visit` with every frame of the tag in order, one at a time, so that a walk holds
// no more than one frame. False when the file could not be opened or a read failed.
bool ForEachFrame(const std::u16string& path, const TagInfo& record,
                  const std::function<void(const OldFrame&)>& visit);

// False when the walk stops at bytes that are not zero and a frame header (a known id, a size
// within the tag) follows later inside the tag, which ForEachFrame would miss. A file that
// cannot be read is left to the write to fail on.
bool ReadsWhole(const std::u16string& path, const TagInfo& record);

// The slot content a frame gives, as ReadSlots takes it: 500 bytes, zero filled; empty when
// the frame feeds no slot (unknown id, unknown encoding, compressed or encrypted, a comment of
// machine data).
std::string SlotContent(std::uint8_t version, const OldFrame& frame);
// The slot whose table entry is `id` for the version, or 0.
int SlotOf(std::uint8_t version, std::string_view id);

// Undoes unsynchronisation: every FF 00 becomes FF.
std::string Resynchronise(std::string_view bytes);

}  // namespace tags
