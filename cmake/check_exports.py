#!/usr/bin/env python3
"""Checks a built volkg.dll against the public header: it exports DllMain
and every KAPI K_ function of the header by its plain name, and nothing
else; on 32-bit its import library binds each by the stdcall decoration
that a call through the header asks for (_K_Name@bytes).

Usage: check_exports.py volkg.h volkg.dll volkg.lib objdump nm {32|64}"""
import re
import subprocess
import sys

header, dll, lib, objdump, nm, bits = sys.argv[1:7]
text = re.sub(r"/\*.*?\*/", "", open(header, encoding="latin-1").read(), flags=re.S)
functions = re.findall(r"KAPI\s+(K_\w+)\s*\(([^)]*)\)\s*;", text, flags=re.S)
expected = {name for name, _ in functions} | {"DllMain"}

dump = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout
table = dump.split("[Ordinal/Name Pointer] Table", 1)
if len(table) != 2:
    sys.exit(f"{dll}: no export name table")
exported = set()
for line in table[1].splitlines()[1:]:
    m = re.match(r"\s*\[\s*\d+\]\s+(\S+)", line)
    if not m:
        break
    exported.add(m.group(1))
errors = []
if exported != expected:
    errors.append(f"missing exports: {sorted(expected - exported)}")
    errors.append(f"unexpected exports: {sorted(exported - expected)}")

if bits == "32":
    symbols = set(subprocess.run([nm, lib], capture_output=True, text=True, check=True).stdout.split())
    for name, params in functions:
        size = 0
        params = params.strip()
        if params and params != "void":
            for p in params.split(","):
                size += 8 if re.search(r"\b(double|long\s+long|__int64)\b", p) and "*" not in p else 4
        if f"__imp__{name}@{size}" not in symbols:
            errors.append(f"import library lacks __imp__{name}@{size}")
else:
    symbols = set(subprocess.run([nm, lib], capture_output=True, text=True, check=True).stdout.split())
    for name, _ in functions:
        if f"__imp_{name}" not in symbols:
            errors.append(f"import library lacks __imp_{name}")

if errors:
    sys.exit("\n".join(errors))
print(f"{len(expected) - 1} K_ exports and DllMain, import library names as the header's callers ask")
