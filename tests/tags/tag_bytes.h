// Building ID3v2 tags byte by byte for the tag unit's tests, and reading them back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/id3v2.h"
#include "tests/support/temp_dir.h"

namespace tag_bytes {

using Bytes = std::vector<unsigned char>;

Bytes operator+(Bytes a, const Bytes& b);
Bytes FromText(std::string_view text);
Bytes Zeros(std::size_t count);

// Encoding byte 0, then the text.
Bytes Latin1(std::string_view text);
// Encoding byte 1, then Marked(text).
Bytes Utf16(std::u16string_view text);
// The byte-order mark FF FE, then the text as little-endian UTF-16.
Bytes Marked(std::u16string_view text);

// Encoding byte 2, then big-endian UTF-16 without a mark; encoding byte 3, then UTF-8.
Bytes Utf16BigEndian(std::u16string_view text);
Bytes Utf8(std::string_view utf8);
// Every FF followed by 00, as unsynchronisation leaves it (more than it needs, but valid).
Bytes Unsynchronise(const Bytes& bytes);

// 10-byte tag header with a synchsafe body size.
Bytes Header(std::uint8_t version, std::uint32_t bodySize, std::uint8_t flags = 0);
// Version 3/4 frame with a plain 32-bit size, as the reader takes it.
Bytes Frame(std::string_view id, const Bytes& content, std::uint8_t secondFlags = 0, std::uint8_t firstFlags = 0);
// Same header with the size given outright (for sizes that do not match the content).
Bytes FrameHeader(std::string_view id, std::uint32_t size, std::uint8_t secondFlags = 0, std::uint8_t firstFlags = 0);
// Version 2 frame, 24-bit size.
Bytes FrameV2(std::string_view id, const Bytes& content);

// Header followed by the frames and `padding` zero bytes, sized to fit.
Bytes Tag(std::uint8_t version, const std::vector<Bytes>& frames, std::size_t padding = 0);

// Writes `bytes` to a file in `dir` and reads it with a fresh TID3v2.
TID3v2 ReadAsFile(const test_support::TempDir& dir, const Bytes& bytes, bool* result = nullptr);

}  // namespace tag_bytes
