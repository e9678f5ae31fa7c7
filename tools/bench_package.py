#!/usr/bin/env python3
"""Makes a benchmark package: a copy of the demo package whose copy list installs COUNT
generated files of SIZE bytes each (random contents) into the program folder, and nothing
else (no help files), so that setup's copy and a plain copy move the same bytes."""
import argparse
import os
import re
import shutil
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEMO = os.path.join(ROOT, "examples", "demo-package")
CONFIG = "SETUP2K.INI"
FILE_FOLDER = "gw98"  # the package's SubFolder, where copy-list files lie
CHUNK = 1 << 20


def write_file(path, size):
    with open(path, "wb") as out:
        left = size
        while left > 0:
            n = min(left, CHUNK)
            out.write(os.urandom(n))
            left -= n


def set_section(text, name, lines):
    """Replaces the body of section [name] with lines (the section must exist)."""
    pattern = re.compile(r"^\[" + re.escape(name) + r"\][^\n]*\n(?:(?!\[)[^\n]*\n)*", re.M)
    body = "[" + name + "]\n" + "".join(line + "\n" for line in lines) + "\n"
    new, count = pattern.subn(lambda _: body, text, count=1)
    if count != 1:
        sys.exit("bench_package: no [%s] in %s" % (name, CONFIG))
    return new


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("out", help="package folder to create (replaced when present)")
    parser.add_argument("count", type=int, help="number of copy-list entries")
    parser.add_argument("size", type=int, help="size of each file in bytes")
    args = parser.parse_args()

    shutil.rmtree(args.out, ignore_errors=True)
    shutil.copytree(DEMO, args.out)
    files = os.path.join(args.out, FILE_FOLDER)
    shutil.rmtree(files)
    os.makedirs(files)
    entries = []
    for n in range(1, args.count + 1):
        name = "B%05d.DAT" % n
        write_file(os.path.join(files, name), args.size)
        entries.append("%d=%s,,,%%Program Files%%\\Bench" % (n, name))

    config = os.path.join(args.out, CONFIG)
    with open(config, encoding="latin-1") as f:
        text = f.read()
    text = set_section(text, "CopyList", entries)
    text = set_section(text, "HelpFileList", [])
    with open(config, "w", encoding="latin-1") as f:
        f.write(text)


if __name__ == "__main__":
    main()
