// An old tag's frames in the framing of version 3, which is all the writer writes. Internal
// to the tag unit.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags/frame_walk.h"

namespace tags {

// A whole version 3 frame: id, plain big-endian size, flags, content.
std::string Version3Frame(std::string_view id, std::string_view content,
                          const std::array<unsigned char, 2>& flags = {});

// `frame` of a tag of `version` as a version 3 frame: version 3 byte for byte; version 4 with
// a plain size, its flags restated and its encoding 2 and 3 texts in encoding 1; version 2
// under its version 3 id. Nothing when it cannot be carried over (see the .cpp).
std::optional<std::string> ConvertFrame(std::uint8_t version, const OldFrame& frame);

}  // namespace tags
