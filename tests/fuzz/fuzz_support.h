// What the fuzz targets share: the check that ends a run with a finding, the split of one
// input into several parts, and a scratch folder for the files a target works on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// Prints where and what, then aborts: libFuzzer and the replay driver take it as a finding.
[[noreturn]] void Fail(const char* file, int line, const std::string& what);

// The input cut at every occurrence of `marker` (at most `maxParts` parts; the last part
// keeps the rest, markers included). The tag and HTTP dictionaries hold the markers.
std::vector<std::string_view> SplitInput(std::string_view input, std::string_view marker,
                                         std::size_t maxParts);

// A folder of this process's own, removed at exit.
const std::filesystem::path& ScratchFolder();

// True when `text` holds a byte below 0x20 other than the CR LF pairs that end lines.
bool HasControlByte(std::string_view text);

}  // namespace fuzz

#define FUZZ_CHECK(condition, what)                                       \
    do {                                                                  \
        if (!(condition)) ::fuzz::Fail(__FILE__, __LINE__, (what));       \
    } while (false)
