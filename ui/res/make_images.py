#!/usr/bin/env python3
"""Draws the window's pictures and writes them beside this script:
ready.ico and notready.ico (one 32x32 16-colour image each) for the notification area, and
menu_check.bmp / menu_circle.bmp (12x12 monochrome) for the popup menu's check marks.
Run it again after changing a picture and commit what it writes."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette (index: (r, g, b)).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_GREEN, DARK_RED, GREY, RED, GREEN, WHITE = 0, 2, 1, 8, 9, 10, 15
TRANSPARENT = None


def disc_icon(fill, rim, symbol):
    """32x32 pixels, row 0 at the top: a disc with a rim and a white symbol drawn on it."""
    pixels = [[TRANSPARENT] * 32 for _ in range(32)]
    for y in range(32):
        for x in range(32):
            d = math.hypot(x - 15.5, y - 15.5)
            if d <= 13.5:
                pixels[y][x] = fill
            elif d <= 15.0:
                pixels[y][x] = rim
    for x, y in symbol:
        pixels[y][x] = WHITE
    return pixels


def thick_line(x0, y0, x1, y1, width):
    points = set()
    steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 4) + 1
    for i in range(steps + 1):
        t = i / steps
        cx, cy = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
        reach = int(math.ceil(width))
        for dy in range(-reach, reach + 1):
            for dx in range(-reach, reach + 1):
                if dx * dx + dy * dy <= width * width:
                    points.add((int(round(cx + dx)), int(round(cy + dy))))
    return points


def check_symbol():  # connected: a tick
    return thick_line(9, 16, 14, 21, 1.5) | thick_line(14, 21, 23, 10, 1.5)


def bar_symbol():  # not connected: a no-entry bar
    return {(x, y) for x in range(8, 24) for y in range(14, 18)}


def ico_bytes(pixels):
    size = 32
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):  # bottom-up
        row = pixels[y]
        nibbles = [(c if c is not None else BLACK) for c in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        and_rows.append(struct.pack('>I', bits))
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def mono_bmp(rows):
    """Monochrome BMP; '#' pixels are 0 (drawn), others 1 (background)."""
    height, width = len(rows), len(rows[0])
    stride = ((width + 31) // 32) * 4
    data = b''
    for row in reversed(rows):
        bits = 0
        for ch in row:
            bits = (bits << 1) | (0 if ch == '#' else 1)
        bits <<= stride * 8 - width
        data += bits.to_bytes(stride, 'big')
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 1, 0, len(data), 0, 0, 2, 0)
    palette = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    offset = 14 + len(info) + len(palette)
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    return file_header + info + palette + data


MENU_CHECK = [
    '............',
    '............',
    '..........#.',
    '.........##.',
    '........###.',
    '.#.....###..',
    '.##...###...',
    '.###.###....',
    '..#####.....',
    '...###......',
    '....#.......',
    '............',
]
MENU_CIRCLE = [
    '............',
    '............',
    '............',
    '....####....',
    '...######...',
    '...######...',
    '...######...',
    '...######...',
    '....####....',
    '............',
    '............',
    '............',
]


def write(name, content):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(content)


if __name__ == '__main__':
    write('ready.ico', ico_bytes(disc_icon(GREEN, DARK_GREEN, check_symbol())))
    write('notready.ico', ico_bytes(disc_icon(RED, DARK_RED, bar_symbol())))
    write('menu_check.bmp', mono_bmp(MENU_CHECK))
    write('menu_circle.bmp', mono_bmp(MENU_CIRCLE))
