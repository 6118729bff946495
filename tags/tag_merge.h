// The frames WriteTag writes: a new frame for each field that differs from what the file's
// tag now gives, in place of the frame that value came from; every other frame of the old
// tag kept in its order, in version 3 framing. Internal to the tag unit.
#pragma once

#include <string>
#include <vector>

#include "tags/tag_info.h"

class TID3v2;

namespace tags {

// Whole version 3 frames in tag order. `probed` is the file's header as ProbeHeader gave it.
std::vector<std::string> MergeFrames(const TID3v2& tag, const std::u16string& path, const TagInfo& probed);

}  // namespace tags
