#!/usr/bin/env python3
"""Writes keystead.ico: the hand-drawn 16 by 16, 16-colour picture as it always was, then the same
key on its plate drawn at 20, 24, 32, 40 and 48 pixels, each as an 8-bit image (for shells before
XP) and a 32-bit one with alpha (XP on). The build takes the .ico as committed; run this only to
change the picture:  tool/resources/make_icon.py tool/resources/keystead.ico"""
import struct
import sys

SIZES = (20, 24, 32, 40, 48)
NAVY, BLUE, YELLOW, BLACK = (0, 0, 128), (0, 0, 255), (255, 255, 0), (0, 0, 0)


def rounded_rect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius and left <= x <= right and top <= y <= bottom


def rect(x, y, left, top, right, bottom):
    return left <= x <= right and top <= y <= bottom


def within(x, y, cx, cy, radius):
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def key(x, y, grow):
    """The key's shape, grown by `grow` units for its outline: ring, shaft, two teeth."""
    return (within(x, y, 6.5, 6.5, 2.6 + grow) or rect(x, y, 7 - grow, 8 - grow, 8 + grow, 13 + grow)
            or rect(x, y, 8 - grow, 10 - grow, 9 + grow, 11 + grow)
            or rect(x, y, 8 - grow, 12 - grow, 9 + grow, 13 + grow))


def colour_at(x, y):
    """The picture at a point in the 16-unit square: a colour, or None where it is transparent."""
    if not rounded_rect(x, y, 1, 1, 13, 15, 1.6):
        return None
    colour = BLUE if rounded_rect(x, y, 2, 2, 12, 14, 0.8) else NAVY
    if key(x, y, 0.7):
        colour = BLACK
    if key(x, y, 0):
        colour = YELLOW
    if within(x, y, 6.5, 6.5, 1.25):
        colour = BLACK
    if within(x, y, 6.5, 6.5, 0.7):
        colour = BLUE
    return colour


def render(size, samples=4):
    """Rows of (r, g, b, a), top row first, each pixel the mean of samples x samples points."""
    scale = 16.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale,
                                  (py + (sy + 0.5) / samples) * scale)
                    if c:
                        r, g, b, covered = r + c[0], g + c[1], b + c[2], covered + 1
            if covered:
                row.append((r // covered, g // covered, b // covered, 255 * covered // samples ** 2))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def and_mask(rows, size):
    stride = (size + 31) // 32 * 4
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def header(size, bits, colours):
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def image_32(size):
    rows = render(size)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    return header(size, 32, 0) + bytes(pixels) + and_mask(rows, size)


def image_8(size):
    rows = render(size)
    # Opaque where at least half covered, as the mask says; edge colours kept in the palette,
    # coarser until they fit in 256.
    step = 1
    while True:
        palette = {(0, 0, 0): 0}
        for row in rows:
            for r, g, b, a in row:
                if a >= 128:
                    palette.setdefault((r // step * step, g // step * step, b // step * step),
                                       len(palette))
        if len(palette) <= 256:
            break
        step *= 2
    stride = (size + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                line[x] = palette[(r // step * step, g // step * step, b // step * step)]
        pixels += line
    table = bytearray(256 * 4)
    for (r, g, b), index in palette.items():
        table[index * 4:index * 4 + 4] = bytes((b, g, r, 0))
    return header(size, 8, 256) + bytes(table) + bytes(pixels) + and_mask(rows, size)


def original_16(path):
    """The first image of the icon as it was: the 16 by 16, 16-colour picture, byte for byte."""
    data = open(path, 'rb').read()
    _, _, count = struct.unpack_from('<HHH', data, 0)
    for i in range(count):
        w, h, colours, _, planes, bits, length, offset = struct.unpack_from('<BBBBHHII', data,
                                                                           6 + 16 * i)
        if w == 16 and h == 16 and colours == 16:
            return (w, h, colours, planes, bits), data[offset:offset + length]
    raise SystemExit('no 16 by 16, 16-colour image in ' + path)


def main(path):
    (w, h, colours, planes, bits), first = original_16(path)
    images = [((w, h, colours, planes, bits), first)]
    for size in SIZES:
        images.append(((size, size, 0, 1, 8), image_8(size)))
    for size in SIZES:
        images.append(((size, size, 0, 1, 32), image_32(size)))
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (w, h, colours, planes, bits), data in images:
        out += struct.pack('<BBBBHHII', w, h, colours, 0, planes, bits, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    open(path, 'wb').write(bytes(out))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'keystead.ico')
