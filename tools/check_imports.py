#!/usr/bin/env python3
"""Checks that a Windows program starts on the oldest Windows its build is for.

  check_imports.py PROGRAM LISTS MAX_SUBSYSTEM

Reads PROGRAM's import table with pefile and fails (exit 1) when it imports a function that
is missing from LISTS/<library>.txt (the library name in lower case; one function name a line,
'#' starts a comment), imports a library that has no list, imports by ordinal, or asks for a
subsystem version above MAX_SUBSYSTEM (for example 4.0): the loader of an older Windows refuses
such a program before it runs. Exit 77 when pefile is not installed.
"""

import sys
from pathlib import Path

SKIP = 77


def read_list(path):
    """The function names of one list file."""
    names = set()
    for line in path.read_text(encoding="utf-8").splitlines():
        name = line.split("#", 1)[0].strip()
        if name:
            names.add(name)
    return names


def version_tuple(text):
    major, _, minor = text.partition(".")
    return int(major), int(minor or 0)


def problems(pe, lists_dir, max_subsystem):
    """Every reason the program would not load on the oldest target, as text lines."""
    found = []
    header = pe.OPTIONAL_HEADER
    subsystem = (header.MajorSubsystemVersion, header.MinorSubsystemVersion)
    if subsystem > max_subsystem:
        found.append(f"subsystem version {subsystem[0]}.{subsystem[1]} is above "
                     f"{max_subsystem[0]}.{max_subsystem[1]}")
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        library = entry.dll.decode("ascii", "replace").lower()
        list_path = lists_dir / f"{library}.txt"
        if not list_path.is_file():
            found.append(f"{library}: no list of what the oldest target exports ({list_path})")
            continue
        allowed = read_list(list_path)
        for imported in entry.imports:
            if imported.name is None:
                found.append(f"{library}: import by ordinal {imported.ordinal}")
                continue
            name = imported.name.decode("ascii", "replace")
            if name not in allowed:
                found.append(f"{library}: {name} is not exported by the oldest target")
    return found


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        import pefile
    except ImportError:
        print("SKIP: python3-pefile is not installed")
        return SKIP
    program, lists_dir, max_subsystem = Path(argv[0]), Path(argv[1]), version_tuple(argv[2])
    pe = pefile.PE(str(program), fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    found = problems(pe, lists_dir, max_subsystem)
    count = sum(len(e.imports) for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    for line in found:
        print(f"FAIL: {line}")
    print(f"{program.name}: {count} imported functions checked against {lists_dir.name}, "
          f"{len(found)} problem(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
