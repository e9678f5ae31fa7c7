#!/usr/bin/env python3
"""Draws the setup program's icon (a computer mouse on a teal tile) and writes it as a
Windows .ico with 16x16, 32x32 and 48x48 images, 32 bits per pixel with alpha.

Standard library only. The images are drawn from simple shapes with 8x8 supersampling, so
the result is the same on every machine and the .ico can be regenerated at any time:

    python3 tools/make_icons.py                      # writes res/icons/setup.ico
    python3 tools/make_icons.py --preview out.png    # also writes a PNG strip to look at
"""

import argparse
import math
import os
import struct
import zlib

SIZES = (16, 32, 48)
SUBSAMPLES = 8

# Colours as (r, g, b).
TILE_TOP = (40, 170, 180)
TILE_BOTTOM = (10, 100, 118)
TILE_EDGE = (6, 72, 86)
BODY_LIGHT = (252, 252, 252)
BODY_SHADE = (188, 200, 206)
OUTLINE = (30, 42, 48)
SEAM = (96, 110, 118)
WHEEL = (36, 48, 54)
CABLE = (30, 42, 48)

# Mouse body: a superellipse, centre and half axes in tile units (0..1).
BODY_CX, BODY_CY = 0.5, 0.585
BODY_A, BODY_B = 0.245, 0.335
BODY_EXP = 2.4
BUTTON_LINE_Y = 0.47


def mix(a, b, t):
    """Linear blend of two colours, t in 0..1."""
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def round_rect_distance(x, y, cx, cy, hw, hh, r):
    """Signed distance to a rounded rectangle (negative inside)."""
    qx = abs(x - cx) - (hw - r)
    qy = abs(y - cy) - (hh - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    inside = min(max(qx, qy), 0.0)
    return outside + inside - r


def superellipse(x, y, a, b):
    """Implicit value of the mouse body: below 1 inside the shape with half axes a and b."""
    return abs((x - BODY_CX) / a) ** BODY_EXP + abs((y - BODY_CY) / b) ** BODY_EXP


def bezier(p0, p1, p2, p3, steps=48):
    """Points along a cubic Bezier curve."""
    points = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        points.append((
            u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
            u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1],
        ))
    return points


def segment_distance(x, y, a, b):
    """Distance from a point to a line segment."""
    dx, dy = b[0] - a[0], b[1] - a[1]
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - a[0]) * dx + (y - a[1]) * dy) / length2))
    return math.hypot(x - (a[0] + t * dx), y - (a[1] + t * dy))


class Scene:
    """The icon at one pixel size: line widths are chosen in pixels so small sizes stay crisp."""

    def __init__(self, size):
        self.size = size
        px = 1.0 / size
        self.margin = 0.5 * px
        self.corner = 0.2
        self.edge = px * (1.0 if size < 32 else 1.5)
        self.outline = px * (1.0 if size < 32 else 1.6 if size < 48 else 2.0)
        self.seam = px * (0.9 if size < 32 else 1.2)
        self.cable_half = px * (0.55 if size < 32 else 0.8 if size < 48 else 1.0)
        body_top = BODY_CY - BODY_B
        self.cable = bezier((0.5, body_top + 0.01), (0.5, 0.13), (0.74, 0.20), (0.74, 0.0))
        if size < 24:
            self.wheel = (0.5, 0.36, 0.5 * px * 1.6, 0.075)
        else:
            self.wheel = (0.5, 0.37, 0.038, 0.068)

    def colour(self, x, y):
        """Colour (r, g, b) and coverage (0 or 1) of the scene at tile coordinates x, y."""
        tile = round_rect_distance(x, y, 0.5, 0.5, 0.5 - self.margin, 0.5 - self.margin, self.corner)
        if tile > 0:
            return (0, 0, 0), 0
        rgb = mix(TILE_TOP, TILE_BOTTOM, y)
        if tile > -self.edge:
            rgb = TILE_EDGE

        if min(segment_distance(x, y, self.cable[i], self.cable[i + 1])
               for i in range(len(self.cable) - 1)) <= self.cable_half and tile <= -self.edge:
            rgb = CABLE

        if superellipse(x, y, BODY_A, BODY_B) <= 1.0:
            rgb = OUTLINE
            if superellipse(x, y, BODY_A - self.outline, BODY_B - self.outline) <= 1.0:
                # Light from the upper left.
                t = 0.55 * (x - (BODY_CX - BODY_A)) / (2 * BODY_A) + 0.55 * (y - (BODY_CY - BODY_B)) / (2 * BODY_B)
                rgb = mix(BODY_LIGHT, BODY_SHADE, t - 0.1)
                if abs(y - BUTTON_LINE_Y) <= self.seam / 2:
                    rgb = SEAM
                elif y < BUTTON_LINE_Y and abs(x - 0.5) <= self.seam / 2:
                    rgb = SEAM
                wx, wy, whw, whh = self.wheel
                if round_rect_distance(x, y, wx, wy, whw, whh, min(whw, whh)) <= 0:
                    rgb = WHEEL
        return rgb, 1

    def render(self):
        """Rows of (r, g, b, a) pixels, top row first, colours not premultiplied."""
        rows = []
        n = SUBSAMPLES
        for py in range(self.size):
            row = []
            for px in range(self.size):
                acc = [0.0, 0.0, 0.0]
                cover = 0
                for sy in range(n):
                    for sx in range(n):
                        x = (px + (sx + 0.5) / n) / self.size
                        y = (py + (sy + 0.5) / n) / self.size
                        rgb, c = self.colour(x, y)
                        if c:
                            cover += 1
                            for i in range(3):
                                acc[i] += rgb[i]
                if cover == 0:
                    row.append((0, 0, 0, 0))
                else:
                    alpha = round(255 * cover / (n * n))
                    row.append(tuple(int(round(acc[i] / cover)) for i in range(3)) + (alpha,))
            rows.append(row)
        return rows


def dib_image(rows):
    """One icon image: BITMAPINFOHEADER, bottom-up BGRA pixels and the 1-bit AND mask."""
    size = len(rows)
    mask_stride = ((size + 31) // 32) * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask)


def ico_file(images):
    """The .ico container for (size, dib bytes) pairs."""
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def png_strip(renders, scale=4):
    """A PNG showing every size side by side, enlarged, over a light checkerboard."""
    width = sum(len(r) for r in renders) * scale + 8 * (len(renders) + 1)
    height = max(len(r) for r in renders) * scale + 16
    canvas = [[(230, 230, 230) if ((x // 8) + (y // 8)) % 2 else (250, 250, 250) for x in range(width)]
              for y in range(height)]
    left = 8
    for rows in renders:
        for y, row in enumerate(rows):
            for x, (r, g, b, a) in enumerate(row):
                for dy in range(scale):
                    for dx in range(scale):
                        cy, cx = 8 + y * scale + dy, left + x * scale + dx
                        base = canvas[cy][cx]
                        t = a / 255.0
                        canvas[cy][cx] = tuple(int(round(base[i] * (1 - t) + (r, g, b)[i] * t)) for i in range(3))
        left += len(rows) * scale + 8
    raw = b''.join(b'\x00' + bytes(v for px in row for v in px) for row in canvas)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    """Renders every size and writes the icon (and the optional preview)."""
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--out', default=os.path.join(root, 'res', 'icons', 'setup.ico'))
    parser.add_argument('--preview', help='also write a PNG strip of the images')
    args = parser.parse_args()

    renders = [Scene(size).render() for size in SIZES]
    os.makedirs(os.path.dirname(args.out), exist_ok=True)
    with open(args.out, 'wb') as f:
        f.write(ico_file([(size, dib_image(rows)) for size, rows in zip(SIZES, renders)]))
    if args.preview:
        with open(args.preview, 'wb') as f:
            f.write(png_strip(renders))


if __name__ == '__main__':
    main()
