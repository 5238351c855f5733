#!/usr/bin/env python3
"""Draws the pictures of Setup.exe and writes them into src/resources/.

    setup.ico        icon 110: 32x32 and 16x16 in 16 colours, and 16 to
                     256 pixels in 32 bits with alpha (PNG images)
    wizard*.pic      pictures 112, 116, 117: side picture of the wizard
                     pages at 100%, 150% and 200%, 256 colours
    corner*.pic      pictures 113, 118, 119: corner of the background
                     window, 191x90 at 100% in 16 colours; 150% and 200%
                     in 256

A picture (.pic) is a bitmap's header followed by its colour table and rows
compressed as one raw LZMA2 stream; Setup.exe expands it with the decoder of
its one-file form (src/platform/picture.cpp, src/payload/lzma2_decoder.h).

All three show the same motif, an open carton with a diskette standing in it,
drawn here from polygons so that the files can be rebuilt at any time:

    python3 tools/make_art.py [--out DIR] [--preview DIR]

--preview also writes enlarged PNG copies for looking at. Standard library
only; the output is byte-for-byte reproducible.
"""

import argparse
import lzma
import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# Colours

# The 16 colours of the standard VGA palette, in the order Windows uses, so
# that 16-colour pictures look the same on a 16-colour display.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = VGA16[:8]
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = VGA16[8:]

# 4x4 ordered-dither thresholds (0..15).
BAYER4 = [
    [0, 8, 2, 10],
    [12, 4, 14, 6],
    [3, 11, 1, 9],
    [15, 7, 13, 5],
]


def dither(a, b, t, x, y):
    """Mixes two palette colours in proportion t (0 = all a, 1 = all b)."""
    return b if BAYER4[y & 3][x & 3] < t * 16 - 0.5 else a


def lerp(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def quantise(c, levels):
    """Rounds each component to one of `levels` steps, to bound the palette."""
    step = 255.0 / (levels - 1)
    return tuple(int(round(round(v / step) * step)) for v in c)


# ---------------------------------------------------------------------------
# Canvas with a depth buffer of objects, so that outlines can be drawn where
# a nearer object meets a farther one or the background.

class Canvas:
    """A picture of width x height pixels. Shapes are given in units of
    1 / scale pixels, so that one drawing serves every size of a picture."""

    def __init__(self, width, height, background, scale=1.0):
        self.w = width
        self.h = height
        self.scale = scale
        self.px = [[background] * width for _ in range(height)]
        self.obj = [[0] * width for _ in range(height)]  # 0 = background
        self.depth = {0: 0}
        self.outlined = {0: False}

    def new_object(self, depth, outline=True):
        oid = len(self.depth)
        self.depth[oid] = depth
        self.outlined[oid] = outline
        return oid

    def put(self, x, y, colour, oid):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = colour
            self.obj[y][x] = oid

    def polygon(self, pts, paint, oid):
        """Fills a polygon; a pixel belongs to it when its centre is inside.

        `paint` is a colour or a function (x, y) -> colour.
        """
        fn = paint if callable(paint) else (lambda x, y: paint)
        pts = [(x * self.scale, y * self.scale) for x, y in pts]
        ys = [p[1] for p in pts]
        y0 = max(0, int(math.floor(min(ys))))
        y1 = min(self.h - 1, int(math.ceil(max(ys))))
        n = len(pts)
        for y in range(y0, y1 + 1):
            yc = y + 0.5
            xs = []
            for i in range(n):
                ax, ay = pts[i]
                bx, by = pts[(i + 1) % n]
                if (ay <= yc < by) or (by <= yc < ay):
                    xs.append(ax + (yc - ay) * (bx - ax) / (by - ay))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                xa = int(math.ceil(xs[i] - 0.5))
                xb = int(math.ceil(xs[i + 1] - 0.5))
                for x in range(max(0, xa), min(self.w, xb)):
                    self.put(x, y, fn(x, y), oid)

    def ellipse(self, cx, cy, rx, ry, paint, oid, steps=48):
        pts = [(cx + rx * math.cos(2 * math.pi * i / steps),
                cy + ry * math.sin(2 * math.pi * i / steps))
               for i in range(steps)]
        self.polygon(pts, paint, oid)

    def outline(self, colour=BLACK, width=1):
        """Draws a line `width` pixels wide on the near side of every object
        boundary."""
        steps = [(d * dx, d * dy) for d in range(1, width + 1)
                 for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))]
        edge = []
        for y in range(self.h):
            for x in range(self.w):
                k = self.obj[y][x]
                if not self.outlined[k]:
                    continue
                for dx, dy in steps:
                    nx, ny = x + dx, y + dy
                    if 0 <= nx < self.w and 0 <= ny < self.h:
                        q = self.obj[ny][nx]
                    else:
                        q = 0
                    if q != k and self.depth[q] < self.depth[k]:
                        edge.append((x, y))
                        break
        for x, y in edge:
            self.px[y][x] = colour

    def background_mask(self):
        return [[self.obj[y][x] == 0 for x in range(self.w)]
                for y in range(self.h)]


# ---------------------------------------------------------------------------
# The motif: an open carton with a diskette in it, in a 32 x 32 unit square.

class Style:
    """Colours of the motif; each entry is a colour or a shading function
    f(x, y, u, v) -> colour with (u, v) the position in motif units."""

    def __init__(self, **kw):
        self.__dict__.update(kw)


def flat(c):
    return lambda x, y, u, v: c


def transform(pts, ox, oy, s):
    return [(ox + x * s, oy + y * s) for x, y in pts]


def rotated_rect(cx, cy, w, h, x0, y0, x1, y1, angle):
    """Corners of the part (x0, y0)-(x1, y1), given in fractions of a w x h
    rectangle centred on (cx, cy) and turned by `angle` degrees."""
    a = math.radians(angle)
    ca, sa = math.cos(a), math.sin(a)
    out = []
    for fx, fy in ((x0, y0), (x1, y0), (x1, y1), (x0, y1)):
        dx = (fx - 0.5) * w
        dy = (fy - 0.5) * h
        out.append((cx + dx * ca - dy * sa, cy + dx * sa + dy * ca))
    return out


def rotated_poly(cx, cy, size, frac_pts, angle):
    a = math.radians(angle)
    ca, sa = math.cos(a), math.sin(a)
    out = []
    for fx, fy in frac_pts:
        dx = (fx - 0.5) * size
        dy = (fy - 0.5) * size
        out.append((cx + dx * ca - dy * sa, cy + dx * sa + dy * ca))
    return out


def draw_motif(cv, ox, oy, s, st, base_depth=10, detail=True):
    """Draws the carton and diskette with the unit square's top-left at
    (ox, oy), s pixels per unit. Without `detail` (for 16 x 16) the flaps,
    the tilt and the small parts are left out, since single pixels of them
    would only be noise."""

    k = cv.scale

    def painter(fn):
        return lambda x, y: fn(x, y, ((x + 0.5) / k - ox) / s,
                               ((y + 0.5) / k - oy) / s)

    def poly(pts, fn, oid):
        cv.polygon(transform(pts, ox, oy, s), painter(fn), oid)

    back = cv.new_object(base_depth + 1)
    inside = cv.new_object(base_depth + 2)
    disk = cv.new_object(base_depth + 3)
    front = cv.new_object(base_depth + 6)
    left_flap = cv.new_object(base_depth + 7)

    if detail:
        # Back flap, standing up behind the opening.
        poly([(10, 12), (28, 12), (30, 5.5), (13, 5.5)], st.flap_back, back)
    # Inside of the carton, seen through the opening.
    poly([(3, 17), (10, 12), (28, 12), (21, 17)], st.inside, inside)
    if detail:
        # Inner side wall, a little lighter than the floor of the opening.
        poly([(3, 17), (10, 12), (10, 14.5), (4.5, 17)], st.inside_wall, inside)

    # Diskette, its lower edge sunk into the carton. Label, shutter and slot
    # belong to the same object so that no outline runs between them.
    if not detail:
        cx, cy, size, ang = 15.0, 9.0, 16.0, 0.0
    elif s < 2:
        cx, cy, size, ang = 15.5, 9.5, 15.0, 0.0  # no tilt: crisp lines
    else:
        cx, cy, size, ang = 15.5, 10.0, 14.0, -10.0
    body = [(0, 0), (0.9, 0), (1, 0.1), (1, 1), (0, 1)]
    poly(rotated_poly(cx, cy, size, body, ang), st.disk, disk)
    poly(rotated_rect(cx, cy, size, size, 0.14, 0.0, 0.86, 0.56, ang),
         st.label, disk)
    if detail:
        for f in (0.16, 0.32, 0.48):
            poly(rotated_rect(cx, cy, size, size, 0.22, f - 0.03, 0.78, f + 0.03,
                              ang), st.label_line, disk)
    else:
        poly(rotated_rect(cx, cy, size, size, 0.22, 0.25, 0.78, 0.37, ang),
             st.label_line, disk)
    poly(rotated_rect(cx, cy, size, size, 0.26, 0.68, 0.74, 1.0, ang),
         st.shutter, disk)
    if detail:
        poly(rotated_rect(cx, cy, size, size, 0.52, 0.73, 0.64, 0.95, ang),
             st.slot, disk)

    # Front and right side of the carton, in front of the diskette.
    poly([(3, 17), (21, 17), (21, 30), (3, 30)], st.front, front)
    poly([(21, 17), (28, 12), (28, 25), (21, 30)], st.side, front)
    # Tape across the front, the mark of a sealed product.
    poly([(10, 17), (14, 17), (14, 30), (10, 30)], st.tape, front)
    if detail:
        # Left flap, folded out over the left edge.
        poly([(3, 17), (10, 12), (6.5, 7.5), (-0.5, 12.5)], st.flap_left,
             left_flap)


# ---------------------------------------------------------------------------
# Other pictures of the corner image

def draw_monitor(cv, x, y, w, h, st, base_depth=10):
    """A monitor on a small stand; (x, y) top-left, w x h the casing."""
    stand = cv.new_object(base_depth)
    casing = cv.new_object(base_depth + 1)
    screen = cv.new_object(base_depth + 2)
    cv.polygon([(x + w * 0.35, y + h), (x + w * 0.65, y + h),
                (x + w * 0.72, y + h + 6), (x + w * 0.28, y + h + 6)],
               st.stand, stand)
    cv.polygon([(x + w * 0.18, y + h + 6), (x + w * 0.82, y + h + 6),
                (x + w * 0.82, y + h + 10), (x + w * 0.18, y + h + 10)],
               st.stand, stand)
    cv.polygon([(x, y), (x + w, y), (x + w, y + h), (x, y + h)],
               st.casing, casing)
    m = 6
    sx0, sy0, sx1, sy1 = x + m, y + m, x + w - m, y + h - m - 3
    cv.polygon([(sx0, sy0), (sx1, sy0), (sx1, sy1), (sx0, sy1)],
               st.screen, screen)
    # A window on the screen: title bar and body.
    wx0, wy0 = sx0 + 6, sy0 + 5
    wx1, wy1 = sx1 - 6, sy1 - 6
    win = cv.new_object(base_depth + 3)
    cv.polygon([(wx0, wy0), (wx1, wy0), (wx1, wy1), (wx0, wy1)],
               st.window, win)
    cv.polygon([(wx0, wy0), (wx1, wy0), (wx1, wy0 + 4), (wx0, wy0 + 4)],
               st.title_bar, win)
    # A progress bar inside the window.
    bar_y = (wy0 + 4 + wy1) / 2.0
    cv.polygon([(wx0 + 4, bar_y - 2), (wx1 - 4, bar_y - 2),
                (wx1 - 4, bar_y + 2), (wx0 + 4, bar_y + 2)], st.bar_back, win)
    done = wx0 + 4 + (wx1 - wx0 - 8) * 0.6
    cv.polygon([(wx0 + 4, bar_y - 2), (done, bar_y - 2),
                (done, bar_y + 2), (wx0 + 4, bar_y + 2)], st.bar, win)
    # Power light.
    cv.polygon([(x + w - 12, y + h - 5), (x + w - 9, y + h - 5),
                (x + w - 9, y + h - 3), (x + w - 12, y + h - 3)],
               st.light, casing)


def draw_dotted_arrow(cv, p0, p1, p2, colour, depth=30, dots=7):
    """Dots along a quadratic curve from p0 to p2, ending in an arrow head."""
    oid = cv.new_object(depth, outline=False)

    def at(t):
        a = (1 - t) ** 2
        b = 2 * (1 - t) * t
        c = t * t
        return (a * p0[0] + b * p1[0] + c * p2[0],
                a * p0[1] + b * p1[1] + c * p2[1])

    for i in range(dots):
        t = i / float(dots)
        x, y = at(t)
        cv.polygon([(x - 1.5, y - 1.5), (x + 1.5, y - 1.5),
                    (x + 1.5, y + 1.5), (x - 1.5, y + 1.5)], colour, oid)
    # Head pointing along the curve's end tangent.
    tx, ty = p2[0] - p1[0], p2[1] - p1[1]
    n = math.hypot(tx, ty) or 1.0
    tx, ty = tx / n, ty / n
    nx, ny = -ty, tx
    tip = (p2[0] + tx * 4, p2[1] + ty * 4)
    cv.polygon([tip,
                (p2[0] - tx * 5 + nx * 5, p2[1] - ty * 5 + ny * 5),
                (p2[0] - tx * 5 - nx * 5, p2[1] - ty * 5 - ny * 5)],
               colour, oid)


# ---------------------------------------------------------------------------
# The three pictures

def icon_style():
    return Style(
        flap_back=flat(NAVY),
        inside=flat(BLACK),
        inside_wall=flat(NAVY),
        disk=flat(GREY),
        label=flat(WHITE),
        label_line=flat(BLUE),
        shutter=flat(SILVER),
        slot=flat(GREY),
        front=flat(BLUE),
        side=flat(NAVY),
        tape=flat(AQUA),
        flap_left=flat(AQUA),
    )


def draw_icon(size):
    cv = Canvas(size, size, BLACK)
    s = size / 32.0
    draw_motif(cv, 0.5 * s, 1.0 * s, s * 0.97, icon_style(),
               detail=size >= 32)
    cv.outline(BLACK, max(1, size // 64))
    return cv


def mix(smooth):
    """How the corner picture shades: at 100% by dithering the 16 colours,
    which old displays show as they are; larger sizes are for today's
    displays and take smooth shades of 256 colours."""
    if smooth:
        return lambda a, b, t, x, y: quantise(lerp(a, b, t), 32)
    return dither


def corner_style(smooth):
    blend = mix(smooth)

    def shade(a, b, u0, u1, axis):
        def fn(x, y, u, v):
            t = ((u if axis == 0 else v) - u0) / float(u1 - u0)
            return blend(a, b, t, x, y)
        return fn

    return Style(
        flap_back=shade(NAVY, BLUE, 6, 12, 1),
        inside=flat(BLACK),
        inside_wall=flat(NAVY),
        disk=flat(GREY),
        label=flat(WHITE),
        label_line=flat(BLUE),
        shutter=flat(SILVER),
        slot=flat(GREY),
        front=shade(BLUE, NAVY, 17, 30, 1),
        side=shade(NAVY, BLACK, 12, 30, 1),
        tape=shade(AQUA, TEAL, 17, 30, 1),
        flap_left=shade(AQUA, TEAL, 7, 17, 1),
    )


def draw_corner(scale=1.0):
    """191 x 90 on white at 100%, the background window's bottom band: a
    monitor on the left, the carton on the right, and a dotted path between
    them."""
    smooth = scale != 1.0
    blend = mix(smooth)
    w, h = CORNER_SIZE
    cv = Canvas(int(round(w * scale)), int(round(h * scale)), WHITE, scale)
    shadow = cv.new_object(1, outline=False)
    grey_dots = lambda x, y: blend(WHITE, SILVER, 0.5, x, y)
    cv.ellipse(40, 83, 36, 5, grey_dots, shadow)
    cv.ellipse(145, 84, 42, 5, grey_dots, shadow)

    mon = Style(
        stand=lambda x, y: blend(SILVER, GREY, 0.5, x, y),
        casing=lambda x, y: SILVER,
        screen=lambda x, y: blend(NAVY, BLUE, (y / scale - 12) / 40.0, x, y),
        window=lambda x, y: SILVER,
        title_bar=lambda x, y: NAVY,
        bar_back=lambda x, y: WHITE,
        bar=lambda x, y: BLUE,
        light=lambda x, y: LIME,
    )
    draw_monitor(cv, 6, 12, 68, 56, mon)

    s = 2.6
    draw_motif(cv, w - 32 * s - 2, h - 31 * s - 3, s, corner_style(smooth))
    draw_dotted_arrow(cv, (118, 22), (98, 2), (80, 26), GREY)
    cv.outline(BLACK, int(scale))
    return cv


def draw_wizard(scale=1.0):
    """The wizard's side picture: deep blue fading to light blue, with the
    motif large in the lower half. 256 colours, so the shading is smooth;
    run-length encoded, as the sky is level bands."""
    width, height = WIZARD_SIZE
    pixel_height = int(round(height * scale))
    top = (0, 0, 96)
    mid = (0, 64, 176)
    bottom = (96, 160, 232)

    def sky(x, y):
        t = y / float(pixel_height - 1)
        c = lerp(top, mid, t / 0.6) if t < 0.6 else lerp(mid, bottom, (t - 0.6) / 0.4)
        return quantise(c, 32)

    cv = Canvas(int(round(width * scale)), pixel_height, (0, 0, 0), scale)
    bg = cv.new_object(0, outline=False)
    cv.polygon([(0, 0), (width, 0), (width, height), (0, height)], sky, bg)
    # Rings of light behind the carton.
    cx, cy = width / 2.0, height * 0.62
    for r, a in ((60, 0.10), (44, 0.16), (30, 0.22)):
        glow = cv.new_object(0, outline=False)
        cv.ellipse(cx, cy, r, r, lambda x, y, a=a: quantise(
            lerp(sky(x, y), (255, 255, 255), a), 32), glow)

    def grad(a, b, v0, v1):
        return lambda x, y, u, v: quantise(lerp(a, b, (v - v0) / (v1 - v0)), 32)

    st = Style(
        flap_back=grad((40, 80, 200), (20, 40, 140), 5.5, 12),
        inside=flat((0, 0, 40)),
        inside_wall=flat((10, 20, 90)),
        disk=grad((90, 90, 100), (40, 40, 48), 2, 18),
        label=flat(WHITE),
        label_line=flat((0, 64, 200)),
        shutter=grad((240, 240, 240), (170, 170, 180), 10, 18),
        slot=flat((120, 120, 130)),
        front=grad((70, 140, 255), (20, 60, 200), 17, 30),
        side=grad((20, 50, 170), (0, 20, 110), 12, 30),
        tape=grad((200, 240, 255), (120, 200, 240), 17, 30),
        flap_left=grad((150, 210, 255), (80, 150, 240), 7, 17),
    )
    s = 2.9
    draw_motif(cv, cx - 16 * s + 4, cy - 16 * s, s, st)
    cv.outline((0, 0, 32), int(scale))
    return cv


# ---------------------------------------------------------------------------
# File formats

def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def pack_rows(index_rows, width, bpp):
    """Packs rows of palette indices, bottom row first, each padded to 4 bytes."""
    out = bytearray()
    stride = row_bytes(width, bpp)
    for row in reversed(index_rows):
        line = bytearray()
        if bpp == 8:
            line.extend(row)
        elif bpp == 4:
            for i in range(0, width, 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < width else 0
                line.append((hi << 4) | lo)
        elif bpp == 1:
            for i in range(0, width, 8):
                b = 0
                for j in range(8):
                    if i + j < width and row[i + j]:
                        b |= 0x80 >> j
                line.append(b)
        line.extend(b'\0' * (stride - len(line)))
        out.extend(line)
    return bytes(out)


def info_header(width, height, bpp, colours, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, 0,
                       image_size, 0, 0, colours, 0)


def palette_bytes(palette):
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)


def to_indices(cv, palette):
    lookup = {c: i for i, c in enumerate(palette)}
    rows = []
    for y in range(cv.h):
        row = []
        for x in range(cv.w):
            c = cv.px[y][x]
            if c not in lookup:
                raise ValueError('colour %r at %d,%d is not in the palette'
                                 % (c, x, y))
            row.append(lookup[c])
        rows.append(row)
    return rows


def build_palette(cv):
    seen = []
    known = set()
    for row in cv.px:
        for c in row:
            if c not in known:
                known.add(c)
                seen.append(c)
    if len(seen) > 256:
        raise ValueError('%d colours do not fit a 256-colour bitmap' % len(seen))
    # Only the colours used: the header counts them, and every entry left
    # out is four bytes less in Setup.exe.
    seen.sort()
    return seen


def picture_bytes(cv, bpp, palette):
    """A picture as Setup.exe carries it: the header of a bitmap, then its
    colour table and its rows (bottom row first, as in a bitmap file) as
    one raw LZMA2 stream. Consecutive rows are alike, which the compressor
    finds and run-length encoding cannot; LZMA2 takes a quarter less than
    deflate on these pictures, and Setup.exe has its decoder anyway. One
    literal context bit and no position bits came out smallest here."""
    bits = pack_rows(to_indices(cv, palette), cv.w, bpp)
    header = info_header(cv.w, cv.h, bpp, len(palette), len(bits))
    lzma2 = {'id': lzma.FILTER_LZMA2, 'preset': 9 | lzma.PRESET_EXTREME, 'lc': 1, 'pb': 0}
    return header + lzma.compress(palette_bytes(palette) + bits, format=lzma.FORMAT_RAW, filters=[lzma2])


def icon_image_bytes(cv):
    """One icon image: header with doubled height, palette, colour bits, mask."""
    rows = to_indices(cv, VGA16)
    transparent = cv.background_mask()
    for y in range(cv.h):
        for x in range(cv.w):
            if transparent[y][x]:
                rows[y][x] = 0  # black under a set mask bit leaves the screen as is
    xor = pack_rows(rows, cv.w, 4)
    mask = pack_rows([[1 if t else 0 for t in r] for r in transparent], cv.w, 1)
    header = info_header(cv.w, cv.h * 2, 4, 16, len(xor) + len(mask))
    return header + palette_bytes(VGA16) + xor + mask


def png_chunk(kind, data):
    c = struct.pack('>I', len(data)) + kind + data
    return c + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff)


def icon_png_bytes(cv):
    """One 32-bit icon image with its alpha channel, as PNG: the icon
    format of Windows Vista and later takes PNG images, and at 256 pixels
    a plain 32-bit image would be 256 KB."""
    transparent = cv.background_mask()
    raw = bytearray()
    for y in range(cv.h):
        raw.append(0)
        for x in range(cv.w):
            raw.extend(cv.px[y][x])
            raw.append(0 if transparent[y][x] else 255)
    ihdr = struct.pack('>IIBBBBB', cv.w, cv.h, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', ihdr) +
            png_chunk(b'IDAT', zlib.compress(bytes(raw), 9)) +
            png_chunk(b'IEND', b''))


def ico_bytes(classic, full_colour):
    """16-colour images for old displays first, then the 32-bit ones."""
    images = [(cv, 16, 4, icon_image_bytes(cv)) for cv in classic]
    images += [(cv, 0, 32, icon_png_bytes(cv)) for cv in full_colour]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for cv, colours, bpp, img in images:
        out += struct.pack('<BBBBHHII', cv.w % 256, cv.h % 256, colours, 0, 1,
                           bpp, len(img), offset)
        offset += len(img)
    return out + b''.join(img for _, _, _, img in images)


def png_bytes(cv, scale, see_through=None):
    chunk = png_chunk
    mask = cv.background_mask() if see_through else None
    raw = bytearray()
    for y in range(cv.h * scale):
        raw.append(0)
        row = cv.px[y // scale]
        for x in range(cv.w * scale):
            if mask and mask[y // scale][x // scale]:
                raw.extend(see_through)
            else:
                raw.extend(row[x // scale])
    ihdr = struct.pack('>IIBBBBB', cv.w * scale, cv.h * scale, 8, 2, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


# ---------------------------------------------------------------------------

# The wizard frame is 70 x 153 dialog units of the shell dialog font, 8
# point: inside its sunken edge about 121 x 246 pixels at 96 dpi, 138 x 285
# at 120 and 173 x 361 at 144 in Wine's Tahoma (a font does not grow
# exactly with the dpi). The static control centres the picture in it. Each picture
# comes at 100%, 150% and 200%, and Setup.exe shows the largest that the
# window's dpi does not outgrow, so the picture at 100% and its 150% must
# fit the frames at 96 and 144 dpi.
WIZARD_SIZE = (115, 240)
CORNER_SIZE = (191, 90)
SCALES = ((1.0, ''), (1.5, '150'), (2.0, '200'))
ICON_SIZES = (16, 24, 32, 48, 64, 256)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.join(here, os.pardir, 'src', 'resources')
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--out', default=default_out,
                    help='folder for setup.ico and the wizard and corner pictures')
    ap.add_argument('--preview', help='also write enlarged PNGs here')
    args = ap.parse_args(argv)

    classic_icons = [draw_icon(32), draw_icon(16)]
    icons = [draw_icon(size) for size in ICON_SIZES]
    files = {'setup.ico': ico_bytes(classic_icons, icons)}
    previews = [('icon32.png', classic_icons[0], 8, TEAL),
                ('icon16.png', classic_icons[1], 8, TEAL)]
    for scale, suffix in SCALES:
        wizard = draw_wizard(scale)
        corner = draw_corner(scale)
        # At 100% the corner keeps the 16 colours of old displays.
        corner_bpp, corner_palette = ((4, VGA16) if scale == 1.0
                                      else (8, build_palette(corner)))
        files['wizard%s.pic' % suffix] = picture_bytes(
            wizard, 8, build_palette(wizard))
        files['corner%s.pic' % suffix] = picture_bytes(
            corner, corner_bpp, corner_palette)
        previews.append(('wizard%s.png' % suffix, wizard, 2, None))
        previews.append(('corner%s.png' % suffix, corner, 2, None))
    previews.append(('icon256.png', icons[-1], 1, TEAL))
    previews.append(('icon48.png', icons[3], 4, TEAL))

    os.makedirs(args.out, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(args.out, name), 'wb') as f:
            f.write(data)
        print('%-14s %6d bytes' % (name, len(data)))

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        # Icons are shown over the classic desktop colour.
        for name, cv, scale, under in previews:
            with open(os.path.join(args.preview, name), 'wb') as f:
                f.write(png_bytes(cv, scale, under))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
