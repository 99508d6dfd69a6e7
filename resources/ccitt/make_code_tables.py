#!/usr/bin/env python3
"""Writes the six CCITT code tables of the library's resources.

Usage: make_code_tables.py OUTDIR
Writes OUTDIR/code_table{1..6}.bin for the Windows resource script,
OUTDIR/code_tables_native.cpp, which registers the same bytes with the
native build's resource stand-in, and OUTDIR/ccitt_code_lists.h, the
encoder's code words. Everything comes from the code lists of ITU-T T.4
below (T.6 uses the same words).

The decoder reads a byte at a time. Each table is a matrix
[state * 256 + input byte] of bytes; a "code" table says what the byte
completes and the "next" table where decoding goes on:
  code 0: the code goes on in the next byte; next = the prefix state.
  any other code: next = the bit position after the code (0 = byte used up).
Start states are bit positions: 0..7 (1-D tables: white 0..7, black
8..15); the states after them are prefixes of codes cut by a byte end.

  1, 2: 2-D mode codes, 20 states.  1 pass, 2 horizontal, 3..9 vertical
        VL3..V0..VR3 (offset code - 6), 10 uncompressed-mode extension
        0000001111, 11 another extension 0000001 + bits (ends at its first
        0 bit), 12 seven 0 bits (an EOL begins).
  3, 4: uncompressed-mode codes, 20 states.  2..6 (code - 2) white pixels
        and one black, 7 five white pixels, 8..12 exit after (code - 8)
        white pixels (a tag bit follows), 14 EOL.
  5, 6: 1-D run codes, 230 states.  1 no such code, 2..105 white list
        entry (code - 2), 106..209 black list entry (code - 106), 210 EOL
        (eleven or more 0 bits, then a 1 bit).
"""
import os
import sys

SIZES = [5120, 5120, 5120, 5120, 58880, 58880]

# ITU-T T.4 Table 2 and 3: terminating codes for runs 0..63, then the
# make-up codes 64..1728; the extended make-up codes 1792..2560 are common.
WHITE = """
00110101 000111 0111 1000 1011 1100 1110 1111 10011 10100 00111 01000 001000 000011 110100 110101
101010 101011 0100111 0001100 0001000 0010111 0000011 0000100 0101000 0101011 0010011 0100100 0011000
00000010 00000011 00011010 00011011 00010010 00010011 00010100 00010101 00010110 00010111 00101000
00101001 00101010 00101011 00101100 00101101 00000100 00000101 00001010 00001011 01010010 01010011
01010100 01010101 00100100 00100101 01011000 01011001 01011010 01011011 01001010 01001011 00110010
00110011 00110100
11011 10010 010111 0110111 00110110 00110111 01100100 01100101 01101000 01100111 011001100 011001101
011010010 011010011 011010100 011010101 011010110 011010111 011011000 011011001 011011010 011011011
010011000 010011001 010011010 011000 010011011
""".split()
BLACK = """
0000110111 010 11 10 011 0011 0010 00011 000101 000100 0000100 0000101 0000111 00000100 00000111
000011000 0000010111 0000011000 0000001000 00001100111 00001101000 00001101100 00000110111 00000101000
00000010111 00000011000 000011001010 000011001011 000011001100 000011001101 000001101000 000001101001
000001101010 000001101011 000011010010 000011010011 000011010100 000011010101 000011010110 000011010111
000001101100 000001101101 000011011010 000011011011 000001010100 000001010101 000001010110 000001010111
000001100100 000001100101 000001010010 000001010011 000000100100 000000110111 000000111000 000000100111
000000101000 000001011000 000001011001 000000101011 000000101100 000001011010 000001100110 000001100111
0000001111 000011001000 000011001001 000001011011 000000110011 000000110100 000000110101 0000001101100
0000001101101 0000001001010 0000001001011 0000001001100 0000001001101 0000001110010 0000001110011
0000001110100 0000001110101 0000001110110 0000001110111 0000001010010 0000001010011 0000001010100
0000001010101 0000001011010 0000001011011 0000001100100 0000001100101
""".split()
EXTENDED = """
00000001000 00000001100 00000001101 000000010010 000000010011 000000010100 000000010101 000000010110
000000010111 000000011100 000000011101 000000011110 000000011111
""".split()
WHITE += EXTENDED
BLACK += EXTENDED


def run_of(index):
    if index < 64:
        return index
    if index < 91:
        return (index - 63) * 64
    return 1792 + (index - 91) * 64


def check_lists():
    for codes in (WHITE, BLACK):
        assert len(codes) == 104
        words = codes + ["000000000001"]
        for a in words:
            assert set(a) <= {"0", "1"} and len(a) <= 13
            for b in words:
                assert a == b or not b.startswith(a), (a, b)


# ---- Code machines: step(prefix, bit) -> ("more", prefix) | (code,) -------

def run_machine(codes, base):
    table = {w: base + i for i, w in enumerate(codes)}
    prefixes = {w[:k] for w in codes for k in range(1, len(w))}

    def step(prefix, bit):
        p = prefix + bit
        if set(p) == {"0"} and len(p) >= 8:
            # Only an EOL begins with eight 0 bits: any number of them.
            return ("more", "0" * min(len(p), 11))
        if set(p[:-1]) == {"0"} and len(p) >= 9 and p[-1] == "1":
            return (210,) if len(p) >= 12 else (1,)
        if p in table:
            return (table[p],)
        if p in prefixes:
            return ("more", p)
        return (1,)
    return step


def mode_step(prefix, bit):
    p = prefix + bit
    fixed = {"0001": 1, "001": 2, "0000010": 3, "000010": 4, "010": 5, "1": 6, "011": 7, "000011": 8,
             "0000011": 9, "0000000": 12}
    if p in fixed:
        return (fixed[p],)
    if p.startswith("0000001") and len(p) > 7:
        # An extension: 111 is uncompressed mode; any 0 bit makes it another one.
        if p[7:] == "111":
            return (10,)
        if "0" in p[7:]:
            return (11,)
    return ("more", p)


def uncompressed_step(prefix, bit):
    p = prefix + bit
    if bit == "1":
        zeros = len(p) - 1
        if zeros <= 4:
            return (2 + zeros,)
        if zeros == 5:
            return (7,)
        if zeros <= 10:
            return (8 + zeros - 6,)
        return (14,)
    return ("more", "0" * min(len(p), 11))


def build(starts, step, states_total):
    """starts: list of (state, start prefix); returns code and next tables."""
    prefix_ids = {}
    order = []
    n_start = max(s for s, _ in starts) + 1

    def prefix_state(p):
        if p not in prefix_ids:
            prefix_ids[p] = n_start + len(order)
            order.append(p)
        return prefix_ids[p]

    code = bytearray(states_total * 256)
    nxt = bytearray(states_total * 256)

    def walk(prefix, byte, first_bit):
        p = prefix
        for i in range(first_bit, 8):
            bit = "1" if byte >> (7 - i) & 1 else "0"
            r = step(p, bit)
            if r[0] != "more":
                return r[0], (i + 1) & 7
            p = r[1]
        return 0, prefix_state(p)

    for state, (tag, pos) in starts:
        for b in range(256):
            c, n = walk(tag, b, pos)
            code[state * 256 + b] = c
            nxt[state * 256 + b] = n
    done = 0
    while done < len(order):
        p = order[done]
        s = prefix_ids[p]
        done += 1
        for b in range(256):
            c, n = walk(p, b, 0)
            code[s * 256 + b] = c
            nxt[s * 256 + b] = n
    assert n_start + len(order) <= states_total, (n_start + len(order), states_total)
    build.used.append(n_start + len(order))
    return bytes(code), bytes(nxt)


build.used = []


def tables():
    check_lists()
    # Colour is part of the prefix: "w" or "b" then the bits.
    white = run_machine(WHITE, 2)
    black = run_machine(BLACK, 106)

    def step(prefix, bit):
        colour, bits = prefix[0], prefix[1:]
        r = (white if colour == "w" else black)(bits, bit)
        return r if r[0] != "more" else ("more", colour + r[1])

    positions = [(p, ("w", p)) for p in range(8)] + [(8 + p, ("b", p)) for p in range(8)]
    run_code, run_next = build(positions, step, 230)
    mode_code, mode_next = build([(p, ("", p)) for p in range(8)], mode_step, 20)
    unc_code, unc_next = build([(p, ("", p)) for p in range(8)], uncompressed_step, 20)
    return [mode_code, mode_next, unc_code, unc_next, run_code, run_next]


def code_lists_header():
    lines = ["// Generated by make_code_tables.py: the code words of ITU-T T.4 Tables 2 and 3",
             "// (terminating 0..63, make-up 64..1728, extended make-up 1792..2560).",
             "#pragma once", "", "#include <cstdint>", "",
             "struct CcittCodeWord {", "    uint16_t code;  // right-aligned", "    uint8_t bits;", "};", ""]
    for name, codes in (("kCcittWhiteCodes", WHITE), ("kCcittBlackCodes", BLACK)):
        lines.append("inline constexpr CcittCodeWord %s[104] = {" % name)
        for i in range(0, 104, 8):
            lines.append("    " + " ".join("{0x%x, %d}," % (int(w, 2), len(w)) for w in codes[i:i + 8]))
        lines.append("};")
    lines.append("")
    return "\n".join(lines)


def write_if_changed(path, data):
    mode = "wb" if isinstance(data, bytes) else "w"
    try:
        with open(path, "rb" if mode == "wb" else "r") as f:
            if f.read() == data:
                return
    except FileNotFoundError:
        pass
    with open(path, mode) as f:
        f.write(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    data_all = tables()
    lines = ["// Generated by make_code_tables.py: the CCITT code tables for the native build.",
             "#include <windows.h>", "", "namespace {", ""]
    for i in range(6):
        data = data_all[i]
        assert len(data) == SIZES[i]
        write_if_changed(os.path.join(out, "code_table%d.bin" % (i + 1)), data)
        lines.append("const unsigned char kTable%d[%d] = {" % (i + 1, len(data)))
        for start in range(0, len(data), 32):
            lines.append("    " + ",".join(str(b) for b in data[start:start + 32]) + ",")
        lines.append("};")
        lines.append("")
    lines.append("const bool kRegistered = [] {")
    for i in range(6):
        lines.append("    PortRegisterResource(512, %d, kTable%d, sizeof kTable%d);" % (i + 1, i + 1, i + 1))
    lines.append("    return true;")
    lines.append("}();")
    lines.append("")
    lines.append("}  // namespace")
    lines.append("")
    lines.append("// Named so that programs linking the static library pull this object in.")
    lines.append("extern \"C\" const bool volkg_ccitt_tables_native = kRegistered;")
    lines.append("")
    write_if_changed(os.path.join(out, "code_tables_native.cpp"), "\n".join(lines))
    write_if_changed(os.path.join(out, "ccitt_code_lists.h"), code_lists_header())


if __name__ == "__main__":
    main()
