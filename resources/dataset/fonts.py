"""The program's two fonts, made from DejaVu (Debian's fonts-dejavu-core) and
renamed as its licence asks of modified versions:
- metip___.ttf, face "Ridided": DejaVu Sans cut to Latin-1 by fontforge;
- rirezoz.fon, face "Zuvi": bitmap strikes of DejaVu Sans Bold in the Windows
  FNT 2.0 layout, wrapped in a 16-bit (NE) font library."""
import os
import struct
import subprocess
import sys

from PIL import Image, ImageDraw, ImageFont

DEJAVU = "/usr/share/fonts/truetype/dejavu/"
LICENCE = ("Based on DejaVu fonts (Bitstream Vera derivative, free licence); "
           "renamed as the licence requires of modified versions.")

TTF_SCRIPT = r'''
import os, sys
os.environ["SOURCE_DATE_EPOCH"] = "1700000000"   # fixed time stamps in 'head'
import fontforge
f = fontforge.open(sys.argv[1])
for lookup in f.gsub_lookups + f.gpos_lookups:
    f.removeLookup(lookup)
f.selection.select(("ranges",), 0x20, 0x7E)
f.selection.select(("ranges", "more"), 0xA0, 0xFF)
f.selection.invert()
f.clear()
f.fontname = f.familyname = f.fullname = sys.argv[3]
keep = [n for n in f.sfnt_names if n[1] in ("Copyright", "License", "License URL")]
f.sfnt_names = tuple(keep)
for key, value in (("Family", sys.argv[3]), ("SubFamily", "Regular"), ("Fullname", sys.argv[3]),
                   ("UniqueID", sys.argv[3] + " Regular"), ("Descriptor", sys.argv[4])):
    f.appendSFNTName("English (US)", key, value)
f.generate(sys.argv[2])
'''


def write_ttf(path, face):
    """fontforge's Python module, run as its own process (it writes chatter to stderr)."""
    subprocess.run([sys.executable, "-B", "-c", TTF_SCRIPT, DEJAVU + "DejaVuSans.ttf", path, face, LICENCE],
                   check=True, stderr=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


FIRST, LAST = 0x20, 0xFF
HEADER_SIZE = 118  # FNT 2.0


def _char(code):
    try:
        return bytes([code]).decode("cp1252")
    except UnicodeDecodeError:
        return None


def fnt_strike(face, points, ttf=DEJAVU + "DejaVuSans-Bold.ttf"):
    """One raster font (FNT 2.0) of the ANSI characters at 96 dpi, monochrome."""
    px = round(points * 96 / 72)
    font = ImageFont.truetype(ttf, px)
    ascent, descent = font.getmetrics()
    height = ascent + descent
    glyphs = []
    for code in range(FIRST, LAST + 1):
        ch = _char(code) or "?"
        width = max(1, round(font.getlength(ch)))
        img = Image.new("1", (width, height), 0)
        d = ImageDraw.Draw(img)
        d.fontmode = "1"
        d.text((0, 0), ch, font=font, fill=1)
        glyphs.append(img)
    # A sentinel glyph follows the last one, as the format asks.
    glyphs.append(glyphs[0])
    table_size = 4 * len(glyphs)
    bits_offset = HEADER_SIZE + table_size
    table, bits = bytearray(), bytearray()
    for img in glyphs:
        table += struct.pack("<HH", img.width, bits_offset + len(bits))
        pix = img.load()
        for col in range((img.width + 7) // 8):
            for y in range(height):
                byte = 0
                for b in range(8):
                    x = col * 8 + b
                    if x < img.width and pix[x, y]:
                        byte |= 0x80 >> b
                bits.append(byte)
    face_offset = bits_offset + len(bits)
    size = face_offset + len(face) + 1
    widths = [g.width for g in glyphs[:-1]]
    header = struct.pack("<HI60sHHHHHHHBBBHBHHBHHBBBBHIIII B".replace(" ", ""),
                         0x0200, size, LICENCE[:59].encode("ascii"), 0, points, 96, 96, ascent, 0, 0,
                         0, 0, 0, 700, 0, 0, height, 0x21, round(sum(widths) / len(widths)), max(widths),
                         FIRST, LAST, ord("?") - FIRST, 0, 0, 0, face_offset, 0, bits_offset, 0)
    assert len(header) == HEADER_SIZE
    return header + bytes(table) + bytes(bits) + face.encode("ascii") + b"\0"


def _pascal(text):
    return bytes([len(text)]) + text.encode("ascii")


def fon_library(module, face, strikes):
    """A 16-bit Windows executable holding the strikes as FONT resources and
    their directory as the FONTDIR resource."""
    shift = 4
    align = 1 << shift
    fontdir = struct.pack("<H", len(strikes))
    for i, fnt in enumerate(strikes):
        fontdir += struct.pack("<H", i + 1) + fnt[:0x71] + b"\0" + face.encode("ascii") + b"\0"
    resources = [fontdir] + list(strikes)

    # Resource table: shift, FONTDIR (named), FONT x n (numbered), end, names.
    types_len = 2 + (8 + 12) + (8 + 12 * len(strikes)) + 2
    names = _pascal("FONTDIR") + b"\0"
    res_table_len = types_len + len(names)
    resident = _pascal(module.upper()) + struct.pack("<H", 0) + b"\0"
    entry = b"\0\0"
    modref = b""
    imported = b"\0"
    nonres = _pascal(f"FONTRES 100,96,96 : {face}") + struct.pack("<H", 0) + b"\0"

    ne_at = 0x80
    off_res = 0x40
    off_resident = off_res + res_table_len
    off_modref = off_resident + len(resident)
    off_imported = off_modref + len(modref)
    off_entry = off_imported + len(imported)
    nonres_at = ne_at + off_entry + len(entry)
    data_at = -(-(nonres_at + len(nonres)) // align) * align

    places, at = [], data_at
    for r in resources:
        places.append(at)
        at = -(-(at + len(r)) // align) * align

    res = struct.pack("<H", shift)
    res += struct.pack("<HHI", 0x8007, 1, 0)
    res += struct.pack("<HHHHI", places[0] >> shift, -(-len(fontdir) // align), 0x0C50, types_len, 0)
    res += struct.pack("<HHI", 0x8008, len(strikes), 0)
    for i, fnt in enumerate(strikes):
        res += struct.pack("<HHHHI", places[i + 1] >> shift, -(-len(fnt) // align), 0x1C30, 0x8000 | (i + 1), 0)
    res += struct.pack("<H", 0) + names
    assert len(res) == res_table_len

    ne = struct.pack("<2sBBHHIHHHHIIHHHHHHHHIHHHBBHHHH",
                     b"NE", 5, 10, off_entry, len(entry), 0, 0x8308, 0, 0, 0, 0, 0, 0, 0,
                     len(nonres), off_res, off_res, off_resident, off_modref, off_imported, nonres_at,
                     0, shift, 0, 2, 0, 0, 0, 0, 0x0300)
    assert len(ne) == 0x40

    # DOS header whose program says what the file is and ends.
    message = b"This is a Windows font library.\r\n$"
    code = b"\x0e\x1f\xba\x0e\x00\xb4\x09\xcd\x21\xb8\x01\x4c\xcd\x21" + message
    mz = bytearray(0x40)
    mz[0:2] = b"MZ"
    struct.pack_into("<HHHHHHHHHHHH", mz, 2, (ne_at + len(code)) % 512, 1, 0, 4, 0, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40)
    struct.pack_into("<I", mz, 0x3C, ne_at)
    stub = bytes(mz) + code
    stub += b"\0" * (ne_at - len(stub))

    out = bytearray(stub + ne + res + resident + modref + imported + entry + nonres)
    for place, r in zip(places, resources):
        out += b"\0" * (place - len(out))
        out += r
    out += b"\0" * (-len(out) % align)
    return bytes(out)


def write_fonts(folder):
    write_ttf(os.path.join(folder, "metip___.ttf"), "Ridided")
    strikes = [fnt_strike("Zuvi", p) for p in (8, 10, 12)]
    with open(os.path.join(folder, "rirezoz.fon"), "wb") as f:
        f.write(fon_library("rirezoz", "Zuvi", strikes))
