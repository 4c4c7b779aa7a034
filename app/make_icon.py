#!/usr/bin/env python3
"""Writes morvel.ico: one 32 x 32 picture with 256 colours (a parcel with a zipper)."""
import struct, sys

W = H = 32
palette = [(0, 0, 0)] * 256
palette[1] = (40, 90, 170)     # parcel, dark edge
palette[2] = (70, 130, 210)    # parcel
palette[3] = (120, 175, 235)   # parcel, light face
palette[4] = (235, 200, 60)    # zipper
palette[5] = (120, 90, 20)     # zipper teeth
palette[6] = (255, 255, 255)

def pixel(x, y):  # y = 0 is the top row
    if not (3 <= x <= 28 and 5 <= y <= 28):
        return None
    if x in (3, 28) or y in (5, 28):
        return 1
    if 14 <= x <= 17:
        return 5 if (y % 2 == 0 and x in (14, 17)) else 4
    if y < 10:
        return 3
    return 2

rows, mask = [], []
for y in range(H - 1, -1, -1):  # bottom-up
    rows.append(bytes((pixel(x, y) or 0) for x in range(W)))
    bits = 0
    for x in range(W):
        bits = (bits << 1) | (1 if pixel(x, y) is None else 0)
    mask.append(struct.pack(">I", bits))

header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 8, 0, W * H + 4 * H, 0, 0, 256, 0)
pal = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in palette)
image = header + pal + b"".join(rows) + b"".join(mask)
icondir = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 0, 0, 1, 8, len(image), 22)
open(sys.argv[1] if len(sys.argv) > 1 else "morvel.ico", "wb").write(icondir + image)
