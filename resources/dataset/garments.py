"""The garments: each is a list of pattern pieces with its outline on the doll
(front and back, in panel pixels) from which the worn pictures, the hit maps and
the pattern pieces in millimetres are all made, so they always agree."""
from doll import CX, NECK_Y, SHOULDER_Y, BUST_Y, WAIST_Y, HIP_Y, KNEE_Y, ANKLE_Y, SOLE_Y
from doll import SHOULDER_HALF, WAIST_HALF, HIP_HALF


class Piece:
    def __init__(self, name, front=(), back=(), group=None):
        self.name, self.front, self.back, self.group = name, list(front), list(back), group


class Garment:
    def __init__(self, code, title, pieces, tokens="", slot=(200, 360), top=0, preview=(136, 165)):
        self.code, self.title, self.pieces, self.tokens = code, title, pieces, tokens
        self.slot, self.top, self.preview = slot, top, preview


def _mirror(poly):
    return [(2 * CX - x, y) for x, y in poly]


def bodice(bottom, neck, flare=0, prefix=""):
    """Front bodice (one piece), back bodice (two halves, one group)."""
    hem_half = WAIST_HALF + (HIP_HALF - WAIST_HALF) * max(0, bottom - WAIST_Y) / (HIP_Y - WAIST_Y) + flare
    if bottom <= WAIST_Y:
        hem_half = WAIST_HALF
    front = [(CX - SHOULDER_HALF, SHOULDER_Y), (CX - 8, SHOULDER_Y), (CX, SHOULDER_Y + neck), (CX + 8, SHOULDER_Y),
             (CX + SHOULDER_HALF, SHOULDER_Y), (CX + WAIST_HALF, min(bottom, WAIST_Y)),
             (CX + hem_half, bottom), (CX - hem_half, bottom), (CX - WAIST_HALF, min(bottom, WAIST_Y))]
    if bottom <= WAIST_Y:
        front = [p for i, p in enumerate(front) if i not in (6, 7)]
    left = [(CX - SHOULDER_HALF, SHOULDER_Y - 2), (CX, SHOULDER_Y - 4), (CX, bottom), (CX - hem_half, bottom),
            (CX - WAIST_HALF, min(bottom, WAIST_Y))]
    return [Piece(prefix + "Front", front=[front]),
            Piece(prefix + "Back left", back=[left], group="back"),
            Piece(prefix + "Back right", back=[_mirror(left)], group="back")]


def sleeves(length, width=12):
    """Two sleeves of one group; each shows on both sides of the doll."""
    end = SHOULDER_Y + length
    left = [(CX - SHOULDER_HALF, SHOULDER_Y), (CX - SHOULDER_HALF + 4, SHOULDER_Y + 22),
            (CX - SHOULDER_HALF - 6 - length * 8 // 100, end), (CX - SHOULDER_HALF - 6 - length * 8 // 100 - width, end - 3),
            (CX - SHOULDER_HALF - 10, SHOULDER_Y + 8)]
    return [Piece("Sleeve left", front=[left], back=[_mirror(left)], group="sleeve"),
            Piece("Sleeve right", front=[_mirror(left)], back=[left], group="sleeve")]


def skirt(top, hem, flare, panels=2):
    half_top = WAIST_HALF if top <= WAIST_Y + 2 else HIP_HALF
    half_hem = HIP_HALF + flare
    hip = [(CX - half_top, top), (CX + half_top, top), (CX + HIP_HALF + 2, HIP_Y), (CX + half_hem, hem), (CX - half_hem, hem),
           (CX - HIP_HALF - 2, HIP_Y)]
    if hem <= HIP_Y:
        hip = [(CX - half_top, top), (CX + half_top, top), (CX + half_hem, hem), (CX - half_hem, hem)]
    if panels == 2:
        return [Piece("Skirt front", front=[hip]), Piece("Skirt back", back=[hip])]
    left = [p if p[0] <= CX else (CX, p[1]) for p in hip]
    return [Piece("Skirt front", front=[hip]),
            Piece("Skirt back left", back=[left], group="skirtback"),
            Piece("Skirt back right", back=[_mirror(left)], group="skirtback")]


def trousers(hem, ease):
    leg = [(CX - HIP_HALF - 1, HIP_Y - 14), (CX, HIP_Y - 14), (CX, HIP_Y + 6), (CX - 3, HIP_Y + 10),
           (CX - 5 + ease // 3, hem), (CX - 19 - ease, hem)]
    if hem > KNEE_Y:
        leg = leg[:4] + [(CX - 5, KNEE_Y), (CX - 6 + ease // 3, hem), (CX - 19 - ease, hem), (CX - 27, KNEE_Y)]
    return [Piece("Leg front left", front=[leg], group="front"),
            Piece("Leg front right", front=[_mirror(leg)], group="front"),
            Piece("Leg back left", back=[_mirror(leg)], group="back"),
            Piece("Leg back right", back=[leg], group="back"),
            Piece("Waistband", front=[[(CX - HIP_HALF + 1, HIP_Y - 20), (CX + HIP_HALF - 1, HIP_Y - 20),
                                        (CX + HIP_HALF, HIP_Y - 14), (CX - HIP_HALF, HIP_Y - 14)]],
                  back=[[(CX - HIP_HALF + 1, HIP_Y - 20), (CX + HIP_HALF - 1, HIP_Y - 20),
                         (CX + HIP_HALF, HIP_Y - 14), (CX - HIP_HALF, HIP_Y - 14)]])]


def coat(hem, flare, sleeve_len, collar):
    hem_half = HIP_HALF + flare
    side = [(CX - SHOULDER_HALF - 1, SHOULDER_Y - 1), (CX - 8, SHOULDER_Y - 1), (CX + 3, SHOULDER_Y + 30), (CX + 3, hem),
            (CX - hem_half, hem), (CX - HIP_HALF - 2, HIP_Y), (CX - WAIST_HALF - 2, WAIST_Y)]
    back = [(CX - SHOULDER_HALF - 1, SHOULDER_Y - 3), (CX + SHOULDER_HALF + 1, SHOULDER_Y - 3),
            (CX + WAIST_HALF + 2, WAIST_Y), (CX + HIP_HALF + 2, HIP_Y), (CX + hem_half, hem), (CX - hem_half, hem),
            (CX - HIP_HALF - 2, HIP_Y), (CX - WAIST_HALF - 2, WAIST_Y)]
    pieces = [Piece("Front left", front=[side], group="front"),
              Piece("Front right", front=[_mirror(side)], group="front"),
              Piece("Back", back=[back])]
    pieces += sleeves(sleeve_len, 14)
    if collar:
        c = [(CX - 14, NECK_Y + 4), (CX - 2, SHOULDER_Y + 14), (CX - 10, SHOULDER_Y + 10), (CX - 20, SHOULDER_Y - 2)]
        pieces.append(Piece("Collar", front=[c, _mirror(c)],
                            back=[[(CX - 16, NECK_Y + 2), (CX + 16, NECK_Y + 2), (CX + 18, SHOULDER_Y + 4), (CX - 18, SHOULDER_Y + 4)]]))
    return pieces


def hat(brim_half, crown_h, brim_h, band):
    base = 28
    crown = [(CX - 20, base), (CX - 16, base - crown_h), (CX + 16, base - crown_h), (CX + 20, base)]
    brim = [(CX - brim_half, base), (CX + brim_half, base), (CX + brim_half - 4, base + brim_h), (CX - brim_half + 4, base + brim_h)]
    pieces = [Piece("Crown", front=[crown], back=[crown]), Piece("Brim", front=[brim], back=[brim])]
    if band:
        pieces.append(Piece("Band", front=[[(CX - 20, base - 6), (CX + 20, base - 6), (CX + 20, base), (CX - 20, base)]],
                            back=[[(CX - 20, base - 6), (CX + 20, base - 6), (CX + 20, base), (CX - 20, base)]]))
    return pieces


def shoes(shaft):
    """In panel pixels; the slot (200 x 120 at y 240) cuts them out."""
    top = ANKLE_Y - shaft
    sole = SOLE_Y + 2
    left = [(CX - 20, top), (CX - 5, top), (CX - 3, sole), (CX - 26, sole), (CX - 24, sole - 8)]
    return [Piece("Upper left", front=[left], back=[_mirror(left)], group="upper"),
            Piece("Upper right", front=[_mirror(left)], back=[left], group="upper"),
            Piece("Sole left", front=[[(CX - 27, sole), (CX - 2, sole), (CX - 2, sole + 3), (CX - 27, sole + 3)]],
                  back=[[(CX + 2, sole), (CX + 27, sole), (CX + 27, sole + 3), (CX + 2, sole + 3)]], group="sole"),
            Piece("Sole right", front=[[(CX + 2, sole), (CX + 27, sole), (CX + 27, sole + 3), (CX + 2, sole + 3)]],
                  back=[[(CX - 27, sole), (CX - 2, sole), (CX - 2, sole + 3), (CX - 27, sole + 3)]], group="sole")]



HAT = dict(slot=(200, 80), top=0, preview=(117, 86))
SHOE = dict(slot=(200, 120), top=240, preview=(47, 71))


def catalogue():
    """Eight categories, three or more garments each."""
    return [
        Garment("wn01", "Winter coat", coat(KNEE_Y + 10, 14, 100, True)),
        Garment("wn02", "Raincoat", coat(KNEE_Y - 10, 8, 96, False), tokens="hl02"),
        Garment("wn03", "Short fur jacket", coat(HIP_Y + 6, 6, 90, True)),
        Garment("pl01", "Summer dress", bodice(WAIST_Y, 14) + skirt(WAIST_Y, KNEE_Y - 20, 12)),
        Garment("pl02", "Evening gown", bodice(WAIST_Y, 22) + skirt(WAIST_Y, ANKLE_Y, 30, panels=3) + sleeves(40, 10),
                tokens="sh03"),
        Garment("pl03", "Tunic dress", bodice(HIP_Y - 4, 10, 2) + skirt(HIP_Y - 4, KNEE_Y - 4, 6) + sleeves(96, 10)),
        Garment("br01", "Jeans", trousers(ANKLE_Y - 2, 2)),
        Garment("br02", "Shorts", trousers(HIP_Y + 30, 6)),
        Garment("br03", "Wide trousers", trousers(ANKLE_Y + 4, 10)),
        Garment("bl01", "Blouse", bodice(HIP_Y - 8, 12, 2) + sleeves(96, 10)),
        Garment("bl02", "Sleeveless top", bodice(WAIST_Y, 18)),
        Garment("bl03", "Shirt with short sleeves", bodice(HIP_Y - 8, 8, 2) + sleeves(34, 12)),
        Garment("hl01", "Bathrobe", coat(KNEE_Y + 20, 10, 90, True)),
        Garment("hl02", "Swimsuit", [Piece("Front", front=[[(CX - 16, BUST_Y - 14), (CX + 16, BUST_Y - 14), (CX + WAIST_HALF, WAIST_Y),
                                                            (CX + HIP_HALF - 2, HIP_Y - 6), (CX + 4, HIP_Y + 10), (CX - 4, HIP_Y + 10),
                                                            (CX - HIP_HALF + 2, HIP_Y - 6), (CX - WAIST_HALF, WAIST_Y)]]),
                                     Piece("Back", back=[[(CX - 18, BUST_Y - 10), (CX + 18, BUST_Y - 10), (CX + WAIST_HALF, WAIST_Y),
                                                          (CX + HIP_HALF - 2, HIP_Y - 6), (CX + 4, HIP_Y + 10), (CX - 4, HIP_Y + 10),
                                                          (CX - HIP_HALF + 2, HIP_Y - 6), (CX - WAIST_HALF, WAIST_Y)]])]),
        Garment("hl03", "Dressing gown", coat(ANKLE_Y - 6, 16, 80, False)),
        Garment("yu01", "Straight skirt", skirt(WAIST_Y, KNEE_Y - 10, 2), preview=(136, 170)),
        Garment("yu02", "Flared skirt", skirt(WAIST_Y, KNEE_Y + 6, 24, panels=3), preview=(136, 170)),
        Garment("yu03", "Mini skirt", skirt(WAIST_Y + 16, HIP_Y + 26, 6), preview=(136, 170)),
        Garment("sh01", "Beret", hat(24, 14, 4, False), **HAT),
        Garment("sh02", "Wide-brimmed hat", hat(48, 22, 8, True), tokens="@", **HAT),
        Garment("sh03", "Straw hat", hat(36, 18, 6, True), tokens="@pl02", **HAT),
        Garment("tf01", "Ballet flats", shoes(2), **SHOE),
        Garment("tf02", "Ankle boots", shoes(16), **SHOE),
        Garment("tf03", "High boots", shoes(70), **SHOE),
    ]
