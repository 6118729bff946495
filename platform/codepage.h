// The system's 8-bit ANSI code page (Windows: CP_ACP; elsewhere: Windows-1252), and UTF-8,
// the text of everything inside (tags, window, form); the code page is met only at the edges
// that still speak it (old players, the settings file, the wire when asked for).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// One UTF-16 code unit in the ANSI code page; a character the code page lacks becomes the
// code page's default character (never a "best fit" look-alike).
std::string AnsiFromUtf16Unit(char16_t unit);
// Whole text, unit by unit as above.
std::string AnsiFromUtf16(std::u16string_view text);
std::u16string Utf16FromAnsi(std::string_view ansi);
// The code page's number (1252, 932, ...).
unsigned AnsiCodePage();

// Portable UTF-8 helpers; malformed input becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);
std::string Utf8FromAnsi(std::string_view ansi);
// A character the code page lacks becomes its default character.
std::string AnsiFromUtf8(std::string_view utf8);
// Bytes from outside in an encoding nobody named (a site's answer): as they are when they
// are UTF-8, else read in the code page, which older sites answer in.
std::string Utf8FromUtf8OrAnsi(std::string_view bytes);

}  // namespace platform
