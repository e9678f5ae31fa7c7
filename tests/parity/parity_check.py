#!/usr/bin/env python3
"""Runs the parity probe natively (simulated machine) and under Wine, and compares the output.

Both sides get the same fixture INI and the same cabinet and version fixtures (the files of
--fixtures); under Wine the probe runs in C:\\parity of a fresh prefix with window_owner.exe
beside it, on the Wine tests' display (the window owner needs one).

Every line is "<id> <result>". A line may differ between the two only when its id matches an
entry of known_differences.txt ("<id or fnmatch pattern> | <reason>"); any other difference,
and any line present on one side only, fails. Known entries that no longer match a difference
are reported so that they can be removed.

Exit codes: 0 same (apart from known differences), 1 different or broken, 77 Wine missing.
"""

import argparse
import fnmatch
import os
import shutil
import signal
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # keep __pycache__ out of the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "wine"))
import winetest  # noqa: E402

WINDOWS_VERSION = "winxp"  # the simulated side runs the winxp machine profile
# The fixture is read three times, with each kind of line end (labels lf, crlf, cr in the output).
FIXTURE_VARIANTS = [("fixture.ini", b"\n"), ("fixture-crlf.ini", b"\r\n"), ("fixture-cr.ini", b"\r")]
# The cabinet and version fixtures of the file scripts (C:\\parity\\fixtures under Wine).
FILE_FIXTURES = ["normal.cab", "subfolder.cab", "truncated.cab", "corrupt.cab", "v1_9.dll", "v1_10.dll",
                 "v1_10_text_1_9.dll", "v3_0_name2.dll", "no_version.dll", "v2_0_german.dll"]


def parse_lines(text, side):
    """{id: line} in output order; duplicate ids are an error of the probe."""
    lines = {}
    for raw in text.splitlines():
        line = raw.rstrip("\r")
        if not line:
            continue
        ident = line.split(" ", 1)[0]
        if ident in lines:
            raise winetest.Failure(f"{side} output has the id {ident} twice")
        lines[ident] = line
    return lines


def load_known(path):
    """[(pattern, reason)] from known_differences.txt."""
    known = []
    for number, raw in enumerate(Path(path).read_text().splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        pattern, sep, reason = line.partition("|")
        if not sep or not reason.strip():
            raise winetest.Failure(f"{path}:{number}: expected '<id> | <reason>'")
        known.append((pattern.strip(), reason.strip()))
    return known


def check_fixtures(fixtures):
    """Skips when a file fixture is missing: the "fixtures" target leaves out what its tools
    (gcab, the 32- and 64-bit mingw-w64) cannot build, and the tests that need them skip."""
    missing = [name for name in FILE_FIXTURES if not (Path(fixtures) / name).is_file()]
    if missing:
        raise winetest.Skip(f"fixtures missing in {fixtures}: {', '.join(missing)} "
                            "(the target 'fixtures' needs gcab and mingw-w64)")


def run_native(native, fixture, fixtures):
    """The simulated machine's output."""
    if not Path(native).is_file():
        raise winetest.Failure(f"native probe {native} not found: build the sim preset first "
                               "(cmake --build --preset sim), or set PARITY_NATIVE_PROBE")
    done = subprocess.run([native, fixture, fixtures], capture_output=True, text=True, timeout=120,
                          stdin=subprocess.DEVNULL, check=False)
    if done.returncode != 0:
        raise winetest.Failure(f"native probe failed ({done.returncode}): {done.stderr}")
    return done.stdout


def run_wine(exe, owner, fixture, fixtures, root, state, work):
    """Wine's output: the probe in a fresh Windows XP prefix with the fixture in C:\\parity, the
    file fixtures in C:\\parity\\fixtures and the window owner beside the probe."""
    loader = winetest.loader_for(exe)
    prefix = Path(work) / "prefix"
    display = winetest.Display(state, work)
    try:
        template = winetest.ensure_template(root, display.name, winetest.exe_arch(exe))
        winetest.fresh_prefix(template, prefix)
        winetest.set_windows_version(prefix, WINDOWS_VERSION)
        folder = prefix / "drive_c" / "parity"
        folder.mkdir(parents=True)
        lines = Path(fixture).read_bytes().replace(b"\r\n", b"\n").replace(b"\r", b"\n")
        names = []
        for name, line_end in FIXTURE_VARIANTS:
            (folder / name).write_bytes(lines.replace(b"\n", line_end))
            names.append("C:\\parity\\" + name)
        shutil.copy2(exe, folder / "parity-probe.exe")
        shutil.copy2(owner, folder / "window_owner.exe")
        (folder / "fixtures").mkdir()
        for name in FILE_FIXTURES:
            shutil.copy2(Path(fixtures) / name, folder / "fixtures" / name)
        result = winetest.run_program(prefix, "C:\\parity\\parity-probe.exe", names, folder, work,
                                      display=display.name, debug="-all", loader=loader)
    finally:
        winetest.stop_wineserver(prefix)
        display.close()
    if result.timed_out or result.exit_code != 0:
        raise winetest.Failure(f"parity-probe.exe under Wine failed ({result.exit_code}): {result.stderr[-2000:]}")
    shutil.rmtree(prefix, ignore_errors=True)
    return result.stdout


def compare(windows, native, known):
    """Prints the comparison; returns the number of unexplained differences."""
    unexplained = 0
    used = set()
    ids = list(windows) + [i for i in native if i not in windows]
    for ident in ids:
        w, n = windows.get(ident), native.get(ident)
        if w == n:
            continue
        reason = next((r for p, r in known if fnmatch.fnmatchcase(ident, p)), None)
        if reason is not None:
            used.update(p for p, r in known if fnmatch.fnmatchcase(ident, p))
            print(f"known   {ident}: {reason}")
        else:
            unexplained += 1
            print(f"DIFF    {ident}\n  wine: {w}\n  sim:  {n}")
    for pattern, reason in known:
        if pattern not in used:
            print(f"note: known difference '{pattern}' no longer occurs; remove it ({reason})")
    same = sum(1 for i in ids if windows.get(i) == native.get(i))
    print(f"{len(ids)} lines: {same} same, {len(ids) - same - unexplained} known differences, "
          f"{unexplained} unexplained")
    return unexplained


def main(argv):
    """Runs both sides and compares them."""
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, help="parity-probe.exe of the Windows build")
    parser.add_argument("--owner", required=True, help="window_owner.exe of the Windows build")
    parser.add_argument("--native", required=True, help="parity-probe of the native build")
    parser.add_argument("--fixture", required=True, help="the fixture INI")
    parser.add_argument("--fixtures", required=True, help="folder of the cabinet and version fixtures")
    parser.add_argument("--known", required=True)
    parser.add_argument("--root", required=True, help="folder of the template prefix")
    parser.add_argument("--state", help="display record of the Wine tests (else a private Xvfb)")
    parser.add_argument("--work", required=True, help="folder for this test's prefix and outputs")
    opts = parser.parse_args(argv)
    for name in ("exe", "owner", "native", "fixture", "fixtures", "known", "root", "state", "work"):
        if getattr(opts, name):
            setattr(opts, name, os.path.abspath(getattr(opts, name)))
    # CTest ends a test that runs too long with SIGTERM: unwind so that the cleanups run.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        known = load_known(opts.known)
        work = Path(opts.work)
        shutil.rmtree(work, ignore_errors=True)
        work.mkdir(parents=True)
        check_fixtures(opts.fixtures)
        native_text = run_native(opts.native, opts.fixture, opts.fixtures)
        wine_text = run_wine(opts.exe, opts.owner, opts.fixture, opts.fixtures, opts.root, opts.state,
                             work).replace("\r\n", "\n")
        (work / "sim.txt").write_text(native_text)
        (work / "wine.txt").write_text(wine_text)
        windows = parse_lines(wine_text, "Wine")
        native = parse_lines(native_text, "native")
        return 1 if compare(windows, native, known) else 0
    except winetest.Skip as skip:
        print(f"SKIP: {skip}")
        return winetest.SKIP
    except winetest.Failure as failure:
        print(f"ERROR: {failure}")
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
