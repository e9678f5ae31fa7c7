#!/usr/bin/env python3
"""The fault sweep: installs a package silently with setup-sim over an older installed version of
it, once for every failable platform call that a clean installation reaches and for its first,
second and last occurrence, failing that one call with a plausible Windows error. Each run must
end by itself with exit code 0, without a crash or a sanitizer report, with nothing left open,
and without losing a file: every installed file of the older version is afterwards the new file,
the untouched old file, or the old file with the new one scheduled to replace it at the next start.

  fault_sweep.py --setup-sim build/sim-asan/setup-sim --package examples/demo-package \
      --work build/sim-asan/fault-sweep [--machines win98,winxp,win7] [--jobs 2]

Prints the number of runs and the outcome classes; exits 1 when a run ends in an outcome that is
neither good nor listed in KNOWN below.
"""
import argparse
import concurrent.futures
import hashlib
import os
import re
import shutil
import subprocess
import sys
from collections import Counter
from pathlib import Path

SETUP_ARGS = ["/S", "/TYPE:USB", "/NR"]
TIME_LIMIT = 60  # seconds: a run still going then is taken to hang (a clean run takes about one)
OLD_MARK = b"\r\n; older copy\r\n"
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")

# The error each failing call gets: what Windows plausibly answers for that kind of call.
ERRORS = [
    (r"^Sys(CopyFile|CreateFile|CreateFileAnsi|DeleteFile|MoveFile|RemoveDirectory|SetFileAttributes)",
     32),  # ERROR_SHARING_VIOLATION: another program has the file open
    (r"^Sys(Create(CompatibleDC|DIBitmap|Font|FontWithWeight|Palette|SolidBrush|Pen|Window|Thread)|GetDC|"
     r"BeginPaint|DialogBoxParam|CreateDialog|LoadLibrary|LoadLibraryAsData)", 8),  # ERROR_NOT_ENOUGH_MEMORY
]
DEFAULT_ERROR = 5  # ERROR_ACCESS_DENIED

# A failing close or release leaves its one object open: that is what the failure means.
CLOSE_POINTS = {"SysCloseHandle": "kernel-handles", "SysRegCloseKey": "registry-keys",
                "SysDeleteObject": "drawing-objects", "SysReleaseDC": "device-contexts",
                "SysDeleteDC": "device-contexts"}

# Outcomes the program's defined failure handling leads to, which a user would call broken: kept
# as they are and expected here, so that the sweep fails only on new ones. (point, outcome): why.
# The files of the older version are removed before the copy (its uninstall list), and nothing is
# rolled back: a stage that fails after that, or a walk that ends early, leaves them removed.
REMOVED_UNRESTORED = ("the older version's files are removed before the copy; the failure ends the run before they "
                      "are back")
WALK_ENDS_EARLY = ("the package folder is measured differently, the copy walk reaches 100 percent before its last "
                   "entry and ends there")
KNOWN = {
    ("SysPostMessage", "hang"): "the background window posts itself the start and the end of the wizard; "
                                "a lost message leaves it waiting for ever",
    ("SysAnsiToWide", "lost file"): "the command line cannot be read: the run becomes interactive with the "
                                    "wizard's defaults, and the older version's files outside them are removed",
    ("SysDialogBoxParam", "lost file"): REMOVED_UNRESTORED,
    ("SysCreateThread", "lost file"): REMOVED_UNRESTORED,
    ("SysGetMessage", "lost file"): REMOVED_UNRESTORED,
    ("SysFindFirstFile", "lost file"): "the package folder cannot be measured: the copy walk takes the total as "
                                       "0 and ends after its first file",
    ("SysPathExists", "lost file"): WALK_ENDS_EARLY,
    ("SysGetVersionInfo", "lost file"): WALK_ENDS_EARLY,
    ("SysGetFolderPath", "lost file"): "without the Program Files folder the files go to another folder",
    ("SysGetWindowsDirectory", "lost file"): "without the Windows folder the system-folder files have no "
                                             "folder to go to",
}
KNOWN_HANG_LIMIT = 10  # seconds: a known hang is given less time; ending well in it is fine too


def error_for(point):
    for pattern, code in ERRORS:
        if re.search(pattern, point):
            return code
    return DEFAULT_ERROR


def digest(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def windows_path(disk, host):
    """C:\\... name of a host file below the disk folder."""
    rel = host.relative_to(disk)
    return rel.parts[0] + ":\\" + "\\".join(rel.parts[1:])


def host_files(disk):
    """Lower-case Windows path -> host path of every file of the simulated drives."""
    return {windows_path(disk, p).lower(): p for p in disk.rglob("*") if p.is_file()}


def run_setup(setup_sim, machine, package, disk, report, reg_in=None, reg_out=None, fault=None, limit=TIME_LIMIT):
    cmd = [str(setup_sim), "--machine", machine, "--package", str(package), "--disk", str(disk), "--quiet",
           "--report", str(report), "--journal", str(report.with_name("journal.txt"))]
    if reg_in:
        cmd += ["--reg-in", str(reg_in)]
    if reg_out:
        cmd += ["--reg-out", str(reg_out)]
    if fault:
        cmd += ["--fail", fault]
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0:exitcode=86", UBSAN_OPTIONS="print_stacktrace=1")
    try:
        done = subprocess.run(cmd + ["--"] + SETUP_ARGS, capture_output=True, text=True, errors="replace",
                              timeout=limit, env=env)
    except subprocess.TimeoutExpired:
        return None, ""
    return done.returncode, done.stderr


def read_report(report):
    calls, open_objects, pending = {}, {}, []
    if not report.exists():
        return calls, open_objects, pending
    for line in report.read_text(errors="replace").splitlines():
        kind, _, rest = line.partition(" ")
        if kind == "calls":
            name, count = rest.rsplit(" ", 1)
            calls[name] = int(count)
        elif kind == "open":
            name, count = rest.rsplit(" ", 1)
            open_objects[name] = int(count)
        elif kind == "pending":
            pending.append(rest)
    return calls, open_objects, pending


def scheduled_targets(pending):
    """Lower-case target -> source of each replacement at the next start."""
    out = {}
    for line in pending:
        if line.startswith("wininit.ini: "):
            target, _, source = line[len("wininit.ini: "):].partition("=")
        else:
            source, _, target = line.partition(" -> ")
        strip = lambda p: p[4:] if p.startswith("\\??\\") else p
        out[strip(target).lower()] = strip(source).lower()
    return out


class Machine:
    """One Windows setting: the older installed version and the clean run's counts."""

    def __init__(self, args, name):
        self.args, self.name = args, name
        self.base = Path(args.work) / name
        shutil.rmtree(self.base, ignore_errors=True)
        self.base.mkdir(parents=True)
        self.old_disk = self.base / "old-disk"
        self.old_reg = self.base / "old.reg"
        self.watched = {}  # lower-case Windows path -> digest of the older version's file
        self.sources = set()  # digests of the package's files: what a new file may hold
        # Objects a clean run keeps open by design: on the 9x family the [Start VxD] device's
        # handle, which keeps the driver loaded.
        self.kept_open = {}

    def package_copy(self, where):
        shutil.copytree(self.args.package, where)
        return where

    def prepare(self):
        """Installs the package once, then makes what it installed an older version: the
        recorded version lowered, and each installed file changed and dated back."""
        package = self.package_copy(self.base / "first-package")
        code, err = run_setup(self.args.setup_sim, self.name, package, self.old_disk, self.base / "first.txt",
                              reg_out=self.old_reg)
        if code != 0:
            sys.exit(f"{self.name}: the first installation failed ({code}):\n{err}")
        self.sources = {digest(p) for p in Path(self.args.package).rglob("*") if p.is_file()}
        self.sources |= {digest(p) for p in package.rglob("*") if p.is_file()}
        for key, host in host_files(self.old_disk).items():
            # Windows' own copies of the driver INF (inf\oemN.inf) are not the copy list's.
            if key.startswith("d:") or re.search(r"\\inf\\oem\d+\.inf$", key) or digest(host) not in self.sources:
                continue
            host.write_bytes(host.read_bytes() + OLD_MARK)
            os.utime(host, (978307200, 978307200))  # 2001-01-01
            self.watched[key] = digest(host)
        reg = self.old_reg.read_text(encoding="utf-16" if self.old_reg.read_bytes()[:2] == b"\xff\xfe" else "utf-8")
        reg = re.sub(r'(?m)^"Version"=".*"$', '"Version"="0"', reg)
        self.old_reg.write_text(reg)
        shutil.rmtree(package)
        if not self.watched:
            sys.exit(f"{self.name}: the first installation installed no file of the package")

    def watch_copied(self, disk):
        """Keeps watching only the older files that a clean installation replaces: the files of
        the copy list."""
        files = host_files(disk)
        self.sources |= {digest(p) for p in (disk.parent / "package").rglob("*") if p.is_file()}
        self.watched = {key: old for key, old in self.watched.items()
                        if key in files and digest(files[key]) in self.sources}
        shutil.rmtree(disk.parent, ignore_errors=True)

    def run(self, label, point=None, nth=0, keep=False):
        """One installation over the older version, with the nth call of point failing; returns
        (outcome, calls)."""
        where = self.base / label
        disk = where / "disk"
        shutil.copytree(self.old_disk, disk, symlinks=True)
        package = self.package_copy(where / "package")
        report = where / "report.txt"
        fault = f"{point}:{nth}:{error_for(point)}" if point else None
        limit = KNOWN_HANG_LIMIT if (point, "hang") in KNOWN else TIME_LIMIT
        code, err = run_setup(self.args.setup_sim, self.name, package, disk, report, reg_in=self.old_reg,
                              fault=fault, limit=limit)
        calls, open_objects, pending = read_report(report)
        if keep:
            self.kept_open = dict(open_objects)
        for kind, n in self.kept_open.items():
            open_objects[kind] = open_objects.get(kind, 0) - n
        if point in CLOSE_POINTS and open_objects.get(CLOSE_POINTS[point]) == 1:
            open_objects[CLOSE_POINTS[point]] = 0
        outcome, detail = self.judge(code, err, disk, open_objects, pending)
        if keep:
            return outcome, calls
        if outcome.startswith("ok") and not self.args.keep:
            shutil.rmtree(where, ignore_errors=True)
        else:
            (where / "stderr.txt").write_text(err)
            (where / "outcome.txt").write_text(f"{outcome}\n{detail}\n")
        return outcome, calls

    def judge(self, code, err, disk, open_objects, pending):
        """The run's outcome class and what it rests on."""
        if code is None:
            return "hang", f"still running after {TIME_LIMIT} s"
        if any(mark in err for mark in SANITIZER_MARKS):
            return "sanitizer report", err
        if code < 0:
            return f"crash (signal {-code})", err
        if code != 0:
            return f"exit code {code}", err
        left = [f"{kind} {n}" for kind, n in open_objects.items() if n > 0]
        if left:
            return "left open: " + ", ".join(sorted(left)), ""
        # A new file is one of the package's files, as they were or as setup left them in the
        # package (it puts per-platform driver builds there).
        files = host_files(disk)
        new = self.sources | {digest(p) for key, p in files.items() if key.startswith("d:")}
        scheduled = scheduled_targets(pending)
        kept = replaced = 0
        for key, old in sorted(self.watched.items()):
            host = files.get(key)
            now = digest(host) if host else None
            source = files.get(scheduled.get(key, ""))
            if now in new:
                continue
            if source and digest(source) in new:
                replaced += 1  # the old file, or none, until the next start
            elif now == old:
                kept += 1
            else:
                return ("lost file" if host is None else "damaged file"), key
        if replaced:
            return "ok: replacement scheduled", ""
        return ("ok: old files kept" if kept else "ok: all files new"), ""


def sweep_machine(args, name, pool):
    machine = Machine(args, name)
    machine.prepare()
    outcome, calls = machine.run("clean", keep=True)
    if not outcome.startswith("ok"):
        sys.exit(f"{name}: the clean installation over the older version gave: {outcome}")
    machine.watch_copied(machine.base / "clean" / "disk")
    if any(machine.kept_open.values()):
        print(f"{name}: a clean run keeps open: {machine.kept_open}")
    runs = []
    for point, count in sorted(calls.items()):
        for nth in sorted({1, min(2, count), count}):
            if not args.only or f"{point}:{nth}" in args.only:
                runs.append((point, nth))
    futures = {pool.submit(machine.run, f"{point}-{nth}", point, nth): (point, nth) for point, nth in runs}
    results = []
    for future in concurrent.futures.as_completed(futures):
        point, nth = futures[future]
        results.append((name, point, nth, future.result()[0]))
    return len(calls), results


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--setup-sim", required=True)
    parser.add_argument("--package", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--machines", default="win98,winxp,win7")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--keep", action="store_true", help="keep the folders of good runs too")
    parser.add_argument("--only", nargs="*", help="only these runs, as NAME:N (for a closer look)")
    args = parser.parse_args()
    args.setup_sim = str(Path(args.setup_sim).resolve())

    results, points = [], 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for name in args.machines.split(","):
            reached, machine_results = sweep_machine(args, name, pool)
            points += reached
            results += machine_results

    classes = Counter(outcome for *_, outcome in results)
    print(f"fault sweep: {len(results)} runs over {points} fault points reached on {args.machines}")
    for outcome, n in sorted(classes.items()):
        print(f"  {n:5d}  {outcome}")
    unexpected = []
    for name, point, nth, outcome in sorted(results):
        if outcome.startswith("ok"):
            continue
        why = KNOWN.get((point, outcome))
        if why:
            print(f"  known: {name} {point} call {nth}: {outcome} ({why})")
        else:
            unexpected.append(f"{name} {point} call {nth}: {outcome} (see {Path(args.work) / name / f'{point}-{nth}'})")
    for line in unexpected:
        print("  FAILED: " + line)
    return 1 if unexpected else 0


if __name__ == "__main__":
    sys.exit(main())
