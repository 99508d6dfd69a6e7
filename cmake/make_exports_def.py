#!/usr/bin/env python3
"""Writes the module-definition file of volkg.dll from the public header:
every KAPI K_ function with its stdcall decoration (K_Name@bytes), and
DllMain at ordinal 1. The DLL is linked with --kill-at, so it exports the
plain names while its import library binds the decorated calls that C and
C++ callers of the header make. A decoration that does not match the
compiled function fails the link.

On 64-bit Windows there is one calling convention and no decoration: with
--plain the file lists the plain names only.

Usage: make_exports_def.py [--plain] volkg.h out.def"""
import re
import sys

args = sys.argv[1:]
plain = "--plain" in args
if plain:
    args.remove("--plain")
header, out = args
text = open(header, encoding="latin-1").read()
text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
lines = ["LIBRARY volkg.dll", "EXPORTS", "    DllMain @1" if plain else "    DllMain@12 @1"]
for name, params in re.findall(r"KAPI\s+(K_\w+)\s*\(([^)]*)\)\s*;", text, flags=re.S):
    params = params.strip()
    size = 0
    if params and params != "void":
        for p in params.split(","):
            size += 8 if re.search(r"\b(double|long\s+long|__int64)\b", p) and "*" not in p else 4
    lines.append(f"    {name}" if plain else f"    {name}@{size}")
new = "\n".join(lines) + "\n"
try:
    if open(out).read() == new:
        sys.exit(0)
except FileNotFoundError:
    pass
open(out, "w").write(new)
