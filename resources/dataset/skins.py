"""Skin pictures: the main window's background, the dialogs' faces, notices,
fabric atlases, the drum's frames, the pattern view's and the previews'
animations, the decorations, the title and the about picture."""
import math

import numpy as np
from PIL import Image, ImageDraw, ImageFont

WHITE = (255, 255, 255)
FONT = ImageFont.load_default()
PAPER = (250, 244, 232)
ROSE = (232, 170, 190)
PLUM = (120, 60, 110)


def gradient(size, top, bottom):
    w, h = size
    t = np.linspace(0.0, 1.0, h)[:, None, None]
    a = np.array(top, float)[None, None, :] * (1 - t) + np.array(bottom, float)[None, None, :] * t
    return Image.fromarray(np.repeat(a, w, axis=1).round().astype(np.uint8), "RGB")


def bevel(d, box, face, raised=True, depth=3):
    x0, y0, x1, y1 = box
    light = tuple(min(255, c + 50) for c in face)
    dark = tuple(max(0, c - 70) for c in face)
    d.rectangle(box, fill=face)
    for i in range(depth):
        a, b = (light, dark) if raised else (dark, light)
        d.line([(x0 + i, y1 - i), (x0 + i, y0 + i), (x1 - i, y0 + i)], fill=a)
        d.line([(x0 + i, y1 - i), (x1 - i, y1 - i), (x1 - i, y0 + i)], fill=b)


def label(d, xy, text, fill=PLUM):
    d.text(xy, text, font=FONT, fill=fill)


def main_picture():
    """640 x 480: the room, the caption bar, the doll's stage, the preview frames and the button bays."""
    img = gradient((640, 480), (252, 226, 236), (214, 196, 238))
    d = ImageDraw.Draw(img)
    bevel(d, (0, 0, 639, 30), ROSE)
    label(d, (10, 10), "Pupetta")
    for y in range(40, 400, 24):
        d.line([(236, y), (454, y)], fill=(246, 214, 226))
    bevel(d, (240, 36, 449, 403), (248, 232, 240), raised=False, depth=2)
    d.rectangle((245, 40, 444, 399), fill=(252, 244, 248))
    bevel(d, (500, 108, 643, 285), (236, 210, 230), raised=False)
    bevel(d, (485, 14, 609, 107), (236, 210, 230), raised=False)
    bevel(d, (589, 235, 643, 313), (236, 210, 230), raised=False)
    bevel(d, (0, 257, 102, 367), (214, 186, 214), raised=False)
    for x, y, w, h in [(106, 403, 186, 72), (292, 402, 48, 74), (341, 403, 160, 72), (488, 282, 101, 89),
                       (97, 86, 40, 40), (7, 86, 40, 40), (52, 86, 40, 40), (8, 32, 80, 50), (81, 185, 60, 60)]:
        bevel(d, (x, y, x + w - 1, y + h - 1), ROSE)
    label(d, (116, 432), "Print the patterns")
    label(d, (350, 432), "Restore    Save")
    _button_pictures(d)
    return img


def _button_pictures(d):
    """The pictures of the main window's one-face buttons, drawn in their bays."""
    # Help (97, 86): a question mark in a ring.
    d.ellipse((104, 93, 129, 118), outline=PLUM, width=3)
    d.arc((110, 97, 123, 108), 200, 20, fill=PLUM, width=3)
    d.line([(121, 106), (117, 110), (117, 112)], fill=PLUM, width=3)
    d.rectangle((116, 114, 118, 116), fill=PLUM)
    # More games (7, 86): two dice.
    for x, y in ((12, 94), (26, 104)):
        d.rounded_rectangle((x, y, x + 14, y + 14), 3, fill=WHITE, outline=PLUM, width=2)
        for px, py in ((3, 3), (7, 7), (11, 11)):
            d.ellipse((x + px - 1, y + py - 1, x + px + 1, y + py + 1), fill=PLUM)
    # Tell a friend (52, 86): a letter.
    d.rectangle((58, 96, 85, 115), fill=WHITE, outline=PLUM, width=2)
    d.line([(58, 96), (71, 107), (85, 96)], fill=PLUM, width=2)
    # The website (8, 32): a globe with its meridians.
    d.ellipse((33, 38, 70, 75), fill=(190, 220, 245), outline=PLUM, width=2)
    d.ellipse((43, 38, 60, 75), outline=PLUM, width=2)
    for y in (48, 56, 65):
        d.line([(35, y), (68, y)], fill=PLUM, width=1)
    # Announcements (81, 185): a folded newspaper.
    d.polygon([(90, 196), (132, 192), (132, 234), (90, 238)], fill=WHITE, outline=PLUM)
    d.rectangle((95, 200, 112, 212), fill=(200, 170, 200))
    for y in range(200, 232, 5):
        d.line([(116, y), (128, y)], fill=PLUM)
    for y in range(217, 232, 5):
        d.line([(95, y), (112, y)], fill=PLUM)
    # Print the doll (292, 402): her figure.
    d.ellipse((309, 412, 323, 426), fill=(240, 205, 180), outline=PLUM)
    d.polygon([(316, 428), (302, 458), (330, 458)], fill=ROSE, outline=PLUM)
    d.line([(311, 458), (311, 468)], fill=PLUM, width=2)
    d.line([(321, 458), (321, 468)], fill=PLUM, width=2)
    # The caption bar's minimise (598, 4) and close (620, 4) buttons.
    d.line([(602, 19), (613, 19)], fill=PLUM, width=3)
    d.line([(624, 8), (635, 19)], fill=PLUM, width=3)
    d.line([(624, 19), (635, 8)], fill=PLUM, width=3)


# Faces of the dialogs inside Resource.bmp (origin, size).
DIALOG_FACES = {
    "help": ((0, 0), (435, 583)),
    "pattern print": ((435, 0), (405, 583)),
    "save slot": ((840, 0), (435, 329)),
    "doll print": ((840, 329), (435, 254)),
}


# The print dialogs' buttons, a normal and a pressed frame side by side,
# below the pattern print dialog's face (both dialogs use them).
PRINT_BUTTONS = {
    "Setup": ((443, 368), (76, 51)),
    "Print": ((603, 368), (76, 51)),
    "Help": ((443, 424), (76, 51)),
    "Exit": ((603, 424), (76, 51)),
    "Standard": ((443, 480), (60, 51)),
    "x": ((603, 480), (15, 15)),
}


def resource_picture():
    img = Image.new("RGB", (1275, 583), PAPER)
    d = ImageDraw.Draw(img)
    for name, ((x, y), (w, h)) in DIALOG_FACES.items():
        face = gradient((w, h), (250, 236, 244), (226, 212, 240))
        img.paste(face, (x, y))
        bevel(d, (x, y, x + w - 1, y + h - 1), (226, 196, 220), depth=4)
        # Caption bar and a well for the dialog's contents.
        d.rectangle((x + 6, y + 6, x + w - 7, y + 28), fill=ROSE)
        bevel(d, (x + 12, y + 40, x + w - 13, y + h - 60), (255, 252, 248), raised=False, depth=2)
        label(d, (x + 14, y + 12), name.capitalize())
    for text, ((x, y), (w, h)) in PRINT_BUTTONS.items():
        for k, raised in enumerate((True, False)):
            bx = x + k * w
            bevel(d, (bx, y, bx + w - 1, y + h - 1), ROSE, raised=raised, depth=2 if w > 20 else 1)
            tw = d.textlength(text, font=FONT)
            label(d, (bx + (w - tw) / 2 + k, y + h / 2 - 6 + k), text)
    return img


def letters_picture():
    """Three flying notices of 220 x 80 at x 0, 221 and 442."""
    img = Image.new("RGB", (662, 80), WHITE)
    d = ImageDraw.Draw(img)
    for i, text in enumerate(["Done!", "Nothing to print", "The doll is hidden"]):
        x = i * 221
        d.rounded_rectangle((x + 2, 2, x + 217, 77), 16, fill=(255, 236, 140), outline=PLUM, width=3)
        tw = d.textlength(text, font=FONT)
        label(d, (x + 110 - tw / 2, 34), text)
    return img


def _fabric_stretch(i):
    """A picture fabric: flowers, stripes and checks drawn across the whole cell."""
    rng = np.random.default_rng(1000 + i)
    base = tuple(int(v) for v in rng.integers(90, 240, 3))
    img = Image.new("RGB", (60, 60), base)
    d = ImageDraw.Draw(img)
    kind = i % 3
    other = tuple(255 - c // 2 for c in base)
    if kind == 0:
        for _ in range(6):
            x, y = (int(v) for v in rng.integers(4, 56, 2))
            for k in range(5):
                a = k * 2 * math.pi / 5
                d.ellipse((x + 5 * math.cos(a) - 3, y + 5 * math.sin(a) - 3, x + 5 * math.cos(a) + 3, y + 5 * math.sin(a) + 3), fill=other)
            d.ellipse((x - 2, y - 2, x + 2, y + 2), fill=(250, 220, 60))
    elif kind == 1:
        for y in range(0, 60, 10):
            d.rectangle((0, y, 59, y + 3), fill=other)
    else:
        for x in range(-60, 60, 12):
            d.line([(x, 0), (x + 60, 60)], fill=other, width=3)
    return img


def _fabric_tile(i):
    """A tiled fabric: small repeating dots, checks and zigzags."""
    rng = np.random.default_rng(2000 + i)
    base = tuple(int(v) for v in rng.integers(60, 250, 3))
    other = tuple(int(v) for v in rng.integers(20, 250, 3))
    img = Image.new("RGB", (60, 60), base)
    d = ImageDraw.Draw(img)
    step = (6, 10, 12, 15, 20)[i % 5]
    kind = (i // 5) % 4
    for y in range(0, 60, step):
        for x in range(0, 60, step):
            if kind == 0:
                d.ellipse((x + 1, y + 1, x + step // 2, y + step // 2), fill=other)
            elif kind == 1 and (x // step + y // step) % 2 == 0:
                d.rectangle((x, y, x + step - 1, y + step - 1), fill=other)
            elif kind == 2:
                d.line([(x, y + step - 1), (x + step // 2, y), (x + step - 1, y + step - 1)], fill=other, width=2)
            elif kind == 3:
                d.line([(x, y), (x + step - 1, y)], fill=other, width=2)
    return img


FILLS_S = (6, 2)   # columns, rows of stretched fabrics
FILLS_M = (6, 4)   # columns, rows of tiled fabrics


def fills_picture(tiles):
    cols, rows = FILLS_M if tiles else FILLS_S
    img = Image.new("RGB", (cols * 60, rows * 60), WHITE)
    for n in range(cols * rows):
        cell = _fabric_tile(n) if tiles else _fabric_stretch(n)
        img.paste(cell, ((n % cols) * 60, (n // cols) * 60))
    return img


DRUM_W, DRUM_H = 99, 103
DRUM_FRAMES = 8        # closed lid and seven opening frames
# Key colours of windows -3 .. 1 in column 0, rows 0 .. 4.
DRUM_KEYS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255)]


def drum_picture():
    img = Image.new("RGB", (1 + DRUM_FRAMES * DRUM_W, 4 * DRUM_H), (200, 180, 210))
    for k, c in enumerate(DRUM_KEYS):
        img.putpixel((0, k), c)
    d = ImageDraw.Draw(img)
    for row in range(4):
        for k in range(DRUM_FRAMES):
            x, y = 1 + k * DRUM_W, row * DRUM_H
            bevel(d, (x, y, x + DRUM_W - 1, y + DRUM_H - 1), (190, 150, 200))
            if row == 0 and k == 0:
                d.ellipse((x + 20, y + 20, x + 78, y + 82), fill=ROSE, outline=PLUM, width=3)
                continue
            # How far open: rows 0 and 1 animate, rows 2 and 3 are open.
            open_part = (k / (DRUM_FRAMES - 1)) if row == 0 else (1 - k / (DRUM_FRAMES - 1)) if row == 1 else 1.0
            shift = 0 if row < 2 else (k * 3 if row == 3 else -k * 3) % 18
            for w, c in enumerate(DRUM_KEYS):
                cy = y + 8 + w * 18 + (shift if row >= 2 else 0) % 6
                half = int(6 + 30 * open_part * (1 - abs(w - 2) * 0.25))
                d.rectangle((x + 49 - half, cy, x + 49 + half, cy + 14), fill=c)
    return img


def sheet_animation(panel=(317, 306), cols=3, rows=3):
    """The pattern view opening like a sheet of paper: nine cells of the panel's size."""
    w, h = panel
    img = Image.new("RGB", (w * cols, h * rows), (214, 196, 238))
    d = ImageDraw.Draw(img)
    for k in range(cols * rows):
        x, y = (k % cols) * w, (k // cols) * h
        t = (k + 1) / (cols * rows)
        d.rectangle((x, y, x + w - 1, y + h - 1), fill=(214, 196, 238))
        d.rectangle((x + 4, y + 4, x + w - 5, y + 4 + int((h - 9) * t)), fill=WHITE, outline=PLUM, width=2)
    return img


TURN_FRAMES = 6


def preview_turn_strip(size=(136, 170)):
    """TurnFrames + 2 frames: turn backgrounds, the resting background and the frame overlay."""
    w, h = size
    img = Image.new("RGB", (w * (TURN_FRAMES + 2), h), WHITE)
    d = ImageDraw.Draw(img)
    for k in range(TURN_FRAMES + 1):
        x = k * w
        img.paste(gradient((w, h), (248, 232, 240), (224 - k * 4, 210, 238)), (x, 0))
        d.ellipse((x + 10, h - 30 + k, x + w - 10, h - 6), fill=(220, 200, 228))
    x = (TURN_FRAMES + 1) * w
    bevel(d, (x, 0, x + w - 1, h - 1), ROSE, depth=4)
    d.rectangle((x + 4, 4, x + w - 5, h - 5), fill=WHITE)
    return img


ZAMOR_SIZE, ZAMOR_FRAMES = (64, 64), 10


def decorations_picture():
    """A butterfly flapping its wings, frame by frame."""
    w, h = ZAMOR_SIZE
    img = Image.new("RGB", (w * ZAMOR_FRAMES, h), WHITE)
    d = ImageDraw.Draw(img)
    for f in range(ZAMOR_FRAMES):
        x = f * w
        span = int(28 * abs(math.cos(f * math.pi / ZAMOR_FRAMES * 2)))
        d.ellipse((x + 32 - span, 12, x + 32, 40), fill=(240, 120, 180), outline=PLUM)
        d.ellipse((x + 32, 12, x + 32 + span, 40), fill=(240, 120, 180), outline=PLUM)
        d.line([(x + 32, 10), (x + 32, 52)], fill=PLUM, width=3)
    return img


def title_picture():
    img = gradient((640, 480), (255, 214, 232), (150, 110, 200))
    d = ImageDraw.Draw(img)
    for i in range(12):
        a = i * math.pi / 6
        d.ellipse((320 + 170 * math.cos(a) - 18, 240 + 150 * math.sin(a) - 18,
                   320 + 170 * math.cos(a) + 18, 240 + 150 * math.sin(a) + 18), fill=(255, 240, 250))
    big = Image.new("RGB", (80, 16), (0, 0, 0))
    ImageDraw.Draw(big).text((4, 2), "Pupetta", font=FONT, fill=WHITE)
    big = big.resize((400, 80), Image.NEAREST)
    img.paste((120, 40, 120), (120, 200), big.convert("L"))
    return img


def about_picture():
    img = gradient((160, 100), (40, 20, 60), (0, 0, 0))
    d = ImageDraw.Draw(img)
    d.ellipse((60, 10, 100, 50), fill=(238, 196, 170))
    d.pieslice((56, 6, 104, 54), 180, 360, fill=(120, 72, 40))
    d.polygon([(80, 50), (50, 96), (110, 96)], fill=(232, 80, 140))
    return img
