// UTF-8 and UTF-16, written out here so that both builds convert alike; and the
// unit-by-unit ANSI conversion of whole texts, shared by both code page implementations.
#include "platform/codepage.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t code) {
    if (code >= 0x10000) {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
        out += static_cast<char16_t>(code);
    }
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string AnsiFromUtf16(std::u16string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char16_t unit : text) result += AnsiFromUtf16Unit(unit);
    return result;
}

std::u16string Utf16FromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t extra = lead < 0x80           ? 0
                            : (lead >> 5) == 0x6  ? 1
                            : (lead >> 4) == 0xE  ? 2
                            : (lead >> 3) == 0x1E ? 3
                                                  : 4;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = extra < 4 && i + extra < utf8.size();
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        valid = valid && code >= kSmallest[extra] && code <= 0x10FFFF &&
                !(code >= 0xD800 && code <= 0xDFFF);
        if (!valid) {
            // Skip only the lead byte, so that the next character is not lost.
            out += static_cast<char16_t>(kReplacement);
            ++i;
            continue;
        }
        AppendUtf16(out, code);
        i += extra + 1;
    }
    return out;
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = utf16[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

std::string Utf8FromAnsi(std::string_view ansi) { return Utf8FromUtf16(Utf16FromAnsi(ansi)); }

std::string AnsiFromUtf8(std::string_view utf8) { return AnsiFromUtf16(Utf16FromUtf8(utf8)); }

std::string Utf8FromUtf8OrAnsi(std::string_view bytes) {
    // Malformed UTF-8 does not come back the same through UTF-16.
    std::string utf8 = Utf8FromUtf16(Utf16FromUtf8(bytes));
    return utf8 == bytes ? utf8 : Utf8FromAnsi(bytes);
}

}  // namespace platform
