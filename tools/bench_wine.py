#!/usr/bin/env python3
"""The Wine pair of tools/bench.sh: setup.exe installing a package silently in a Wine prefix,
against Wine's own "cmd /c copy" of the package's files, each run in a fresh copy of one
prepared prefix (Windows 7, the package at C:\\pkg). Uses the prefix handling of the Wine tests
(tests/wine/winetest.py: their template prefix and virtual display) and times with hyperfine;
the result goes to OUT/json/wine.json."""
import argparse
import os
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.dont_write_bytecode = True
sys.path.insert(0, str(ROOT / "tests" / "wine"))
import winetest  # noqa: E402

VERSION = "win7"
COPY_DIR = "copy"  # C:\copy, the target of the plain copy


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("args", nargs="*")
    opts = parser.parse_args()

    out = Path(opts.out).resolve()
    base, prefix = out / "wine-base", out / "wine-prefix"
    loader = winetest.loader_for(opts.exe)
    _, _, server = winetest.find_wine()
    display = winetest.Display(None, out)
    try:
        template = winetest.ensure_template(winetest.DEFAULT_TEMPLATE_ROOT, display.name)
        winetest.fresh_prefix(template, base)
        winetest.set_windows_version(base, VERSION)
        winetest.install_package(base, opts.exe, source_dir=opts.package)
        (base / "drive_c" / COPY_DIR).mkdir()
        winetest.stop_wineserver(base)

        env = winetest.wine_env(prefix, display.name)
        keep = ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "LC_ALL", "HOME", "DISPLAY")
        wine = "env " + " ".join(f"{k}={shlex.quote(env[k])}" for k in keep if k in env) + " " + loader
        prepare = (f"env WINEPREFIX={shlex.quote(str(prefix))} {server} -k >/dev/null 2>&1; "
                   f"rm -rf {shlex.quote(str(prefix))} && cp -a {shlex.quote(str(base))} {shlex.quote(str(prefix))}")
        exe = "C:\\" + winetest.PACKAGE_DIR + "\\setup.exe"
        files = "C:\\" + winetest.PACKAGE_DIR + "\\gw98\\*.*"
        setup = " ".join([wine, shlex.quote(exe)] + [shlex.quote(a) for a in opts.args])
        copy = " ".join([wine, "cmd", "/c", "copy", "/y", shlex.quote(files), shlex.quote("C:\\" + COPY_DIR)])
        subprocess.run(["hyperfine", "--style", "basic", "--warmup", "1", "--runs", str(opts.runs),
                        "--export-json", str(out / "json" / "wine.json"),
                        "-n", "setup", "--prepare", prepare, setup,
                        "-n", "copy", "--prepare", prepare, copy], check=True)
    finally:
        winetest.stop_wineserver(prefix)
        winetest.stop_wineserver(base)
        display.close()
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.rmtree(base, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
