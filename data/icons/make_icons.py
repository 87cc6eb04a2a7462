#!/usr/bin/env python3
"""Draws the Kavreno program icon and writes it as a Windows icon and PNGs.

The icon is pixel art in the 16 colours of the standard VGA palette, drawn
twice: once at 32 x 32 and once at 16 x 16. The script writes

  kavreno.ico                 both images, 4 bits per pixel with AND masks
  hicolor/NxN/apps/kavreno.png for N = 16, 32 (the drawings themselves) and
                              48, 64, 128, 256 (whole-number enlargements)

using only the standard library. Run it from any directory; it writes next
to itself.
"""

import os
import struct
import sys
import zlib

# The 16-colour VGA palette, index -> (r, g, b).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, SILVER, GREY, RED, LIME, YELLOW, CYAN, WHITE = 0, 4, 7, 8, 9, 10, 11, 14, 15
CLEAR = -1  # transparent


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px[y][x] = colour

    def frame(self, x0, y0, x1, y1, top_left, bottom_right):
        """A one-pixel bevel: top and left edges in one colour, bottom and right in another."""
        self.rect(x0, y0, x1, y0, top_left)
        self.rect(x0, y0, x0, y1, top_left)
        self.rect(x0, y1, x1, y1, bottom_right)
        self.rect(x1, y0, x1, y1, bottom_right)

    def scaled(self, factor):
        big = Canvas(self.size * factor)
        for y in range(big.size):
            for x in range(big.size):
                big.px[y][x] = self.px[y // factor][x // factor]
        return big


def draw_32():
    c = Canvas(32)
    # Monitor case: black outline, silver body, white light from the top left.
    c.rect(1, 0, 30, 23, BLACK)
    c.rect(2, 1, 29, 22, SILVER)
    c.frame(2, 1, 29, 22, WHITE, GREY)
    # Sunken screen with a bar chart on it.
    c.frame(5, 4, 26, 19, GREY, WHITE)
    c.rect(6, 5, 25, 18, NAVY)
    c.rect(8, 12, 10, 16, LIME)
    c.rect(12, 9, 14, 16, YELLOW)
    c.rect(16, 7, 18, 16, CYAN)
    c.rect(20, 10, 22, 16, RED)
    c.rect(7, 17, 24, 17, SILVER)
    # Power lamp.
    c.rect(24, 21, 25, 21, LIME)
    # Neck and foot.
    c.rect(12, 24, 19, 26, BLACK)
    c.rect(13, 24, 18, 26, GREY)
    c.rect(6, 26, 25, 30, BLACK)
    c.rect(7, 27, 24, 29, SILVER)
    c.rect(7, 27, 24, 27, WHITE)
    return c


def draw_16():
    c = Canvas(16)
    c.rect(0, 0, 15, 11, BLACK)
    c.rect(1, 1, 14, 10, SILVER)
    c.frame(1, 1, 14, 10, WHITE, GREY)
    c.rect(3, 3, 12, 8, NAVY)
    c.rect(4, 6, 5, 7, LIME)
    c.rect(7, 4, 8, 7, YELLOW)
    c.rect(10, 5, 11, 7, CYAN)
    c.rect(6, 12, 9, 12, BLACK)
    c.rect(7, 12, 8, 12, GREY)
    c.rect(3, 13, 12, 15, BLACK)
    c.rect(4, 14, 11, 14, SILVER)
    return c


def png_bytes(canvas):
    """An 8-bit indexed PNG: the 16 palette colours plus one transparent entry."""
    clear_index = len(PALETTE)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = bytearray()
    for row in canvas.px:
        raw.append(0)  # filter: none
        raw.extend(clear_index if p == CLEAR else p for p in row)
    plte = b"".join(bytes(rgb) for rgb in PALETTE) + b"\0\0\0"
    trns = b"\xff" * len(PALETTE) + b"\0"
    ihdr = struct.pack(">IIBBBBB", canvas.size, canvas.size, 8, 3, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"PLTE", plte) +
            chunk(b"tRNS", trns) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def ico_image(canvas):
    """One icon image: BITMAPINFOHEADER, 16-entry palette, 4-bit XOR bits, AND mask."""
    n = canvas.size
    xor_stride = ((n * 4 + 31) // 32) * 4
    and_stride = ((n + 31) // 32) * 4
    xor_bits = bytearray()
    and_bits = bytearray()
    for row in reversed(canvas.px):  # bottom-up
        line = bytearray(xor_stride)
        mask = bytearray(and_stride)
        for x, p in enumerate(row):
            index = 0 if p == CLEAR else p
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if p == CLEAR:
                mask[x // 8] |= 0x80 >> (x % 8)
        xor_bits += line
        and_bits += mask
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, len(xor_bits) + len(and_bits),
                         0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE)
    return header + palette + bytes(xor_bits) + bytes(and_bits)


def ico_bytes(canvases):
    images = [ico_image(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.size % 256, c.size % 256, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    big, small = draw_32(), draw_16()
    with open(os.path.join(here, "kavreno.ico"), "wb") as f:
        f.write(ico_bytes([big, small]))
    renderings = {16: small, 32: big, 48: small.scaled(3), 64: big.scaled(2),
                  128: big.scaled(4), 256: big.scaled(8)}
    for size, canvas in renderings.items():
        folder = os.path.join(here, "hicolor", f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "kavreno.png"), "wb") as f:
            f.write(png_bytes(canvas))
    return 0


if __name__ == "__main__":
    sys.exit(main())
