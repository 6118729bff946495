// An old tag's frames in the framing of version 3, which is all the writer writes. Internal
// to the tag unit.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tags/frame_walk.h"

namespace tags {

// A whole version 3 frame: id, plain big-endian size, flags, content.
std::string Version3Frame(std::string_view id, std::string_view content,
                          const std::array<unsigned char, 2>& flags = {});

// The frames of a tag as version 3 frames, one at a time: version 3 byte for byte; version 4
// with a plain size, its flags restated, its encoding 2 and 3 texts in encoding 1 and its ids
// that version 3 states otherwise converted (a TDRC may give TYER, TDAT and TIME one after
// another); version 2 under its version 3 id. What becomes of a version 4 date or people list
// depends on the whole tag: Learn sees every frame before the first Convert.
class TFrameConverter {
public:
    explicit TFrameConverter(std::uint8_t version);

    // Every frame of the tag, in order.
    void Learn(const OldFrame& frame);
    // Frame number `index` (from 0, as Learn counted it) as one or more version 3 frames;
    // nothing when it is dropped, or merged into an earlier one (see the .cpp).
    std::optional<std::string> Convert(std::size_t index, const OldFrame& frame);

    // The frame whose conversion gives the tag's TYER, a version 4 recording date, if any.
    std::optional<std::size_t> YearFromDate() const;

private:
    struct DateSource {
        std::optional<std::size_t> index;
        std::vector<std::pair<std::string_view, std::string>> parts;  // the frames it gives, by id
    };

    const std::u16string* Stated(std::string_view id) const;
    std::optional<std::string> ConvertDate(std::size_t index, const OldFrame& frame, std::string asIs);

    std::uint8_t version_;
    std::size_t learned_ = 0;
    // The first text of each year, date and time frame the tag keeps, by id.
    std::vector<std::pair<std::string, std::u16string>> stated_;
    DateSource recording_, original_;  // the dates that give TYER and TORY
    bool hasPeopleList_ = false;
    std::optional<std::size_t> firstPeople_;
    std::u16string involved_;  // the people lists' strings, each ended by a zero unit
    std::optional<std::string> peopleList_;
};

// The first of one or more whole version 3 frames, and the frames after it.
OldFrame FirstFrameOf(std::string_view frames);
std::string_view FramesAfterFirst(std::string_view frames);

}  // namespace tags
