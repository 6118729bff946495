// Writing whole version 3 frames into a file as a version 2.3.0 tag, in place or through a
// temporary file. Internal to the tag unit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tags/tag_info.h"

namespace tags {

// Decides in place or rebuild and the padding for frames of `framesLength` bytes; rewrites the
// header fields for version 3.
void PlanTag(TagInfo& record, std::int64_t framesLength);
// Plans, builds the tag in memory and stores it; true when the new tag is in the file.
bool SerializeAndStore(const std::u16string& path, TagInfo& record, const std::vector<std::string>& frames);
// Writes `tag` over the start of the file; the file keeps its length.
bool OverwriteInPlace(const std::u16string& path, const std::string& tag);
// Writes `tag` and then the audio after the old tag into "path~", and puts that file in the
// place of the original.
bool RewriteWithTemp(const std::u16string& path, const std::string& tag);

}  // namespace tags
