#!/usr/bin/env python3
"""Fails when a C or C++ file is not laid out as .clang-format says.

Runs clang-format --dry-run over every .c, .cpp and .h file of the code
folders and names each file it would change.
"""
import os
import shutil
import subprocess
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
FOLDERS = ["bench", "framework", "fuzz", "imaging", "port", "program", "tests"]
SUFFIXES = (".c", ".cpp", ".h")
BATCH = 200


def sources():
    for folder in FOLDERS:
        for base, dirs, files in os.walk(os.path.join(ROOT, folder)):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(SUFFIXES):
                    yield os.path.join(base, name)


def main():
    tool = shutil.which("clang-format")
    if not tool:
        print("clang-format is not installed (scripts/setup installs it)")
        return 1
    files = list(sources())
    bad = set()
    for i in range(0, len(files), BATCH):
        batch = files[i:i + BATCH]
        run = subprocess.run([tool, "--dry-run", "--Werror", "--style=file"] + batch,
                             cwd=ROOT, capture_output=True, text=True)
        if run.returncode != 0:
            for line in run.stderr.splitlines():
                path = line.split(":", 1)[0]
                if path in batch:
                    bad.add(path)
            if not bad:
                print(run.stderr)
                return 1
    for path in sorted(bad):
        print("not formatted:", os.path.relpath(path, ROOT))
    print(f"{len(files)} files checked, {len(bad)} not formatted")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
