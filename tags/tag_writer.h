// Writing whole version 3 frames into a file as a version 2.3.0 tag, in place or through a
// temporary file. Internal to the tag unit.
#pragma once

#include <string>
#include <vector>

#include "tags/tag_info.h"

namespace tags {

// Plans, builds the tag in memory and stores it; true when the new tag is in the file.
bool SerializeAndStore(const std::u16string& path, TagInfo& record, const std::vector<std::string>& frames);

}  // namespace tags
