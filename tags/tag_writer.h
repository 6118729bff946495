// Writing a version 2.3.0 tag into a file: in place when the new frames fit into the old
// tag, else through a flushed temporary copy that takes the file's place. Internal to the
// tag unit.
#pragma once

#include <string>

#include "tags/write_failure.h"

class TID3v2;

namespace tags {

// Writes the fields of `tag` and the kept frames of the old tag into the file.
TWriteFailure StoreTag(const TID3v2& tag, const std::u16string& path);

}  // namespace tags
