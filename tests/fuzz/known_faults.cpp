#include "tests/fuzz/known_faults.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

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

bool HasFrameRunningPastTheEnd(std::string_view file) {
    if (file.size() < 10 || file.substr(0, 3) != "ID3") return false;
    auto byte = [&](std::size_t i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(file[i])); };
    const int version = static_cast<int>(byte(3));
    const std::uint64_t end = std::min<std::uint64_t>(
        file.size(), 10 + (byte(6) << 21) + (byte(7) << 14) + (byte(8) << 7) + byte(9));
    const std::size_t headerLength = version == 2 ? 6 : 10;
    for (std::uint64_t at = 10; at + headerLength <= end && file[at] >= 'A' && file[at] <= 'Z';) {
        std::uint64_t size = 0;
        if (version == 2) {
            size = byte(at + 3) << 16 | byte(at + 4) << 8 | byte(at + 5);
        } else {
            for (std::size_t i = 4; i < 8; ++i) size = size << 8 | byte(at + i);
            const bool synchsafe = version == 4 && (size & 0x80808080) == 0;
            if (synchsafe) size = (size >> 24) << 21 | ((size >> 16) & 0x7F) << 14 | ((size >> 8) & 0x7F) << 7 | (size & 0x7F);
        }
        // Either reading of a version 4 size that runs past the end counts.
        if (at + headerLength + size > end) return true;
        at += headerLength + size;
    }
    return false;
}

}  // namespace fuzz::known
