// The frame ids each version knows, and the version 3 ids of version 2 frames. Internal to
// the tag unit.
#pragma once

#include <cstdint>
#include <string_view>

namespace tags {

// True for an id the standard of that version (2, 3 or 4) defines, or one that common
// taggers write (iTunes' sort and compilation frames among them).
bool IsKnownFrameId(std::uint8_t version, std::string_view id);

// The version 3 id of a version 2 frame; empty for the two without a counterpart (CRM, an
// encrypted meta frame, and LNK, whose content names three-character ids) and unknown ones.
std::string_view Version3Id(std::string_view id);

}  // namespace tags
