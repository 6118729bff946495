// Plain values shared by every component: colours, fonts, cursors, keys, geometry.
#pragma once

#include <cstdint>
#include <string>

namespace toolkit {

// Red, green and blue bytes from the low end; a value with the top byte 0xFF names a
// system colour by its index in the low byte.
using Color = std::uint32_t;
constexpr Color clBlack = 0x000000;
constexpr Color clBlue = 0xFF0000;
constexpr Color clSystemColor = 0xFF000000;
constexpr Color clWindow = clSystemColor | 5;
constexpr Color clWindowText = clSystemColor | 8;
constexpr Color clBtnFace = clSystemColor | 15;

constexpr std::uint8_t kAnsiCharset = 0;
constexpr std::uint8_t kDefaultCharset = 1;

struct Font {
    std::string name = "MS Sans Serif";
    int height = 11;  // character height in pixels at 96 dots per inch
    bool bold = false;
    bool underline = false;
    Color color = clWindowText;
    std::uint8_t charset = kAnsiCharset;

    bool operator==(const Font&) const = default;
};

// Cursor ids as the toolkit numbers them.
using Cursor = int;
constexpr Cursor crDefault = 0;
constexpr Cursor crHandPoint = -21;

// Shift state of a key event: keys and mouse buttons held.
using ShiftState = unsigned;
constexpr ShiftState ssShift = 1;
constexpr ShiftState ssAlt = 2;
constexpr ShiftState ssCtrl = 4;
constexpr ShiftState ssLeft = 8;
constexpr ShiftState ssRight = 16;
constexpr ShiftState ssMiddle = 32;

// Virtual-key codes the toolkit itself looks at.
constexpr std::uint16_t kKeyReturn = 0x0D;
constexpr std::uint16_t kKeyUp = 0x26;
constexpr std::uint16_t kKeyDown = 0x28;
constexpr std::uint16_t kKeyF4 = 0x73;

enum class CloseAction { caNone, caHide };

// Left, top, width and height in pixels at 96 dots per inch, relative to the parent's
// client area.
struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Bounds&) const = default;
};

}  // namespace toolkit
