#!/usr/bin/env python3
"""Writes a module-definition file of volkg.dll's exports with their stdcall
decorations (K_Name@bytes), read from the public header, so that dlltool -k
can make an import library that binds decorated calls to the plain names
the DLL exports."""
import re
import sys

header, out = sys.argv[1], sys.argv[2]
text = open(header, encoding="latin-1").read()
text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
lines = ["LIBRARY volkg.dll", "EXPORTS"]
for name, params in re.findall(r"KAPI\s+(K_\w+)\s*\(([^)]*)\)\s*;", text, flags=re.S):
    params = params.strip()
    size = 0
    if params and params != "void":
        for p in params.split(","):
            size += 8 if re.search(r"\b(double|long\s+long|__int64)\b", p) and "*" not in p else 4
    lines.append(f"    {name}@{size}")
open(out, "w").write("\n".join(lines) + "\n")
