#!/usr/bin/env python3
"""Draws the skins of the framework tests: a 16x16 tile for the skinned
panels and a strip of three 40x24 button faces (normal, pressed, marked)."""
import struct
import sys
from pathlib import Path


def write_bmp(path, width, height, pixel):
    stride = (width * 3 + 3) & ~3
    rows = b""
    for y in range(height - 1, -1, -1):  # bottom-up
        row = b"".join(struct.pack("BBB", *reversed(pixel(x, y))) for x in range(width))
        rows += row + b"\0" * (stride - width * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    path.write_bytes(header + info + rows)


def tile(x, y):
    # Two tones in a checker of 8x8 cells.
    return (40, 90, 160) if (x // 8 + y // 8) % 2 == 0 else (60, 120, 200)


FACES = [(200, 60, 60), (60, 160, 60), (230, 200, 40)]


def strip(x, y):
    face = FACES[x // 40]
    if x % 40 in (0, 39) or y in (0, 23):
        return (0, 0, 0)
    return face


out = Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
write_bmp(out / "tile.bmp", 16, 16, tile)
write_bmp(out / "strip.bmp", 120, 24, strip)
