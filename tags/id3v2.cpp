#include "tags/id3v2.h"

#include <new>
#include <stdexcept>

#include "tags/frame_text.h"
#include "tags/frame_walk.h"
#include "tags/id3v1.h"
#include "tags/tag_info.h"
#include "tags/tag_writer.h"

using namespace tags;

TID3v2::TID3v2() { Clear(); }

void TID3v2::Clear() {
    TagPresent = false;
    Version1TagPresent = false;
    MajorVersion = 0;
    TotalSize = 0;
    TrackNumber = 0;
    for (std::string* text : {&Title, &Artist, &Album, &TrackText, &Year, &Genre, &Comment,
                              &Composer, &EncodedBy, &RightsNotice, &Language, &UserUrl,
                              &AudioSizeText}) {
        text->clear();
    }
}

bool TID3v2::ReadTag(const std::u16string& path) {
    Clear();
    TagInfo record;
    if (!ProbeHeader(path, record)) return false;
    if (!HasMagic(record)) {
        Version1TagPresent = ReadVersion1(path, *this);
        return true;
    }
    TagPresent = true;
    MajorVersion = record.Version;
    TotalSize = TotalTagLength(record);
    if (record.Version < 2 || record.Version > 4 || TotalSize <= 0) return true;
    ReadSlots(path, record);
    FillFields(record, *this);
    return true;
}

TWriteResult TID3v2::WriteTag(const std::u16string& path) const {
    try {
        return {StoreTag(*this, path)};
    } catch (const std::bad_alloc&) {
        // The writer takes its memory before it changes the file, which is then as it was.
        return {TWriteFailure::OutOfMemory};
    } catch (const std::length_error&) {
        return {TWriteFailure::OutOfMemory};
    }
}

void TID3v2::SetTitle(std::string_view text) { Title = Trim(text); }
void TID3v2::SetArtist(std::string_view text) { Artist = Trim(text); }
void TID3v2::SetAlbum(std::string_view text) { Album = Trim(text); }
void TID3v2::SetYear(std::string_view text) { Year = Trim(text); }
void TID3v2::SetGenre(std::string_view text) { Genre = Trim(text); }
void TID3v2::SetComment(std::string_view text) { Comment = Trim(text); }
void TID3v2::SetTrackNumber(int number) { TrackNumber = static_cast<std::uint16_t>(number); }
