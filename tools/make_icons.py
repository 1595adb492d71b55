#!/usr/bin/env python3
"""Generate the KIV icon artwork (Python 3 standard library only).

Writes into src/win32/res/:

  tray_page.ico  magenta emblem with a "sheet" glyph   (page mode)
  tray_line.ico  green emblem with three bars           (line mode)
  kiv.ico        grey emblem with a mouse/wheel glyph   (program icon)

The tray icons hold 16, 20, 24, 32 and 48 px images, 32-bit BGRA with
alpha. The program icon holds 16, 32 and 48 px images, each as 4-bit
(standard 16-colour VGA palette), 8-bit (6x6x6 cube + grey ramp) and
32-bit with alpha.

Everything is drawn procedurally with supersampled anti-aliasing. The
glyph geometry is laid out per size on whole pixels so that each size
stays crisp. Output is deterministic: the same bytes on every run.

Usage:
  python3 tools/make_icons.py                 # write the .ico files
  python3 tools/make_icons.py --check         # validate them and compare them
                                              # with what this script draws
  python3 tools/make_icons.py --preview DIR   # also write 8x PNG previews
                                              # on a checkerboard
"""

import argparse
import math
import os
import struct
import sys
import zlib

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES_DIR = os.path.join(REPO, "src", "win32", "res")

SS = 8  # supersampling: SS x SS samples per pixel

TRAY_SIZES = (16, 20, 24, 32, 48)
APP_SIZES = (16, 32, 48)
APP_DEPTHS = (32, 8, 4)

WHITE = (255, 255, 255)
WHEEL = (52, 52, 52)


# --------------------------------------------------------------------------
# Colour helpers
# --------------------------------------------------------------------------

def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return (lerp(c1[0], c2[0], t), lerp(c1[1], c2[1], t), lerp(c1[2], c2[2], t))


def clamp01(t):
    return 0.0 if t < 0.0 else 1.0 if t > 1.0 else t


def smoothstep(e0, e1, x):
    t = clamp01((x - e0) / (e1 - e0))
    return t * t * (3.0 - 2.0 * t)


# Colour schemes: (shadow, base, light, rim highlight)
SCHEMES = {
    "page": {
        "dark": (122, 18, 112),
        "base": (196, 38, 168),
        "light": (236, 104, 214),
        "rim": (255, 190, 246),
    },
    "line": {
        "dark": (18, 104, 44),
        "base": (40, 160, 72),
        "light": (104, 210, 120),
        "rim": (200, 255, 206),
    },
    "app": {
        "dark": (68, 68, 68),
        "base": (124, 124, 124),
        "light": (172, 172, 172),
        "rim": (228, 228, 228),
    },
}


# --------------------------------------------------------------------------
# Shapes (coordinates in pixels, origin at the top-left corner of the image)
# --------------------------------------------------------------------------

def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x >= x1 or y < y0 or y >= y1:
        return False
    if r <= 0:
        return True
    # Distance to the inner rectangle shrunk by r.
    cx = x0 + r if x < x0 + r else x1 - r if x > x1 - r else x
    cy = y0 + r if y < y0 + r else y1 - r if y > y1 - r else y
    dx = x - cx
    dy = y - cy
    return dx * dx + dy * dy <= r * r


class RoundRect:
    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, r

    def contains(self, x, y):
        return in_round_rect(x, y, self.x0, self.y0, self.x1, self.y1, self.r)


class Sheet:
    """A rectangle with its top-right corner cut off along a 45 degree line."""

    def __init__(self, x0, y0, x1, y1, fold, r=0.0):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.fold, self.r = fold, r

    def contains(self, x, y):
        if not in_round_rect(x, y, self.x0, self.y0, self.x1, self.y1, self.r):
            return False
        # Points above the line through (x1 - fold, y0) and (x1, y0 + fold).
        return (x - (self.x1 - self.fold)) - (y - self.y0) <= 0.0


class Fold:
    """The folded-over flap: triangle below the cut of a Sheet."""

    def __init__(self, sheet):
        self.s = sheet

    def contains(self, x, y):
        s = self.s
        fx = s.x1 - s.fold
        fy = s.y0 + s.fold
        if x < fx or y >= fy:
            return False
        return (x - fx) - (y - s.y0) <= 0.0


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes

    def contains(self, x, y):
        for s in self.shapes:
            if s.contains(x, y):
                return True
        return False


# --------------------------------------------------------------------------
# Per-size glyph layouts (all edges on whole pixels)
# --------------------------------------------------------------------------

# Page glyph: sheet (x0, y0, x1, y1, fold, corner radius)
PAGE_LAYOUT = {
    16: (5, 3, 11, 13, 3, 0.5),
    20: (6, 4, 14, 16, 3, 0.75),
    24: (7, 5, 17, 19, 4, 1.0),
    32: (10, 7, 22, 25, 5, 1.25),
    48: (15, 11, 33, 37, 7, 1.75),
}

# Line glyph: (x0, x1, first y, bar thickness, gap, end radius)
LINE_LAYOUT = {
    16: (4, 12, 4, 2, 1, 0.5),
    20: (5, 15, 5, 2, 2, 0.75),
    24: (6, 18, 5, 3, 2, 1.0),
    32: (8, 24, 8, 4, 2, 1.5),
    48: (12, 36, 11, 6, 4, 2.5),
}

# Mouse glyph: body (x0, y0, x1, y1, radius), wheel (x0, y0, x1, y1, radius),
# button split line from the top of the body down to the wheel (x0, x1) or None
MOUSE_LAYOUT = {
    16: ((5, 2, 11, 14, 3.0), (7, 4, 9, 8, 0.5), None),
    32: ((10, 5, 22, 27, 6.0), (14, 9, 18, 16, 2.0), (15, 17)),
    48: ((15, 8, 33, 40, 9.0), (21, 13, 27, 24, 3.0), (23, 25)),
}


def page_glyph(n, scheme):
    x0, y0, x1, y1, fold, r = PAGE_LAYOUT[n]
    sheet = Sheet(x0, y0, x1, y1, fold, r)
    flap = mix(WHITE, scheme["light"], 0.45)
    return [(sheet, WHITE), (Fold(sheet), flap)]


def line_glyph(n, scheme):
    x0, x1, y, t, gap, r = LINE_LAYOUT[n]
    bars = []
    for _ in range(3):
        bars.append(RoundRect(x0, y, x1, y + t, r))
        y += t + gap
    return [(Union(*bars), WHITE)]


def mouse_glyph(n, scheme):
    body, wheel, split = MOUSE_LAYOUT[n]
    parts = [(RoundRect(*body), WHITE)]
    if split:
        seam = mix(WHITE, scheme["base"], 0.5)
        parts.append((RoundRect(split[0], body[1], split[1], wheel[1] + 1), seam))
    parts.append((RoundRect(*wheel), WHEEL))
    return parts


# --------------------------------------------------------------------------
# Rendering
# --------------------------------------------------------------------------

def disc_radius(n):
    # Leave a little breathing room, proportionally more on large sizes.
    return n / 2.0 - (0.25 if n <= 20 else n / 40.0)


def disc_colour(x, y, n, scheme):
    """Shaded disc colour at (x, y) or None when outside the disc."""
    c = n / 2.0
    rad = disc_radius(n)
    dx = x - c
    dy = y - c
    d2 = dx * dx + dy * dy
    if d2 > rad * rad:
        return None
    d = math.sqrt(d2)
    u = dx / rad
    v = dy / rad
    # Diagonal light from the top-left, plus a soft radial fall-off.
    light = -0.6 * u - 0.8 * v  # -1 .. 1
    col = mix(scheme["base"], scheme["light"], clamp01(light) * 0.85)
    col = mix(col, scheme["dark"], clamp01(-light) * 0.55)
    col = mix(col, scheme["dark"], smoothstep(0.55, 1.0, d / rad) * 0.35)
    # Rim: a band just inside the edge, bright at the top, dark at the bottom.
    rim_w = max(1.0, n / 16.0)
    edge = rad - d  # distance from the outer edge, in pixels
    if edge < rim_w:
        k = 1.0 - edge / rim_w
        k = 0.35 + 0.65 * k
        top = clamp01(-0.35 * u - 0.94 * v)  # 1 at top, 0 from the middle down
        bottom = clamp01(0.35 * u + 0.94 * v)
        col = mix(col, scheme["rim"], k * (0.15 + 0.75 * top))
        col = mix(col, scheme["dark"], k * 0.45 * bottom)
    return col


def shadow_offset(n):
    """Whole-pixel drop shadow offset for the glyph (0 = no shadow)."""
    return 0 if n < 24 else 1 if n < 40 else 2


def render(n, scheme, glyph):
    """Render an n x n image; returns rows of (r, g, b, a) 0..255 tuples."""
    rows = []
    so = shadow_offset(n)
    shade = scheme["dark"]
    inv = 1.0 / SS
    total = SS * SS
    for py in range(n):
        row = []
        for px in range(n):
            ar = ag = ab = 0.0
            cover = 0
            for sy in range(SS):
                y = py + (sy + 0.5) * inv
                for sx in range(SS):
                    x = px + (sx + 0.5) * inv
                    col = disc_colour(x, y, n, scheme)
                    if col is None:
                        continue
                    if so and glyph[0][0].contains(x - so, y - so):
                        col = mix(col, shade, 0.4)
                    for shape, gcol in glyph:
                        if shape.contains(x, y):
                            col = gcol
                    ar += col[0]
                    ag += col[1]
                    ab += col[2]
                    cover += 1
            if cover == 0:
                row.append((0, 0, 0, 0))
                continue
            a = int(cover * 255 / total + 0.5)
            # Unpremultiplied colour: average over the covered samples.
            r = int(ar / cover + 0.5)
            g = int(ag / cover + 0.5)
            b = int(ab / cover + 0.5)
            row.append((min(r, 255), min(g, 255), min(b, 255), a))
        rows.append(row)
    return rows


# --------------------------------------------------------------------------
# Palettes and quantisation
# --------------------------------------------------------------------------

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    pal = []
    for r in range(6):
        for g in range(6):
            for b in range(6):
                pal.append((r * 51, g * 51, b * 51))
    # 40 extra greys between the cube's grey levels.
    for i in range(1, 41):
        v = (i * 255 + 20) // 41
        pal.append((v, v, v))
    assert len(pal) == 256
    return pal


PAL256 = palette256()


def nearest(pal, col, cache):
    hit = cache.get(col)
    if hit is not None:
        return hit
    best = 0
    best_d = None
    r, g, b = col
    for i, (pr, pg, pb) in enumerate(pal):
        d = 2 * (r - pr) ** 2 + 4 * (g - pg) ** 2 + 3 * (b - pb) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    cache[col] = best
    return best


def quantise(img, pal):
    """Map an RGBA image to palette indices and a transparency mask."""
    cache = {}
    idx = []
    mask = []
    for row in img:
        irow = []
        mrow = []
        for r, g, b, a in row:
            if a < 128:
                irow.append(0)
                mrow.append(1)
            else:
                irow.append(nearest(pal, (r, g, b), cache))
                mrow.append(0)
        idx.append(irow)
        mask.append(mrow)
    return idx, mask


# --------------------------------------------------------------------------
# ICO writing
# --------------------------------------------------------------------------

def row_bytes(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def pack_mask(mask, n):
    stride = row_bytes(n, 1)
    out = bytearray()
    for row in reversed(mask):
        line = bytearray(stride)
        for x, bit in enumerate(row):
            if bit:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def dib_header(n, bpp, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, bpp, 0,
                       image_size, 0, 0, colours, 0)


def dib_32(img):
    n = len(img)
    xor = bytearray()
    for row in reversed(img):
        for r, g, b, a in row:
            if a == 0:
                xor += b"\0\0\0\0"
            else:
                xor += bytes((b, g, r, a))
    mask = pack_mask([[1 if p[3] == 0 else 0 for p in row] for row in img], n)
    return dib_header(n, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def png_32(img):
    """A 32-bit image as a PNG entry (RGBA): the icon format since Windows Vista, a fraction of the
    size of the uncompressed bitmap."""
    n = len(img)
    raw = bytearray()
    for row in img:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a)) if a else b"\0\0\0\0"
    return (PNG_SIGNATURE
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + png_chunk(b"IEND", b""))


def dib_indexed(img, bpp):
    n = len(img)
    pal = VGA16 if bpp == 4 else PAL256
    idx, mask = quantise(img, pal)
    stride = row_bytes(n, bpp)
    xor = bytearray()
    for row in reversed(idx):
        line = bytearray(stride)
        for x, i in enumerate(row):
            if bpp == 8:
                line[x] = i
            else:
                line[x >> 1] |= i << (4 if x % 2 == 0 else 0)
        xor += line
    amask = pack_mask(mask, n)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    head = dib_header(n, bpp, len(xor) + len(amask), len(pal))
    return head + table + bytes(xor) + amask


def build_ico(entries):
    """entries: list of (size, bpp, dib bytes)."""
    count = len(entries)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    for n, bpp, dib in entries:
        colours = 16 if bpp == 4 else 0
        out += struct.pack("<BBBBHHII", n % 256, n % 256, colours, 0, 1, bpp,
                           len(dib), offset)
        offset += len(dib)
    for _, _, dib in entries:
        out += dib
    return bytes(out)


# --------------------------------------------------------------------------
# Checking
# --------------------------------------------------------------------------

def check_ico(path, expect):
    """Parse an .ico back and validate it. expect: list of (size, bpp)."""
    errors = []
    with open(path, "rb") as f:
        data = f.read()
    name = os.path.basename(path)
    if len(data) < 6:
        return ["%s: too short" % name]
    reserved, typ, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or typ != 1:
        errors.append("%s: bad header %d/%d" % (name, reserved, typ))
    if count != len(expect):
        errors.append("%s: %d entries, expected %d" % (name, count, len(expect)))
    if 6 + 16 * count > len(data):
        return errors + ["%s: directory past end of file" % name]
    spans = []
    for i in range(count):
        w, h, ncol, res, planes, bpp, size, off = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * i)
        w = w or 256
        h = h or 256
        tag = "%s[%d] %dx%d@%d" % (name, i, w, h, bpp)
        if i < len(expect) and (w, bpp) != expect[i]:
            errors.append("%s: expected %dpx %dbpp" % ((tag,) + expect[i]))
        if w != h or res != 0 or planes != 1:
            errors.append("%s: bad directory entry" % tag)
        if ncol != (16 if bpp == 4 else 0):
            errors.append("%s: colour count %d" % (tag, ncol))
        if off < 6 + 16 * count or off + size > len(data):
            errors.append("%s: data outside file" % tag)
            continue
        spans.append((off, off + size))
        if data[off:off + 8] == PNG_SIGNATURE:
            pw, ph, depth, kind = struct.unpack_from(">IIBB", data, off + 16)
            if bpp != 32 or (pw, ph, depth, kind) != (w, h, 8, 6):
                errors.append("%s: PNG entry is not %dx%d RGBA" % (tag, w, h))
            continue
        (hsize, bw, bh, bplanes, bbpp, comp, isize, _, _, used,
         _) = struct.unpack_from("<IiiHHIIiiII", data, off)
        if hsize != 40 or bw != w or bh != 2 * h or bplanes != 1:
            errors.append("%s: bad BITMAPINFOHEADER" % tag)
        if bbpp != bpp or comp != 0:
            errors.append("%s: bit depth/compression mismatch" % tag)
        ncolours = used or (1 << bpp if bpp <= 8 else 0)
        pixels = row_bytes(w, bpp) * h + row_bytes(w, 1) * h
        want = 40 + 4 * ncolours + pixels
        if size != want:
            errors.append("%s: %d bytes, expected %d" % (tag, size, want))
        if isize not in (0, pixels):
            errors.append("%s: biSizeImage %d, expected %d" % (tag, isize, pixels))
        if bpp == 32 and size == want:
            # The AND mask must be set exactly where alpha is 0.
            base = off + 40
            mbase = base + row_bytes(w, 32) * h
            mstride = row_bytes(w, 1)
            for y in range(h):
                for x in range(w):
                    a = data[base + (y * w + x) * 4 + 3]
                    bit = (data[mbase + y * mstride + (x >> 3)] >> (7 - (x & 7))) & 1
                    if bit != (1 if a == 0 else 0):
                        errors.append("%s: AND mask disagrees with alpha" % tag)
                        break
                else:
                    continue
                break
    spans.sort()
    for (a0, a1), (b0, b1) in zip(spans, spans[1:]):
        if b0 < a1:
            errors.append("%s: overlapping image data" % name)
    if spans and spans[-1][1] < len(data):
        errors.append("%s: trailing bytes after last image" % name)
    return errors


# --------------------------------------------------------------------------
# PNG previews
# --------------------------------------------------------------------------

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_chunk(kind, payload):
    crc = zlib.crc32(kind + payload) & 0xFFFFFFFF
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", crc)


def write_png(path, width, height, rgb_rows):
    raw = bytearray()
    for row in rgb_rows:
        raw.append(0)
        raw += row
    data = (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


def preview(path, img, scale=8):
    """Scale up with nearest neighbour over a checkerboard (one cell per pixel)."""
    n = len(img)
    rows = []
    for py in range(n):
        line = bytearray()
        for px in range(n):
            r, g, b, a = img[py][px]
            bg = 204 if (px + py) % 2 == 0 else 153
            t = a / 255.0
            pix = bytes((int(bg + (r - bg) * t + 0.5),
                         int(bg + (g - bg) * t + 0.5),
                         int(bg + (b - bg) * t + 0.5)))
            line += pix * scale
        for _ in range(scale):
            rows.append(bytes(line))
    write_png(path, n * scale, n * scale, rows)


def indexed_to_rgba(img, bpp):
    pal = VGA16 if bpp == 4 else PAL256
    idx, mask = quantise(img, pal)
    return [[(0, 0, 0, 0) if m else pal[i] + (255,) for i, m in zip(ir, mr)]
            for ir, mr in zip(idx, mask)]


# --------------------------------------------------------------------------
# Main
# --------------------------------------------------------------------------

ICONS = (
    ("tray_page", "page", page_glyph, TRAY_SIZES, (32,)),
    ("tray_line", "line", line_glyph, TRAY_SIZES, (32,)),
    ("kiv", "app", mouse_glyph, APP_SIZES, APP_DEPTHS),
)


def layout(sizes, depths):
    return [(n, bpp) for n in sizes for bpp in depths]


def draw_ico(key, glyph_fn, sizes, depths, preview_prefix=None):
    """The bytes of one icon file; with preview_prefix, also its PNG previews."""
    scheme = SCHEMES[key]
    entries = []
    for n in sizes:
        img = render(n, scheme, glyph_fn(n, scheme))
        for bpp in depths:
            if bpp == 32:
                dib = png_32(img)
            else:
                dib = dib_indexed(img, bpp)
            entries.append((n, bpp, dib))
        if preview_prefix:
            preview("%s-%d.png" % (preview_prefix, n), img)
            for bpp in depths:
                if bpp != 32:
                    preview("%s-%d-%dbpp.png" % (preview_prefix, n, bpp),
                            indexed_to_rgba(img, bpp))
    return build_ico(entries)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=RES_DIR, help="output directory")
    ap.add_argument("--preview", metavar="DIR",
                    help="also write 8x PNG previews (32-bit images, plus the "
                         "4/8-bit variants of kiv.ico as decoded)")
    ap.add_argument("--check", action="store_true",
                    help="validate the existing .ico files and compare them byte for "
                         "byte with what the script draws, instead of writing them")
    args = ap.parse_args(argv)

    if args.check:
        errors = []
        for name, key, glyph_fn, sizes, depths in ICONS:
            path = os.path.join(args.out, name + ".ico")
            if not os.path.exists(path):
                errors.append("%s: missing" % path)
                continue
            errs = check_ico(path, layout(sizes, depths))
            with open(path, "rb") as f:
                if f.read() != draw_ico(key, glyph_fn, sizes, depths):
                    errs.append("%s: differs from what tools/make_icons.py draws; run it "
                                "to write the icons again" % (name + ".ico"))
            errors += errs
            print("%-14s %6d bytes  %s" % (name + ".ico", os.path.getsize(path),
                                          "ok" if not errs else "FAILED"))
        for e in errors:
            print("error: " + e, file=sys.stderr)
        return 1 if errors else 0

    os.makedirs(args.out, exist_ok=True)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
    for name, key, glyph_fn, sizes, depths in ICONS:
        path = os.path.join(args.out, name + ".ico")
        with open(path, "wb") as f:
            f.write(draw_ico(key, glyph_fn, sizes, depths,
                             args.preview and os.path.join(args.preview, name)))
        print("wrote %s (%d bytes)" % (path, os.path.getsize(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
