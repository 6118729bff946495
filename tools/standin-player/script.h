// The stand-in player's script: timed commands, one a line, "at <ms> <command> [<argument>]".
// Blank lines and lines starting with "#" are ignored.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace standin {

struct Step {
    std::uint32_t at;  // milliseconds after the player started
    std::string command;
    std::string argument;
};

// The steps in order of time (steps at the same time keep their written order). Throws
// std::runtime_error naming the line of a malformed step.
std::vector<Step> ParseScript(std::istream& input);

// The playlist: one file name a line, in UTF-8.
std::vector<std::string> ParsePlaylist(std::istream& input);

}  // namespace standin
