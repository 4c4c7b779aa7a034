#!/usr/bin/env python3
"""Writes banner.bmp: the About box's 200 x 40 picture, 8 bits per pixel with a
256-entry colour table, uncompressed and bottom-up (9078 bytes).

The word "Morvel" in blocky pixel letters with a drop shadow and a gold rule, on a gradient
from deep blue to violet. Run it again after changing the design:
    python3 app/make_banner.py app/banner.bmp
"""
import struct
import sys

WIDTH, HEIGHT = 200, 40
GRADIENT = 192          # palette entries 0..191: the background gradient
SHADOW, RIM, LETTER = 192, 254, 255

GLYPHS = {
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "o": ["00000", "00000", "01110", "10001", "10001", "10001", "01110"],
    "r": ["00000", "00000", "10110", "11001", "10000", "10000", "10000"],
    "v": ["00000", "00000", "10001", "10001", "10001", "01010", "00100"],
    "e": ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    "l": ["01100", "00100", "00100", "00100", "00100", "00100", "01110"],
}
SCALE = 4


def palette():
    entries = []
    for i in range(GRADIENT):
        t = i / (GRADIENT - 1)
        r, g, b = int(20 + 120 * t), int(24 + 10 * t), int(110 + 90 * t)
        entries.append((r, g, b))
    for i in range(GRADIENT, 256):
        v = int(16 + (i - GRADIENT) * 3.9)
        entries.append((v, v, v))
    entries[SHADOW] = (8, 6, 30)
    entries[RIM] = (255, 210, 90)
    entries[LETTER] = (255, 255, 255)
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)


def pixels():
    # Rows top-down here; reversed when written.
    rows = [[(x * (GRADIENT - 1)) // (WIDTH - 1) for x in range(WIDTH)] for _ in range(HEIGHT)]
    text = "Morvel"
    glyph_w, gap = 5 * SCALE, SCALE
    total = len(text) * (glyph_w + gap) - gap
    left, top = (WIDTH - total) // 2, (HEIGHT - 7 * SCALE) // 2

    def plot(ox, oy, colour):
        for n, ch in enumerate(text):
            for gy, line in enumerate(GLYPHS[ch]):
                for gx, bit in enumerate(line):
                    if bit != "1":
                        continue
                    x0 = ox + n * (glyph_w + gap) + gx * SCALE
                    y0 = oy + gy * SCALE
                    for y in range(y0, y0 + SCALE):
                        for x in range(x0, x0 + SCALE):
                            if 0 <= x < WIDTH and 0 <= y < HEIGHT:
                                rows[y][x] = colour

    plot(left + 2, top + 2, SHADOW)
    plot(left, top, LETTER)
    # A thin gold rule under the word.
    for x in range(left, left + total):
        rows[top + 7 * SCALE + 2][x] = RIM
    return rows


def bitmap():
    colours = palette()
    image = b"".join(bytes(row) for row in reversed(pixels()))
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(image), 3780, 3780, 256, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    data = header + info + colours + image
    assert len(data) == 9078, len(data)
    return data


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "banner.bmp"
    with open(path, "wb") as f:
        f.write(bitmap())
