#include "tests/tags/tag_bytes.h"

namespace tag_bytes {

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes FromText(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Zeros(std::size_t count) { return Bytes(count, 0); }

Bytes Latin1(std::string_view text) { return Bytes{0} + FromText(text); }

Bytes Utf16(std::u16string_view text) { return Bytes{1} + Marked(text); }

Bytes Marked(std::u16string_view text) {
    Bytes out{0xFF, 0xFE};
    for (char16_t unit : text) {
        out.push_back(static_cast<unsigned char>(unit & 0xFF));
        out.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return out;
}

Bytes Utf16BigEndian(std::u16string_view text) {
    Bytes out{2};
    for (char16_t unit : text) {
        out.push_back(static_cast<unsigned char>(unit >> 8));
        out.push_back(static_cast<unsigned char>(unit & 0xFF));
    }
    return out;
}

Bytes Utf8(std::string_view utf8) { return Bytes{3} + FromText(utf8); }

Bytes Unsynchronise(const Bytes& bytes) {
    Bytes out;
    for (unsigned char byte : bytes) {
        out.push_back(byte);
        if (byte == 0xFF) out.push_back(0);
    }
    return out;
}

Bytes Header(std::uint8_t version, std::uint32_t bodySize, std::uint8_t flags) {
    return Bytes{'I', 'D', '3', version, 0, flags,
                 static_cast<unsigned char>((bodySize >> 21) & 0x7F),
                 static_cast<unsigned char>((bodySize >> 14) & 0x7F),
                 static_cast<unsigned char>((bodySize >> 7) & 0x7F),
                 static_cast<unsigned char>(bodySize & 0x7F)};
}

Bytes FrameHeader(std::string_view id, std::uint32_t size, std::uint8_t secondFlags, std::uint8_t firstFlags) {
    return FromText(id) + Bytes{static_cast<unsigned char>(size >> 24),
                                static_cast<unsigned char>(size >> 16),
                                static_cast<unsigned char>(size >> 8),
                                static_cast<unsigned char>(size), firstFlags, secondFlags};
}

Bytes Frame(std::string_view id, const Bytes& content, std::uint8_t secondFlags, std::uint8_t firstFlags) {
    return FrameHeader(id, static_cast<std::uint32_t>(content.size()), secondFlags, firstFlags) + content;
}

Bytes FrameV2(std::string_view id, const Bytes& content) {
    const auto size = static_cast<std::uint32_t>(content.size());
    return FromText(id) + Bytes{static_cast<unsigned char>(size >> 16),
                                static_cast<unsigned char>(size >> 8),
                                static_cast<unsigned char>(size)} + content;
}

Bytes Tag(std::uint8_t version, const std::vector<Bytes>& frames, std::size_t padding) {
    Bytes body;
    for (const Bytes& frame : frames) body = body + frame;
    body = body + Zeros(padding);
    return Header(version, static_cast<std::uint32_t>(body.size())) + body;
}

TID3v2 ReadAsFile(const test_support::TempDir& dir, const Bytes& bytes, bool* result) {
    test_support::WriteBytes(dir.Native("song.mp3"), bytes);
    TID3v2 tag;
    const bool ok = tag.ReadTag(dir.File("song.mp3"));
    if (result != nullptr) *result = ok;
    return tag;
}

}  // namespace tag_bytes
