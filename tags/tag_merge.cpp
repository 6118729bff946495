#include "tags/tag_merge.h"

#include <algorithm>
#include <array>
#include <cstdint>
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
    // The URL part of WXXX is ISO-8859-1 whatever the encoding byte says: written as held.
    if (slot == kUserUrlSlot) return Version3Frame("WXXX", std::string(2, '\0') + value);
    return Version3Frame(kFrameIdsV3[slot], EncodeText(value));
}

std::string_view IdOf(const std::string& frame) { return std::string_view(frame).substr(0, 4); }

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

// A year edit carries into the frames that state a date: a TDRC takes the new year, a TDAT
// (DDMM) stays where that day exists in it. With no year of four digits, neither can stand
// beside it. The original release dates are another matter and stay.
void CarryYearIntoDates(std::vector<std::optional<std::string>>& kept, const std::string& year) {
    const bool isYear = year.size() == 4 && IsYear(year);
    for (std::optional<std::string>& frame : kept) {
        if (!frame || (IdOf(*frame) != "TDRC" && IdOf(*frame) != "TDAT")) continue;
        if (!isYear) {
            frame.reset();
            continue;
        }
        // A compressed or encrypted date cannot be read here; it is left as it is.
        if ((*frame)[9] != 0) continue;
        const std::string text = DecodeText(std::string_view(*frame).substr(10));
        if (IdOf(*frame) == "TDRC") {
            if (!IsYear(text)) continue;
            std::string date = year + text.substr(4);
            if (date.substr(4, 6) == "-02-29" && !DateExists(29, 2, year)) date.resize(7);
            *frame = Version3Frame("TDRC", EncodeText(date), {static_cast<unsigned char>((*frame)[8]), 0});
        } else if (text.size() == 4 && IsYear(text) &&
                   !DateExists(std::stoi(text.substr(0, 2)), std::stoi(text.substr(2, 2)), year)) {
            frame.reset();
        }
    }
}

}  // namespace

std::vector<std::string> MergeFrames(const TID3v2& tag, const std::u16string& path, const TagInfo& probed) {
    TagInfo old = probed;
    std::vector<OldFrame> frames;
    if (HasMagic(old) && old.Version >= 2 && old.Version <= 4 && TotalTagLength(old) > 0) {
        frames = ReadFrames(path, old);
    }
    // The slots as ReadTag fills them, and which frame filled each; and the slot of each
    // frame of a field's id that the reader passes over.
    std::array<std::optional<std::size_t>, kSlotCount + 1> source;
    std::vector<std::uint8_t> unreadSlot(frames.size(), 0);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::string content = SlotContent(old.Version, frames[i]);
        const int slot = SlotOf(old.Version, frames[i].id);
        if (content.empty()) {
            unreadSlot[i] = static_cast<std::uint8_t>(slot);
            continue;
        }
        old.Frames[slot] = std::move(content);
        source[slot] = i;
    }
    TID3v2 before;
    FillFields(old, before);

    std::vector<std::optional<std::string>> kept(frames.size());
    // The fields as a read of the kept frames alone would give them.
    TagInfo keptSlots;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        kept[i] = ConvertFrame(old.Version, frames[i]);
        if (!kept[i]) continue;
        const OldFrame converted{kept[i]->substr(0, 4),
                                 {static_cast<unsigned char>((*kept[i])[8]), static_cast<unsigned char>((*kept[i])[9])},
                                 kept[i]->substr(10)};
        std::string content = SlotContent(3, converted);
        if (!content.empty()) keptSlots.Frames[SlotOf(3, converted.id)] = std::move(content);
    }
    TID3v2 asKept;
    FillFields(keptSlots, asKept);
    const CommentHead head = source[kCommentSlot] ? HeadOf(old.Frames[kCommentSlot]) : CommentHead{};

    std::vector<std::string> written;
    std::vector<std::string> blanks;
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
            blanks.push_back(std::move(frame));
            continue;
        }
        // The new frame, an empty one for a cleared field, takes the place of the frame the
        // value came from: its own, or the fallback's when that gave it. An old frame that kept
        // would feed no field of this one (a version 2 TOR becomes TORY) stays besides, and so
        // does a TDRC, whose date only takes the new year.
        auto displaced = [&](int slot) -> std::optional<std::size_t> {
            const std::optional<std::size_t> at = source[slot];
            if (!at || !kept[*at]) return at;
            const int keptSlot = SlotOf(3, IdOf(*kept[*at]));
            const bool takesField = keptSlot == rule.slot || (keptSlot == slot && rule.slot != kYearSlot);
            return takesField ? at : std::nullopt;
        };
        const std::optional<std::size_t> place =
            source[rule.slot] ? displaced(rule.slot) : rule.fallback != 0 ? displaced(rule.fallback) : std::nullopt;
        if (place) kept[*place] = std::move(frame);
        else written.push_back(std::move(frame));
        if (!changed) continue;
        // A text frame stands once in a tag: an edit removes the frames of its id the reader
        // could not read (compressed, encrypted, an unknown encoding), lest two values show.
        if (rule.slot != kCommentSlot && rule.slot != kUserUrlSlot) {
            for (std::size_t i = 0; i < frames.size(); ++i) {
                if (unreadSlot[i] == rule.slot) kept[i].reset();
            }
        }
        if (rule.slot == kYearSlot) CarryYearIntoDates(kept, value);
    }
    for (std::optional<std::string>& frame : kept) {
        if (frame) written.push_back(std::move(*frame));
    }
    written.insert(written.end(), blanks.begin(), blanks.end());
    return written;
}

}  // namespace tags
