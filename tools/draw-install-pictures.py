#!/usr/bin/env python3
"""Draws the pictures of Install.exe's resources into install/wizard/res/.

  tools/draw-install-pictures.py [OUTPUT_DIR]

- setup.ico: icon group 107, one 32x32 image with 16 colours
- setup_small.ico: icon group 108, one 16x16 image with 16 colours
- strip.bmp: bitmap 130, the 116x255 picture strip (4 bits per pixel)
- welcome.bmp: bitmap 133, the 360x128 Welcome picture (24 bits per pixel)

Plain Python, no imaging library: every file is written byte by byte, so the
output is the same on every machine.
"""
import os
import struct
import sys

# The standard 16-colour palette (index -> (r, g, b)).
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, SILVER, BLUE, CYAN, WHITE, YELLOW, TEAL = 0, 4, 8, 7, 12, 14, 15, 11, 6


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, value):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = value

    def rect(self, x0, y0, x1, y1, value):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, value)

    def frame(self, x0, y0, x1, y1, value, thickness=1):
        self.rect(x0, y0, x1, y0 + thickness, value)
        self.rect(x0, y1 - thickness, x1, y1, value)
        self.rect(x0, y0, x0 + thickness, y1, value)
        self.rect(x1 - thickness, y0, x1, y1, value)

    def disc(self, cx, cy, r, value):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, value)

    def cross(self, cx, cy, arm, value):
        for d in range(-arm, arm + 1):
            self.put(cx + d, cy, value)
            self.put(cx, cy + d, value)


def rows_4bpp(canvas):
    """Bottom-up rows of 4-bit indexes, each padded to 4 bytes."""
    out = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        line = canvas.pixels[y]
        for x in range(0, canvas.width, 2):
            hi = line[x]
            lo = line[x + 1] if x + 1 < canvas.width else 0
            row.append((hi << 4) | lo)
        while len(row) % 4:
            row.append(0)
        out += row
    return bytes(out)


def rows_24bpp(canvas):
    out = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = bytearray()
        for (r, g, b) in canvas.pixels[y]:
            row += bytes((b, g, r))
        while len(row) % 4:
            row.append(0)
        out += row
    return bytes(out)


def palette_bytes():
    return b"".join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE16)


def info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835, colours, 0)


def write_bmp(path, canvas, bits):
    if bits == 4:
        pixels = rows_4bpp(canvas)
        extra = palette_bytes()
        colours = 16
    else:
        pixels = rows_24bpp(canvas)
        extra = b""
        colours = 0
    offset = 14 + 40 + len(extra)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info_header(canvas.width, canvas.height, bits, len(pixels), colours) + extra + pixels)


def write_ico(path, canvas):
    xor = rows_4bpp(canvas)
    mask_row = ((canvas.width + 31) // 32) * 4
    mask = bytes(mask_row * canvas.height)  # every pixel opaque
    image = info_header(canvas.width, canvas.height * 2, 4, len(xor) + len(mask), 16) + palette_bytes() + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def draw_icon(size):
    """A small touch panel: silver frame, blue screen, a white target cross."""
    c = Canvas(size, size, TEAL)
    s = size / 32.0
    c.rect(int(2 * s), int(4 * s), int(30 * s), int(26 * s), SILVER)
    c.frame(int(2 * s), int(4 * s), int(30 * s), int(26 * s), BLACK)
    c.rect(int(5 * s), int(7 * s), int(27 * s), int(23 * s), BLUE)
    c.cross(int(16 * s), int(15 * s), max(2, int(5 * s)), WHITE)
    c.rect(int(12 * s), int(26 * s), int(20 * s), int(29 * s), GREY)
    c.rect(int(8 * s), int(29 * s), int(24 * s), int(30 * s) + 1, BLACK)
    return c


def draw_strip():
    """Bitmap 130: a tall strip, navy to blue bands with crosses like the
    calibration targets and a touch point near the bottom."""
    w, h = 116, 255
    c = Canvas(w, h, NAVY)
    for i, y in enumerate(range(0, h, 16)):
        c.rect(0, y, w, y + 8, BLUE if i % 2 else NAVY)
    c.rect(10, 10, w - 10, 120, SILVER)
    c.frame(10, 10, w - 10, 120, BLACK, 2)
    c.rect(18, 18, w - 18, 112, TEAL)
    for (x, y) in ((28, 28), (w - 28, 28), (28, 102), (w - 28, 102)):
        c.cross(x, y, 6, WHITE)
    c.disc(w // 2, 65, 9, YELLOW)
    c.rect(w // 2 - 8, 120, w // 2 + 8, 132, GREY)
    c.rect(w // 2 - 24, 132, w // 2 + 24, 136, BLACK)
    for k in range(5):
        c.disc(24 + k * 17, 180 + (k % 2) * 12, 5, CYAN)
    c.frame(0, 0, w, h, BLACK)
    return c


def draw_welcome():
    """Bitmap 133: a touch monitor on a soft gradient, a finger point on its
    screen and four calibration crosses."""
    w, h = 360, 128
    c = Canvas(w, h, (0, 0, 0))
    for y in range(h):
        for x in range(w):
            t = x / (w - 1)
            c.pixels[y][x] = (int(20 + 40 * t), int(60 + 80 * t), int(140 + 100 * t))
    silver, dark, screen, white = (200, 200, 205), (40, 40, 48), (24, 96, 168), (255, 255, 255)
    c.rect(110, 10, 250, 100, silver)
    c.frame(110, 10, 250, 100, dark, 2)
    c.rect(120, 18, 240, 92, screen)
    for (x, y) in ((132, 30), (228, 30), (132, 80), (228, 80)):
        c.cross(x, y, 6, white)
    c.disc(180, 55, 10, (250, 210, 60))
    c.disc(180, 55, 4, (255, 255, 255))
    c.rect(170, 100, 190, 112, (150, 150, 160))
    c.rect(150, 112, 210, 118, dark)
    for k in range(6):
        c.disc(30 + k * 10, 40 + k * 8, 3, (230, 240, 255))
        c.disc(330 - k * 10, 40 + k * 8, 3, (230, 240, 255))
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "install", "wizard", "res")
    os.makedirs(out, exist_ok=True)
    write_ico(os.path.join(out, "setup.ico"), draw_icon(32))
    write_ico(os.path.join(out, "setup_small.ico"), draw_icon(16))
    write_bmp(os.path.join(out, "strip.bmp"), draw_strip(), 4)
    write_bmp(os.path.join(out, "welcome.bmp"), draw_welcome(), 24)


if __name__ == "__main__":
    main()
