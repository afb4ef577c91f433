#!/usr/bin/env python3
"""Draws the program icon: one 32x32 image in the 16 standard colours.

A drive seen from the front, with a pie chart of owners' shares standing
on it. Writes hosts/win32/ovik.ico (or the path given) without any imaging
library, so the icon can be rebuilt anywhere Python runs.
"""
import math
import struct
import sys
from pathlib import Path

SIZE = 32

# The 16 colours of the standard VGA palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, LIGHT_GREY, WHITE = 0, 8, 7, 15
RED, BLUE, YELLOW, GREEN = 9, 12, 11, 10
TRANSPARENT = None

# Owners' shares of the pie, largest first, and their colours.
SHARES = [(0.5, RED), (0.3, BLUE), (0.2, YELLOW)]


def draw():
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    # The drive: a grey slab across the lower part with a dark outline, a
    # lighter top edge and a green activity light.
    top, bottom, left, right = 21, 29, 1, 30
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = y in (top, bottom) or x in (left, right)
            pixels[y][x] = BLACK if edge else LIGHT_GREY
    for x in range(left + 1, right):
        pixels[top + 1][x] = WHITE
        pixels[bottom - 1][x] = DARK_GREY
    for y in range(top + 4, top + 6):
        for x in range(right - 5, right - 2):
            pixels[y][x] = GREEN
    for x in range(left + 3, left + 14):
        pixels[top + 5][x] = DARK_GREY

    # The pie: wedges clockwise from twelve o'clock, outlined in black.
    cx, cy, radius = 15.5, 11.5, 10.5
    bounds = []
    start = 0.0
    for share, colour in SHARES:
        bounds.append((start, start + share, colour))
        start += share
    for y in range(SIZE):
        for x in range(SIZE):
            dx, dy = x - cx, y - cy
            distance = math.hypot(dx, dy)
            if distance > radius:
                continue
            if distance > radius - 1.0:
                pixels[y][x] = BLACK
                continue
            # Fraction of a full turn, clockwise from straight up.
            turn = (math.atan2(dx, -dy) / (2 * math.pi)) % 1.0
            for begin, end, colour in bounds:
                if begin <= turn < end:
                    pixels[y][x] = colour
            # Thin black lines between the wedges.
            for begin, _, _ in bounds:
                angle = begin * 2 * math.pi
                ex, ey = math.sin(angle), -math.cos(angle)
                along = dx * ex + dy * ey
                across = abs(dx * ey - dy * ex)
                if along >= 0 and across < 0.5:
                    pixels[y][x] = BLACK
    return pixels


def encode(pixels):
    """One ICO file holding one 4-bit image with its transparency mask."""
    xor_rows = []
    and_rows = []
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        nibbles = [0 if p is TRANSPARENT else p for p in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1]
                              for i in range(0, SIZE, 2)))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is TRANSPARENT else 0)
        and_rows.append(mask.to_bytes(SIZE // 8, "big"))
    xor_bits = b"".join(xor_rows)
    and_bits = b"".join(and_rows)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    image = header + palette + xor_bits + and_bits
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image),
                        6 + 16)
    return directory + entry + image


def main():
    root = Path(__file__).resolve().parent.parent
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else (
        root / "hosts" / "win32" / "ovik.ico")
    out.write_bytes(encode(draw()))
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
