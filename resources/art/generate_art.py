#!/usr/bin/env python3
"""Draws Tickwarden's artwork and writes it as BMP and ICO files.

Outputs (next to this script; the build uses the stored files, so running this
is only needed after changing the drawing):
  prompt_256.bmp          281 x 160, 8 bits per pixel, 256-colour table (all used and important)
  prompt_16.bmp           281 x 160, 4 bits per pixel, the 16 standard display colours
  tickwarden.ico          16 x 16 in 16 and 256 colours
  tickwarden_old.ico      16 x 16 in 16 colours
  tickwarden_offline.ico  16 x 16 in 16 colours, greyed with a red cross

Standard library only, and deterministic: the same script gives the same bytes.
The prompt picture keeps its content in a banner across the top; the lower part
stays white, since the message text sits there on a white brush.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 colours every 16-colour display has (VGA order).
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


# ---------------------------------------------------------------- geometry

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else clamp(((px - ax) * dx + (py - ay) * dy) / ll)
    qx, qy = ax + dx * t - px, ay + dy * t - py
    return math.sqrt(qx * qx + qy * qy)


def polyline_dist(px, py, pts):
    return min(seg_dist(px, py, *pts[i], *pts[i + 1]) for i in range(len(pts) - 1))


def inside_polygon(px, py, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def arc_points(cx, cy, r, a0, a1, steps=24):
    """Points of an arc, angles in degrees, counter-clockwise, y up."""
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * k / steps)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * k / steps))) for k in range(steps + 1)]


def quad_bezier(p0, p1, p2, steps=16):
    out = []
    for k in range(steps + 1):
        t = k / steps
        out.append(((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
                    (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]))
    return out


class Canvas:
    """An RGB picture with supersampled, anti-aliased shape filling."""

    def __init__(self, w, h, colour=(255, 255, 255)):
        self.w, self.h = w, h
        self.px = [[tuple(float(c) for c in colour) for _ in range(w)] for _ in range(h)]
        self.alpha = [[1.0] * w for _ in range(h)]

    def fill(self, coverage, colour, box=None, opacity=1.0, ss=3):
        """coverage(x, y) -> bool at sample points; colour is a tuple or f(x, y)."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        n = ss * ss
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(ss):
                    for sx in range(ss):
                        if coverage(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss):
                            hits += 1
                if hits:
                    t = hits / n * opacity
                    c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                    self.px[y][x] = mix(self.px[y][x], c, t)

    def stroke(self, pts, width, colour, opacity=1.0, ss=3):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        r = width / 2
        box = (min(xs) - r - 1, min(ys) - r - 1, max(xs) + r + 1, max(ys) + r + 1)
        self.fill(lambda x, y: polyline_dist(x, y, pts) <= r, colour, box, opacity, ss)

    def disc(self, cx, cy, r, colour, opacity=1.0, ss=3):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                  (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1), opacity, ss)

    def ring(self, cx, cy, r, width, colour, opacity=1.0, ss=3):
        lo, hi = r - width / 2, r + width / 2
        self.fill(lambda x, y: lo * lo <= (x - cx) ** 2 + (y - cy) ** 2 <= hi * hi, colour,
                  (cx - hi - 1, cy - hi - 1, cx + hi + 1, cy + hi + 1), opacity, ss)

    def polygon(self, pts, colour, opacity=1.0, ss=3):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.fill(lambda x, y: inside_polygon(x, y, pts), colour,
                  (min(xs) - 1, min(ys) - 1, max(xs) + 1, max(ys) + 1), opacity, ss)


# ---------------------------------------------------------------- emblem

def shield_outline(cx, top, half_w, h):
    """A shield: flat top with rounded corners, straight sides, curved point."""
    r = half_w * 0.22
    left, right = cx - half_w, cx + half_w
    side_end = top + h * 0.45
    pts = []
    pts += quad_bezier((left, top + r), (left, top), (left + r, top), 6)
    pts += quad_bezier((right - r, top), (right, top), (right, top + r), 6)
    pts += quad_bezier((right, side_end), (right, top + h * 0.82), (cx, top + h), 14)
    pts += quad_bezier((cx, top + h), (left, top + h * 0.82), (left, side_end), 14)
    return pts


def draw_clock(c, cx, cy, r, rim, face, hands, ticks, rim_width):
    c.disc(cx, cy, r, rim)
    c.disc(cx, cy, r - rim_width, face)
    for k in range(12):
        a = math.radians(k * 30)
        big = k % 3 == 0
        r0 = r - rim_width - (r * 0.22 if big else r * 0.12)
        r1 = r - rim_width - r * 0.04
        c.stroke([(cx + r0 * math.sin(a), cy - r0 * math.cos(a)),
                  (cx + r1 * math.sin(a), cy - r1 * math.cos(a))],
                 max(0.8, r * (0.11 if big else 0.06)), ticks)
    # Ten past ten: the hands open upwards and leave the face readable.
    hour = math.radians(-60)
    minute = math.radians(60)
    c.stroke([(cx, cy), (cx + r * 0.45 * math.sin(hour), cy - r * 0.45 * math.cos(hour))], r * 0.16, hands)
    c.stroke([(cx, cy), (cx + r * 0.68 * math.sin(minute), cy - r * 0.68 * math.cos(minute))], r * 0.11, hands)
    c.disc(cx, cy, r * 0.1, hands)


# ---------------------------------------------------------------- lettering

# A small stroke alphabet for the wordmark: units with the baseline at 0,
# x-height 5 and ascender 8, y pointing up. Each glyph: (width, [polylines]).
GLYPHS = {
    'T': (5.0, [[(0, 8), (5, 8)], [(2.5, 8), (2.5, 0)]]),
    'i': (0.0, [[(0, 0), (0, 5)], [(0, 7.1), (0, 7.1)]]),
    'c': (4.4, [arc_points(2.5, 2.5, 2.5, 40, 320)]),
    'k': (4.0, [[(0, 0), (0, 8)], [(0, 1.6), (3.8, 5)], [(1.5, 2.9), (4, 0)]]),
    'w': (6.0, [[(0, 5), (1.5, 0), (3, 4.2), (4.5, 0), (6, 5)]]),
    'a': (4.6, [arc_points(2.3, 2.5, 2.3, 0, 360, 32), [(4.6, 5), (4.6, 0)]]),
    'r': (2.3, [[(0, 0), (0, 5)], arc_points(3.0, 2.2, 3.0, 95, 180, 12)]),
    'd': (4.6, [arc_points(2.3, 2.5, 2.3, 0, 360, 32), [(4.6, 8), (4.6, 0)]]),
    'e': (5.0, [[(0.1, 2.5), (5, 2.5)] + arc_points(2.5, 2.5, 2.5, 0, 310)[1:]]),
    'n': (4.6, [[(0, 0), (0, 5)], [(0, 2.7)] + arc_points(2.3, 2.7, 2.3, 180, 0, 16) + [(4.6, 0)]]),
}


def draw_word(c, text, x, baseline, unit, weight, colour, spacing=1.7):
    for ch in text:
        width, lines = GLYPHS[ch]
        for line in lines:
            pts = [(x + px * unit, baseline - py * unit) for px, py in line]
            c.stroke(pts, weight, colour)
        x += (width + spacing) * unit
    return x


# ---------------------------------------------------------------- pictures

PROMPT_W, PROMPT_H = 281, 160
BANNER_H = 54


def draw_prompt(watermark=True):
    c = Canvas(PROMPT_W, PROMPT_H)
    deep, light = (22, 66, 122), (84, 146, 210)
    for y in range(BANNER_H):
        for x in range(PROMPT_W):
            t = x / (PROMPT_W - 1)
            base = mix(deep, light, t ** 0.9)
            c.px[y][x] = mix(base, (255, 255, 255), 0.10 * (1 - y / BANNER_H))
    # A faint clock-face watermark to the right of the banner.
    if watermark:
        c.ring(246, 26, 46, 7, (255, 255, 255), opacity=0.10)
        c.ring(246, 26, 30, 3, (255, 255, 255), opacity=0.08)
        c.stroke([(246, 26), (246, -2)], 4, (255, 255, 255), opacity=0.08)
        c.stroke([(246, 26), (266, 34)], 4, (255, 255, 255), opacity=0.08)
    # Restore the white below the banner that the watermark touched.
    for y in range(BANNER_H, PROMPT_H):
        for x in range(PROMPT_W):
            c.px[y][x] = (255.0, 255.0, 255.0)
    # Accent line and a soft shadow fading into the white part.
    for x in range(PROMPT_W):
        c.px[BANNER_H][x] = (132, 178, 226)
        c.px[BANNER_H + 1][x] = (198, 220, 242)
        c.px[BANNER_H + 2][x] = (232, 241, 250)
    # Under the buttons, the faintest tint.
    for y in range(112, PROMPT_H):
        t = (y - 112) / (PROMPT_H - 113)
        for x in range(PROMPT_W):
            c.px[y][x] = mix((255, 255, 255), (236, 243, 251), t)

    # Emblem: a shield carrying a clock.
    shield = shield_outline(36, 5, 20, 44)
    c.polygon([(x + 1.2, y + 1.6) for x, y in shield], (8, 30, 62), opacity=0.35)
    c.polygon(shield, lambda x, y: mix((250, 252, 255), (206, 225, 245), clamp((y - 5) / 44)))
    c.stroke(shield + [shield[0]], 1.3, (160, 196, 232))
    draw_clock(c, 36, 24.5, 13.5, (31, 86, 150), (255, 255, 255), (16, 42, 78), (110, 140, 175), 2.4)

    # Wordmark.
    draw_word(c, "Tickwarden", 70, 34, 2.35, 2.3, (255, 255, 255))
    return c


def draw_icon(offline=False):
    # Start from the rim colour, so edge pixels kept by the mask never turn dark.
    rim = (128, 128, 128) if offline else (0, 0, 128)
    c = Canvas(16, 16, rim)
    cov = [[0.0] * 16 for _ in range(16)]
    # Opaque where the clock is; the rest is transparent.
    for y in range(16):
        for x in range(16):
            hits = 0
            for sy in range(4):
                for sx in range(4):
                    px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
                    if (px - 8) ** 2 + (py - 8) ** 2 <= 7.6 ** 2:
                        hits += 1
            cov[y][x] = hits / 16
    if offline:
        rim, face, hands, ticks = (128, 128, 128), (212, 212, 212), (96, 96, 96), (150, 150, 150)
    else:
        rim, face, hands, ticks = (0, 0, 128), (255, 255, 255), (0, 0, 0), (128, 128, 128)
    c.disc(8, 8, 7.6, rim, ss=4)
    c.disc(8, 8, 5.8, face, ss=4)
    for k in range(4):
        a = math.radians(k * 90)
        c.stroke([(8 + 4.2 * math.sin(a), 8 - 4.2 * math.cos(a)), (8 + 5.4 * math.sin(a), 8 - 5.4 * math.cos(a))],
                 1.0, ticks, ss=4)
    c.stroke([(8, 8), (5.2, 6.4)], 1.3, hands, ss=4)
    c.stroke([(8, 8), (11.9, 5.7)], 1.1, hands, ss=4)
    if offline:
        # A bold red cross over the lower right: reads as "not available".
        for y in range(16):
            for x in range(16):
                d1 = seg_dist(x + 0.5, y + 0.5, 8, 8, 15, 15)
                d2 = seg_dist(x + 0.5, y + 0.5, 15, 8, 8, 15)
                if min(d1, d2) <= 2.1:
                    cov[y][x] = 1.0
                    c.px[y][x] = (255, 255, 255)
        c.stroke([(9, 9), (14, 14)], 2.0, (255, 0, 0), ss=4)
        c.stroke([(14, 9), (9, 14)], 2.0, (255, 0, 0), ss=4)
    c.alpha = cov
    return c


# ---------------------------------------------------------------- colour reduction

def nearest(palette, colour, cache):
    key = tuple(int(round(v)) for v in colour)
    hit = cache.get(key)
    if hit is None:
        r, g, b = key
        hit = min(range(len(palette)),
                  key=lambda i: (palette[i][0] - r) ** 2 * 3 + (palette[i][1] - g) ** 2 * 4 + (palette[i][2] - b) ** 2 * 2)
        cache[key] = hit
    return hit


def median_cut(colours, count):
    """Up to `count` representative colours of a list of (r, g, b) ints."""
    boxes = [sorted(colours)]
    while len(boxes) < count:
        best, best_range, best_axis = None, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for axis in range(3):
                vals = [p[axis] for p in box]
                rng = (max(vals) - min(vals)) * (len(set(box)) > 1)
                if rng > best_range:
                    best, best_range, best_axis = i, rng, axis
        if best is None or best_range <= 0:
            break
        box = sorted(boxes.pop(best), key=lambda p: (p[best_axis], p))
        mid = len(box) // 2
        boxes += [box[:mid], box[mid:]]
    pal = []
    for box in boxes:
        n = len(box)
        pal.append(tuple(int(round(sum(p[a] for p in box) / n)) for a in range(3)))
    return pal


def palette_256(c):
    colours = [tuple(int(round(v)) for v in c.px[y][x]) for y in range(c.h) for x in range(c.w)]
    # Keep the pure colours the picture relies on, then fill the table.
    fixed = [(255, 255, 255), (0, 0, 0)]
    found = median_cut([p for p in colours if p not in fixed], 256 - len(fixed))
    pal = fixed + [p for p in found if p not in fixed]
    seen = []
    for p in pal:
        if p not in seen:
            seen.append(p)
    pal = seen
    # Pad with a grey ramp so every one of the 256 entries is defined.
    k = 0
    while len(pal) < 256:
        g = (k * 37) % 256
        if (g, g, g) not in pal:
            pal.append((g, g, g))
        k += 1
    return pal[:256]


BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def indices_16(c, dither):
    """Nearest standard colours; rows above `dither` are ordered-dithered."""
    cache = {}
    out = []
    for y in range(c.h):
        row = []
        for x in range(c.w):
            p = c.px[y][x]
            if y < dither:
                d = (BAYER4[y % 4][x % 4] + 0.5) / 16 - 0.5
                p = tuple(clamp(v + d * 72, 0, 255) for v in p)
            row.append(nearest(VGA16, p, cache))
        out.append(row)
    return out


# ---------------------------------------------------------------- file formats

def dib_rows(indices, bits):
    """Bottom-up scan lines, each padded to 4 bytes."""
    data = bytearray()
    for row in reversed(indices):
        line = bytearray()
        if bits == 8:
            line += bytes(row)
        elif bits == 4:
            for i in range(0, len(row), 2):
                hi = row[i]
                lo = row[i + 1] if i + 1 < len(row) else 0
                line.append((hi << 4) | lo)
        elif bits == 1:
            for i in range(0, len(row), 8):
                b = 0
                for k in range(8):
                    if i + k < len(row) and row[i + k]:
                        b |= 0x80 >> k
                line.append(b)
        while len(line) % 4:
            line.append(0)
        data += line
    return bytes(data)


def info_header(w, h, bits, used, important, image_size):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, image_size, 2835, 2835, used, important)


def colour_table(pal):
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in pal)


def write_bmp(path, indices, pal, bits, used, important):
    h, w = len(indices), len(indices[0])
    pixels = dib_rows(indices, bits)
    table = colour_table(pal)
    header = info_header(w, h, bits, used, important, len(pixels))
    offset = 14 + len(header) + len(table)
    blob = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + header + table + pixels
    with open(path, 'wb') as f:
        f.write(blob)


def icon_image(c, bits):
    if bits == 4:
        pal = VGA16
        idx = indices_16(c, dither=0)
    else:
        colours = sorted({tuple(int(round(v)) for v in c.px[y][x])
                          for y in range(16) for x in range(16) if c.alpha[y][x] >= 0.5})
        pal = median_cut(colours, 256) if len(colours) > 256 else colours
        pal = pal + [(0, 0, 0)] * (256 - len(pal))
        cache = {}
        idx = [[nearest(pal, c.px[y][x], cache) for x in range(16)] for y in range(16)]
    transparent = [[1 if c.alpha[y][x] < 0.5 else 0 for x in range(16)] for y in range(16)]
    # Transparent pixels are black in the colour image, so the mask shows through.
    black = nearest(pal, (0, 0, 0), {})
    for y in range(16):
        for x in range(16):
            if transparent[y][x]:
                idx[y][x] = black
    xor = dib_rows(idx, bits)
    mask = dib_rows(transparent, 1)
    header = info_header(16, 32, bits, 0, 0, len(xor) + len(mask))
    return header + colour_table(pal) + xor + mask


def write_ico(path, images):
    """images: list of (bits, image bytes) for 16 x 16 pictures."""
    head = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b'', b''
    for bits, blob in images:
        entries += struct.pack('<BBBBHHII', 16, 16, 16 if bits == 4 else 0, 0, 1, bits, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(head + entries + blobs)


def main():
    prompt = draw_prompt()
    pal = palette_256(prompt)
    cache = {}
    idx = [[nearest(pal, prompt.px[y][x], cache) for x in range(PROMPT_W)] for y in range(PROMPT_H)]
    write_bmp(os.path.join(HERE, 'prompt_256.bmp'), idx, pal, 8, 256, 256)
    # Sixteen colours cannot carry the faint watermark: it would only add noise.
    plain = draw_prompt(watermark=False)
    write_bmp(os.path.join(HERE, 'prompt_16.bmp'), indices_16(plain, dither=BANNER_H), VGA16, 4, 16, 0)

    normal = draw_icon()
    offline = draw_icon(offline=True)
    write_ico(os.path.join(HERE, 'tickwarden.ico'), [(4, icon_image(normal, 4)), (8, icon_image(normal, 8))])
    write_ico(os.path.join(HERE, 'tickwarden_old.ico'), [(4, icon_image(normal, 4))])
    write_ico(os.path.join(HERE, 'tickwarden_offline.ico'), [(4, icon_image(offline, 4))])


if __name__ == '__main__':
    main()
