#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "tests/support/temp_dir.h"

namespace fuzz {

void Fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "FUZZ CHECK FAILED at %s:%d: %s\n", file, line, what.c_str());
    std::abort();
}

std::vector<std::string_view> SplitInput(std::string_view input, std::string_view marker,
                                         std::size_t maxParts) {
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < maxParts) {
        const auto at = input.find(marker);
        if (at == std::string_view::npos) break;
        parts.push_back(input.substr(0, at));
        input.remove_prefix(at + marker.size());
    }
    parts.push_back(input);
    return parts;
}

const std::filesystem::path& ScratchFolder() {
    static const test_support::TempDir folder;
    return folder.path();
}

bool HasControlByte(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20) continue;
        if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

}  // namespace fuzz
