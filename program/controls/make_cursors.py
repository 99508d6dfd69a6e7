#!/usr/bin/env python3
"""Draws the program's two extra screen cursors (32 x 32, monochrome .cur):
a pointing hand and a drag cursor (arrow with a small sheet)."""
import struct
import sys
from pathlib import Path

HAND = [
    "      XX        ",
    "     X..X       ",
    "     X..X       ",
    "     X..X       ",
    "     X..XXX     ",
    "     X..X..XXX  ",
    "  XX X..X..X..XX",
    " X..XX.......X.X",
    " X...X.........X",
    "  X............X",
    "   X...........X",
    "   X..........X ",
    "    X.........X ",
    "    X........X  ",
    "     X.......X  ",
    "     XXXXXXXXX  ",
]

DRAG = [
    "X               ",
    "XX              ",
    "X.X             ",
    "X..X            ",
    "X...X           ",
    "X....X          ",
    "X.....X         ",
    "X......X        ",
    "X....XXXX       ",
    "X.X..X          ",
    "XX X..X XXXXXXX ",
    "X  X..X X.....X ",
    "    X..XX.....X ",
    "    XXX X.....X ",
    "        X.....X ",
    "        XXXXXXX ",
]


def cursor(shape, hot_x, hot_y):
    size = 32
    xor_rows, and_rows = [], []
    for y in range(size):
        row = shape[y] if y < len(shape) else ""
        xor_bits = and_bits = 0
        for x in range(size):
            c = row[x] if x < len(row) else " "
            bit = 1 << (31 - x)
            if c == " ":
                and_bits |= bit       # transparent
            elif c == ".":
                xor_bits |= bit       # white
        xor_rows.append(struct.pack(">I", xor_bits))
        and_rows.append(struct.pack(">I", and_bits))
    # Bottom-up rows.
    image = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    image += struct.pack("<II", 0x000000, 0xFFFFFF)
    image += b"".join(reversed(xor_rows)) + b"".join(reversed(and_rows))
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hot_x, hot_y, len(image), 6 + 16)
    return header + entry + image


if __name__ == "__main__":
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "handcur.cur").write_bytes(cursor(HAND, 7, 0))
    (out / "dragcur.cur").write_bytes(cursor(DRAG, 0, 0))
