// Tag reading: the input is a music file's bytes. ReadTag must end without a sanitizer report,
// in time and memory bounded by the file (never by sizes declared inside it), and give fields
// that a 500-byte frame can hold.
#include <string>

#include "tags/id3v2.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto file = fuzz::ScratchFolder() / "song.mp3";
    test_support::WriteBytes(file, {data, data + size});

    TID3v2 tag;
    const bool opened = tag.ReadTag(file.u16string());
    FUZZ_CHECK(opened == (size >= 10), "ReadTag's result does not match the file's length");

    const std::string* texts[] = {&tag.Title,        &tag.Artist,   &tag.Album,    &tag.TrackText,
                                  &tag.Year,         &tag.Genre,    &tag.Comment,  &tag.Composer,
                                  &tag.EncodedBy,    &tag.RightsNotice, &tag.Language,
                                  &tag.UserUrl,      &tag.AudioSizeText};
    for (const std::string* text : texts) {
        FUZZ_CHECK(text->size() < 500, "a field longer than its frame's 500 bytes");
        if (!tag.TagPresent) FUZZ_CHECK(text->empty(), "a field without a tag");
    }
    if (!tag.TagPresent) {
        FUZZ_CHECK(tag.MajorVersion == 0 && tag.TotalSize == 0 && tag.TrackNumber == 0,
                   "header fields without a tag");
    } else {
        FUZZ_CHECK(tag.MajorVersion == data[3], "MajorVersion is not the header's byte");
        FUZZ_CHECK(tag.TotalSize >= 0 && static_cast<std::size_t>(tag.TotalSize) <= size,
                   "TotalSize outside the file");
    }
    if (tag.TrackText.empty()) FUZZ_CHECK(tag.TrackNumber == 0, "a track number without TRCK");

    // Nothing that an object held before survives a read.
    TID3v2 again;
    again.SetTitle("stale");
    again.SetComment("stale");
    again.SetTrackNumber(7);
    again.ReadTag(file.u16string());
    FUZZ_CHECK(again.Title == tag.Title && again.Comment == tag.Comment &&
                   again.UserUrl == tag.UserUrl && again.TrackNumber == tag.TrackNumber,
               "a read kept a value from before");
    return 0;
}
