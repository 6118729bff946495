#include "tags/tag_merge.h"

#include <array>
#include <optional>

#include "tags/frame_convert.h"
#include "tags/frame_text.h"
#include "tags/frame_walk.h"
#include "tags/id3v2.h"

namespace tags {
namespace {

struct WrittenField {
    int slot;
    int fallback;  // the slot the reader falls back to, or 0
    bool changed;
    std::string frame;  // empty: the field is empty and writes no frame
};

// `blank`: an empty value gets a frame too (one that reads as empty), else it writes none.
std::vector<WrittenField> WrittenFields(const TID3v2& tag, const TID3v2& before, bool blank = false) {
    auto frame = [blank](const std::string& value, std::string_view id, const std::string& content) {
        return value.empty() && !blank ? std::string() : Version3Frame(id, content);
    };
    auto textFrame = [&](int slot, const std::string& value) {
        return frame(value, kFrameIdsV3[slot], EncodeText(value));
    };
    const std::string track = tag.TrackNumber == 0 ? std::string() : std::to_string(tag.TrackNumber);
    const std::string comment = frame(tag.Comment, "COMM", EncodeText(tag.Comment, "eng", true));
    // The URL part of WXXX is ISO-8859-1 whatever the encoding byte says: written as held.
    const std::string url = frame(tag.UserUrl, "WXXX", std::string(2, '\0') + tag.UserUrl);
    return {
        {kTitleSlot, kGroupTitleSlot, tag.Title != before.Title, textFrame(kTitleSlot, tag.Title)},
        {kArtistSlot, kOriginalArtistSlot, tag.Artist != before.Artist, textFrame(kArtistSlot, tag.Artist)},
        {kAlbumSlot, kOriginalAlbumSlot, tag.Album != before.Album, textFrame(kAlbumSlot, tag.Album)},
        {kTrackSlot, 0, tag.TrackNumber != before.TrackNumber, textFrame(kTrackSlot, track)},
        {kYearSlot, kDateSlot, tag.Year != before.Year, textFrame(kYearSlot, tag.Year)},
        {kGenreSlot, 0, tag.Genre != before.Genre, textFrame(kGenreSlot, tag.Genre)},
        {kCommentSlot, 0, tag.Comment != before.Comment, comment},
        {kComposerSlot, 0, tag.Composer != before.Composer, textFrame(kComposerSlot, tag.Composer)},
        {kEncodedBySlot, 0, tag.EncodedBy != before.EncodedBy, textFrame(kEncodedBySlot, tag.EncodedBy)},
        {kRightsSlot, 0, tag.RightsNotice != before.RightsNotice, textFrame(kRightsSlot, tag.RightsNotice)},
        {kLanguageSlot, 0, tag.Language != before.Language, textFrame(kLanguageSlot, tag.Language)},
        {kUserUrlSlot, 0, tag.UserUrl != before.UserUrl, url},
    };
}

}  // namespace

std::vector<std::string> MergeFrames(const TID3v2& tag, const std::u16string& path, const TagInfo& probed) {
    TagInfo old = probed;
    std::vector<OldFrame> frames;
    if (HasMagic(old) && old.Version >= 2 && old.Version <= 4 && TotalTagLength(old) > 0) {
        frames = ReadFrames(path, old);
    }
    // The slots as ReadTag fills them, and which frame filled each.
    std::array<std::optional<std::size_t>, kSlotCount + 1> source;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::string content = SlotContent(old.Version, frames[i]);
        if (content.empty()) continue;
        const int slot = SlotOf(old.Version, frames[i].id);
        old.Frames[slot] = std::move(content);
        source[slot] = i;
    }
    TID3v2 before;
    FillFields(old, before);

    std::vector<std::optional<std::string>> kept = ConvertFrames(old.Version, frames);
    // The fields as a read of the kept frames alone would give them.
    TagInfo keptSlots;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (!kept[i]) continue;
        const OldFrame converted = FirstFrameOf(*kept[i]);
        std::string content = SlotContent(3, converted);
        if (!content.empty()) keptSlots.Frames[SlotOf(3, converted.id)] = std::move(content);
    }
    TID3v2 asKept;
    FillFields(keptSlots, asKept);
    const std::vector<WrittenField> drift = WrittenFields(asKept, before);

    std::vector<std::string> written;
    std::vector<std::string> blanks;
    std::vector<WrittenField> fields = WrittenFields(tag, before);
    for (std::size_t k = 0; k < fields.size(); ++k) {
        WrittenField& field = fields[k];
        // An unchanged value keeps its old frames exactly as they are; when those would read
        // otherwise (the frame it came from runs past the tag's end, does not convert, or
        // reads differently in version 3), the value is written anew instead of being lost.
        if (!field.changed && !drift[k].changed) continue;
        // An empty value shown over a frame the kept ones would show instead (the frame it
        // came from does not convert): a blank frame after them keeps the field empty.
        if (!field.changed && field.frame.empty()) {
            blanks.push_back(std::move(WrittenFields(TID3v2{}, before, true)[k].frame));
            continue;
        }
        const bool fromFallback = field.fallback != 0 && DecodeText(old.Frames[field.slot]).empty() &&
                                  source[field.fallback];
        // The new frame takes the place of the frame the value came from, and of the
        // fallback frame when that was it, so the reader finds it again. An unchanged value's
        // frame that kept would feed no field (a version 2 TOR becomes TORY) stays besides.
        auto displaced = [&](int slot) -> std::optional<std::size_t> {
            const std::optional<std::size_t> at = source[slot];
            const bool feedsNoField = at && !field.changed && kept[*at] &&
                                      SlotOf(3, std::string_view(*kept[*at]).substr(0, 4)) != slot;
            return feedsNoField ? std::nullopt : at;
        };
        std::optional<std::size_t> place = displaced(field.slot);
        if (fromFallback) {
            const std::optional<std::size_t> fallbackPlace = displaced(field.fallback);
            if (place && fallbackPlace) kept[*fallbackPlace].reset();
            else if (!place) place = fallbackPlace;
        }
        if (place) {
            // A date converted into several frames keeps its TDAT and TIME behind the new year.
            const std::string rest = kept[*place] ? std::string(FramesAfterFirst(*kept[*place])) : std::string();
            kept[*place].reset();
            if (!field.frame.empty() || !rest.empty()) kept[*place] = std::move(field.frame) + rest;
        } else if (!field.frame.empty()) {
            written.push_back(std::move(field.frame));
        }
    }
    for (std::optional<std::string>& frame : kept) {
        if (frame) written.push_back(std::move(*frame));
    }
    written.insert(written.end(), blanks.begin(), blanks.end());
    return written;
}

}  // namespace tags
