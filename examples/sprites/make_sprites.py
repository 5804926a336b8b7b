#!/usr/bin/env python3
"""Writes the example host's sprites as BMP files in this folder: a ship
(24-bit), a rock (8-bit, RLE-compressed) and a star (4-bit). Black (colour
0) is the background that transparent blits leave out."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def headers(width, height, bits, compression, image_size, colours):
    offset = 14 + 40 + 4 * colours
    file_header = struct.pack('<2sIHHI', b'BM', offset + image_size, 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression, image_size, 2835, 2835, colours, 0)
    return file_header + info


def palette(entries):
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in entries)


def ship():
    """A 32x24 arrow-shaped ship, shaded from the nose back."""
    w, h = 32, 24
    rows = b''
    for y in range(h - 1, -1, -1):
        row = b''
        for x in range(w):
            inside = abs(y - h / 2 + 0.5) < (x + 1) * 0.4 and x < 30
            cockpit = (x - 20) ** 2 + (y - 11.5) ** 2 < 9
            if cockpit:
                rgb = (80, 200, 255)
            elif inside:
                rgb = (200 - x * 3, 200 - x * 2, 220)
            else:
                rgb = (0, 0, 0)
            row += bytes((rgb[2], rgb[1], rgb[0]))
        rows += row + b'\0' * ((4 - len(row) % 4) % 4)
    return headers(w, h, 24, 0, len(rows), 0) + rows


def rock():
    """A 24x24 round rock in eight browns, stored RLE8."""
    w, h = 24, 24
    colours = [(0, 0, 0)] + [(90 + 15 * i, 60 + 10 * i, 30 + 5 * i) for i in range(7)]
    data = b''
    for y in range(h - 1, -1, -1):
        indices = []
        for x in range(w):
            d = math.hypot(x - 11.5, y - 11.5)
            indices.append(0 if d > 11 else 1 + int((11 - d) / 11 * 6.99))
        x = 0
        while x < w:
            run = 1
            while x + run < w and indices[x + run] == indices[x] and run < 255:
                run += 1
            data += bytes((run, indices[x]))
            x += run
        data += b'\0\0'
    data += b'\0\1'
    return headers(w, h, 8, 1, len(data), len(colours)) + palette(colours) + data


def star():
    """A 16x16 four-pointed star in a 16-colour palette, stored 4-bit."""
    w, h = 16, 16
    colours = [(0, 0, 0)] + [(255, 255 - 16 * i, 64 + 12 * i) for i in range(15)]
    rows = b''
    for y in range(h - 1, -1, -1):
        nibbles = []
        for x in range(w):
            dx, dy = abs(x - 7.5), abs(y - 7.5)
            inside = dx * dy < 6 and dx + dy < 9
            nibbles.append(min(15, 1 + int(dx + dy)) if inside else 0)
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, w, 2))
        rows += row + b'\0' * ((4 - len(row) % 4) % 4)
    return headers(w, h, 4, 0, len(rows), len(colours)) + palette(colours) + rows


for name, make in (('ship.bmp', ship), ('rock.bmp', rock), ('star.bmp', star)):
    with open(os.path.join(HERE, name), 'wb') as out:
        out.write(make())
