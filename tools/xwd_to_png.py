#!/usr/bin/env python3
"""Crops a screen dump in X's XWD format (what Xvfb -fbdir keeps of its
screen) to a PNG, for the screenshot tools where ImageMagick is missing.

    xwd_to_png.py SCREEN.xwd LEFT TOP WIDTH HEIGHT OUT.png

Reads TrueColor dumps of 24 or 32 bits a pixel, either byte order.
"""

import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack_from(">25I", data, 0)
    header_size, version = fields[0], fields[1]
    if version != 7:
        raise ValueError(f"{path}: not an XWD file of version 7")
    width, height = fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    colors = fields[19]
    if bits_per_pixel not in (24, 32):
        raise ValueError(f"{path}: {bits_per_pixel} bits a pixel")
    start = header_size + 12 * colors
    return data[start:], width, height, byte_order, bits_per_pixel // 8, bytes_per_line, (
        red_mask, green_mask, blue_mask)


def shift(mask):
    return (mask & -mask).bit_length() - 1


def crop_png(path, left, top, width, height, out):
    pixels, screen_w, screen_h, byte_order, size, stride, masks = read_xwd(path)
    left, top = max(0, left), max(0, top)
    width, height = min(width, screen_w - left), min(height, screen_h - top)
    order = "<" if byte_order == 0 else ">"
    shifts = [shift(m) for m in masks]
    rows = []
    for y in range(top, top + height):
        row = bytearray([0])  # no filter
        line = pixels[y * stride:(y + 1) * stride]
        for x in range(left, left + width):
            raw = line[x * size:(x + 1) * size]
            value = int.from_bytes(raw, "little" if order == "<" else "big")
            row += bytes(((value & m) >> s) & 0xFF for m, s in zip(masks, shifts))
        rows.append(bytes(row))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    crop_png(sys.argv[1], *(int(a) for a in sys.argv[2:6]), sys.argv[6])
