#include "tags/id3v2.h"

#include "tags/frame_text.h"
#include "tags/frame_walk.h"
#include "tags/tag_info.h"
#include "tags/tag_writer.h"

using namespace tags;

TID3v2::TID3v2() { Clear(); }

void TID3v2::Clear() {
    TagPresent = false;
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
    if (!HasMagic(record)) return true;
    TagPresent = true;
    MajorVersion = record.Version;
    TotalSize = TotalTagLength(record);
    if (record.Version < 2 || record.Version > 4 || TotalSize <= 0) return true;
    if (record.Version == 2) {
        WalkFramesV2(path, record);
    } else {
        WalkFramesV3(path, record);
    }
    const auto& slot = record.Frames;
    Title = DecodeWithFallback(slot[kTitleSlot], slot[kGroupTitleSlot]);
    Artist = DecodeWithFallback(slot[kArtistSlot], slot[kOriginalArtistSlot]);
    Album = DecodeWithFallback(slot[kAlbumSlot], slot[kOriginalAlbumSlot]);
    TrackNumber = ParseTrackNumber(slot[kTrackSlot]);
    TrackText = DecodeText(slot[kTrackSlot]);
    Year = PickYear(slot[kYearSlot], slot[kDateSlot]);
    Genre = CleanGenre(slot[kGenreSlot]);
    Comment = DecodeAfterDescription(slot[kCommentSlot], true);
    Composer = DecodeText(slot[kComposerSlot]);
    EncodedBy = DecodeText(slot[kEncodedBySlot]);
    RightsNotice = DecodeText(slot[kRightsSlot]);
    Language = DecodeText(slot[kLanguageSlot]);
    UserUrl = DecodeAfterDescription(slot[kUserUrlSlot], false);
    AudioSizeText = DecodeText(slot[kAudioSizeSlot]);
    return true;
}

bool TID3v2::WriteTag(const std::u16string& path) const {
    TagInfo record;
    // A file that cannot be probed keeps a zero magic, goes the rebuild way and fails there.
    ProbeHeader(path, record);
    auto& slot = record.Frames;
    slot[kTitleSlot] = Title;
    slot[kArtistSlot] = Artist;
    slot[kAlbumSlot] = Album;
    if (TrackNumber != 0) slot[kTrackSlot] = std::to_string(TrackNumber);
    slot[kYearSlot] = Year;
    slot[kGenreSlot] = Genre;
    if (!Comment.empty()) slot[kCommentSlot] = std::string("eng\0", 4) + Comment;
    slot[kComposerSlot] = Composer;
    slot[kEncodedBySlot] = EncodedBy;
    slot[kRightsSlot] = RightsNotice;
    slot[kLanguageSlot] = Language;
    if (!UserUrl.empty()) slot[kUserUrlSlot] = std::string(1, '\0') + UserUrl;
    return SerializeAndStore(path, record);
}

void TID3v2::SetTitle(std::string_view text) { Title = Trim(text); }
void TID3v2::SetArtist(std::string_view text) { Artist = Trim(text); }
void TID3v2::SetAlbum(std::string_view text) { Album = Trim(text); }
void TID3v2::SetYear(std::string_view text) { Year = Trim(text); }
void TID3v2::SetGenre(std::string_view text) { Genre = Trim(text); }
void TID3v2::SetComment(std::string_view text) { Comment = Trim(text); }
void TID3v2::SetTrackNumber(int number) { TrackNumber = static_cast<std::uint16_t>(number); }
