#!/usr/bin/env python3
"""Fails when a quoted include crosses a layer the wrong way.

Each folder's README.md says what the folder's code may include, in a line
"May include: a/b, c" (paths from the top of the tree; the folder itself is
always allowed). A source file follows the nearest README above it that has
such a line. A file that still reaches up, while it waits to be cut loose,
is named in a line "Still includes: path/file.cpp -> folder/header.h" of the
same README, and only that include is let through.
"""
import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
# Where quoted includes are looked up, after the including file's folder.
SEARCH = ["imaging", "imaging/include", "program", "framework", "port"]
CHECKED = ["imaging", "program", "framework", "port"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def read_rules(folder):
    path = os.path.join(ROOT, folder, "README.md")
    if not os.path.isfile(path):
        return None
    allowed, exceptions, found = [], set(), False
    for line in open(path, encoding="utf-8"):
        if line.startswith("May include:"):
            found = True
            allowed += [p.strip().strip("`") for p in line[len("May include:"):].split(",") if p.strip()]
        elif line.startswith("Still includes:"):
            source, _, header = line[len("Still includes:"):].partition("->")
            exceptions.add((source.strip().strip("`"), header.strip().strip("`")))
    return (allowed, exceptions) if found else None


def governing(folder, cache):
    """The folder whose README rules a file of this folder, and its rules."""
    f = folder
    while f and f != ".":
        if f not in cache:
            cache[f] = read_rules(f)
        if cache[f] is not None:
            return f, cache[f]
        f = os.path.dirname(f)
    return None, None


def resolve(source_dir, name):
    for base in [source_dir] + SEARCH:
        p = os.path.normpath(os.path.join(ROOT, base, name))
        if os.path.isfile(p) and p.startswith(ROOT + os.sep):
            return os.path.relpath(p, ROOT)
    return None  # a system or generated header


def inside(path, folder):
    return path == folder or path.startswith(folder + "/")


def main():
    cache, faults, files = {}, [], 0
    for top in CHECKED:
        for dirpath, _, names in os.walk(os.path.join(ROOT, top)):
            folder = os.path.relpath(dirpath, ROOT)
            owner, rules = governing(folder, cache)
            if owner is None:
                continue
            allowed, exceptions = rules
            for name in sorted(names):
                if not name.endswith((".cpp", ".h", ".c")):
                    continue
                files += 1
                source = os.path.join(folder, name)
                for number, line in enumerate(open(os.path.join(ROOT, source), encoding="utf-8", errors="replace"), 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = resolve(folder, m.group(1))
                    if target is None or inside(target, owner) or any(inside(target, a) for a in allowed):
                        continue
                    if (source, m.group(1)) in exceptions:
                        continue
                    faults.append(f"{source}:{number}: includes {target}, outside what {owner}/README.md allows")
    for fault in faults:
        print(fault)
    if files == 0:
        print("no source files found under", ROOT)
        return 1
    print(f"{files} files checked, {len(faults)} includes cross a layer the wrong way")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
