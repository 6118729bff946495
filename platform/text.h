// Text helpers for 8-bit text: letter case is folded for ASCII letters only.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `text` without its leading and trailing characters that occur in `blanks`.
std::string_view Trim(std::string_view text, std::string_view blanks = " ");

char AsciiLower(char c);
std::string AsciiLower(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);

// Where the file name of `path` begins: after its last "\" or ":", else at 0.
std::size_t FileNameStart(std::string_view path);

}  // namespace platform
