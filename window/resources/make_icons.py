#!/usr/bin/env python3
"""Draws the window icon, a radio mast above a stream of bits, as 16-colour PNGs.

The icons are committed next to this script; run it again only to change the picture:
    python3 make_icons.py   (writes vantrel-16.png, -32, -64 and -128 beside itself)
Only the standard library is used, so the picture can be redrawn on any machine.
"""
import math
import os
import struct
import zlib

# A 16-colour palette; entry 0 is fully transparent so the tile's rounded corners show
# the desktop behind them.
PALETTE = [
    (0, 0, 0),        # 0 transparent
    (0, 0, 0),        # 1 black: tile outline
    (0, 0, 128),      # 2 navy: tile
    (0, 0, 255),      # 3 blue: tile highlight
    (255, 255, 255),  # 4 white: bit stream
    (255, 255, 0),    # 5 yellow: radio waves
    (192, 192, 192),  # 6 silver: mast
    (128, 128, 128),  # 7 grey
    (0, 128, 128),    # 8 teal
    (0, 255, 255),    # 9 aqua
    (128, 0, 0),      # 10 maroon
    (255, 0, 0),      # 11 red: mast tip
    (0, 128, 0),      # 12 green
    (0, 255, 0),      # 13 lime
    (128, 128, 0),    # 14 olive
    (128, 0, 128),    # 15 purple
]
TRANSPARENT, OUTLINE, TILE, HIGHLIGHT, BITS, WAVES, MAST, _, _, _, _, TIP = range(12)

# The bits drawn on the icon: a short piece of a recording.
PATTERN = "011010"


def new_image(size):
    return [[TRANSPARENT] * size for _ in range(size)]


def tile(img, radius):
    """A rounded square over the whole icon, with a one-pixel outline."""
    size = len(img)
    for y in range(size):
        for x in range(size):
            # Distance outside the inner square whose corners are rounded by `radius`.
            dx = max(radius - x - 0.5, x + 0.5 - (size - radius), 0)
            dy = max(radius - y - 0.5, y + 0.5 - (size - radius), 0)
            d = math.hypot(dx, dy)
            if d <= radius - 1:
                img[y][x] = HIGHLIGHT if y < size // 3 else TILE
            elif d <= radius:
                img[y][x] = OUTLINE
    # Flatten the highlight into a gentle band at the top.
    for y in range(size // 3, size):
        for x in range(size):
            if img[y][x] == HIGHLIGHT:
                img[y][x] = TILE


def square_wave(img, left, width, high, low, thickness):
    """The bits of PATTERN as a square wave, `width` pixels a bit."""
    x = left
    previous = None
    for bit in PATTERN:
        level = high if bit == "1" else low
        for t in range(thickness):
            for px in range(x, x + width):
                img[level + t][px] = BITS
            if previous is not None and previous != level:
                for py in range(min(previous, level), max(previous, level) + thickness):
                    img[py][x + t] = BITS
        previous = level
        x += width


def mast(img, x, top, bottom):
    for y in range(top, bottom + 1):
        img[y][x] = MAST
    img[top][x] = TIP


def waves(img, cx, cy, radii):
    """Arcs on both sides of the mast tip."""
    size = len(img)
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - cx, y - cy)
            angle = math.degrees(math.atan2(y - cy, abs(x - cx)))
            if abs(angle) <= 45 and any(abs(d - r) < 0.5 for r in radii) and img[y][x] != TRANSPARENT:
                img[y][x] = WAVES


def draw(size):
    img = new_image(size)
    if size >= 32:
        tile(img, 5)
        mast(img, 15, 5, 14)
        waves(img, 15, 7, (4, 7, 10))
        square_wave(img, 4, 4, 18, 24, 2)
    else:
        tile(img, 3)
        mast(img, 7, 2, 6)
        waves(img, 7, 3, (3,))
        square_wave(img, 2, 2, 9, 12, 1)
    return img


def scaled(img, factor):
    """The picture `factor` times as large, every pixel a square: software centres ask for
    64 and 128 pixels, and the 32-pixel drawing keeps its crisp lines when blown up."""
    return [[pixel for pixel in row for _ in range(factor)] for row in img for _ in range(factor)]


def png(img):
    """An indexed PNG, 4 bits a pixel, with entry 0 transparent."""
    size = len(img)
    raw = b""
    for row in img:
        packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        raw += b"\x00" + packed

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0)
    palette = b"".join(bytes(c) for c in PALETTE)
    alpha = bytes([0] + [255] * (len(PALETTE) - 1))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", palette)
            + chunk(b"tRNS", alpha) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for size in (16, 32):
        with open(os.path.join(here, f"vantrel-{size}.png"), "wb") as out:
            out.write(png(draw(size)))
    for factor in (2, 4):
        with open(os.path.join(here, f"vantrel-{32 * factor}.png"), "wb") as out:
            out.write(png(scaled(draw(32), factor)))


if __name__ == "__main__":
    main()
