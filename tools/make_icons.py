#!/usr/bin/env python3
"""Draws the setup program's pictures and writes them as Windows resources files:

    res/icons/setup.ico           program icon: a computer mouse on a teal tile
    res/icons/hand_right.ico      hand pointing right (mouse on the right of the keyboard)
    res/icons/hand_left.ico       hand pointing left (mouse on the left of the keyboard)
    res/bitmaps/side_picture.bmp  wizard side picture, 129 x 249, teal with a mouse
    res/bitmaps/keyboard.bmp      keyboard on the mouse location page, 186 x 50

Icons hold 16x16, 32x32 and 48x48 images of 32 bits per pixel with alpha; bitmaps are 24-bit.
Standard library only. Everything is drawn from simple shapes with supersampling, so the
result is the same on every machine and the files can be regenerated at any time:

    python3 tools/make_icons.py                      # writes every file above
    python3 tools/make_icons.py --preview out.png    # also writes a PNG sheet to look at
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


def capsule_distance(x, y, a, b, r):
    """Signed distance to a capsule: the segment a-b thickened by r (negative inside)."""
    return segment_distance(x, y, a, b) - r


def supersample(width, height, colour, n):
    """Rows of (r, g, b, a) pixels of a scene drawn by colour(x, y) -> ((r, g, b), covered)
    at pixel coordinates, averaged over n x n samples per pixel (colours not premultiplied)."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(n):
                for sx in range(n):
                    rgb, c = colour(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    if c:
                        cover += 1
                        for i in range(3):
                            acc[i] += rgb[i]
            if cover == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / cover)) for i in range(3)) + (round(255 * cover / (n * n)),))
        rows.append(row)
    return rows


# ---- Hand icons -------------------------------------------------------------------------

SKIN_LIGHT = (255, 226, 192)
SKIN_SHADE = (232, 178, 136)
SKIN_OUTLINE = (110, 62, 34)
CUFF_LIGHT = (70, 140, 210)
CUFF_SHADE = (28, 84, 150)
CUFF_OUTLINE = (14, 40, 80)


class HandScene:
    """A hand with the index finger stretched out to the right, in tile units (0..1); the left
    hand is the same drawing mirrored. Shapes are painted back to front, each with its own
    outline, so the curled fingers and the thumb stay visible against the palm."""

    def __init__(self, size, mirror):
        self.size = size
        self.mirror = mirror
        px = 1.0 / size
        self.outline = px * (1.0 if size < 32 else 1.4 if size < 48 else 1.8)
        # (kind, shape data, fill top, fill bottom, outline), front shape first.
        self.shapes = [
            ('capsule', ((0.40, 0.43), (0.58, 0.37), 0.065), SKIN_LIGHT, SKIN_SHADE, SKIN_OUTLINE),  # thumb
            ('capsule', ((0.52, 0.45), (0.93, 0.45), 0.072), SKIN_LIGHT, SKIN_SHADE, SKIN_OUTLINE),  # index finger
            ('capsule', ((0.50, 0.575), (0.66, 0.575), 0.058), SKIN_LIGHT, SKIN_SHADE, SKIN_OUTLINE),
            ('capsule', ((0.50, 0.675), (0.64, 0.675), 0.055), SKIN_LIGHT, SKIN_SHADE, SKIN_OUTLINE),
            ('capsule', ((0.48, 0.77), (0.60, 0.77), 0.052), SKIN_LIGHT, SKIN_SHADE, SKIN_OUTLINE),
            ('rect', (0.42, 0.61, 0.17, 0.22, 0.10), SKIN_LIGHT, SKIN_SHADE, SKIN_OUTLINE),  # palm
            ('rect', (0.16, 0.60, 0.11, 0.24, 0.04), CUFF_LIGHT, CUFF_SHADE, CUFF_OUTLINE),  # sleeve cuff
        ]

    def colour(self, x, y):
        """Colour and coverage at pixel coordinates x, y."""
        u, v = x / self.size, y / self.size
        if self.mirror:
            u = 1.0 - u
        for kind, data, top, bottom, edge in self.shapes:
            if kind == 'capsule':
                a, b, r = data
                d = capsule_distance(u, v, a, b, r)
            else:
                cx, cy, hw, hh, r = data
                d = round_rect_distance(u, v, cx, cy, hw, hh, r)
            if d <= 0:
                if d > -self.outline:
                    return edge, 1
                return mix(top, bottom, (v - 0.3) / 0.6), 1
        return (0, 0, 0), 0

    def render(self):
        """Rows of (r, g, b, a) pixels, top row first."""
        return supersample(self.size, self.size, self.colour, SUBSAMPLES)


# ---- Side picture of the wizard pages ---------------------------------------------------

SIDE_WIDTH, SIDE_HEIGHT = 129, 249
SIDE_TOP = (44, 172, 176)
SIDE_BOTTOM = (0, 78, 92)
WAVE_LIGHT = (255, 255, 255)
SHADOW = (0, 40, 48)
SIDE_SUBSAMPLES = 4


class SidePicture:
    """Teal gradient, three light waves gliding across the lower part and a large stylised
    mouse with its cable, lit from the upper left and casting a soft shadow."""

    def __init__(self):
        self.cx, self.cy = 64.5, 112.0
        self.a, self.b = 33.0, 49.0
        self.button_y = self.cy - 14.0
        top = self.cy - self.b
        self.cable = bezier((self.cx, top + 1.0), (self.cx, top - 22.0), (self.cx + 34.0, top - 12.0),
                            (self.cx + 30.0, -4.0), steps=40)
        self.cable_box = (min(p[0] for p in self.cable) - 3, max(p[0] for p in self.cable) + 3, -5, top + 2)
        self.waves = [(190.0, 0.30, 7.0, 0.0), (206.0, 0.22, 6.0, 1.7), (222.0, 0.15, 5.0, 3.1)]

    def body(self, x, y, shrink=0.0):
        """Implicit value of the mouse body (below 1 inside), optionally shrunk by pixels."""
        return abs((x - self.cx) / (self.a - shrink)) ** BODY_EXP + abs((y - self.cy) / (self.b - shrink)) ** BODY_EXP

    def colour(self, x, y):
        """Colour at pixel coordinates x, y (always covered)."""
        rgb = mix(SIDE_TOP, SIDE_BOTTOM, y / SIDE_HEIGHT - 0.12 * (x / SIDE_WIDTH))
        for base, strength, amplitude, phase in self.waves:
            centre = base + amplitude * math.sin(x / SIDE_WIDTH * 2.0 * math.pi + phase)
            d = abs(y - centre)
            if d < 2.2:
                rgb = mix(rgb, WAVE_LIGHT, strength * (1.0 - d / 2.2))
        # Soft shadow below and to the right of the body.
        s = abs((x - self.cx - 6.0) / (self.a + 3.0)) ** 2 + abs((y - self.cy - 8.0) / (self.b + 3.0)) ** 2
        if s < 1.0:
            rgb = mix(rgb, SHADOW, 0.45 * (1.0 - s))
        x0, x1, y0, y1 = self.cable_box
        if x0 <= x <= x1 and y0 <= y <= y1:
            if min(segment_distance(x, y, self.cable[i], self.cable[i + 1]) for i in range(len(self.cable) - 1)) <= 1.6:
                rgb = OUTLINE
        if self.body(x, y) <= 1.0:
            rgb = OUTLINE
            if self.body(x, y, 2.0) <= 1.0:
                t = 0.6 * (x - (self.cx - self.a)) / (2 * self.a) + 0.6 * (y - (self.cy - self.b)) / (2 * self.b)
                rgb = mix(BODY_LIGHT, BODY_SHADE, t - 0.15)
                if abs(y - self.button_y) <= 0.8 or (y < self.button_y and abs(x - self.cx) <= 0.8):
                    rgb = SEAM
                if round_rect_distance(x, y, self.cx, self.button_y - 14.0, 3.2, 7.0, 3.2) <= 0:
                    rgb = WHEEL
        return rgb, 1

    def render(self):
        """Rows of (r, g, b, 255) pixels, top row first."""
        return supersample(SIDE_WIDTH, SIDE_HEIGHT, self.colour, SIDE_SUBSAMPLES)


# ---- Keyboard picture of the mouse location page ---------------------------------------

KEYBOARD_WIDTH, KEYBOARD_HEIGHT = 186, 50
CASE_LIGHT = (222, 226, 230)
CASE_SHADE = (184, 190, 198)
CASE_OUTLINE = (60, 68, 76)
KEY_LIGHT = (255, 255, 255)
KEY_SHADE = (226, 229, 233)
KEY_OUTLINE = (118, 126, 136)
KEY_UNIT = 170.0 / 19.0  # 15 units of main block and 4 of number pad fill the width
KEY_ROW_PITCH = 8.4
KEY_TOP = 4.0
MAIN_LEFT = 5.0
PAD_LEFT = MAIN_LEFT + 15 * KEY_UNIT + 6.0

# Key widths of each row of the main block, in units.
MAIN_ROWS = (
    [1.0] * 13 + [2.0],
    [1.5] + [1.0] * 12 + [1.5],
    [1.75] + [1.0] * 11 + [2.25],
    [2.25] + [1.0] * 10 + [2.75],
    [1.5, 1.0, 1.5, 7.0, 1.5, 1.0, 1.5],
)
# Number pad keys as (column, row, width, height) in units and rows.
PAD_KEYS = ([(c, 0, 1, 1) for c in range(4)] + [(c, 1, 1, 1) for c in range(3)] + [(3, 1, 1, 2)]
            + [(c, 2, 1, 1) for c in range(3)] + [(c, 3, 1, 1) for c in range(3)] + [(3, 3, 1, 2)]
            + [(0, 4, 2, 1), (2, 4, 1, 1)])


def keyboard_keys():
    """Every key as a rectangle (left, top, right, bottom) in pixels."""
    keys = []
    for r, widths in enumerate(MAIN_ROWS):
        x = MAIN_LEFT
        y = KEY_TOP + r * KEY_ROW_PITCH
        for w in widths:
            keys.append((x, y, x + w * KEY_UNIT, y + KEY_ROW_PITCH))
            x += w * KEY_UNIT
    for c, r, w, h in PAD_KEYS:
        x = PAD_LEFT + c * KEY_UNIT
        y = KEY_TOP + r * KEY_ROW_PITCH
        keys.append((x, y, x + w * KEY_UNIT, y + h * KEY_ROW_PITCH))
    return keys


class KeyboardPicture:
    """A plain keyboard seen from above: a light case filling the picture, the main block
    and the number pad, each key a rounded white cap with a thin grey rim."""

    def __init__(self):
        self.keys = keyboard_keys()

    def colour(self, x, y):
        """Colour at pixel coordinates x, y (always covered)."""
        hw, hh = KEYBOARD_WIDTH / 2.0, KEYBOARD_HEIGHT / 2.0
        case = round_rect_distance(x, y, hw, hh, hw - 0.5, hh - 0.5, 4.0)
        if case > 0:
            return CASE_LIGHT, 1
        if case > -1.2:
            return CASE_OUTLINE, 1
        rgb = mix(CASE_LIGHT, CASE_SHADE, y / KEYBOARD_HEIGHT)
        for left, top, right, bottom in self.keys:
            if left <= x <= right and top <= y <= bottom:
                d = round_rect_distance(x, y, (left + right) / 2, (top + bottom) / 2,
                                        (right - left) / 2 - 0.6, (bottom - top) / 2 - 0.6, 1.3)
                if d <= 0:
                    rgb = KEY_OUTLINE if d > -0.8 else mix(KEY_LIGHT, KEY_SHADE, (y - top) / (bottom - top))
                break
        return rgb, 1

    def render(self):
        """Rows of (r, g, b, 255) pixels, top row first."""
        return supersample(KEYBOARD_WIDTH, KEYBOARD_HEIGHT, self.colour, 4)


def bmp_file(rows):
    """A 24-bit bottom-up Windows bitmap file of opaque rows."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def png_sheet(pictures, scale=2):
    """A PNG showing pictures (lists of rows) side by side, enlarged, over a checkerboard."""
    width = sum(len(r[0]) for r in pictures) * scale + 8 * (len(pictures) + 1)
    height = max(len(r) for r in pictures) * scale + 16
    canvas = [[(230, 230, 230) if ((x // 8) + (y // 8)) % 2 else (250, 250, 250) for x in range(width)]
              for y in range(height)]
    left = 8
    for rows in pictures:
        for y, row in enumerate(rows):
            for x, (r, g, b, a) in enumerate(row):
                for dy in range(scale):
                    for dx in range(scale):
                        cy, cx = 8 + y * scale + dy, left + x * scale + dx
                        base = canvas[cy][cx]
                        t = a / 255.0
                        canvas[cy][cx] = tuple(int(round(base[i] * (1 - t) + (r, g, b)[i] * t)) for i in range(3))
        left += len(rows[0]) * scale + 8
    raw = b''.join(b'\x00' + bytes(v for px in row for v in px) for row in canvas)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def write(path, data):
    """Writes bytes to a file, creating its folder."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def main():
    """Renders every picture and writes the resource files (and the optional preview)."""
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--res', default=os.path.join(root, 'res'), help='resource folder to write into')
    parser.add_argument('--preview', help='also write a PNG sheet of every picture')
    args = parser.parse_args()

    icons = {
        'setup.ico': [Scene(size).render() for size in SIZES],
        'hand_right.ico': [HandScene(size, mirror=False).render() for size in SIZES],
        'hand_left.ico': [HandScene(size, mirror=True).render() for size in SIZES],
    }
    bitmaps = {
        'side_picture.bmp': SidePicture().render(),
        'keyboard.bmp': KeyboardPicture().render(),
    }
    for name, renders in icons.items():
        write(os.path.join(args.res, 'icons', name),
              ico_file([(size, dib_image(rows)) for size, rows in zip(SIZES, renders)]))
    for name, rows in bitmaps.items():
        write(os.path.join(args.res, 'bitmaps', name), bmp_file(rows))
    if args.preview:
        sheet = [r for renders in icons.values() for r in renders] + list(bitmaps.values())
        write(os.path.abspath(args.preview), png_sheet(sheet))


if __name__ == '__main__':
    main()
