"""The doll: body geometry shared by the garments, and Doll.bmp (six frames)."""
from PIL import Image, ImageDraw

PANEL_W, PANEL_H = 200, 360
WHITE = (255, 255, 255)
SKIN = (238, 196, 170)
SKIN_SHADE = (205, 160, 135)
HAIR = (120, 72, 40)
HAIR_DARK = (92, 52, 28)
OUTLINE = (140, 96, 80)

# Landmarks in panel pixels (the doll faces the viewer, centre x = 100).
CX = 100
NECK_Y, SHOULDER_Y, BUST_Y, WAIST_Y, HIP_Y, KNEE_Y, ANKLE_Y, SOLE_Y = 64, 76, 100, 140, 176, 262, 334, 352
SHOULDER_HALF, WAIST_HALF, HIP_HALF = 30, 20, 33
# Millimetres per panel pixel: the doll stands 300 mm tall over 330 pixels.
MM_PER_PX = 300.0 / 330.0


def _body(d, hat_frame):
    # Legs, arms, torso, neck and head, drawn from simple shapes.
    d.polygon([(CX - 30, HIP_Y), (CX - 4, HIP_Y), (CX - 6, ANKLE_Y), (CX - 18, ANKLE_Y)], fill=SKIN, outline=OUTLINE)
    d.polygon([(CX + 4, HIP_Y), (CX + 30, HIP_Y), (CX + 18, ANKLE_Y), (CX + 6, ANKLE_Y)], fill=SKIN, outline=OUTLINE)
    d.polygon([(CX - 18, ANKLE_Y), (CX - 6, ANKLE_Y), (CX - 4, SOLE_Y), (CX - 24, SOLE_Y)], fill=SKIN, outline=OUTLINE)
    d.polygon([(CX + 6, ANKLE_Y), (CX + 18, ANKLE_Y), (CX + 24, SOLE_Y), (CX + 4, SOLE_Y)], fill=SKIN, outline=OUTLINE)
    d.polygon([(CX - SHOULDER_HALF, SHOULDER_Y), (CX - SHOULDER_HALF - 8, SHOULDER_Y + 10), (CX - 44, HIP_Y + 10),
               (CX - 36, HIP_Y + 12), (CX - SHOULDER_HALF + 4, SHOULDER_Y + 24)], fill=SKIN, outline=OUTLINE)
    d.polygon([(CX + SHOULDER_HALF, SHOULDER_Y), (CX + SHOULDER_HALF + 8, SHOULDER_Y + 10), (CX + 44, HIP_Y + 10),
               (CX + 36, HIP_Y + 12), (CX + SHOULDER_HALF - 4, SHOULDER_Y + 24)], fill=SKIN, outline=OUTLINE)
    d.polygon([(CX - SHOULDER_HALF, SHOULDER_Y), (CX + SHOULDER_HALF, SHOULDER_Y), (CX + WAIST_HALF, WAIST_Y),
               (CX + HIP_HALF, HIP_Y), (CX - HIP_HALF, HIP_Y), (CX - WAIST_HALF, WAIST_Y)], fill=SKIN, outline=OUTLINE)
    d.rectangle([CX - 6, NECK_Y - 8, CX + 6, SHOULDER_Y], fill=SKIN)
    d.ellipse([CX - 20, 14, CX + 20, NECK_Y], fill=SKIN, outline=OUTLINE)
    # Hair: long and loose, or pinned up under a wide hat (the second frame set).
    if hat_frame:
        d.ellipse([CX - 22, 10, CX + 22, 34], fill=HAIR)
    else:
        d.pieslice([CX - 24, 8, CX + 24, 56], 180, 360, fill=HAIR)


def _face(d):
    d.ellipse([CX - 10, 34, CX - 5, 39], fill=(60, 90, 160))
    d.ellipse([CX + 5, 34, CX + 10, 39], fill=(60, 90, 160))
    d.line([(CX - 5, 50), (CX + 5, 50)], fill=(200, 80, 90), width=2)


def _back_hair(d, hat_frame):
    if hat_frame:
        d.ellipse([CX - 22, 10, CX + 22, 52], fill=HAIR_DARK)
    else:
        d.polygon([(CX - 24, 24), (CX + 24, 24), (CX + 26, 96), (CX - 26, 96)], fill=HAIR_DARK)
        d.ellipse([CX - 24, 8, CX + 24, 56], fill=HAIR_DARK)


def doll_picture():
    """1200 x 360: front, front under a wide hat, back, back under a wide hat,
    and the two back overlays (hair over the clothes), white everywhere else."""
    img = Image.new("RGB", (PANEL_W * 6, PANEL_H), WHITE)
    for frame in range(6):
        layer = Image.new("RGB", (PANEL_W, PANEL_H), WHITE)
        d = ImageDraw.Draw(layer)
        hat_frame = frame % 2 == 1
        if frame < 2:
            _body(d, hat_frame)
            _face(d)
        elif frame < 4:
            _body(d, hat_frame)
            _back_hair(d, hat_frame)
        else:
            _back_hair(d, hat_frame)
        img.paste(layer, (frame * PANEL_W, 0))
    return img
