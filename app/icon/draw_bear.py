#!/usr/bin/env python3
"""Draws the program icon, a bear's head, into bear.bmp (64x64, 32-bit BGRA with alpha) and
the same picture into bear.ico.

Deterministic: the same files come out on every run. Run it from anywhere after changing the
artwork; the build embeds bear.bmp as icon resource 101, and the Windows build's resource script
(app/Quenvale.rc) builds bear.ico in as the same resource.
"""
import math
import os
import struct

SIZE = 64
SAMPLES = 4  # per axis, for smooth edges

FUR = (122, 78, 44)
EAR_INSIDE = (196, 140, 104)
MUZZLE = (222, 190, 150)
DARK = (34, 22, 16)
SHINE = (250, 250, 250)


def inside_circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def colour_at(x, y):
    """The artwork at one point (y grows downwards); None is transparent."""
    # Later shapes lie on top of earlier ones.
    shapes = [
        (lambda: inside_circle(x, y, 15, 16, 10), FUR),
        (lambda: inside_circle(x, y, 49, 16, 10), FUR),
        (lambda: inside_circle(x, y, 15, 16, 5.5), EAR_INSIDE),
        (lambda: inside_circle(x, y, 49, 16, 5.5), EAR_INSIDE),
        (lambda: inside_ellipse(x, y, 32, 36, 25, 24), FUR),
        (lambda: inside_ellipse(x, y, 32, 45, 12, 9.5), MUZZLE),
        (lambda: inside_circle(x, y, 23, 31, 3.4), DARK),
        (lambda: inside_circle(x, y, 41, 31, 3.4), DARK),
        (lambda: inside_circle(x, y, 24, 30, 1.1), SHINE),
        (lambda: inside_circle(x, y, 42, 30, 1.1), SHINE),
        (lambda: inside_ellipse(x, y, 32, 40.5, 4.5, 3.2), DARK),
        (lambda: abs(x - 32) < 0.8 and 40.5 <= y <= 47.5, DARK),
        (lambda: 47 <= y <= 48.6 and abs(x - 32) < 5 and abs(y - 47.4 - ((x - 32) / 5.0) ** 2 * 1.2) < 0.8, DARK),
    ]
    colour = None
    for test, c in shapes:
        if test():
            colour = c
    return colour


def pixel(px, py):
    r = g = b = a = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
            if c is not None:
                r += c[0]
                g += c[1]
                b += c[2]
                a += 1
    if a == 0:
        return (0, 0, 0, 0)
    return (round(r / a), round(g / a), round(b / a), round(255 * a / (SAMPLES * SAMPLES)))


def main():
    rows = []
    for py in range(SIZE - 1, -1, -1):  # BMP rows run bottom to top
        row = bytearray()
        for px in range(SIZE):
            r, g, b, a = pixel(px, py)
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header_size = 108  # BITMAPV4HEADER: carries the alpha mask
    offset = 14 + header_size
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", header_size, SIZE, SIZE, 1, 32, 3, len(pixels), 2835, 2835, 0, 0)
    info += struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    info += struct.pack("<I", 0x73524742)  # LCS_sRGB
    info += bytes(36 + 12)  # endpoints and gamma, unused with sRGB
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "bear.bmp"), "wb") as f:
        f.write(file_header + info + pixels)
    with open(os.path.join(here, "bear.ico"), "wb") as f:
        f.write(icon_file(rows))


def icon_file(rows):
    """The same picture as an .ico file (the Windows build's resource script names it): one
    32-bit image whose alpha is the transparency, and the 1-bit mask that older displays use
    (set where the picture is fully transparent). Rows bottom to top, as in the BMP."""
    pixels = b"".join(rows)
    mask = bytearray()
    for row in rows:
        bits = 0
        for px in range(SIZE):
            bits = bits << 1 | (row[4 * px + 3] == 0)
        mask += bits.to_bytes(SIZE // 8, "big")  # 64 bits: already a multiple of 4 bytes
    image = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image += pixels + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)  # reserved, type 1 (icon), one image
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    main()
