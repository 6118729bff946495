#include "tags/tag_merge.h"

#include <array>
#include <map>
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

// What the first walk learns of a frame that fills a slot.
struct Source {
    std::size_t index;
    std::optional<int> keptSlot;  // the slot it fills once converted; nothing when it does not convert
    std::size_t keptLength;       // its length once converted
    std::size_t restLength;       // of the frames after the first it converts into (a date's TDAT and TIME)
};

}  // namespace

bool MergeFrames(const TID3v2& tag, const std::u16string& path, const TagInfo& probed, std::string& out) {
    TagInfo old = probed;
    const bool hasFrames = HasMagic(old) && old.Version >= 2 && old.Version <= 4 && TotalTagLength(old) > 0;
    // The old frames are walked twice, one at a time, so that a write holds little more than
    // the new tag: the first walk learns which frame fills each slot, the second writes.
    std::array<std::optional<Source>, kSlotCount + 1> source;
    // The fields as a read of the kept frames alone would give them.
    TagInfo keptSlots;
    TFrameConverter converter(old.Version);
    // A version 4 tag's dates and people lists become what depends on the whole tag.
    if (hasFrames && old.Version == 4 && !ForEachFrame(path, probed, [&](const OldFrame& frame) { converter.Learn(frame); })) return false;
    std::size_t frameCount = 0;
    std::size_t keptLength = 0;
    const bool walked = !hasFrames || ForEachFrame(path, probed, [&](const OldFrame& frame) {
        const std::size_t index = frameCount++;
        Source seen{index, std::nullopt, 0, 0};
        if (const std::optional<std::string> kept = converter.Convert(index, frame)) {
            keptLength += kept->size();
            seen.keptLength = kept->size();
            seen.restLength = FramesAfterFirst(*kept).size();
            seen.keptSlot = SlotOf(3, std::string_view(*kept).substr(0, 4));
            if (*seen.keptSlot != 0) {
                std::string content = SlotContent(3, FirstFrameOf(*kept));
                if (!content.empty()) keptSlots.Frames[*seen.keptSlot] = std::move(content);
            }
        }
        // The slots as ReadTag fills them, and which frame filled each.
        std::string content = SlotContent(old.Version, frame);
        if (content.empty()) return;
        const int slot = SlotOf(old.Version, frame.id);
        old.Frames[slot] = std::move(content);
        source[slot] = seen;
    });
    if (!walked) return false;
    TID3v2 before;
    FillFields(old, before);
    TID3v2 asKept;
    FillFields(keptSlots, asKept);
    const std::vector<WrittenField> drift = WrittenFields(asKept, before);

    // New frames with no old frame to take the place of, the old frames replaced (by a new
    // frame, or by nothing), and blank frames that go after all.
    std::string front;
    std::map<std::size_t, std::string> replaced;
    std::string blanks;
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
            blanks += WrittenFields(TID3v2{}, before, true)[k].frame;
            continue;
        }
        const bool fromFallback = field.fallback != 0 && DecodeText(old.Frames[field.slot]).empty() &&
                                  source[field.fallback];
        // The new frame takes the place of the frame the value came from, and of the
        // fallback frame when that was it, so the reader finds it again. An unchanged value's
        // frame that kept would feed no field (a version 2 TOR becomes TORY) stays besides.
        auto displaced = [&](int slot) -> std::optional<std::size_t> {
            const std::optional<Source>& at = source[slot];
            const bool feedsNoField = at && !field.changed && at->keptSlot && *at->keptSlot != slot;
            return at && !feedsNoField ? std::optional<std::size_t>(at->index) : std::nullopt;
        };
        std::optional<std::size_t> place = displaced(field.slot);
        if (fromFallback) {
            const std::optional<std::size_t> fallbackPlace = displaced(field.fallback);
            if (place && fallbackPlace) replaced[*fallbackPlace].clear();
            else if (!place) place = fallbackPlace;
        }
        if (place) replaced[*place] = std::move(field.frame);
        else front += field.frame;
    }

    std::size_t length = front.size() + keptLength + blanks.size();
    for (const auto& [index, frame] : replaced) {
        for (const std::optional<Source>& at : source) {
            if (at && at->index == index) length -= at->keptLength - at->restLength;
        }
        length += frame.size();
    }
    out.reserve(out.size() + length);
    out += front;
    std::size_t index = 0;
    const bool rewalked = !hasFrames || ForEachFrame(path, probed, [&](const OldFrame& frame) {
        const std::optional<std::string> kept = converter.Convert(index, frame);
        const auto replacement = replaced.find(index++);
        if (replacement == replaced.end()) {
            if (kept) out += *kept;
            return;
        }
        out += replacement->second;
        // A date converted into several frames keeps its TDAT and TIME behind the new year.
        if (kept) out += FramesAfterFirst(*kept);
    });
    out += blanks;
    return rewalked && index == frameCount;
}

}  // namespace tags
