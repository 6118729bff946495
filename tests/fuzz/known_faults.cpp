#include "tests/fuzz/known_faults.h"

#include <algorithm>
#include <cctype>

namespace fuzz::known {

bool UrlHasControlByte(std::string_view url) {
    return std::any_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string WithoutCookieLine(std::string_view head) {
    const auto at = head.find("\r\nCookie: ");
    if (at == std::string_view::npos) return std::string(head);
    const auto end = head.find("\r\n", at + 2);
    return std::string(head.substr(0, at)) + std::string(head.substr(end));
}

bool HasCookieYearBeyond2262(std::string_view answer) {
    std::string lower(answer);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // Any run of three to nine digits in an expires value may be taken as the year.
    for (auto at = lower.find("expires"); at != std::string::npos; at = lower.find("expires", at + 1)) {
        const auto end = lower.find_first_of(";\n", at);
        const std::string_view value = std::string_view(lower).substr(at, end == std::string::npos ? end : end - at);
        std::size_t run = 0;
        for (std::size_t i = 0; i <= value.size(); ++i) {
            if (i < value.size() && std::isdigit(static_cast<unsigned char>(value[i]))) {
                ++run;
                continue;
            }
            if (run >= 3 && (run > 4 || std::stoi(std::string(value.substr(i - run, run))) > 2262)) return true;
            run = 0;
        }
    }
    return false;
}

}  // namespace fuzz::known
