"""Measures a PDF page the program printed, rendered at 300 dots an inch.

  measure_pdf.py lines FILE.pdf       the longest horizontal and vertical
                                       lines of page 1 (solid or dashed: at
                                       least a third of the span dark), in
                                       millimetres
  measure_pdf.py box FILE.pdf X0 X1 Y0 Y1
                                       the extent (width, height) in
                                       millimetres of the non-white pixels of
                                       page 1 inside the band given in
                                       millimetres from the page's corner
"""
import subprocess
import sys
import tempfile

import numpy as np

DPI = 300


def page(pdf):
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["pdftoppm", "-r", str(DPI), "-gray", "-f", "1", "-l", "1", pdf, tmp + "/p"], check=True)
        import glob
        name = glob.glob(tmp + "/p*.pgm")[0]
        data = open(name, "rb").read()
    # P5 header: magic, width, height, maxval, one blank.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    w, h = int(fields[1]), int(fields[2])
    return np.frombuffer(data[pos + 1:pos + 1 + w * h], dtype=np.uint8).reshape(h, w)


def longest_line(dark):
    """The longest span of a row whose dark pixels fill a third of it in
    runs of 1.5 mm on average: a cutting line, solid or dashed. Text holds
    short strokes, and a column through text and a piece has gaps."""
    best = 0
    for row in dark:
        xs = np.flatnonzero(row)
        if len(xs) < 2:
            continue
        # The row split at gaps longer than 5 mm: each part is one line.
        gaps = np.flatnonzero(np.diff(xs) > 5 * DPI / 25.4)
        for part in np.split(xs, gaps + 1):
            span = int(part[-1] - part[0] + 1)
            runs = 1 + int(np.count_nonzero(np.diff(part) > 1))
            if span > best and len(part) * 3 >= span and len(part) / runs >= 1.5 * DPI / 25.4:
                best = span
    return best


def mm(pixels):
    return pixels * 25.4 / DPI


if __name__ == "__main__":
    img = page(sys.argv[2])
    dark = img < 128
    if sys.argv[1] == "lines":
        print("%.2f %.2f" % (mm(longest_line(dark)), mm(longest_line(dark.T))))
    else:
        x0, x1, y0, y1 = (int(round(float(v) * DPI / 25.4)) for v in sys.argv[3:7])
        ink = img[y0:y1, x0:x1] < 250
        ys, xs = np.nonzero(ink)
        if len(xs) == 0:
            print("0 0")
        else:
            print("%.2f %.2f" % (mm(xs.max() - xs.min() + 1), mm(ys.max() - ys.min() + 1)))
