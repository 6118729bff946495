// Tag round trip: the input is a music file; the fields set are cut from the input's own
// bytes. After WriteTag, a fresh ReadTag gives every field as set (as far as a 500-byte frame
// holds it), the fields without setters as they were read, the bytes after the new tag are the
// bytes that followed the old one, and a write that fails leaves the file byte for byte.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "tags/id3v2.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    return text;
}

// Whether `got` is what a read may give of `set` written into a 500-byte frame: the writer
// chooses ISO-8859-1 or UTF-16, so the text may end where that frame ends (`fitsUtf16`
// characters at least); it is never longer.
bool ReadsAsSet(const std::string& set, const std::string& got, std::size_t fitsUtf16) {
    const std::size_t kept = std::min(set.size(), fitsUtf16);
    return std::string_view(set).starts_with(got) &&
           std::string_view(got).starts_with(Trim(std::string_view(set).substr(0, kept)));
}

// Length of the tag a file starts with, header and version 4 footer and all; 0 when it has
// none. A tag that claims more bytes than the file holds ends with the file.
std::size_t TagLength(const Bytes& file) {
    if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3') return 0;
    std::size_t length = (std::size_t{file[6]} << 21) + (std::size_t{file[7]} << 14) +
                         (std::size_t{file[8]} << 7) + file[9] + 10;
    if (file[3] == 4 && (file[5] & 0x10) != 0) length += 10;
    return std::min(length, file.size());
}

// Takes the field texts from the input: each is a slice whose start and length come from
// two bytes at the input's end, so the fuzzer steers texts and file independently.
class FieldSource {
public:
    explicit FieldSource(std::string_view input) : input_(input), tail_(input.size()) {}

    std::string Next() {
        if (input_.empty()) return "";
        const std::size_t start = Byte() * input_.size() / 256;
        const std::size_t length = Byte() * 4;  // up to 1020 bytes: past the 500-byte cap
        // UTF-8, as the window gives its texts: malformed bytes become U+FFFD. Only a tag's
        // ISO-8859-1 frame, read in the code page, gives a text with a zero byte.
        const std::string_view slice = input_.substr(start, length);
        if (slice.find('\0') != std::string_view::npos) return platform::Utf8FromAnsi(slice);
        return platform::Utf8FromUtf16(platform::Utf16FromUtf8(slice));
    }
    int Number() { return Byte() << 24 | Byte() << 16 | Byte() << 8 | Byte(); }

private:
    unsigned Byte() { return tail_ > 0 ? static_cast<unsigned char>(input_[--tail_]) : 0; }

    std::string_view input_;
    std::size_t tail_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto file = fuzz::ScratchFolder() / "song.mp3";
    static const auto temporary = fuzz::ScratchFolder() / "song.mp3~";
    const Bytes original(data, data + size);
    test_support::WriteBytes(file, original);

    // As the window does it: read, change the shown fields, write.
    TID3v2 tag;
    tag.ReadTag(file.u16string());
    const TID3v2 read = tag;
    FieldSource source(std::string_view(reinterpret_cast<const char*>(data), size));
    tag.SetTitle(source.Next());
    tag.SetArtist(source.Next());
    tag.SetAlbum(source.Next());
    tag.SetYear(source.Next());
    tag.SetGenre(source.Next());
    tag.SetComment(source.Next());
    tag.SetTrackNumber(source.Number());

    const bool written = tag.WriteTag(file.u16string());
    FUZZ_CHECK(!std::filesystem::exists(temporary), "the temporary file was left behind");
    const Bytes after = test_support::ReadBytes(file);
    if (!written) {
        FUZZ_CHECK(after == original, "a failed write changed the file");
        return 0;
    }

    TID3v2 back;
    FUZZ_CHECK(back.ReadTag(file.u16string()) && back.TagPresent && back.MajorVersion == 3,
               "the written tag does not read as version 3");
    // A field set empty reads back empty too: its frame stays as an empty one, which hides
    // any fallback frame.
    auto check = [](const std::string& set, const std::string& got, std::size_t fitsUtf16,
                    const char* what) {
        FUZZ_CHECK(ReadsAsSet(set, got, fitsUtf16), std::string(what) + " differs");
    };
    // Encoding, byte-order mark, 2-byte characters. One less: a pair of surrogates cut in half
    // is dropped.
    constexpr std::size_t kTextFits = (500 - 3) / 2 - 1;
    check(tag.Title, back.Title, kTextFits, "Title");
    check(tag.Artist, back.Artist, kTextFits, "Artist");
    check(tag.Album, back.Album, kTextFits, "Album");
    check(tag.Year, back.Year, kTextFits, "Year");
    if (tag.Genre.find(')') == std::string::npos) check(tag.Genre, back.Genre, kTextFits, "Genre");
    // A comment keeps the language and description of the one it replaces, which may leave
    // its text little of the frame's 500 bytes: what is read is the start of what was set.
    FUZZ_CHECK(std::string_view(tag.Comment).starts_with(back.Comment), "Comment differs");
    FUZZ_CHECK(back.TrackNumber == tag.TrackNumber, "TrackNumber differs");
    // The fields without setters are written back as they were read.
    FUZZ_CHECK(back.Composer == read.Composer && back.EncodedBy == read.EncodedBy &&
                   back.RightsNotice == read.RightsNotice && back.Language == read.Language &&
                   back.UserUrl == read.UserUrl,
               "a field without a setter changed");

    const std::size_t oldEnd = TagLength(original);
    const std::size_t newEnd = TagLength(after);
    FUZZ_CHECK(newEnd >= 10, "the new tag's header is not whole");
    FUZZ_CHECK(after.size() - newEnd == original.size() - oldEnd &&
                   std::equal(after.begin() + static_cast<std::ptrdiff_t>(newEnd), after.end(),
                              original.begin() + static_cast<std::ptrdiff_t>(oldEnd)),
               "the bytes after the tag changed");
    return 0;
}
