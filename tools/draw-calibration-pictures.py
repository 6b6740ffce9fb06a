#!/usr/bin/env python3
"""Draws the calibration tool's pictures into calibrate/res/.

  cross.bmp       65 x 65, 4 bits, 16-colour palette: two concentric grey discs
                  on white, a thin yellow-and-green cross through the centre
  checkmark.bmp   28 x 27, 8 bits, palette: a check mark in a small square box
  finger.bmp      91 x 109, 24 bits: a greyscale fingertip touching a screen
  QuortouchUsb.ico 32 x 32, 16 colours: the program icon

Pure Python, no packages needed; the output is the same on every run.
  tools/draw-calibration-pictures.py [OUTPUT_DIR]
"""
import math
import os
import struct
import sys

# The 16 colours of the classic VGA palette (r, g, b).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, SILVER, GREY, YELLOW, WHITE = 0, 2, 7, 8, 11, 15


def info_header(width, height, bits, colours, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 2835, 2835, colours, 0)


def palette_bytes(palette):
    return b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in palette)


def pack_rows(pixels, width, bits):
    """pixels[y][x] top-down -> bottom-up rows padded to 4 bytes."""
    out = bytearray()
    for row in reversed(pixels):
        data = bytearray()
        if bits == 4:
            for x in range(0, width, 2):
                hi = row[x]
                lo = row[x + 1] if x + 1 < width else 0
                data.append((hi << 4) | lo)
        elif bits == 8:
            data.extend(row)
        elif bits == 24:
            for (r, g, b) in row:
                data.extend((b, g, r))
        while len(data) % 4:
            data.append(0)
        out.extend(data)
    return bytes(out)


def write_bmp(path, pixels, bits, palette=None):
    height, width = len(pixels), len(pixels[0])
    image = pack_rows(pixels, width, bits)
    pal = palette_bytes(palette) if palette else b''
    colours = len(palette) if palette else 0
    offset = 14 + 40 + len(pal)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset))
        f.write(info_header(width, height, bits, colours, len(image)))
        f.write(pal)
        f.write(image)


def cross_pixels(size=65):
    c = size // 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x - c, y - c)
            colour = WHITE
            if d <= 30.5:
                colour = SILVER
            if d <= 16.5:
                colour = GREY
            if y == c:
                colour = YELLOW
            if x == c:
                colour = GREEN
            row.append(colour)
        rows.append(row)
    return rows


def checkmark_pixels():
    width, height = 28, 27
    palette = [(255, 255, 255), (0, 0, 0), (0, 160, 0), (200, 230, 200)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    rows = [[0] * width for _ in range(height)]
    left, top, right, bottom = 2, 4, 22, 24
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            edge = x in (left, right) or y in (top, bottom)
            rows[y][x] = 1 if edge else 3
    # The tick: a short stroke down to the right, a long one up to the right,
    # reaching out of the box at the top right.
    def stroke(x0, y0, x1, y1, thick):
        steps = max(abs(x1 - x0), abs(y1 - y0)) * 4
        for i in range(steps + 1):
            t = i / steps
            px, py = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for dy in range(-thick, thick + 1):
                for dx in range(-thick, thick + 1):
                    xx, yy = int(round(px + dx)), int(round(py + dy))
                    if 0 <= xx < width and 0 <= yy < height and dx * dx + dy * dy <= thick * thick + 1:
                        rows[yy][xx] = 2
    stroke(6, 13, 11, 19, 1)
    stroke(11, 19, 25, 2, 1)
    return rows, palette


def finger_pixels():
    width, height = 91, 109
    rows = []
    screen_top = 78
    tip_x, tip_y = 45.0, 80.0
    for y in range(height):
        row = []
        for x in range(width):
            # The screen: a dark glass surface seen at a slant, with a light rim.
            if y >= screen_top:
                v = 60 + (y - screen_top) * 2 + int(8 * math.sin(x / 7.0))
                if y == screen_top:
                    v = 200
            else:
                v = 235 - y // 3  # light background above the screen
            # The finger: a rounded column coming down from the top, its tip on
            # the screen, shaded across its width like a photograph.
            half = 17.0
            if y < tip_y - half:
                dx = (x - tip_x) / half
                inside = abs(dx) <= 1.0
            else:
                dx = (x - tip_x) / half
                dy = (y - (tip_y - half)) / half
                inside = dx * dx + dy * dy <= 1.0
            if inside and y <= tip_y:
                shade = math.sqrt(max(0.0, 1.0 - dx * dx))
                v = int(95 + 120 * shade - y * 0.2)
                # The nail near the tip: lighter, with a soft edge.
                nx, ny = (x - tip_x) / 9.0, (y - (tip_y - 22)) / 13.0
                if nx * nx + ny * ny <= 1.0:
                    v = min(250, v + 30)
                # Knuckle creases.
                if y in (14, 16, 33):
                    v -= 35
            # The shadow of the finger on the glass.
            if y > screen_top and abs(x - tip_x - 6) < 14 - (y - screen_top) / 3:
                v -= 30
            v = max(0, min(255, v))
            row.append((v, v, v))
        rows.append(row)
    return rows


def icon_pixels():
    size = 32
    rows = [[WHITE] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if x in (1, 30) or y in (2, 25):
                if 1 <= x <= 30 and 2 <= y <= 25:
                    rows[y][x] = BLACK
            elif 1 < x < 30 and 2 < y < 25:
                rows[y][x] = 12  # blue glass
    # Stand of the screen.
    for y in range(26, 30):
        for x in range(12, 20):
            rows[y][x] = GREY
    for x in range(8, 24):
        rows[30][x] = BLACK
    # A small target in the middle of the screen.
    cx, cy = 15, 13
    for y in range(3, 25):
        for x in range(2, 30):
            d = math.hypot(x - cx, y - cy)
            if d <= 7.5:
                rows[y][x] = SILVER
            if d <= 4.0:
                rows[y][x] = GREY
    for x in range(cx - 9, cx + 10):
        rows[cy][x] = YELLOW
    for y in range(cy - 9, cy + 10):
        rows[y][cx] = GREEN
    return rows


def write_ico(path, pixels):
    size = 32
    xor = pack_rows(pixels, size, 4)
    and_mask = b'\x00' * (4 * size)  # every pixel opaque
    header = info_header(size, size * 2, 4, 16, len(xor) + len(and_mask))
    image = header + palette_bytes(VGA) + xor + and_mask
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1))
        f.write(struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 6 + 16))
        f.write(image)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'calibrate', 'res')
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, 'cross.bmp'), cross_pixels(), 4, VGA)
    rows, palette = checkmark_pixels()
    write_bmp(os.path.join(out, 'checkmark.bmp'), rows, 8, palette)
    write_bmp(os.path.join(out, 'finger.bmp'), finger_pixels(), 24)
    write_ico(os.path.join(out, 'QuortouchUsb.ico'), icon_pixels())


if __name__ == '__main__':
    main()
