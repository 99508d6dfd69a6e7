"""Measures a PDF page the program printed, rendered at 300 dots an inch.

  measure_pdf.py runs FILE.pdf        the longest dark horizontal and vertical
                                       runs of page 1, in millimetres
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


def longest_run(dark):
    best = 0
    for row in dark:
        padded = np.concatenate(([0], row.astype(np.int8), [0]))
        edges = np.flatnonzero(np.diff(padded))
        if len(edges):
            best = max(best, int((edges[1::2] - edges[::2]).max()))
    return best


def mm(pixels):
    return pixels * 25.4 / DPI


if __name__ == "__main__":
    img = page(sys.argv[2])
    dark = img < 128
    if sys.argv[1] == "runs":
        print("%.2f %.2f" % (mm(longest_run(dark)), mm(longest_run(dark.T))))
    else:
        x0, x1, y0, y1 = (int(round(float(v) * DPI / 25.4)) for v in sys.argv[3:7])
        ink = img[y0:y1, x0:x1] < 250
        ys, xs = np.nonzero(ink)
        if len(xs) == 0:
            print("0 0")
        else:
            print("%.2f %.2f" % (mm(xs.max() - xs.min() + 1), mm(ys.max() - ys.min() + 1)))
