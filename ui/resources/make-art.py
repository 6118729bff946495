#!/usr/bin/env python3
"""Draws the window's icon and donation picture and writes them as quillon.ico and
donate.bmp beside this script (or into the directory given as the only argument).

The icon: 32 x 32 pixels in 16 colours, a black musical note inside an open black ring on
a transparent background. The picture: 62 x 31 pixels at 8 bits per pixel, the payment
service's name above the word DONATE on a light button face."""

import math
import os
import struct
import sys

# The 16 colours of the standard VGA palette, as (red, green, blue).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def icon_pixels():
    """32 x 32 grid, top row first: True where the pixel is black."""
    size = 32
    black = [[False] * size for _ in range(size)]
    centre = 15.5
    # The ring: radius 13 to 15, open over a quarter turn at the upper right.
    for y in range(size):
        for x in range(size):
            dx, dy = x - centre, y - centre
            distance = math.hypot(dx, dy)
            angle = math.degrees(math.atan2(-dy, dx)) % 360
            if 12.6 <= distance <= 15.4 and not 20 <= angle <= 70:
                black[y][x] = True
    # The note: an oval head low and left of centre, a stem up its right side, a flag.
    for y in range(size):
        for x in range(size):
            if ((x - 12.5) / 3.6) ** 2 + ((y - 21.0) / 2.6) ** 2 <= 1.0:
                black[y][x] = True
    for y in range(7, 21):
        for x in (15, 16):
            black[y][x] = True
    for step in range(6):
        for x in (17 + step // 2, 18 + step // 2):
            black[7 + step][x] = True
    return black


def write_icon(path):
    black = icon_pixels()
    # Rows bottom-up; four bits per pixel, index 0 (black) everywhere, the mask says which
    # pixels are transparent.
    xor_rows = bytearray()
    and_rows = bytearray()
    for row in reversed(black):
        xor_rows += bytes(16)
        bits = 0
        for x, is_black in enumerate(row):
            bits = (bits << 1) | (0 if is_black else 1)
        and_rows += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 4, 0, len(xor_rows) + len(and_rows), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA)
    image = header + palette + bytes(xor_rows) + bytes(and_rows)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 32, 32, 16, 0, 1, 4, len(image), 22)
    data = directory + image
    assert len(data) == 766, len(data)
    with open(path, 'wb') as out:
        out.write(data)


GLYPHS_5X7 = {
    'D': ['1110.', '1..1.', '1...1', '1...1', '1...1', '1..1.', '1110.'],
    'O': ['.111.', '1...1', '1...1', '1...1', '1...1', '1...1', '.111.'],
    'N': ['1...1', '11..1', '1.1.1', '1.1.1', '1..11', '1...1', '1...1'],
    'A': ['.111.', '1...1', '1...1', '11111', '1...1', '1...1', '1...1'],
    'T': ['11111', '..1..', '..1..', '..1..', '..1..', '..1..', '..1..'],
    'E': ['11111', '1....', '1....', '1111.', '1....', '1....', '11111'],
}
GLYPHS_4X6 = {
    'P': ['111.', '1..1', '1..1', '111.', '1...', '1...'],
    'a': ['....', '.11.', '...1', '.111', '1..1', '.111'],
    'y': ['....', '1..1', '1..1', '.111', '...1', '.11.'],
    'l': ['.1..', '.1..', '.1..', '.1..', '.1..', '.11.'],
}


def write_picture(path):
    width, height = 62, 31
    # Palette: 0 frame grey, 1 face, 2 lighter face, 3 dark blue, 4 light blue, 5 text,
    # 6 white; the rest black.
    colours = [(128, 128, 128), (255, 222, 140), (255, 238, 190), (0, 48, 135), (0, 156, 222),
               (40, 40, 40), (255, 255, 255)]
    colours += [(0, 0, 0)] * (256 - len(colours))
    pixels = [[1] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            if y < height // 2:
                pixels[y][x] = 2
            edge = x in (0, width - 1) or y in (0, height - 1)
            corner = (x in (0, width - 1)) and (y in (0, height - 1))
            if edge and not corner:
                pixels[y][x] = 0
            elif corner:
                pixels[y][x] = 6

    def draw(text, glyphs, left, top, colour_of):
        x = left
        for index, char in enumerate(text):
            glyph = glyphs[char]
            for dy, row in enumerate(glyph):
                for dx, cell in enumerate(row):
                    if cell == '1':
                        pixels[top + dy][x + dx] = colour_of(index)
            x += len(glyph[0]) + 1

    logo = 'PayPal'
    logo_width = sum(len(GLYPHS_4X6[c][0]) + 1 for c in logo) - 1
    draw(logo, GLYPHS_4X6, (width - logo_width) // 2, 4, lambda i: 3 if i < 3 else 4)
    word = 'DONATE'
    word_width = sum(len(GLYPHS_5X7[c][0]) + 1 for c in word) - 1
    draw(word, GLYPHS_5X7, (width - word_width) // 2, 16, lambda i: 5)

    stride = (width + 3) // 4 * 4
    rows = bytearray()
    for row in reversed(pixels):
        rows += bytes(row) + bytes(stride - width)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(palette)
    data = struct.pack('<2sIHHI', b'BM', offset + len(rows), 0, 0, offset) + info + palette + bytes(rows)
    assert len(data) == 3062, len(data)
    with open(path, 'wb') as out:
        out.write(data)


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(directory, 'quillon.ico'))
    write_picture(os.path.join(directory, 'donate.bmp'))


if __name__ == '__main__':
    main()
