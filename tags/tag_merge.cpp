#include "tags/tag_merge.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>

#include "tags/frame_convert.h"
#include "tags/frame_text.h"
#include "tags/frame_walk.h"
#include "tags/id3v2.h"

namespace tags {
namespace {

struct FieldRule {
    int slot;
    int fallback;  // the slot the reader falls back to, or 0
};

constexpr FieldRule kFields[] = {
    {kTitleSlot, kGroupTitleSlot}, {kArtistSlot, kOriginalArtistSlot}, {kAlbumSlot, kOriginalAlbumSlot},
    {kTrackSlot, 0},    {kYearSlot, kDateSlot}, {kGenreSlot, 0},     {kCommentSlot, 0},
    {kComposerSlot, 0}, {kEncodedBySlot, 0},   {kRightsSlot, 0},    {kLanguageSlot, 0},
    {kUserUrlSlot, 0},
};

// The text a field writes into its frame; empty for a cleared field.
std::string FieldValue(const TID3v2& tag, int slot) {
    switch (slot) {
        case kTitleSlot: return tag.Title;
        case kArtistSlot: return tag.Artist;
        case kAlbumSlot: return tag.Album;
        case kTrackSlot: return tag.TrackNumber == 0 ? std::string() : std::to_string(tag.TrackNumber);
        case kYearSlot: return tag.Year;
        case kGenreSlot: return tag.Genre;
        case kCommentSlot: return tag.Comment;
        case kComposerSlot: return tag.Composer;
        case kEncodedBySlot: return tag.EncodedBy;
        case kRightsSlot: return tag.RightsNotice;
        case kLanguageSlot: return tag.Language;
        default: return tag.UserUrl;
    }
}

// Language and short description of the comment a new one replaces, so that no two comments
// come to share both.
struct CommentHead {
    std::string language = "eng";
    std::u16string description;
};

CommentHead HeadOf(std::string_view content) {
    if (content.size() < 4) return {};
    return {std::string(content.substr(1, 3)), CommentDescription(content)};
}

std::string FieldFrame(int slot, const std::string& value, const CommentHead& head) {
    if (slot == kCommentSlot) return Version3Frame("COMM", EncodeText(value, head.language, head.description));
    // The URL part of WXXX is ISO-8859-1 whatever the encoding byte says.
    if (slot == kUserUrlSlot) return Version3Frame("WXXX", EncodeUserUrl(value));
    return Version3Frame(kFrameIdsV3[slot], EncodeText(value));
}

std::string_view IdOf(std::string_view frame) { return frame.substr(0, 4); }

bool IsYear(std::string_view text) {
    return text.size() >= 4 && std::all_of(text.begin(), text.begin() + 4, [](char c) { return c >= '0' && c <= '9'; });
}

// Whether day/month exists in the year (four digits).
bool DateExists(int day, int month, std::string_view year) {
    const int y = std::stoi(std::string(year));
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// A year edit carries into a frame that states a date: a TDRC takes the new year, a TDAT
// (DDMM) stays where that day exists in it. With no year of four digits, neither can stand
// beside it. The original release dates are another matter and stay. Empty: the frame goes.
std::string WithYear(std::string frame, const std::string& year) {
    if (IdOf(frame) != "TDRC" && IdOf(frame) != "TDAT") return frame;
    if (year.size() != 4 || !IsYear(year)) return {};
    // A compressed or encrypted date cannot be read here; it is left as it is.
    if (frame[9] != 0) return frame;
    const std::string text = DecodeText(std::string_view(frame).substr(10));
    if (IdOf(frame) == "TDRC") {
        if (!IsYear(text)) return frame;
        std::string date = year + text.substr(4);
        if (date.substr(4, 6) == "-02-29" && !DateExists(29, 2, year)) date.resize(7);
        return Version3Frame("TDRC", EncodeText(date), {static_cast<unsigned char>(frame[8]), 0});
    }
    const bool dayGone = text.size() == 4 && IsYear(text) && !DateExists(std::stoi(text.substr(0, 2)), std::stoi(text.substr(2, 2)), year);
    return dayGone ? std::string() : frame;
}

// Each of one or more whole version 3 frames with the year carried into it.
std::string WithYearInEach(std::string frames, const std::string& year) {
    bool dated = false;
    for (std::string_view rest = frames; !rest.empty(); rest = FramesAfterFirst(rest)) {
        dated = dated || IdOf(rest) == "TDRC" || IdOf(rest) == "TDAT";
    }
    // Most frames state no date: they pass uncopied (a picture may be most of the tag).
    if (!dated) return frames;
    std::string out;
    for (std::string_view rest = frames; !rest.empty();) {
        const std::string_view after = FramesAfterFirst(rest);
        out += WithYear(std::string(rest.substr(0, rest.size() - after.size())), year);
        rest = after;
    }
    return out;
}

// What the first walk learns of a frame that fills a slot.
struct Source {
    std::size_t index;
    std::optional<int> keptSlot;  // the slot its version 3 form fills; nothing when it is not kept
};

}  // namespace

bool MergeFrames(const TID3v2& tag, const std::u16string& path, const TagInfo& probed, std::string& out) {
    TagInfo old = probed;
    const bool hasFrames = HasMagic(old) && old.Version >= 2 && old.Version <= 4 && TotalTagLength(old) > 0;
    // The old frames are walked one at a time, so that a write holds little more than the new
    // tag: a first walk learns which frame fills each slot, a second measures the new tag, a
    // third writes it. A version 4 tag's dates and people lists depend on the whole tag,
    // which the converter learns before.
    TFrameConverter converter(old.Version);
    auto walk = [&](const std::function<void(std::size_t, const OldFrame&)>& visit) {
        std::size_t index = 0;
        const bool walked = !hasFrames || ForEachFrame(path, probed, [&](const OldFrame& frame) { visit(index++, frame); });
        return walked ? std::optional<std::size_t>(index) : std::nullopt;
    };
    if (old.Version == 4 && !walk([&](std::size_t, const OldFrame& frame) { converter.Learn(frame); })) return false;

    // The slots as ReadTag fills them, and which frame filled each; and the fields as a read
    // of the kept frames alone would give them.
    std::array<std::optional<Source>, kSlotCount + 1> source;
    TagInfo keptSlots;
    const std::optional<std::size_t> frameCount = walk([&](std::size_t index, const OldFrame& frame) {
        std::optional<int> keptSlot;
        if (const std::optional<std::string> kept = converter.Convert(index, frame)) {
            keptSlot = SlotOf(3, IdOf(*kept));
            std::string content = *keptSlot != 0 ? SlotContent(3, FirstFrameOf(*kept)) : std::string();
            if (!content.empty()) keptSlots.Frames[*keptSlot] = std::move(content);
        }
        std::string content = SlotContent(old.Version, frame);
        if (content.empty()) return;
        const int slot = SlotOf(old.Version, frame.id);
        old.Frames[slot] = std::move(content);
        source[slot] = Source{index, keptSlot};
    });
    if (!frameCount) return false;
    TID3v2 before;
    FillFields(old, before);
    TID3v2 asKept;
    FillFields(keptSlots, asKept);
    const CommentHead head = source[kCommentSlot] ? HeadOf(old.Frames[kCommentSlot]) : CommentHead{};

    // New frames with no old frame to take the place of, the old frames replaced, and blank
    // frames that go after all.
    std::string front;
    std::map<std::size_t, std::string> replaced;
    std::string blanks;
    std::array<bool, kSlotCount + 1> editedText{};
    std::optional<std::string> newYear;
    for (const FieldRule& rule : kFields) {
        const std::string value = FieldValue(tag, rule.slot);
        const std::string shown = FieldValue(before, rule.slot);
        const bool changed = value != shown;
        // An unchanged value keeps its old frames exactly as they are; when those would read
        // otherwise (the frame it came from runs past the tag's end, does not convert, or
        // reads differently in version 3), the value is written anew instead of being lost.
        if (!changed && FieldValue(asKept, rule.slot) == shown) continue;
        std::string frame = FieldFrame(rule.slot, value, head);
        // An empty value shown over a frame the kept ones would show instead (the frame it
        // came from does not convert): a blank frame after them keeps the field empty.
        if (!changed && value.empty()) {
            blanks += frame;
            continue;
        }
        // The new frame, an empty one for a cleared field, takes the place of the frame the
        // value came from: its own, or the fallback's when that gave it. An old frame that kept
        // would feed no field of this one (a version 2 TOR becomes TORY) stays besides, and so
        // does a TDRC, whose date only takes the new year.
        auto displaced = [&](int slot) -> std::optional<std::size_t> {
            const std::optional<Source>& at = source[slot];
            if (!at) return std::nullopt;
            if (!at->keptSlot) return at->index;
            const bool takesField = *at->keptSlot == rule.slot || (*at->keptSlot == slot && rule.slot != kYearSlot);
            return takesField ? std::optional<std::size_t>(at->index) : std::nullopt;
        };
        std::optional<std::size_t> place =
            source[rule.slot] ? displaced(rule.slot) : rule.fallback != 0 ? displaced(rule.fallback) : std::nullopt;
        // The year a converted date gives is the tag's only one: a new year takes its place.
        if (!place && rule.slot == kYearSlot) place = converter.YearFromDate();
        if (place) replaced[*place] = std::move(frame);
        else front += frame;
        if (!changed) continue;
        // A text frame stands once in a tag: an edit removes the frames of its id the reader
        // could not read (compressed, encrypted, an unknown encoding), lest two values show.
        editedText[rule.slot] = rule.slot != kCommentSlot && rule.slot != kUserUrlSlot;
        if (rule.slot == kYearSlot) newYear = value;
    }

    // What becomes of an old frame in the new tag.
    auto piece = [&](std::size_t index, const OldFrame& frame) {
        std::optional<std::string> kept = converter.Convert(index, frame);
        const auto replacement = replaced.find(index);
        if (replacement != replaced.end()) {
            // A date converted into several frames keeps its TDAT and TIME behind the new year.
            const std::string_view rest = kept ? FramesAfterFirst(*kept) : std::string_view();
            return replacement->second + (newYear ? WithYearInEach(std::string(rest), *newYear) : std::string(rest));
        }
        if (!kept) return std::string();
        const int slot = SlotOf(old.Version, frame.id);
        if (editedText[slot] && SlotContent(old.Version, frame).empty()) return std::string();
        return newYear ? WithYearInEach(std::move(*kept), *newYear) : std::move(*kept);
    };
    std::size_t length = front.size() + blanks.size();
    if (walk([&](std::size_t index, const OldFrame& frame) { length += piece(index, frame).size(); }) != frameCount) {
        return false;
    }
    out.reserve(out.size() + length);
    out += front;
    if (walk([&](std::size_t index, const OldFrame& frame) { out += piece(index, frame); }) != frameCount) return false;
    out += blanks;
    return true;
}

}  // namespace tags
