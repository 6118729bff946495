// The ID3v1 tag in the last 128 bytes of a file, read only: older files carry nothing else,
// and their fields start from it. Internal to the tag unit.
#pragma once

#include <string>

class TID3v2;

namespace tags {

// Fills Title, Artist, Album, Year, Comment, Genre and, for version 1.1, TrackNumber and
// TrackText from the file's ID3v1 tag. False (fields untouched) when the file has none or
// cannot be read.
bool ReadVersion1(const std::u16string& path, TID3v2& tag);

}  // namespace tags
