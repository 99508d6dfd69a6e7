"""Writes one garment: <code>.mdl (pattern pieces in millimetres), <code>.bmp
(front shade, front hit map, back shade, back hit map), <code>v.bmp (preview
shade and hit map) and <code>.rtf (its description with scaled numbers)."""
import math
import os

import numpy as np
from PIL import Image, ImageDraw

from doll import MM_PER_PX, WHITE

# The colour that means "no group" in the legend: next to white, so the shade
# pixel it leaves at (0, 2) does not show on the doll.
NO_GROUP = (255, 255, 254)
# Pieces wrap round the body: a front seen flat is this much wider as cloth.
WRAP = 1.3
ALLOWANCE_MM = 6
SHEET_GAP_MM = 10


def key_colour(i):
    """Distinct saturated colours, never grey and never white."""
    hue = (i * 0.381966) % 1.0
    r, g, b = (int(200 * max(0.0, min(1.0, abs(((hue * 6 + k) % 6) - 3) - 1))) + 30 for k in (0, 4, 2))
    return (r, g, b)


def _draw_map(size, offset, pieces, side, keys):
    img = Image.new("RGB", size, WHITE)
    d = ImageDraw.Draw(img)
    for i, piece in enumerate(pieces):
        for poly in getattr(piece, side):
            d.polygon([(x, y - offset) for x, y in poly], fill=keys[i])
    return img


def _shade(hit):
    """Grey folds over the garment's area, darker seams where pieces meet, white outside."""
    a = np.asarray(hit).astype(np.int32)
    inside = np.any(a != 255, axis=2)
    h, w = inside.shape
    xs = np.arange(w)[None, :]
    ys = np.arange(h)[:, None]
    grey = 226 + (12 * np.sin(xs / 5.0 + ys / 23.0)).astype(np.int32) - (ys * 18 // max(h, 1))
    code = a[:, :, 0] * 65536 + a[:, :, 1] * 256 + a[:, :, 2]
    edge = np.zeros_like(inside)
    edge[:, 1:] |= code[:, 1:] != code[:, :-1]
    edge[:, :-1] |= code[:, :-1] != code[:, 1:]
    edge[1:, :] |= code[1:, :] != code[:-1, :]
    edge[:-1, :] |= code[:-1, :] != code[1:, :]
    grey = np.where(edge, 150, grey)
    out = np.where(inside, np.clip(grey, 100, 250), 255).astype(np.uint8)
    return Image.fromarray(np.dstack([out, out, out]), "RGB")


def _pattern_polygon(piece):
    """The cloth outline in millimetres: the flat outline widened by the wrap
    and grown by the seam allowance about its centre."""
    poly = (piece.front or piece.back)[0]
    xs = [x for x, _ in poly]
    ys = [y for _, y in poly]
    cx, cy = (min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2
    w = max(1, max(xs) - min(xs))
    h = max(1, max(ys) - min(ys))
    sx = (w * WRAP * MM_PER_PX + 2 * ALLOWANCE_MM) / w
    sy = (h * MM_PER_PX + 2 * ALLOWANCE_MM) / h
    pts = [(round((x - cx) * sx), round((y - cy) * sy)) for x, y in poly]
    mx = min(x for x, _ in pts)
    my = min(y for _, y in pts)
    return _simplified([(x - mx, y - my) for x, y in pts])


def _simplified(poly):
    """The outline without repeated points and without points that lie on a
    straight run, so that every edge has a direction of its own."""
    pts = []
    for p in poly:
        if not pts or p != pts[-1]:
            pts.append(p)
    while len(pts) > 1 and pts[0] == pts[-1]:
        pts.pop()
    changed = True
    while changed and len(pts) > 3:
        changed = False
        for i in range(len(pts)):
            (ax, ay), (bx, by), (cx, cy) = pts[i - 1], pts[i], pts[(i + 1) % len(pts)]
            if (bx - ax) * (cy - by) - (by - ay) * (cx - bx) == 0:
                del pts[i]
                changed = True
                break
    return pts


def _edge_line(a, b, inward, distance):
    """The edge a-b moved `distance` towards the inside: (unit normal, offset)
    of the line n . p = c."""
    dx, dy = b[0] - a[0], b[1] - a[1]
    length = math.hypot(dx, dy)
    nx, ny = (-dy / length, dx / length) if inward > 0 else (dy / length, -dx / length)
    return (nx, ny), nx * a[0] + ny * a[1] + distance


def _meet(l1, l2):
    """Where two lines n . p = c meet."""
    (n1x, n1y), c1 = l1
    (n2x, n2y), c2 = l2
    det = n1x * n2y - n1y * n2x
    return (c1 * n2y - c2 * n1y) / det, (n1x * c2 - n2x * c1) / det


def _stitching_polygon(poly, distance):
    """The stitching line: every edge of the outline moved `distance`
    millimetres inwards, its corners where the moved edges meet (mitred).
    An edge too short to keep its direction once moved (a small notch or a
    cut-off corner) drops out, and its neighbours meet instead. Corners are
    whole millimetres (the .mdl's unit), each the lattice point nearest to
    both moved edges."""
    area = sum(x1 * y2 - x2 * y1 for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]))
    lines = [_edge_line(a, b, area, distance) for a, b in zip(poly, poly[1:] + poly[:1])]
    edges = [((b[0] - a[0]), (b[1] - a[1])) for a, b in zip(poly, poly[1:] + poly[:1])]
    keep = list(range(len(lines)))
    while len(keep) > 3:
        corners = [_meet(lines[keep[i - 1]], lines[keep[i]]) for i in range(len(keep))]
        # Edge keep[i] runs from corners[i] to corners[i + 1] once moved.
        reversed_edge = None
        for i in range(len(keep)):
            (x1, y1), (x2, y2) = corners[i], corners[(i + 1) % len(keep)]
            ex, ey = edges[keep[i]]
            if (x2 - x1) * ex + (y2 - y1) * ey <= 0:
                reversed_edge = i
                break
        if reversed_edge is None:
            break
        del keep[reversed_edge]
    inner = []
    for i in range(len(keep)):
        l1, l2 = lines[keep[i - 1]], lines[keep[i]]
        x, y = _meet(l1, l2)
        (n1x, n1y), c1 = l1
        (n2x, n2y), c2 = l2
        best = min(((gx, gy) for gx in range(math.floor(x) - 1, math.floor(x) + 3)
                    for gy in range(math.floor(y) - 1, math.floor(y) + 3)),
                   key=lambda g: max(abs(n1x * g[0] + n1y * g[1] - c1), abs(n2x * g[0] + n2y * g[1] - c2)))
        inner.append(best)
    return inner


def _inside_point(poly, h):
    """A seed well inside the outline: the middle of the widest span of the
    middle row (the outline may be concave)."""
    y = h // 2 + 0.5
    xs = []
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 <= y) != (y2 <= y):
            xs.append(x1 + (y - y1) * (x2 - x1) / (y2 - y1))
    xs.sort()
    spans = [(xs[i], xs[i + 1]) for i in range(0, len(xs) - 1, 2)]
    a, b = max(spans, key=lambda s: s[1] - s[0])
    return round((a + b) / 2), h // 2


def _layout(polys, row_width):
    """Shelf packing of the piece boxes on the sheet."""
    places, x, y, row_h, width = [], SHEET_GAP_MM, SHEET_GAP_MM, 0, 0
    for poly in polys:
        w = max(p[0] for p in poly) + 1
        h = max(p[1] for p in poly) + 1
        if x > SHEET_GAP_MM and x + w > row_width:
            x, y, row_h = SHEET_GAP_MM, y + row_h + SHEET_GAP_MM, 0
        places.append((x, y, w, h))
        x += w + SHEET_GAP_MM
        row_h = max(row_h, h)
        width = max(width, x)
    return places, width, y + row_h + SHEET_GAP_MM


def mdl_text(g):
    polys = [_pattern_polygon(p) for p in g.pieces]
    places, width, height = _layout(polys, 260)
    tokens = "|" + g.tokens if g.tokens else ""
    lines = [f"{g.title}({width},{height}){tokens}"]
    for piece, poly, (x, y, w, h) in zip(g.pieces, polys, places):
        lines.append(f"{piece.name}({x},{y},{w},{h})")
        for a, b in zip(poly, poly[1:] + poly[:1]):
            lines.append(f"  LINESG({a[0]},{a[1]}) ({b[0]},{b[1]})")
        # The stitching line a seam allowance inside the outline, and the grain arrow.
        inner = _stitching_polygon(poly, ALLOWANCE_MM)
        for a, b in zip(inner, inner[1:] + inner[:1]):
            lines.append(f"  LINES({a[0]},{a[1]}) ({b[0]},{b[1]})")
        lines.append(f"  NIT({w // 2},{h // 4}) ({w // 2},{h * 3 // 4})")
        lines.append(f"  TEXT({ALLOWANCE_MM + 2},{h // 2}) {piece.name.split()[0]}")
        fx, fy = _inside_point(poly, h)
        lines.append(f"  POINTFILL({fx},{fy})")
        lines.append("}")
    return "\r\n".join(lines) + "\r\n", places


def model_pictures(g):
    """(<code>.bmp, <code>v.bmp) as images."""
    n = len(g.pieces)
    keys = [key_colour(i) for i in range(n)]
    w, h = g.slot
    front = _draw_map((w, h), g.top, g.pieces, "front", keys)
    back = _draw_map((w, h), g.top, g.pieces, "back", keys)
    sheet = Image.new("RGB", (w * 4, h), WHITE)
    sheet.paste(_shade(front), (0, 0))
    sheet.paste(front, (w, 0))
    sheet.paste(_shade(back), (2 * w, 0))
    sheet.paste(back, (3 * w, 0))
    # Legend in the first two rows of the front shade picture.
    first_of_group = {}
    for i, piece in enumerate(g.pieces):
        sheet.putpixel((i, 0), keys[i])
        if piece.group is None:
            sheet.putpixel((i, 1), NO_GROUP)
        else:
            sheet.putpixel((i, 1), keys[first_of_group.setdefault(piece.group, i)])
    for i in range(n, w):
        sheet.putpixel((i, 0), WHITE)
        sheet.putpixel((i, 1), WHITE)
    sheet.putpixel((0, 2), NO_GROUP)

    # Preview: the front view cropped to the garment and scaled without
    # blending, so the hit map keeps exact keys.
    pw, ph = g.preview
    box = _bbox(front)
    crop = front.crop(box)
    scale = min((pw - 4) / crop.width, (ph - 4) / crop.height)
    size = (max(1, int(crop.width * scale)), max(1, int(crop.height * scale)))
    small = crop.resize(size, Image.NEAREST)
    hit = Image.new("RGB", (pw, ph), WHITE)
    hit.paste(small, ((pw - size[0]) // 2, (ph - size[1]) // 2))
    preview = Image.new("RGB", (pw * 2, ph), WHITE)
    preview.paste(_shade(hit), (0, 0))
    preview.paste(hit, (pw, 0))
    return sheet, preview


def _bbox(img):
    a = np.asarray(img)
    ys, xs = np.nonzero(np.any(a != 255, axis=2))
    if len(xs) == 0:
        return (0, 0, img.width, img.height)
    return (int(xs.min()), int(ys.min()), int(xs.max()) + 1, int(ys.max()) + 1)


def rtf_description(g, places):
    """The description: the cutting sizes are marked numbers (!X widths,
    !Y heights) that follow the doll's measurements."""
    out = [r"{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}}",
           r"{\colortbl;\red0\green0\blue128;}",
           r"\pard\plain\f0\fs24\b " + g.title + r"\par",
           r"\pard\plain\f0\fs20 Cut each piece from folded fabric, right sides together. "
           r"Sizes below are for your doll and include a 6 mm seam allowance.\par"]
    for piece, (x, y, w, h) in zip(g.pieces, places):
        out.append(r"\pard\plain\f0\fs20 " + piece.name + r": width !X" + str(w) + r" mm, height !Y" + str(h) + r" mm.\par")
    out.append(r"\pard\plain\f0\fs20 Sew along the dotted line, press the seams open and hem by !y5 mm.\par")
    out.append("}")
    return "\r\n".join(out) + "\r\n"


def write_model(g, folder):
    text, places = mdl_text(g)
    with open(os.path.join(folder, g.code + ".mdl"), "w", encoding="cp1252", newline="") as f:
        f.write(text)
    sheet, preview = model_pictures(g)
    sheet.save(os.path.join(folder, g.code + ".bmp"))
    preview.save(os.path.join(folder, g.code + "v.bmp"))
    with open(os.path.join(folder, g.code + ".rtf"), "w", encoding="cp1252", newline="") as f:
        f.write(rtf_description(g, places))
