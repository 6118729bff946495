#include "tools/standin-player/script.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <stdexcept>

namespace standin {

namespace {

std::string WithoutCarriageReturn(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::vector<Step> ParseScript(std::istream& input) {
    std::vector<Step> steps;
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        line = WithoutCarriageReturn(line);
        std::istringstream words(line);
        std::string at;
        if (!(words >> at) || at.front() == '#') continue;
        std::string time;
        Step step;
        words >> time >> step.command >> step.argument;
        const auto [end, error] = std::from_chars(time.data(), time.data() + time.size(), step.at);
        std::string extra;
        if (at != "at" || error != std::errc() || end != time.data() + time.size() ||
            step.command.empty() || words >> extra) {
            throw std::runtime_error("script line " + std::to_string(number) + ": expected \"at <ms> <command> [<argument>]\", got \"" + line + "\"");
        }
        steps.push_back(step);
    }
    std::stable_sort(steps.begin(), steps.end(),
                     [](const Step& a, const Step& b) { return a.at < b.at; });
    return steps;
}

std::vector<std::string> ParsePlaylist(std::istream& input) {
    std::vector<std::string> entries;
    std::string line;
    while (std::getline(input, line)) {
        line = WithoutCarriageReturn(line);
        if (!line.empty()) entries.push_back(line);
    }
    return entries;
}

}  // namespace standin
