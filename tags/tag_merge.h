// The frames WriteTag writes: a new frame for each field that differs from what the file's
// tag now gives, in place of the frame that value came from; every other frame of the old
// tag kept in its order, in version 3 framing. Internal to the tag unit.
#pragma once

#include <string>

#include "tags/tag_info.h"

class TID3v2;

namespace tags {

// Appends the whole version 3 frames in tag order to `out`, having reserved exactly what they
// need. `probed` is the file's header as ProbeHeader gave it. False when the old tag's frames
// could not all be read (a read failed, or the file changed meanwhile).
bool MergeFrames(const TID3v2& tag, const std::u16string& path, const TagInfo& probed, std::string& out);

}  // namespace tags
