// An old tag's frames in the framing of version 3, which is all the writer writes. Internal
// to the tag unit.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/frame_walk.h"

namespace tags {

// A whole version 3 frame: id, plain big-endian size, flags, content.
std::string Version3Frame(std::string_view id, std::string_view content,
                          const std::array<unsigned char, 2>& flags = {});

// The frames of a tag of `version` as version 3 frames, entry for entry: version 3 byte for
// byte; version 4 with a plain size, its flags restated, its encoding 2 and 3 texts in
// encoding 1 and its ids that version 3 states otherwise converted (a TDRC may give TYER, TDAT
// and TIME one after another in its entry); version 2 under its version 3 id. An empty entry:
// dropped, or merged into an earlier one (see the .cpp).
std::vector<std::optional<std::string>> ConvertFrames(std::uint8_t version, const std::vector<OldFrame>& frames);

// The first of one or more whole version 3 frames, and the frames after it.
OldFrame FirstFrameOf(std::string_view frames);
std::string_view FramesAfterFirst(std::string_view frames);

}  // namespace tags
