"""Texts of the data set: the first-run registry file, the help document and
the general description (RTF), the link files and the credits."""

REG_KEY = r"HKEY_CURRENT_USER\Software\Quenvo\Pupetta"
CATEGORIES = ["Wn", "Pl", "Br", "Bl", "Hl", "Yu", "Sh", "Tf"]

# What each save slot wears at first: garment codes per category (None = nothing),
# the visible main preview, and fabrics per garment code.
SLOTS = [
    ({"Pl": "pl01", "Sh": "sh01", "Tf": "tf01"}, 1),
    ({"Bl": "bl01", "Br": "br01", "Tf": "tf02"}, 3),
    ({"Wn": "wn01", "Br": "br03", "Sh": "sh02", "Tf": "tf03"}, 0),
    ({"Bl": "bl02", "Yu": "yu02", "Tf": "tf01"}, 5),
    ({"Hl": "hl02", "Sh": "sh03"}, 4),
    ({"Pl": "pl02", "Tf": "tf01"}, 1),
    ({"Bl": "bl03", "Br": "br02", "Tf": "tf02"}, 2),
    ({}, 1),
]


def reg_file(catalogue, fabric_count):
    """REGEDIT4 text in ANSI with CR LF lines, as regedit writes it; the
    program's own importer reads the same lines."""
    by_cat = {c: sorted((g for g in catalogue if g.code[:2] == c.lower()), key=lambda g: g.title.encode("cp1252"))
              for c in CATEGORIES}
    lines = ["REGEDIT4", "", f"[{REG_KEY}]", '"DefaultSlot"="1"', '"Sound"="1"', "",
             f"[{REG_KEY}\\Pupetta]", '"BigMemory"="0"', ""]
    for n, (worn, view) in enumerate(SLOTS, start=1):
        lines.append(f"[{REG_KEY}\\States{n}]")
        for c in CATEGORIES:
            index = next((i for i, g in enumerate(by_cat[c]) if g.code == worn.get(c)), -1)
            lines.append(f'"ModelsItem{c}"="{index}"')
        for c in CATEGORIES:
            index = max(0, next((i for i, g in enumerate(by_cat[c]) if g.code == worn.get(c)), 0))
            lines.append(f'"ModelView{c}"="{index}"')
        lines.append(f'"ModelView"="{view}"')
        lines.append('"Width"="6.5"')
        lines.append('"Height"="30.0"')
        for g in catalogue:
            if g.code in worn.values():
                fills = [((n * 7 + i * 5 + len(g.code)) % fabric_count) for i in range(len(g.pieces))]
                lines.append(f'"{g.code}"=hex:' + ",".join(f"{b:02x}" for b in fills))
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def _rtf_head():
    return (r"{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\froman Times New Roman;}}" "\r\n"
            r"{\colortbl;\red0\green0\blue0;\red0\green128\blue0;\red128\green0\blue96;}" "\r\n")


def _para(text, size=20, bold=False):
    return r"\pard\plain\f0\fs" + str(size) + (r"\b " if bold else " ") + text + r"\par" + "\r\n"


def _link(text, topic):
    return r"{\uldb " + text + r"}{\v " + topic + "}"


HELP_TOPICS = [
    ("main", "Dressing the doll", [
        "Drag a garment from a preview on the right onto the doll to put it on. Garments that cannot be worn "
        "together are taken off for you.",
        "Click the doll to turn her round. Drag a garment off the doll back onto its preview to take it off, "
        "or use the menu of the right mouse button.",
        "Open the fabric drum at the bottom left, turn it with a click on its side windows, and drag a fabric "
        "onto a garment. Hold Shift to cover every piece at once.",
        "Click the picture area above the doll to see the sewing patterns of the garment, "
        "and click the sheet to switch between fabrics, outlines and the description.",
    ]),
    ("key_opsvform", "Saving and restoring", [
        "Eight slots keep whole outfits: the garments worn, every fabric and your doll's measurements.",
        "Pick a slot and confirm to save or restore it. No closes without saving; Cancel returns to the doll.",
    ]),
    ("key_print_d", "Printing the doll", [
        "The doll is printed from the front and the back side by side, with the names of the garments she wears "
        "below. Choose a larger print for a finer picture at the same size on paper.",
    ]),
    ("key_print_v", "Printing the patterns", [
        "Enter the height and the back width of your own doll; waist and hips follow in proportion. "
        "Standard values print the patterns at the size of the standard doll, 30 cm tall.",
        "Every piece is printed at its true size with a 6 mm seam allowance. Cut along the solid line, "
        "sew along the dotted line, and follow the arrow for the grain of the fabric.",
    ]),
]


def help_rtf():
    out = [_rtf_head()]
    out.append(_para("Pupetta Help", 28, True))
    for name, title, _ in HELP_TOPICS:
        out.append(r"\pard\plain\f0\fs20 " + _link(title, name) + r"\par" + "\r\n")
    for name, title, paras in HELP_TOPICS:
        out.append(r"\page" + "\r\n")
        out.append("#{\\footnote " + name + "}\r\n${\\footnote " + title + "}\r\nK{\\footnote " + title.lower() + "}\r\n")
        out.append(_para(title, 28, True))
        for p in paras:
            out.append(_para(p))
        out.append(r"\pard\plain\f0\fs20 " + _link("Contents", "Contents") + r"\par" + "\r\n")
    out.append("}\r\n")
    return "".join(out)


def describe_rtf():
    return (_rtf_head() + _para("Sewing patterns", 24, True) +
            _para("Choose a garment on the doll or in a preview to read how to cut and sew it. "
                  "All sizes follow the measurements entered in the pattern print window.") + "}\r\n")


LINKS = {
    "website.url": "http://www.example.com/pupetta/",
    "moregames.url": "http://www.example.com/pupetta/more.html",
    "tellafriend.url": "mailto:?subject=Pupetta%20dress-up%20doll",
    "subscribe.url": "http://www.example.com/pupetta/news.html",
    "play.url": "http://www.example.com/pupetta/thanks.html",
}


def url_file(target):
    return f"[InternetShortcut]\r\nURL={target}\r\n"


ABOUT = [
    "Pupetta",
    "a doll to dress and patterns to sew",
    "",
    "Drawings, garments and patterns",
    "made by the Pupetta generators",
    "",
    "Music",
    "seven little tunes of our own",
    "",
    "Imaging",
    "the volkg library",
    "",
    "Thank you for playing!",
]


def about_text():
    return "\r\n".join(ABOUT) + "\r\n"
