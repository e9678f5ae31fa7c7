#!/usr/bin/env python3
"""Installs a package with the real setup.exe under Wine and shows what the installation left.

  demo_wine.py --exe build/win/setup.exe --package DIR --work DIR [--version win7] [-- ARGS...]

A throw-away prefix (a copy of the Wine tests' template prefix) gets the package in C:\\pkg with
setup.exe beside it; setup runs on a private Xvfb display with Wine's window manager decorations
off. Afterwards the script prints the exit code, the files the run created or changed on drive
C: (outside the package folder), the registry under HKLM\\Software\\Norvik and the product's
uninstall entry, and keeps the trace lines in WORK/trace.txt. Xvfb and the prefix's wineserver
are ended before it returns; the prefix is removed unless --keep is given.

Exit codes: 0 when setup ended (whatever its own exit code), 1 when it hung or a step failed,
77 when Wine is not installed.
"""

import argparse
import os
import shutil
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.dont_write_bytecode = True
sys.path.insert(0, str(ROOT / "tests" / "wine"))
import winetest  # noqa: E402  (the Wine tests' harness: prefixes, display, runs)

# Registry keys shown after the run (the 64-bit view, which the 64-bit setup.exe writes).
REGISTRY_KEYS = [r"HKLM\Software\Norvik",
                 r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Glidewave98"]


def file_states(drive_c, skip):
    """{relative path: (size, mtime)} of every file below drive_c, the skipped folder left out."""
    states = {}
    for folder, dirs, files in os.walk(drive_c):
        if Path(folder) == skip:
            dirs[:] = []
            continue
        for name in files:
            path = Path(folder) / name
            try:
                info = path.lstat()
            except OSError:
                continue
            states[str(path.relative_to(drive_c))] = (info.st_size, info.st_mtime_ns)
    return states


def show_files(before, after):
    """Prints the files the run created or changed, as C:\\ paths with their sizes."""
    changed = sorted(name for name, state in after.items() if before.get(name) != state)
    print(f"files created or changed on C: ({len(changed)}):")
    for name in changed:
        kind = "changed" if name in before else "new    "
        windows = "C:\\" + name.replace("/", "\\")
        print(f"  {kind} {after[name][0]:>9}  {windows}")
    if not changed:
        print("  none")


def show_registry(prefix, display):
    """Prints `reg query /s` of the keys the installation writes."""
    for key in REGISTRY_KEYS:
        print(f"wine reg query {key} /s:")
        try:
            text = winetest.wine_tool(prefix, ["reg", "query", key, "/s"], display)
        except winetest.Failure:
            print("  (key not found)")
            continue
        for line in text.splitlines():
            if line.strip():
                print("  " + line.rstrip())


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--work", required=True, help="folder for the prefix and the logs")
    parser.add_argument("--version", default="win7")
    parser.add_argument("--template-root", default=str(winetest.DEFAULT_TEMPLATE_ROOT))
    parser.add_argument("--keep", action="store_true", help="keep the prefix after the run")
    parser.add_argument("args", nargs=argparse.REMAINDER)
    opts = parser.parse_args(argv)
    args = opts.args[1:] if opts.args[:1] == ["--"] else opts.args
    work = Path(opts.work).resolve()
    prefix = work / "prefix"
    work.mkdir(parents=True, exist_ok=True)

    try:
        loader = winetest.loader_for(opts.exe)
    except winetest.Skip as skip:
        print(f"SKIP: {skip}")
        return winetest.SKIP
    display = None
    result = None
    try:
        display = winetest.Display(None, work)
        template = winetest.ensure_template(Path(opts.template_root).resolve(), display.name)
        winetest.fresh_prefix(template, prefix)
        winetest.set_windows_version(prefix, opts.version)
        # No window-manager decorations from the host: Wine draws the frames itself.
        winetest.wine_tool(prefix, ["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                                    "/d", "N", "/f"], display.name)
        folder = winetest.install_package(prefix, opts.exe, source_dir=opts.package)
        drive_c = prefix / "drive_c"
        winetest.stop_wineserver(prefix)  # settle the registry files before the snapshot
        before = file_states(drive_c, folder)
        print(f"setup.exe {' '.join(args)} on {opts.version} (WINEPREFIX={prefix})")
        result = winetest.run_program(prefix, f"C:\\{winetest.PACKAGE_DIR}\\setup.exe", args, folder, work,
                                      display.name, loader=loader)
        (work / "trace.txt").write_text("".join(line + "\n" for line in result.trace))
        if result.timed_out:
            winetest.save_screen(display.name, work)
            print(f"setup.exe did not end within {winetest.RUN_TIMEOUT} s; window list and screenshot in {work}")
        else:
            print(f"exit code: {result.exit_code}")
        print(f"trace lines: {len(result.trace)} (in {work / 'trace.txt'})")
        winetest.stop_wineserver(prefix)
        show_files(before, file_states(drive_c, folder))
        show_registry(prefix, display.name)
    except winetest.Failure as failure:
        print(f"ERROR: {failure}")
        return 1
    finally:
        winetest.stop_wineserver(prefix)
        if display:
            display.close()
        if not opts.keep:
            shutil.rmtree(prefix, ignore_errors=True)
    return 1 if result is None or result.timed_out else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
