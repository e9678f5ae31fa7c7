#!/usr/bin/env python3
"""End-to-end harness: runs setup.exe under Wine in throw-away prefixes and checks what it did.

Subcommands (host paths; A is win32 or win64):
  list                   the cases of cases.py as "name version serial|parallel" lines (for CMake)
  check [--arch A]       exits 0 when Wine can run programs of architecture A here, else 77
  display-start|display-stop --state F    starts / ends the one Xvfb of a test run, recorded in F
  template --root DIR [--arch A] [--state F]    makes the pristine prefix DIR/_template(32)
  case NAME VERSION --exe EXE --root DIR [--stub EXE] [--fixtures DIR] [--state F] [--keep]
                         runs one case in DIR/NAME-VERSION (logs, page screenshots in pages/, on
                         Windows 95, 98 and Me the functions called in calls.txt)
  run --exe EXE --package DIR --prefix DIR [--version V] [--template-root DIR] [-- ARGS...]
                         runs setup.exe from a copy of a package in a fresh prefix and prints its
                         exit code and trace lines

Exit codes: 0 pass, 1 fail, 77 skipped because Wine (or the 32-bit Wine for a 32-bit program)
cannot run here. No process started here outlives the command, except the Xvfb of display-start.
"""

import argparse
import fcntl
import functools
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SKIP = 77
HERE = Path(__file__).resolve().parent

sys.dont_write_bytecode = True  # keep __pycache__ out of the source tree
sys.path.insert(0, str(HERE))
import cases  # noqa: E402  (the case table lives beside this file)
from cases import WINDOWS_VERSIONS, per_version  # noqa: E402

DLL_OVERRIDES = "winemenubuilder.exe=d;mscoree=d;mshtml=d"
RUN_TIMEOUT = 120       # seconds for one run of the program under test
STEP_TIMEOUT = 60       # seconds an interactive run may take to show the next page
STEP_SETTLE = 1.5       # seconds a shown page gets to paint before its screenshot
STEP_RETRY = 10         # seconds a step's window may keep its caption before the press is repeated
TOOL_TIMEOUT = 120      # seconds for reg, regedit and the like
BOOT_TIMEOUT = 480      # seconds for wineboot to make a prefix on a busy machine
SERVER_TIMEOUT = 60     # seconds to wait for wineserver to finish and save the registry
SETUP_ATTEMPTS = 3      # tries of a prefix set-up step (wineboot, a registry import)
HOLD_SECONDS = 10       # seconds a prefix's wineserver outlives its last program after set-up
PACKAGE_DIR = "pkg"     # the package folder below drive_c
SETUP_EXE = f"C:\\{PACKAGE_DIR}\\setup.exe"
# Where "run" keeps its template prefix unless told otherwise: the Wine tests' one of that build.
DEFAULT_TEMPLATE_ROOT = HERE.parent.parent / "build" / "win" / "wine-tests"
QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Skip(Exception):
    """Raised when the case cannot run on this machine (Wine missing)."""


class Failure(Exception):
    """Raised when a step of the harness itself goes wrong."""


def log(text=""):
    """Writes one line of the readable report."""
    print(text, flush=True)


# ---------------------------------------------------------------------------------------------
# Wine, its loaders and its server


def find_wine():
    """Returns the paths of the 64-bit loader, the 32-bit loader (or None) and wineserver."""
    def tool(variable, name, debian):  # Debian keeps the loaders out of PATH
        found = os.environ.get(variable) or (shutil.which(name) if name else None)
        return found or (debian if os.access(debian, os.X_OK) else None)
    wine64 = tool("WINETEST_WINE64", "wine64", "/usr/lib/wine/wine64")
    wine32 = tool("WINETEST_WINE32", None, "/usr/lib/wine/wine")
    server = tool("WINETEST_WINESERVER", "wineserver", "/usr/lib/wine/wineserver")
    if not wine64 or not server:
        raise Skip("Wine is not installed (no wine64 loader or wineserver found)")
    return wine64, wine32, server


def pe_header(exe):
    """(machine, first address, end address) of a PE program loaded at its preferred base."""
    data = Path(exe).read_bytes()[:4096]
    number = lambda at, size: int.from_bytes(data[at:at + size], "little")  # noqa: E731
    pe = number(0x3C, 4)
    if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
        raise Failure(f"{exe} is not a Windows program")
    optional = pe + 24
    base = number(optional + 24, 8) if data[optional:optional + 2] == b"\x0b\x02" else number(optional + 28, 4)
    return number(pe + 4, 2), base, base + number(optional + 56, 4)


def exe_arch(exe):
    """The prefix architecture a program needs: "win32" for an i386 program, else "win64"."""
    return "win32" if pe_header(exe)[0] == 0x14C else "win64"


def loader_for(exe):
    """Chooses the Wine loader that can run exe; skips when the 32-bit one is missing."""
    return loader_for_arch(exe_arch(exe))


def loader_for_arch(arch):
    """The Wine loader of a prefix architecture; skips when the 32-bit one is missing or cannot
    run on this machine."""
    wine64, wine32, _ = find_wine()
    if arch != "win32":
        return wine64
    if not wine32:
        raise Skip("a 32-bit prefix needs the 32-bit Wine (package wine32:i386), which is not installed")
    started, text = loader_version(wine32)
    if not started:
        raise Skip(f"the 32-bit Wine cannot run on this machine ({text})")
    return wine32


@functools.lru_cache(maxsize=None)
def loader_version(loader):
    """(1, what "loader --version" says), or (0, why it could not start: a kernel without
    32-bit support refuses the 32-bit loader with "Exec format error")."""
    try:
        done = subprocess.run([loader, "--version"], capture_output=True, text=True, check=False,
                              stdin=subprocess.DEVNULL, timeout=TOOL_TIMEOUT)
    except OSError as error:
        return 0, f"{loader}: {error.strerror}; a kernel without 32-bit support refuses it"
    except subprocess.TimeoutExpired:
        return 0, f"{loader} --version did not end within {TOOL_TIMEOUT} s"
    if done.returncode:
        return 0, f"{loader} --version failed ({done.returncode}): {done.stderr.strip()}"
    return 1, done.stdout.strip()


def prefix_arch(prefix):
    """The architecture Wine recorded in a prefix ("#arch=" near the top of system.reg); win64
    when unknown."""
    try:
        with open(Path(prefix) / "system.reg", "rb") as f:
            return "win32" if b"#arch=win32" in f.read(1024) else "win64"
    except OSError:
        return "win64"


def wine_env(prefix, display=None, debug="-all"):
    """The environment for Wine commands in one prefix."""
    env = dict(os.environ)
    for name in ("WAYLAND_DISPLAY", "WINEARCH", "WINELOADER", "WINESERVER", "DISPLAY"):
        env.pop(name, None)
    # Wine refuses a relative WINEPREFIX ("not an absolute path").
    env.update(WINEPREFIX=str(Path(prefix).resolve()), WINEDEBUG=debug, WINEDLLOVERRIDES=DLL_OVERRIDES,
               LC_ALL="C.UTF-8")
    env.setdefault("HOME", str(Path(prefix).parent))  # CI may start without one; Wine wants it
    if display:
        env["DISPLAY"] = display
    return env


def wineserver(prefix, option):
    """Runs wineserver with one option for the prefix (-k ends it, -w waits until it has ended,
    which saves the registry files, -pN keeps it N s after its last program); returns 1 when it
    returned within SERVER_TIMEOUT, 0 when not."""
    try:
        subprocess.run([find_wine()[2], option], env=wine_env(prefix), timeout=SERVER_TIMEOUT, check=False, **QUIET)
        return 1
    except subprocess.TimeoutExpired:
        return 0


def stop_wineserver(prefix):
    """Ends the wineserver of a prefix and every Wine process attached to it."""
    for option in ("-k", "-w"):
        if Path(prefix).is_dir() and not wineserver(prefix, option):
            log(f"warning: wineserver {option} for {prefix} did not return within {SERVER_TIMEOUT} s")


def wait_wineserver(prefix):
    """Waits until the prefix's wineserver has ended, which saves the registry files."""
    if not wineserver(prefix, "-w"):
        raise Failure(f"wineserver of {prefix} did not end within {SERVER_TIMEOUT} s")


def wine_tool(prefix, args, display=None, arch=None, timeout=TOOL_TIMEOUT):
    """Runs a Wine built-in program (reg, regedit, wineboot) in the prefix with the loader of the
    prefix's architecture (arch: the one a new prefix gets); fails on a non-zero exit.

    Output goes to a temporary file: a pipe would stay open as long as Wine's background
    processes, which inherit it, and the call would wait for them.
    """
    env = wine_env(prefix, display)
    if arch:
        env["WINEARCH"] = arch
    loader = loader_for_arch(arch or prefix_arch(prefix))
    with tempfile.TemporaryFile() as output:
        try:
            done = subprocess.run([loader] + args, env=env, stdin=subprocess.DEVNULL, stdout=output,
                                  stderr=subprocess.STDOUT, timeout=timeout, check=False)
        except subprocess.TimeoutExpired:
            raise Failure(f"wine {' '.join(args)} did not end within {timeout} s")
        output.seek(0)
        text = output.read().decode("utf-8", "replace")
    if done.returncode != 0:
        raise Failure(f"wine {' '.join(args)} failed ({done.returncode}):\n{text}")
    return text


def setup_step(prefix, args, display=None, arch=None, timeout=TOOL_TIMEOUT, hold=False):
    """A set-up step of a prefix (wineboot, a registry import): runs the Wine program, first
    starting the prefix's wineserver with a hold of HOLD_SECONDS when hold is set. A failed
    attempt is shown, the prefix's wineserver and every process attached to it are ended (a
    busy machine can leave a start of the prefix hanging, and waiting for it does not help)
    and the step is tried again; the third failure ends the case."""
    for attempt in range(1, SETUP_ATTEMPTS + 1):
        if hold:
            wineserver(prefix, f"-p{HOLD_SECONDS}")
        try:
            wine_tool(prefix, args, display, arch, timeout)
            return
        except Failure as failure:
            if attempt == SETUP_ATTEMPTS:
                raise
            log(f"warning: {failure}\n  (ending the prefix's wineserver and trying again)")
            stop_wineserver(prefix)


REG_ROOTS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKCR": "HKEY_CLASSES_ROOT",
             "HKU": "HKEY_USERS"}


def reg_file_text(entries):
    """The text of a registry file (regedit's format) that sets the values (key, name,
    "REG_SZ"/"REG_DWORD", data), or deletes those whose type is None."""
    quote = lambda text: '"' + str(text).replace("\\", "\\\\").replace('"', '\\"') + '"'  # noqa: E731
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, name, kind, data in entries:
        root, _, rest = key.partition("\\")
        if kind not in (None, "REG_SZ", "REG_DWORD"):
            raise Failure(f"registry value {key}\\{name}: type {kind} cannot be seeded (REG_SZ, REG_DWORD)")
        value = ("-" if kind is None else quote(data) if kind == "REG_SZ" else
                 f"dword:{int(str(data), 0) & 0xFFFFFFFF:08x}")
        lines += [f"[{REG_ROOTS.get(root.upper(), root)}\\{rest}]", f"{quote(name)}={value}", ""]
    return "\r\n".join(lines) + "\r\n"


def import_registry(prefix, entries, display=None):
    """Writes registry values into the prefix as one registry file imported by regedit (a
    set-up step): (key, name, "REG_SZ"/"REG_DWORD", data). The prefix's wineserver is started
    with a hold of HOLD_SECONDS (Debian starts it with -p0), so that the set-up steps and the
    program run that follows share one start of the prefix: Wine runs and empties RunOnce at
    every start, so a value seeded there survives only this way."""
    with tempfile.NamedTemporaryFile("w", suffix=".reg", dir=Path(prefix).parent, delete=False,
                                     encoding="utf-16", newline="") as reg:
        reg.write(reg_file_text(entries))
    try:  # Wine maps the host's root folder to drive Z:.
        setup_step(prefix, ["regedit", "/S", "Z:" + reg.name.replace("/", "\\")], display, hold=True)
    finally:
        os.unlink(reg.name)


def set_windows_version(prefix, version, seed=()):
    """Makes Wine report the given Windows version to every program of the prefix and writes
    the seed values (key, name, "REG_SZ"/"REG_DWORD", data) in the same set-up step."""
    if version not in WINDOWS_VERSIONS:
        raise Failure(f"unknown Windows version {version!r}; known: {', '.join(WINDOWS_VERSIONS)}")
    import_registry(prefix, [(r"HKCU\Software\Wine", "Version", "REG_SZ", version)] + list(seed))


# ---------------------------------------------------------------------------------------------
# Virtual display


def start_xvfb(log_path):
    """Starts Xvfb on a free display in its own session; returns (pid, ":N")."""
    xvfb = shutil.which("Xvfb")
    if not xvfb:
        raise Failure("Xvfb is not installed (package xvfb); the Wine tests need a display")
    read_end, write_end = os.pipe()
    with open(log_path, "ab") as log_file:
        proc = subprocess.Popen([xvfb, "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
                                 "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log_file,
                                stderr=log_file, start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 30
    try:
        while not number.endswith(b"\n") and select.select([read_end], [], [], max(0, deadline - time.monotonic()))[0]:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
    finally:
        os.close(read_end)
    if not number.strip().isdigit():
        proc.kill()
        proc.wait()
        raise Failure(f"Xvfb did not report a display; see {log_path}")
    return proc.pid, ":" + number.strip().decode()


def process_alive(pid, name):
    """True while pid is a running (not zombie) process whose command line contains name."""
    try:
        state = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0]
        return state != "Z" and name.encode() in Path(f"/proc/{pid}/cmdline").read_bytes()
    except OSError:
        return False


def stop_process(pid, name):
    """Ends a process that is not our child: SIGTERM, then SIGKILL after five seconds."""
    if not process_alive(pid, name):
        return
    os.kill(pid, signal.SIGTERM)
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline and process_alive(pid, name):
        time.sleep(0.1)
    if process_alive(pid, name):
        os.kill(pid, signal.SIGKILL)


def read_state(state_path):
    """The display record written by display-start, or None."""
    try:
        return json.loads(Path(state_path).read_text()) if state_path else None
    except (OSError, ValueError):
        return None


class Display:
    """The X display of a case: the shared one of display-start, or a private Xvfb."""

    def __init__(self, state_path, work_dir):
        self.pid = None
        state = read_state(state_path)
        if state and process_alive(state["pid"], "Xvfb"):
            self.name = state["display"]
        else:
            self.pid, self.name = start_xvfb(Path(work_dir) / "xvfb.log")

    def close(self):
        """Ends the private Xvfb, if this case started one."""
        if self.pid:
            stop_process(self.pid, "Xvfb")
            self.pid = None


def screenshot(display, path):
    """Saves the whole screen as a PNG (for people to look at; never compared)."""
    if shutil.which("import"):
        subprocess.run(["import", "-window", "root", str(path)], env=dict(os.environ, DISPLAY=display),
                       timeout=60, check=False, **QUIET)


def save_screen(display, work_dir):
    """Keeps the window list and a screenshot of the display for a run that hung."""
    if shutil.which("xwininfo"):
        with open(Path(work_dir) / "windows.txt", "w") as out:
            subprocess.run(["xwininfo", "-root", "-tree"], env=dict(os.environ, DISPLAY=display), stdout=out,
                           stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=30, check=False)
    screenshot(display, Path(work_dir) / "screen.png")


# ---------------------------------------------------------------------------------------------
# Prefixes


X11_DRIVER_KEY = r"HKCU\Software\Wine\X11 Driver"
# What every prefix gets besides wineboot's defaults:
# - no window manager control of the program's windows: with none running on the virtual display,
#   Wine otherwise waits about 2 s for each window the program hides or destroys;
# - Wine's call trace (WINEDEBUG=+relay), when a run asks for it, covers only the calls that
#   setup.exe itself makes. Wine ignores the include list while the exclude list that wineboot
#   writes exists, so that one goes.
TEMPLATE_VALUES = [
    (X11_DRIVER_KEY, "Managed", "REG_SZ", "N"),
    (r"HKCU\Software\Wine\Debug", "RelayFromInclude", "REG_SZ", "setup.exe"),
    (r"HKCU\Software\Wine\Debug", "RelayFromExclude", None, None),
]


def ensure_template(root, display=None, arch="win64"):
    """Creates the template prefix of an architecture in ROOT (_template for win64, _template32
    for win32) with wineboot once per Wine installation and template settings; returns its path.
    Making a prefix takes Wine a while; every case then starts from a copy of this one."""
    root = Path(root).resolve()
    root.mkdir(parents=True, exist_ok=True)
    template = root / ("_template32" if arch == "win32" else "_template")
    stamp = template / ".winetest-stamp"
    loader = loader_for_arch(arch)
    identity = f"{loader} {loader_version(loader)[1]} {os.stat(loader).st_mtime_ns} {TEMPLATE_VALUES!r}"
    with open(root / f"{template.name}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if stamp.is_file() and stamp.read_text() == identity:
            return template
        building = root / f"{template.name}.new"
        shutil.rmtree(building, ignore_errors=True)
        shutil.rmtree(template, ignore_errors=True)
        log(f"creating the {arch} template prefix {template} (wineboot)")
        started = time.monotonic()
        try:
            setup_step(building, ["wineboot", "-i"], display, arch, BOOT_TIMEOUT)
            wait_wineserver(building)
            import_registry(building, TEMPLATE_VALUES, display)
        finally:
            stop_wineserver(building)
        (building / ".winetest-stamp").write_text(identity)
        building.rename(template)
        log(f"template prefix ready after {time.monotonic() - started:.0f} s")
    return template


def fresh_prefix(template, prefix):
    """Replaces prefix by a copy of the template prefix."""
    prefix = Path(prefix).resolve()
    if prefix.exists():
        stop_wineserver(prefix)
        shutil.rmtree(prefix)
    prefix.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["cp", "-a", str(template), str(prefix)], check=True, stdin=subprocess.DEVNULL)


def install_package(prefix, exe, files=None, source_dir=None):
    """Fills C:\\pkg of the prefix with a package folder (copied), files ({name: text or bytes},
    text written with CRLF in code page 1252) and setup.exe; returns the host folder."""
    folder = Path(prefix) / "drive_c" / PACKAGE_DIR
    shutil.rmtree(folder, ignore_errors=True)
    if source_dir:
        shutil.copytree(source_dir, folder)
    folder.mkdir(parents=True, exist_ok=True)
    for name, text in (files or {}).items():
        target = folder / Path(*name.split("\\"))
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(text if isinstance(text, bytes) else
                           text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252"))
    shutil.copy2(exe, folder / "setup.exe")
    return folder


def prefix_file(prefix, windows_path):
    """The existing host path of a C:\\ path inside the prefix, matched without regard to case
    in each component as Windows does; None when there is none."""
    rest = windows_path[3:] if windows_path[1:3] == ":\\" else windows_path
    path = Path(prefix) / "drive_c"
    for part in rest.split("\\"):
        if not path.is_dir():
            return None
        path = next((entry for entry in path.iterdir() if entry.name.lower() == part.lower()), None)
        if path is None:
            return None
    return path


# ---------------------------------------------------------------------------------------------
# Wine's text formats: registry files and debug output

ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "0": "\0", "a": "\a", "b": "\b", "e": "\x1b", "f": "\f", "v": "\v"}


def unescape(text, hex_digits=4):
    """Undoes the C-style escapes Wine writes: in registry files \\xNNNN is a character, in
    debug output (hex_digits=2) \\xNN a byte of the ANSI code page, which the caller decodes."""
    return re.sub(r"\\(x[0-9a-fA-F]{1,%d}|.)" % hex_digits,
                  lambda m: chr(int(m.group(1)[1:], 16)) if len(m.group(1)) > 1 else ESCAPES.get(m.group(1), m.group(1)),
                  text)


QUOTED = r'"((?:[^"\\]|\\.)*)"'
REG_VALUE = re.compile(r"^(?:@|%s)=(.*)$" % QUOTED)


@functools.lru_cache(maxsize=None)
def parse_reg_file(path):
    """Reads a Wine registry file into {lower-case key path: {lower-case value name: (type,
    data)}}: ("sz", text), ("dword", number) or (Wine's type prefix, its raw text). The default
    value has the name ""."""
    keys = {}
    current = None
    text = Path(path).read_text(encoding="utf-8", errors="replace").replace("\\\n", "")  # continued hex lines
    for line in text.split("\n"):
        if line.startswith("["):
            current = keys.setdefault(unescape(line[1:line.rfind("]")]).lower(), {})
            continue
        match = REG_VALUE.match(line)
        if current is None or not match:
            continue
        name, data = unescape(match.group(1) or ""), match.group(2)
        if re.fullmatch(QUOTED, data):
            value = ("sz", unescape(data[1:-1]))
        elif data.startswith("dword:"):
            value = ("dword", int(data[6:], 16))
        else:
            value = (data.partition(":")[0], data)
        current[name.lower()] = value
    return keys


REG_FILES = {"HKLM": "system.reg", "HKEY_LOCAL_MACHINE": "system.reg", "HKCU": "user.reg",
             "HKEY_CURRENT_USER": "user.reg"}


def registry_key(prefix, key):
    """{lower-case value name: (type, data)} of a key ("HKLM\\Software\\...") in the saved
    registry of a prefix (read after its wineserver has ended), None when the key is missing."""
    root, _, rest = key.partition("\\")
    if root.upper() not in REG_FILES:
        raise Failure(f"registry root of {key!r} is not HKLM or HKCU")
    return parse_reg_file(Path(prefix) / REG_FILES[root.upper()]).get(rest.lower())


# OutputDebugString text as Wine logs it: Wine 8 writes it on the "seh" channel at warn level,
# older releases used the "debugstr" channel. debugstr_a escapes the text and cuts it near 300
# characters (marked by "..." after the closing quote).
TRACE_DEBUG = "-all,warn+seh,+debugstr"
TRACE_LINE = re.compile(r'^[0-9a-f]+:(?:warn|trace):(?:seh|debugstr):OutputDebugString[AW] "(.*)"(?:\.\.\.)?$')


def trace_lines(stderr_text):
    """The diagnostic lines of the program found in Wine's debug output, in order."""
    return [unescape(match.group(1), 2).encode("latin-1", "replace").decode("cp1252", "replace").rstrip("\r\n")
            for match in map(TRACE_LINE.match, stderr_text.splitlines()) if match]


# Wine's call trace: with WINEDEBUG=+relay every call into a system library that the prefix's
# "RelayFromInclude" lets through (mostly setup.exe's own, see TEMPLATE_VALUES) gives a line
# "0024:Call KERNEL32.GetModuleFileNameW(00000000,0032f9e0,00000104) ret=00401234". Wine applies
# that filter when it binds a module's imports, so a few calls of other modules and of other
# processes of the prefix slip through; the return address tells the program's own calls. Calls
# of a window or dialog procedure ("Call window proc ...") and returns ("Ret ...") do not match.
RELAY_DEBUG = TRACE_DEBUG + ",+relay"
RELAY_CALL = re.compile(r"^(?:[0-9a-f]+:)+Call ([A-Za-z0-9_-]+)\.([A-Za-z_]\w*)\(.* ret=([0-9a-f]+)$")
# The wide-character functions that Windows 95, 98 and Me implement; every other function whose
# name ends in W is a stub there that fails with ERROR_CALL_NOT_IMPLEMENTED.
NINE_X_WIDE = {"MessageBoxW", "MessageBoxExW", "TextOutW", "ExtTextOutW", "GetTextExtentPointW",
               "GetTextExtentPoint32W", "GetTextExtentExPointW", "GetCharWidthW", "lstrlenW",
               "MultiByteToWideChar", "WideCharToMultiByte"}
# The Windows versions of the 9x family (platform id 1).
NINE_X_VERSIONS = [name for name, (_, _, platform) in WINDOWS_VERSIONS.items() if platform == 1]


def check_calls(result, exe, work_dir):
    """Checks the call trace of a run on a 9x version: exe may call no wide-character function
    those systems lack (the name ends in W, as the paired A and W entry points are named, and is
    not in NINE_X_WIDE). Keeps the functions called from exe's own address range, with their
    counts, in work_dir/calls.txt; returns the list of failures."""
    _, first, end = pe_header(exe)
    calls = {}
    for match in map(RELAY_CALL.match, result.stderr.splitlines()):
        if match and first <= int(match.group(3), 16) < end:
            name = f"{match.group(1).upper()}.{match.group(2)}"
            calls[name] = calls.get(name, 0) + 1
    listing = Path(work_dir, "calls.txt")
    listing.write_text("".join(f"{name} {count}\n" for name, count in sorted(calls.items())))
    missing = sorted(name for name in calls if name.endswith("W") and name.rpartition(".")[2] not in NINE_X_WIDE)
    if not calls:
        text = "the call trace shows setup.exe's calls (none found: was it loaded at another address?)"
    else:
        text = (f"setup.exe calls no wide-character function the 9x family lacks ({len(calls)} functions "
                f"called, list in {listing})" + (f"; it calls {len(missing)}: {', '.join(missing)}" if missing else ""))
    ok = bool(calls) and not missing
    log(f"  {'ok  ' if ok else 'FAIL'} {text}")
    return [] if ok else [text]


# ---------------------------------------------------------------------------------------------
# Running the program


class RunResult:
    """Exit code (None when it had to be killed) and Wine's debug output of one run."""

    def __init__(self, exit_code, stderr, driven=None):
        self.exit_code = exit_code
        self.timed_out = exit_code is None
        self.stderr = stderr
        self.trace = trace_lines(stderr)
        self.driven = driven  # what the drive function returned


def run_program(prefix, exe_windows_path, args, cwd, log_dir, display=None, debug=TRACE_DEBUG, loader=None,
                drive=None):
    """Runs a program of the prefix (given by its C:\\ path); drive(proc), when given, runs while
    it does (presses keys, answers boxes). Then waits RUN_TIMEOUT s for the program's end; one
    that hangs is kept as window list and screenshot in log_dir and killed.

    Its output goes to files in log_dir, not to pipes: Wine's own background processes inherit
    the output handles and would keep pipes open until the wineserver ends.
    """
    log_dir = Path(log_dir)
    log_dir.mkdir(parents=True, exist_ok=True)
    err_path = log_dir / "wine-stderr.txt"
    driven = None
    killed = False
    with open(log_dir / "stdout.txt", "wb") as out, open(err_path, "wb") as err:
        proc = subprocess.Popen([loader or find_wine()[0], exe_windows_path] + list(args), cwd=cwd,
                                env=wine_env(prefix, display, debug), stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            driven = drive(proc) if drive else None
            proc.wait(timeout=RUN_TIMEOUT)
        except subprocess.TimeoutExpired:
            pass
        finally:
            if proc.poll() is None:
                killed = True
                if display:
                    save_screen(display, log_dir)
                proc.kill()
                proc.wait()
    return RunResult(None if killed else proc.returncode, err_path.read_bytes().decode("utf-8", "replace"), driven)


# ---------------------------------------------------------------------------------------------
# Interactive runs: pages walked and message boxes answered with xdotool


def xdotool(display, args, timeout=30):
    """Runs xdotool on the display; returns its output (empty on failure)."""
    try:
        done = subprocess.run(["xdotool"] + args, env=dict(os.environ, DISPLAY=display), capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, timeout=timeout, check=False)
    except subprocess.TimeoutExpired:
        return ""
    return done.stdout if done.returncode == 0 else ""


def windows_named(display, pattern):
    """The visible windows whose caption matches the regular expression."""
    return xdotool(display, ["search", "--onlyvisible", "--name", pattern]).split()


def geometry(display, window):
    """{"X", "Y", "WIDTH", "HEIGHT": number} of a window (empty when unknown)."""
    return {name: int(value) for name, _, value in
            (line.partition("=") for line in xdotool(display, ["getwindowgeometry", "--shell", window]).split())
            if name in ("X", "Y", "WIDTH", "HEIGHT")}


def send_step_input(display, window, step):
    """Sends a step's keys to its window, or clicks at the step's point."""
    for key in step.keys:
        xdotool(display, ["windowfocus", window])
        time.sleep(0.2)
        xdotool(display, ["key", "--window", window, "--clearmodifiers", key])
        time.sleep(0.3)
    if step.click:
        box = geometry(display, window)
        x = box.get("X", 0) + box.get("WIDTH", 0) - step.click[0]
        y = box.get("Y", 0) + box.get("HEIGHT", 0) - step.click[1]
        xdotool(display, ["mousemove", "--sync", str(x), str(y)])
        xdotool(display, ["click", "1"])


def wait_caption_left(proc, display, window, title, following):
    """True once, within STEP_RETRY s, the window no longer shows the caption (renamed, hidden
    or gone), the next step's window is up (a dialog in front of this one) or the program ended."""
    deadline = time.monotonic() + STEP_RETRY
    while time.monotonic() < deadline:
        if (proc.poll() is not None or window not in windows_named(display, f"^{re.escape(title)}$") or
                (following and following != title and windows_named(display, f"^{re.escape(following)}$"))):
            return True
        time.sleep(0.5)
    return False


def drive_steps(proc, display, steps, shots_dir):
    """Walks an interactive run: for each step waits for the window with the step's caption,
    keeps a screenshot and sends the keys. Returns the list of failures."""
    shots_dir.mkdir(parents=True, exist_ok=True)
    failures = []
    for number, step in enumerate(steps, 1):
        found = []
        deadline = time.monotonic() + STEP_TIMEOUT
        while not found and time.monotonic() < deadline and proc.poll() is None:
            found = windows_named(display, f"^{re.escape(step.title)}$")
            time.sleep(0 if found else 0.5)
        slug = re.sub(r"[^A-Za-z0-9]+", "-", step.title).strip("-").lower()
        if not found:
            screenshot(display, shots_dir / f"{number:02d}-missing-{slug}.png")
            failures.append(f"step {number}: no window named {step.title!r} within {STEP_TIMEOUT} s")
            log(f"  FAIL step {number}: window {step.title!r} did not appear")
            break
        window = found[0]
        time.sleep(STEP_SETTLE)  # let the page paint before the picture is taken
        screenshot(display, shots_dir / f"{number:02d}-{slug}.png")
        log(f"  step {number}: {step.title!r} shown (window {window}); "
            f"{'click ' + str(step.click) if step.click else 'keys ' + (' '.join(step.keys) or '-')}")
        # A press can be lost while the page is still settling; it is repeated (up to three
        # times) until the window leaves the step's caption.
        following = steps[number].title if number < len(steps) else None
        for _ in range(3):
            send_step_input(display, window, step)
            if wait_caption_left(proc, display, window, step.title, following):
                break
            log(f"  step {number}: still {step.title!r} after {STEP_RETRY} s; pressing again")
    return failures


def answer_boxes(proc, display, patterns, shots_dir):
    """Until the program ends (or RUN_TIMEOUT s), answers with Enter every visible top-level
    window of the program whose caption matches one of the patterns; returns the captions
    answered, in order."""
    answered = []
    pressed = {}
    # The windows already up (background window, wizard frame) are never answered, nor are
    # windows without a caption (the installation's own progress dialogs).
    known = set(xdotool(display, ["search", "--classname", "setup.exe"]).split())
    deadline = time.monotonic() + RUN_TIMEOUT
    while proc.poll() is None and time.monotonic() < deadline:
        program = set(xdotool(display, ["search", "--classname", "setup.exe"]).split())
        for window in (w for pattern in patterns for w in windows_named(display, pattern)):
            name = xdotool(display, ["getwindowname", window]).strip()
            if (window in known or window not in program or not name or name == "Default IME"
                    or time.monotonic() - pressed.get(window, 0) < 3):
                continue
            if window not in pressed:
                answered.append(name)
                log(f"  answered {name!r} (window {window}) with Enter")
                screenshot(display, shots_dir / f"box-{len(answered):02d}.png")
            pressed[window] = time.monotonic()
            # With no window manager, a box that the program's main thread shows while its
            # wizard frame is hidden can stay below the background window without Wine's
            # keyboard focus, and a key sent to it is lost. Raise it, click its own corner (the
            # dialog's background, no control) as real input to activate it, then type Return.
            xdotool(display, ["windowraise", window])
            box = geometry(display, window)
            if "X" in box and "Y" in box:
                xdotool(display, ["mousemove", str(box["X"] + 3), str(box["Y"] + 3), "click", "1"])
            else:
                xdotool(display, ["windowfocus", window])
            time.sleep(0.2)
            xdotool(display, ["key", "Return"])
        time.sleep(0.5)
    return answered


# ---------------------------------------------------------------------------------------------
# Cases


def load_cases():
    """The case table of cases.py by name."""
    return {case.name: case for case in cases.CASES}


def driver_starts(prefix):
    """The blocks the stand-in driver setup program appended to C:\\drvtest\\seen.txt, as dicts
    with lower-case names."""
    seen = prefix_file(prefix, "C:\\drvtest\\seen.txt")
    blocks = []
    for line in (seen.read_text(encoding="utf-8-sig", errors="replace").splitlines() if seen else []):
        if line == "[start]":
            blocks.append({})
        elif "=" in line and blocks:
            name, _, value = line.partition("=")
            blocks[-1][name.lower()] = value
    return blocks


def check_case(case, version, result, prefix, work_dir):
    """Compares a finished run with the case's expectations; returns the list of failures."""
    expect = per_version(case.expect, version)
    failures = []

    def check(ok, text):
        log(f"  {'ok  ' if ok else 'FAIL'} {text}")
        if not ok:
            failures.append(text)

    if result.timed_out:
        check(False, f"setup.exe ended within {RUN_TIMEOUT} s (window list and screenshot kept in {work_dir})")
        return failures
    check(result.exit_code == expect.exit_code, f"exit code {result.exit_code} == {expect.exit_code}")
    for line in expect.trace_has:
        check(line in result.trace, f"trace has {line!r}")
    for text in expect.trace_contains:
        check(any(text in line for line in result.trace), f"a trace line contains {text!r}")
    for text in expect.trace_excludes:
        check(not any(text in line for line in result.trace), f"no trace line contains {text!r}")
    for path in expect.paths:
        check(prefix_file(prefix, path) is not None, f"{path} exists")
    for path in expect.paths_absent:
        check(prefix_file(prefix, path) is None, f"{path} does not exist")
    for key in expect.keys_absent:
        check(registry_key(prefix, key) is None, f"registry key {key} does not exist")
    for key, name, value in expect.values:
        found = (registry_key(prefix, key) or {}).get(name.lower())
        check(found == value, f"registry value {key}\\{name} == {value} (found {found})")
    for path, text in expect.file_has:
        found = prefix_file(prefix, path)
        data = found.read_bytes() if found and found.is_file() else b""
        check(text.encode("utf-16-le") in data or text.encode("cp1252", "replace") in data, f"{path} holds {text!r}")
    answered = (result.driven or ([], []))[1]
    for caption in expect.dismissed:
        check(caption in answered, f"a message box {caption!r} was shown and answered")
    if expect.driver_starts is not None:
        starts = driver_starts(prefix)
        check(len(starts) == len(expect.driver_starts),
              f"the driver setup program ran {len(expect.driver_starts)} times (ran {len(starts)})")
        for number, (wanted, seen) in enumerate(zip(expect.driver_starts, starts), 1):
            for name, value in wanted.items():
                check(seen.get(name.lower()) == value,
                      f"driver setup start {number}: {name} == {value!r} (found {seen.get(name.lower())!r})")
    return failures


def add_case_files(case, prefix, folder, stub, fixtures):
    """Puts the stand-in driver setup program into the package under each of the case's names
    (drvtest.ini tells it the verdict to answer) and the case's built fixtures into the
    prefix's Windows folder."""
    if case.driver_programs and not (stub and Path(stub).is_file()):
        raise Failure(f"the case needs the stand-in driver setup program, not found at {stub}")
    for name in case.driver_programs:
        shutil.copy2(stub, folder / name)
    if case.driver_programs:
        (folder / "drvtest.ini").write_bytes(f"[Verdict]\r\nResult={case.driver_verdict}\r\n".encode())
    for name, fixture in case.windows_files.items():
        source = Path(fixtures or "") / fixture
        if not fixtures or not source.is_file():
            raise Failure(f"the case needs the fixture {fixture}, not found in {fixtures} (--fixtures)")
        shutil.copy2(source, Path(prefix) / "drive_c" / "windows" / name)


def run_case(name, version, exe, root, state_path, keep, stub=None, fixtures=None):
    """Runs one case on one Windows version; returns 0 for a pass, 1 for a failure."""
    case = load_cases().get(name)
    if case is None or version not in case.versions:
        raise Failure(f"no case named {name} on {version}")
    loader = loader_for(exe)
    # On the 9x family the run is traced so that every call of a function those systems lack fails
    # the case.
    debug = RELAY_DEBUG if version in NINE_X_VERSIONS else TRACE_DEBUG
    work_dir = Path(root) / f"{name}-{version}"
    prefix = work_dir / "prefix"
    log(f"case {name} on {version}: {case.about}")
    if prefix.exists():
        stop_wineserver(prefix)
    shutil.rmtree(work_dir, ignore_errors=True)
    work_dir.mkdir(parents=True)
    # Interactive cases move the keyboard focus, which belongs to the whole display: they get an
    # Xvfb of their own so that cases running at the same time cannot take it from each other.
    steps = per_version(case.steps, version)
    interactive = bool(steps or case.dismiss)
    display = Display(None if interactive else state_path, work_dir)
    passed = False
    try:
        fresh_prefix(ensure_template(root, display.name, exe_arch(exe)), prefix)
        folder = install_package(prefix, exe, per_version(case.package, version),
                                 HERE.parent.parent / case.source if case.source else None)
        add_case_files(case, prefix, folder, stub, fixtures)
        # Runs that press keys or click keep Wine's window-manager mode: without it the last page
        # can stay below the background window once the installation's dialogs have closed.
        managed = [(X11_DRIVER_KEY, "Managed", "REG_SZ", "Y")] if interactive else []
        set_windows_version(prefix, version, case.seed + managed)  # last: shares the wineserver
        log(f"  package: {', '.join(sorted(p.name for p in folder.iterdir()))}")
        log(f"  run: setup.exe {' '.join(case.args)}  (WINEPREFIX={prefix}, DISPLAY={display.name})")
        shots = work_dir / "pages"
        if interactive and not shutil.which("xdotool"):
            raise Failure("xdotool is needed for interactive runs")
        # The drive's result: (failures of the steps, captions of the boxes answered).
        drive = (lambda proc: (drive_steps(proc, display.name, steps, shots),
                               answer_boxes(proc, display.name, case.dismiss, shots) if case.dismiss else []))
        started = time.monotonic()
        result = run_program(prefix, SETUP_EXE, case.args, folder, work_dir, display.name, debug, loader,
                             drive if interactive else None)
        log(f"  setup.exe ran {time.monotonic() - started:.1f} s")
        (work_dir / "trace.txt").write_text("".join(line + "\n" for line in result.trace))
        if case.restarts and not wineserver(prefix, "-w"):
            # Wine's restart runs on after setup has ended; a busy machine may need a while.
            log(f"warning: wineserver of {prefix} did not end within {SERVER_TIMEOUT} s")
        stop_wineserver(prefix)  # ending the wineserver also saves the registry
        for line in result.trace:
            log(f"  trace: {line}")
        failures = (result.driven or ([], []))[0] + check_case(case, version, result, prefix, work_dir)
        if debug == RELAY_DEBUG:
            failures += check_calls(result, exe, work_dir)
        passed = not failures
    finally:
        stop_wineserver(prefix)
        display.close()
    if passed:
        log("PASS")
    else:
        # The registry files are what a failed check usually needs; the prefix is ~700 MB.
        for name in ("system.reg", "user.reg"):
            if (prefix / name).is_file():
                shutil.copy2(prefix / name, work_dir / name)
        log(f"FAIL (logs and registry files in {work_dir}; "
            f"{'prefix kept' if keep else 'WINETEST_KEEP=1 keeps the prefix'})")
    if not keep:
        shutil.rmtree(prefix, ignore_errors=True)
    return 0 if passed else 1


def run_demo(exe, package, prefix, version, template_root, args):
    """Runs setup.exe from a copy of a package in a fresh prefix and prints what it did; returns
    1 when it hung, else 0."""
    loader = loader_for(exe)
    arch = exe_arch(exe)
    prefix = Path(prefix)
    prefix.parent.mkdir(parents=True, exist_ok=True)
    display = Display(None, prefix.parent)
    try:
        template_root = template_root or HERE.parent.parent / "build" / ("win" if arch == "win64" else arch) / "wine-tests"
        fresh_prefix(ensure_template(template_root, display.name, arch), prefix)
        folder = install_package(prefix, exe, source_dir=package)
        set_windows_version(prefix, version)
        log(f"setup.exe {' '.join(args)} on {version} (WINEPREFIX={prefix})")
        result = run_program(prefix, SETUP_EXE, args, folder, prefix.parent, display.name, loader=loader)
        log(f"setup.exe did not end within {RUN_TIMEOUT} s; window list and screenshot in {prefix.parent}"
            if result.timed_out else f"exit code: {result.exit_code}")
        for line in result.trace or ["(no trace lines)"]:
            log(f"  trace: {line}")
    finally:
        stop_wineserver(prefix)
        display.close()
    return 1 if result.timed_out else 0


# ---------------------------------------------------------------------------------------------
# Command line


def main(argv):
    """Dispatches the subcommands; see the module text."""
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("list")
    arch = dict(choices=("win32", "win64"), default="win64")
    sub.add_parser("check").add_argument("--arch", **arch)
    for name in ("display-start", "display-stop"):
        sub.add_parser(name).add_argument("--state", required=True)
    p = sub.add_parser("template")
    p.add_argument("--root", required=True)
    p.add_argument("--state")
    p.add_argument("--arch", **arch)
    p = sub.add_parser("case")
    p.add_argument("name")
    p.add_argument("version")
    for option in ("--exe", "--root", "--stub", "--fixtures", "--state"):
        p.add_argument(option, required=option in ("--exe", "--root"))
    p.add_argument("--keep", action="store_true", default=bool(os.environ.get("WINETEST_KEEP")),
                   help="keep the prefix of a passing case (also WINETEST_KEEP=1)")
    p = sub.add_parser("run")
    for option in ("--exe", "--package", "--prefix", "--template-root"):
        p.add_argument(option, required=option != "--template-root")
    p.add_argument("--version", default="win7")
    p.add_argument("args", nargs=argparse.REMAINDER)
    opts = parser.parse_args(argv)
    for name in ("state", "root", "exe", "stub", "fixtures", "package", "prefix", "template_root"):
        if getattr(opts, name, None):
            setattr(opts, name, os.path.abspath(getattr(opts, name)))

    # CTest ends a test that runs too long with SIGTERM: unwind so that cleanups run.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        if opts.command == "check":
            loader_for_arch(opts.arch)
            log(f"Wine can run {opts.arch} programs here")
        elif opts.command == "list":
            for case in load_cases().values():
                for version in case.versions:
                    # Cases that press keys or answer boxes run alone: they need the machine's
                    # attention to keep up with the program.
                    print(case.name, version, "serial" if per_version(case.steps, version) or case.dismiss else "parallel")
        elif opts.command == "display-start":
            find_wine()
            state = Path(opts.state)
            state.parent.mkdir(parents=True, exist_ok=True)
            if read_state(state):
                stop_process(read_state(state)["pid"], "Xvfb")
            pid, display = start_xvfb(state.parent / "xvfb.log")
            state.write_text(json.dumps({"pid": pid, "display": display}))
            log(f"Xvfb {display} started (pid {pid})")
        elif opts.command == "display-stop":
            state = read_state(opts.state)
            if state:
                stop_process(state["pid"], "Xvfb")
                log(f"Xvfb {state['display']} stopped (pid {state['pid']})")
            Path(opts.state).unlink(missing_ok=True)
        elif opts.command == "template":
            state = read_state(opts.state)
            ensure_template(opts.root, state["display"] if state else None, opts.arch)
        elif opts.command == "case":
            return run_case(opts.name, opts.version, opts.exe, opts.root, opts.state, opts.keep, opts.stub,
                            opts.fixtures)
        else:
            args = opts.args[1:] if opts.args[:1] == ["--"] else opts.args
            return run_demo(opts.exe, opts.package, opts.prefix, opts.version, opts.template_root, args)
        return 0
    except Skip as skip:
        log(f"SKIP: {skip}")
        return SKIP
    except Failure as failure:
        log(f"ERROR: {failure}")
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
