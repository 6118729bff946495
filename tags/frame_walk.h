// Walking the frames of a tag into the slots of its TagInfo. Internal to the tag unit.
#pragma once

#include <string>
#include <string_view>

#include "tags/tag_info.h"

namespace tags {

// Versions 3 and 4: 10-byte frame headers, 4-character ids.
void WalkFramesV3(const std::u16string& path, TagInfo& record);
// Version 2: 6-byte frame headers, 3-character ids, no flags.
void WalkFramesV2(const std::u16string& path, TagInfo& record);

// Puts a frame's 500-byte content into the slot of its id, when its encoding is 0 or 1.
void StoreFrame(std::string_view id, const std::string& content, TagInfo& record);

}  // namespace tags
