#!/usr/bin/env python3
"""The main window's seven cursors (resources of pupetta.exe): brush, outline,
fill, hand, garment, turn, and the brush that covers every piece (Shift held).
Written as 32 x 32 monochrome .cur files by the program's cursor writer."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "program" / "controls"))
from make_cursors import cursor  # noqa: E402

# X black, . white, blank transparent.
BRUSH = [
    "             XX ",
    "            X..X",
    "           X..X ",
    "          X..X  ",
    "         X..X   ",
    "        X..X    ",
    "       XXXX     ",
    "      X..X      ",
    "    XX..X       ",
    "   X...X        ",
    "  X...X         ",
    " X...X          ",
    " X..X           ",
    "X..X            ",
    "XXX             ",
    "                ",
]
BRUSHS = [row[:11] + "     " for row in BRUSH[:9]] + [
    "   X...X   XXX  ",
    "  X...X    X.X  ",
    " X...X   XXX.XXX",
    " X..X    X.....X",
    "X..X     XXX.XXX",
    "XXX        X.X  ",
    "           XXX  ",
]
CONTUR = [
    "           XXX  ",
    "          X...X ",
    "         X...X  ",
    "        X...X   ",
    "       X...X    ",
    "      X...X     ",
    "     X...X      ",
    "    X...X       ",
    "   X...X        ",
    "  X...X         ",
    " X.XXX          ",
    " XXX            ",
    " X              ",
    "X               ",
    "                ",
    "                ",
]
FILL = [
    "     XX         ",
    "    X..X        ",
    "   X....X       ",
    "  X......X      ",
    " X........X     ",
    "X..........X    ",
    " X........X.X   ",
    "  X......X...X  ",
    "   X....X....X  ",
    "    X..X.....X  ",
    "     XX......X  ",
    "           XXX  ",
    "                ",
    "                ",
    "                ",
    "                ",
]
HAND = [
    "   XX XX XX     ",
    "  X..X..X..X    ",
    "  X..X..X..XXX  ",
    "  X..X..X..X..X ",
    "  X..X..X..X..X ",
    "XXX..........X  ",
    "X..X.........X  ",
    "X............X  ",
    " X...........X  ",
    "  X.........X   ",
    "   X........X   ",
    "    X......X    ",
    "    XXXXXXXX    ",
    "                ",
    "                ",
    "                ",
]
MODEL = [
    "       XX       ",
    "      X..X      ",
    "        .X      ",
    "       X.X      ",
    "     XX..XX     ",
    "   XX......XX   ",
    " XX..........XX ",
    "XXXXXXXXXXXXXXXX",
    "   X........X   ",
    "   X........X   ",
    "  X..........X  ",
    "  X..........X  ",
    " X............X ",
    " XXXXXXXXXXXXXX ",
    "                ",
    "                ",
]
ROTATE = [
    "     XXXXX      ",
    "   XX.....XX X  ",
    "  X..XXXXX..XX  ",
    " X.XX     XX.X  ",
    " X.X     XX..X  ",
    "X.X     XXXXXX  ",
    "X.X             ",
    "X.X          XXX",
    "X.X          X.X",
    " X.X        X.X ",
    " X..XX     XX.X ",
    "  XX..XXXXX..X  ",
    "    XX.....XX   ",
    "      XXXXX     ",
    "                ",
    "                ",
]

CURSORS = {
    "brush.cur": (BRUSH, 0, 14),
    "contur.cur": (CONTUR, 0, 13),
    "fill.cur": (FILL, 13, 10),
    "hand.cur": (HAND, 7, 6),
    "model.cur": (MODEL, 8, 0),
    "rotate.cur": (ROTATE, 7, 7),
    "brushs.cur": (BRUSHS, 0, 14),
}

if __name__ == "__main__":
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, (shape, hx, hy) in CURSORS.items():
        (out / name).write_bytes(cursor(shape, hx, hy))
