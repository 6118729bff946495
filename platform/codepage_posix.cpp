// Windows-1252 stands in for the ANSI code page on the native build.
#include "platform/codepage.h"

#include <array>

namespace platform {
namespace {

// Unicode of the bytes 0x80 to 0x9F; the five bytes that 1252 leaves undefined map to the
// C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char kDefaultCharacter = '?';

char16_t FromByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

}  // namespace

unsigned AnsiCodePage() { return 1252; }

std::string AnsiFromUtf16Unit(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return std::string(1, static_cast<char>(unit));
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unit) return std::string(1, static_cast<char>(0x80 + i));
    }
    return std::string(1, kDefaultCharacter);
}

std::u16string Utf16FromAnsi(std::string_view ansi) {
    std::u16string result;
    result.reserve(ansi.size());
    for (char byte : ansi) result += FromByte(static_cast<unsigned char>(byte));
    return result;
}

}  // namespace platform
