#include "platform/codepage.h"

#include <windows.h>

namespace platform {

std::string AnsiFromUtf16Unit(char16_t unit) {
    const auto wide = static_cast<wchar_t>(unit);
    char bytes[8];
    // WC_NO_BEST_FIT_CHARS: a missing character becomes the default character, not a
    // look-alike, so the reader and the writer agree on every system.
    int count = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                    nullptr, nullptr);
    if (count <= 0) return std::string(1, '?');
    return std::string(bytes, static_cast<std::size_t>(count));
}

unsigned AnsiCodePage() { return GetACP(); }

std::u16string Utf16FromAnsi(std::string_view ansi) {
    if (ansi.empty()) return {};
    int count = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (count <= 0) return {};
    std::u16string result(static_cast<std::size_t>(count), u'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                        reinterpret_cast<wchar_t*>(result.data()), count);
    return result;
}

}  // namespace platform
