#!/usr/bin/env python3
"""End-to-end harness: runs setup.exe under Wine in throw-away prefixes and checks what it did.

Subcommands (all paths are host paths):
  list                      the registered cases, one "name version serial|parallel" per line
                            (read by CMake; interactive cases run serially)
  check [--arch win32|win64]
                            exits 0 when Wine can run programs of that architecture here, 77
                            (skipped) with the reason when not
  display-start --state F   starts one Xvfb for the whole test run and records it in F
  display-stop --state F    ends the Xvfb recorded in F
  template --root DIR [--arch win32|win64]
                            makes sure the pristine prefix of that architecture exists
                            (DIR/_template for win64, DIR/_template32 for win32)
  case NAME VERSION --exe EXE [--stub EXE] --root DIR [--state F]
                            runs one case of cases.py in DIR/NAME-VERSION/prefix, a 32-bit
                            prefix for a 32-bit program (--stub: the stand-in driver setup
                            program the installation cases need; interactive cases keep a
                            screenshot of each page in DIR/NAME-VERSION/pages). On Windows 95,
                            98 and Me the run is traced and fails when setup.exe calls a function
                            those systems lack (the calls are listed in DIR/NAME-VERSION/calls.txt)
  run --exe EXE --package DIR --prefix DIR --version V [--template-root DIR] [-- ARGS...]
                            runs setup.exe from a copy of a package folder in a fresh prefix and
                            prints its exit code and trace lines (the demo); the template prefix
                            is the Wine tests' one of the program's build (build/win/wine-tests
                            or build/win32/wine-tests) unless given

Exit codes: 0 pass, 1 fail, 77 skipped because Wine (or the 32-bit Wine for a 32-bit program)
is not installed or cannot run on this machine. No process started here outlives the command, except the Xvfb of
display-start, which display-stop ends.
"""

import argparse
import fcntl
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
from cases import WINDOWS_VERSIONS  # noqa: E402  (the case table lives beside this file)

DLL_OVERRIDES = "winemenubuilder.exe=d;mscoree=d;mshtml=d"
RUN_TIMEOUT = 120       # seconds for one run of the program under test
STEP_TIMEOUT = 60       # seconds an interactive run may take to show the next page
STEP_SETTLE = 1.5       # seconds a shown page gets to paint before its screenshot
STEP_RETRY = 10         # seconds a step's window may keep its caption before the press is repeated
TOOL_TIMEOUT = 120      # seconds for reg, regedit and the like
BOOT_TIMEOUT = 480      # seconds for wineboot to make a prefix on a busy machine
SERVER_TIMEOUT = 60     # seconds to wait for wineserver to finish and save the registry
HOLD_SECONDS = 10       # seconds a prefix's wineserver outlives its last program after set-up
PACKAGE_DIR = "pkg"     # the package folder below drive_c
# Where "run" keeps its template prefix unless told otherwise: the one the Wine tests of the
# build of that architecture use.
DEFAULT_TEMPLATE_ROOT = HERE.parent.parent / "build" / "win" / "wine-tests"


class Skip(Exception):
    """Raised when the case cannot run on this machine (Wine missing)."""


class Failure(Exception):
    """Raised when a step of the harness itself goes wrong."""


def log(text=""):
    """Writes one line of the readable report."""
    print(text, flush=True)


# ---------------------------------------------------------------------------------------------
# Wine discovery and environment


def find_wine():
    """Returns the paths of the 64-bit loader, the 32-bit loader (or None) and wineserver."""
    wine64 = os.environ.get("WINETEST_WINE64") or shutil.which("wine64")
    if not wine64 and os.access("/usr/lib/wine/wine64", os.X_OK):
        wine64 = "/usr/lib/wine/wine64"  # Debian keeps the loader out of PATH
    wine32 = os.environ.get("WINETEST_WINE32")
    if not wine32 and os.access("/usr/lib/wine/wine", os.X_OK):
        wine32 = "/usr/lib/wine/wine"
    server = os.environ.get("WINETEST_WINESERVER") or shutil.which("wineserver")
    if not server and os.access("/usr/lib/wine/wineserver", os.X_OK):
        server = "/usr/lib/wine/wineserver"
    if not wine64 or not server:
        raise Skip("Wine is not installed (no wine64 loader or wineserver found)")
    return wine64, wine32, server


def pe_image(exe):
    """(first address, end) of a PE program loaded at its preferred base."""
    with open(exe, "rb") as f:
        data = f.read(4096)
    offset = int.from_bytes(data[0x3C:0x40], "little") + 24  # optional header
    if data[offset:offset + 2] == b"\x0b\x02":  # PE32+
        base = int.from_bytes(data[offset + 24:offset + 32], "little")
    else:
        base = int.from_bytes(data[offset + 28:offset + 32], "little")
    return base, base + int.from_bytes(data[offset + 56:offset + 60], "little")


def pe_machine(exe):
    """Returns the machine field of a PE file (0x8664 for x86-64, 0x14c for i386)."""
    with open(exe, "rb") as f:
        data = f.read(4096)
    if data[:2] != b"MZ":
        raise Failure(f"{exe} is not a Windows program")
    offset = int.from_bytes(data[0x3C:0x40], "little")
    if data[offset:offset + 4] != b"PE\0\0":
        raise Failure(f"{exe} has no PE header")
    return int.from_bytes(data[offset + 4:offset + 6], "little")


def exe_arch(exe):
    """The prefix architecture a program needs: "win32" for an i386 program, else "win64"."""
    return "win32" if pe_machine(exe) == 0x14C else "win64"


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
    why = loader_fault(wine32)
    if why:
        raise Skip(f"the 32-bit Wine cannot run on this machine ({why})")
    return wine32


_LOADER_FAULTS = {}


def loader_fault(loader):
    """Why the Wine loader cannot start a program here (None when it can). A kernel without
    32-bit support refuses the 32-bit loader ("Exec format error")."""
    if loader not in _LOADER_FAULTS:
        try:
            done = subprocess.run([loader, "--version"], capture_output=True, text=True, check=False,
                                  stdin=subprocess.DEVNULL, timeout=TOOL_TIMEOUT)
            _LOADER_FAULTS[loader] = (None if done.returncode == 0 else
                                      f"{loader} --version failed ({done.returncode}): {done.stderr.strip()}")
        except OSError as error:
            _LOADER_FAULTS[loader] = f"{loader}: {error.strerror}; a kernel without 32-bit support refuses it"
        except subprocess.TimeoutExpired:
            _LOADER_FAULTS[loader] = f"{loader} --version did not end within {TOOL_TIMEOUT} s"
    return _LOADER_FAULTS[loader]


def prefix_arch(prefix):
    """The architecture Wine recorded in a prefix ("#arch=" in system.reg); win64 when unknown."""
    try:
        with open(Path(prefix) / "system.reg", encoding="utf-8", errors="replace") as f:
            for _ in range(10):
                line = f.readline()
                if line.startswith("#arch="):
                    return line[6:].strip()
    except OSError:
        pass
    return "win64"


def wine_env(prefix, display=None, debug="-all"):
    """The environment for Wine commands in one prefix."""
    env = dict(os.environ)
    for name in ("WAYLAND_DISPLAY", "WINEARCH", "WINELOADER", "WINESERVER"):
        env.pop(name, None)
    # Wine refuses a relative WINEPREFIX ("not an absolute path").
    env.update(WINEPREFIX=str(Path(prefix).resolve()), WINEDEBUG=debug, WINEDLLOVERRIDES=DLL_OVERRIDES, LC_ALL="C.UTF-8")
    env.setdefault("HOME", str(Path(prefix).parent))  # CI may start without one; Wine wants it
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def stop_wineserver(prefix):
    """Ends the wineserver of a prefix and every Wine process attached to it."""
    try:
        _, _, server = find_wine()
    except Skip:
        return
    if not Path(prefix).is_dir():
        return
    env = wine_env(prefix)
    for option in ("-k", "-w"):
        try:
            subprocess.run([server, option], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=SERVER_TIMEOUT, check=False)
        except subprocess.TimeoutExpired:
            log(f"warning: wineserver {option} for {prefix} did not return within {SERVER_TIMEOUT} s")


def wait_wineserver(prefix):
    """Waits until the prefix's wineserver has ended, which saves the registry files."""
    _, _, server = find_wine()
    try:
        subprocess.run([server, "-w"], env=wine_env(prefix), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=SERVER_TIMEOUT, check=False)
    except subprocess.TimeoutExpired:
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
            done = subprocess.run([loader] + args, env=env, stdin=subprocess.DEVNULL,
                                  stdout=output, stderr=subprocess.STDOUT, timeout=timeout, check=False)
        except subprocess.TimeoutExpired:
            raise Failure(f"wine {' '.join(args)} did not end within {timeout} s")
        output.seek(0)
        text = output.read().decode("utf-8", "replace")
    if done.returncode != 0:
        raise Failure(f"wine {' '.join(args)} failed ({done.returncode}):\n{text}")
    return text


def setup_step(prefix, args, display=None, arch=None, timeout=TOOL_TIMEOUT):
    """A set-up step of a prefix (wineboot, a registry import): runs the Wine program; a failed
    step is shown and, once the prefix's wineserver has ended, tried once more. The second
    failure ends the case."""
    try:
        wine_tool(prefix, args, display, arch, timeout)
    except Failure as first:
        log(f"warning: {first}\n  (waiting for the wineserver and trying once more)")
        wait_wineserver(prefix)
        wine_tool(prefix, args, display, arch, timeout)


def hold_wineserver(prefix):
    """Starts the prefix's wineserver (when none runs) so that it outlives its last program by
    HOLD_SECONDS instead of ending at once (Debian starts it with -p0). The set-up steps and the
    program that follows them then share one start of the prefix: Wine runs and empties RunOnce
    at every start, so a value seeded there survives only this way."""
    _, _, server = find_wine()
    subprocess.run([server, f"-p{HOLD_SECONDS}"], env=wine_env(prefix), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=SERVER_TIMEOUT, check=False)


REG_ROOTS = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER", "HKCR": "HKEY_CLASSES_ROOT",
             "HKU": "HKEY_USERS"}


def reg_file_text(entries):
    """The text of a registry file (regedit's format) that sets the values (key, name,
    "REG_SZ"/"REG_DWORD", data), or deletes those whose type is None."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, name, kind, data in entries:
        root, _, rest = key.partition("\\")
        lines.append(f"[{REG_ROOTS.get(root.upper(), root)}\\{rest}]")
        quoted = '"' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'
        if kind is None:
            lines.append(quoted + "=-")
        elif kind == "REG_SZ":
            lines.append(quoted + '="' + str(data).replace("\\", "\\\\").replace('"', '\\"') + '"')
        elif kind == "REG_DWORD":
            lines.append(f"{quoted}=dword:{int(str(data), 0) & 0xFFFFFFFF:08x}")
        else:
            raise Failure(f"registry value {key}\\{name}: type {kind} cannot be seeded (REG_SZ, REG_DWORD)")
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def import_registry(prefix, entries, display=None, arch=None):
    """Writes registry values into the prefix as one registry file imported by regedit (a
    set-up step): (key, name, "REG_SZ"/"REG_DWORD", data). The prefix's wineserver is held
    (hold_wineserver) for the program run that follows."""
    if not entries:
        return
    hold_wineserver(prefix)
    with tempfile.NamedTemporaryFile("w", suffix=".reg", dir=Path(prefix).parent, delete=False,
                                     encoding="utf-16", newline="") as reg:
        reg.write(reg_file_text(entries))
    try:
        # Wine maps the host's root folder to drive Z:.
        setup_step(prefix, ["regedit", "/S", "Z:" + reg.name.replace("/", "\\")], display, arch)
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
        proc = subprocess.Popen(
            [xvfb, "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log_file, stderr=log_file,
            start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 30
    try:
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([read_end], [], [], remaining)[0]:
                break
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
        stat = Path(f"/proc/{pid}/stat").read_text()
        cmdline = Path(f"/proc/{pid}/cmdline").read_bytes()
    except OSError:
        return False
    state = stat.rsplit(")", 1)[1].split()[0]
    return state != "Z" and name.encode() in cmdline


def stop_process(pid, name):
    """Ends a process that is not our child: SIGTERM, then SIGKILL after five seconds."""
    if not process_alive(pid, name):
        return
    os.kill(pid, signal.SIGTERM)
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        if not process_alive(pid, name):
            return
        time.sleep(0.1)
    if process_alive(pid, name):
        os.kill(pid, signal.SIGKILL)


class Display:
    """The X display of a case: the shared one of display-start, or a private Xvfb."""

    def __init__(self, state_path, work_dir):
        self.pid = None
        self.name = None
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


def read_state(state_path):
    """The display record written by display-start, or None."""
    if not state_path:
        return None
    try:
        return json.loads(Path(state_path).read_text())
    except (OSError, ValueError):
        return None


def save_screen(display, work_dir):
    """Keeps the window list and a screenshot of the display for a run that hung."""
    env = dict(os.environ, DISPLAY=display)
    if shutil.which("xwininfo"):
        with open(Path(work_dir) / "windows.txt", "w") as out:
            subprocess.run(["xwininfo", "-root", "-tree"], env=env, stdout=out, stderr=subprocess.STDOUT,
                           stdin=subprocess.DEVNULL, timeout=30, check=False)
    if shutil.which("import"):
        subprocess.run(["import", "-window", "root", str(Path(work_dir) / "screen.png")], env=env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30, check=False)


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


def wine_identity(arch):
    """A text that changes when the installed Wine or the template's settings change (stamp of
    the template prefix)."""
    loader = loader_for_arch(arch)
    done = subprocess.run([loader, "--version"], capture_output=True, text=True, check=False,
                          stdin=subprocess.DEVNULL, timeout=TOOL_TIMEOUT)
    return f"{loader} {done.stdout.strip()} {os.stat(loader).st_mtime_ns} {TEMPLATE_VALUES!r}"


def ensure_template(root, display=None, arch="win64"):
    """Creates the template prefix of an architecture in ROOT (_template for win64, _template32
    for win32) with wineboot once per Wine installation; returns its path.

    Making a prefix takes Wine a while; every case then starts from a copy of this one.
    """
    root = Path(root).resolve()
    root.mkdir(parents=True, exist_ok=True)
    template = root / ("_template32" if arch == "win32" else "_template")
    stamp = template / ".winetest-stamp"
    identity = wine_identity(arch)
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


def drive_c_path(prefix, windows_path):
    """Host path of a C:\\ path inside the prefix (components as given; Wine keeps the case)."""
    rest = windows_path[3:] if windows_path[1:3] == ":\\" else windows_path
    return Path(prefix) / "drive_c" / Path(*rest.split("\\"))


def find_no_case(path):
    """The existing host path matching path without regard to case in each component, or None."""
    path = Path(path)
    if path.exists():
        return path
    parent = find_no_case(path.parent) if path.parent != path else None
    if parent is None or not parent.is_dir():
        return None
    for entry in parent.iterdir():
        if entry.name.lower() == path.name.lower():
            return entry
    return None


# ---------------------------------------------------------------------------------------------
# Registry files


def _unescape(text):
    """Undoes the C-style escapes of Wine's registry files."""
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out.append(c)
            i += 1
            continue
        n = text[i + 1]
        i += 2
        if n == "x":
            digits = re.match(r"[0-9a-fA-F]{1,4}", text[i:])
            if digits:
                out.append(chr(int(digits.group(0), 16)))
                i += len(digits.group(0))
            else:
                out.append("x")
        else:
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0", "a": "\a", "b": "\b",
                        "e": "\x1b", "f": "\f", "v": "\v"}.get(n, n))
    return "".join(out)


def _quoted(text):
    """Splits '"..."rest' into the unescaped quoted text and the rest."""
    match = re.match(r'"((?:[^"\\]|\\.)*)"', text)
    if not match:
        raise ValueError(text)
    return _unescape(match.group(1)), text[match.end():]


def _hex_bytes(text):
    """The bytes of "01,02,ff"."""
    text = text.replace("\\", "").replace(" ", "").replace("\n", "")
    return bytes(int(b, 16) for b in text.split(",") if b)


def parse_reg_file(path):
    """Reads a Wine registry file into {lower-case key path: {lower-case value name: (type, data)}}.

    Types: "sz", "expand_sz", "multi_sz" (text), "dword" (int), "binary" (bytes), or "hex(N)".
    The default value has the name "".
    """
    keys = {}
    current = None
    lines = Path(path).read_text(encoding="utf-8", errors="replace").split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        while line.endswith("\\") and i < len(lines):  # hex data continues on the next line
            line = line[:-1] + lines[i].strip()
            i += 1
        if line.startswith("["):
            end = line.rfind("]")
            current = keys.setdefault(_unescape(line[1:end]).lower(), {})
            continue
        if current is None or not (line.startswith('"') or line.startswith("@=")):
            continue
        if line.startswith("@="):
            name, rest = "", line[1:]
        else:
            name, rest = _quoted(line)
        data = rest[1:]
        if data.startswith('"'):
            value = ("sz", _quoted(data)[0])
        elif data.startswith("str(2):"):
            value = ("expand_sz", _quoted(data[7:])[0])
        elif data.startswith("str(7):"):
            value = ("multi_sz", _quoted(data[7:])[0])
        elif data.startswith("dword:"):
            value = ("dword", int(data[6:], 16))
        elif data.startswith("hex:"):
            value = ("binary", _hex_bytes(data[4:]))
        elif data.startswith("hex("):
            kind, payload = data[4:].split("):", 1)
            value = (f"hex({int(kind, 16)})", _hex_bytes(payload))
        else:
            value = ("unknown", data)
        current[name.lower()] = value
    return keys


ROOTS = {"HKLM": "system.reg", "HKEY_LOCAL_MACHINE": "system.reg",
         "HKCU": "user.reg", "HKEY_CURRENT_USER": "user.reg"}


class Registry:
    """The saved registry of a prefix (read after its wineserver has ended)."""

    def __init__(self, prefix):
        self.prefix = Path(prefix)
        self.files = {}

    def _split(self, key):
        """(parsed file, lower-case key path inside it) for "HKLM\\Software\\..."."""
        root, _, rest = key.partition("\\")
        file_name = ROOTS.get(root.upper())
        if not file_name:
            raise Failure(f"registry root of {key!r} is not HKLM or HKCU")
        if file_name not in self.files:
            self.files[file_name] = parse_reg_file(self.prefix / file_name)
        return self.files[file_name], rest.lower()

    def key_exists(self, key):
        """True when the key is in the registry."""
        keys, path = self._split(key)
        return path in keys

    def value(self, key, name):
        """(type, data) of a value, or None when the key or value is missing."""
        keys, path = self._split(key)
        return keys.get(path, {}).get(name.lower())


# ---------------------------------------------------------------------------------------------
# Running the program and reading its trace

# OutputDebugString text as Wine logs it: Wine 8 writes it on the "seh" channel at warn level,
# older releases used the "debugstr" channel. debugstr_a escapes the text and cuts it near 300
# characters (marked by "..." after the closing quote).
TRACE_DEBUG = "-all,warn+seh,+debugstr"
TRACE_LINE = re.compile(r'^[0-9a-f]+:(?:warn|trace):(?:seh|debugstr):OutputDebugString[AW] "(.*)"(?:\.\.\.)?$')


def _unescape_debugstr(text):
    """Undoes debugstr_a: \\xNN are bytes of the ANSI code page (1252 here)."""
    raw = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x" and re.match(r"[0-9a-fA-F]{2}", text[i + 2:i + 4]):
                raw.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            raw += {"n": b"\n", "r": b"\r", "t": b"\t"}.get(n, n.encode("latin-1", "replace"))
            i += 2
            continue
        raw += c.encode("latin-1", "replace")
        i += 1
    return raw.decode("cp1252", errors="replace")


def trace_lines(stderr_text):
    """The diagnostic lines of the program found in Wine's debug output, in order."""
    lines = []
    for line in stderr_text.splitlines():
        match = TRACE_LINE.match(line)
        if match:
            lines.append(_unescape_debugstr(match.group(1)).rstrip("\r\n"))
    return lines


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


def relay_calls(stderr_text, image):
    """{"DLL.Function": number of calls} of the call trace in Wine's debug output, counting the
    calls made from the address range image = (first, end) only."""
    calls = {}
    for line in stderr_text.splitlines():
        match = RELAY_CALL.match(line)
        if match and image[0] <= int(match.group(3), 16) < image[1]:
            name = f"{match.group(1).upper()}.{match.group(2)}"
            calls[name] = calls.get(name, 0) + 1
    return calls


def missing_on_9x(calls):
    """The functions of relay_calls' result that the 9x family lacks: the wide-character ones
    (the name ends in W, as the paired A and W entry points are named) outside NINE_X_WIDE.
    Returned sorted, as "DLL.Function"."""
    return sorted(name for name in calls
                  if name.endswith("W") and name.rpartition(".")[2] not in NINE_X_WIDE)


class RunResult:
    """Exit code and output of one run of a Windows program."""

    def __init__(self, exit_code, stdout, stderr, timed_out):
        self.exit_code = exit_code
        self.stdout = stdout
        self.stderr = stderr
        self.timed_out = timed_out
        self.trace = trace_lines(stderr)


def run_program(prefix, exe_windows_path, args, cwd, log_dir, display=None, debug=TRACE_DEBUG,
                timeout=RUN_TIMEOUT, loader=None):
    """Runs a program of the prefix (given by its C:\\ path) under a timeout and waits for it.

    Its output goes to files in log_dir, not to pipes: Wine's own background processes inherit
    the output handles and would keep pipes open until the wineserver ends.
    """
    if loader is None:
        loader = find_wine()[0]
    log_dir = Path(log_dir)
    log_dir.mkdir(parents=True, exist_ok=True)
    out_path, err_path = log_dir / "stdout.txt", log_dir / "wine-stderr.txt"
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        proc = subprocess.Popen([loader, exe_windows_path] + list(args), cwd=cwd,
                                env=wine_env(prefix, display, debug), stdin=subprocess.DEVNULL,
                                stdout=out, stderr=err)
        timed_out = False
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            timed_out = True
            proc.kill()
            proc.wait()
    return RunResult(None if timed_out else proc.returncode,
                     out_path.read_bytes().decode("utf-8", "replace"),
                     err_path.read_bytes().decode("utf-8", "replace"), timed_out)


def install_package(prefix, exe, files=None, source_dir=None):
    """Fills C:\\pkg of the prefix with a package and setup.exe; returns the host folder."""
    folder = Path(prefix) / "drive_c" / PACKAGE_DIR
    shutil.rmtree(folder, ignore_errors=True)
    if source_dir:
        shutil.copytree(source_dir, folder)
    else:
        folder.mkdir(parents=True)
    for name, text in (files or {}).items():
        target = folder / Path(*name.split("\\"))
        target.parent.mkdir(parents=True, exist_ok=True)
        data = text if isinstance(text, bytes) else text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp1252")
        target.write_bytes(data)
    shutil.copy2(exe, folder / "setup.exe")
    return folder


# ---------------------------------------------------------------------------------------------
# Cases


def load_cases():
    """The case table of cases.py."""
    import cases  # noqa: E402  (lives beside this file)
    names = set()
    for case in cases.CASES:
        if case.name in names:
            raise Failure(f"case {case.name} is defined twice")
        names.add(case.name)
        for version in case.versions:
            if version not in WINDOWS_VERSIONS:
                raise Failure(f"case {case.name}: unknown Windows version {version}")
    return {case.name: case for case in cases.CASES}


def default_template_root(arch):
    """The Wine tests' folder whose template prefix "run" uses for an architecture."""
    return DEFAULT_TEMPLATE_ROOT.parent.parent / "win32" / "wine-tests" if arch == "win32" else DEFAULT_TEMPLATE_ROOT


def check_calls(result, exe, work_dir):
    """Checks the call trace of a run on a 9x version: the program exe may call no function
    those systems lack. Keeps the functions called, with their counts, in work_dir/calls.txt;
    returns the list of failures."""
    calls = relay_calls(result.stderr, pe_image(exe))
    Path(work_dir, "calls.txt").write_text("".join(f"{name} {count}\n" for name, count in sorted(calls.items())))
    missing = missing_on_9x(calls)
    ok = bool(calls) and not missing
    if not calls:
        text = "the call trace shows setup.exe's calls (none found: was it loaded at another address?)"
    else:
        text = (f"setup.exe calls no wide-character function the 9x family lacks ({len(calls)} functions "
                f"called, list in {Path(work_dir, 'calls.txt')})")
        if missing:
            text += f"; it calls {len(missing)}: {', '.join(missing)}"
    log(f"  {'ok  ' if ok else 'FAIL'} {text}")
    return [] if ok else [text]


def check_case(case, version, result, prefix, work_dir, answered=()):
    """Compares a finished run with the case's expectations; returns the list of failures."""
    expect = case.expect(version)
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
        check(find_no_case(drive_c_path(prefix, path)) is not None, f"{path} exists")
    for path in expect.paths_absent:
        check(find_no_case(drive_c_path(prefix, path)) is None, f"{path} does not exist")
    registry = Registry(prefix)
    for key in expect.keys_absent:
        check(not registry.key_exists(key), f"registry key {key} does not exist")
    for key, name, value in expect.values:
        found = registry.value(key, name)
        if value is None:
            check(found is None, f"registry value {key}\\{name} does not exist (found {found})")
        else:
            check(found == value, f"registry value {key}\\{name} == {value} (found {found})")
    for path, text in expect.file_has:
        found = find_no_case(drive_c_path(prefix, path))
        data = found.read_bytes() if found is not None and found.is_file() else b""
        check(text.encode("utf-16-le") in data or text.encode("cp1252", "replace") in data,
              f"{path} holds {text!r}")
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


def driver_starts(prefix):
    """The blocks the stand-in driver setup program appended to C:\\drvtest\\seen.txt, as dicts
    with lower-case names."""
    seen = drive_c_path(prefix, "C:\\drvtest\\seen.txt")
    if not seen.is_file():
        return []
    blocks = []
    for line in seen.read_text(encoding="utf-8-sig", errors="replace").splitlines():
        if line == "[start]":
            blocks.append({})
        elif "=" in line and blocks:
            name, _, value = line.partition("=")
            blocks[-1][name.lower()] = value
    return blocks


def add_windows_files(prefix, fixtures, files):
    """Copies built test fixtures into the prefix's Windows folder: {name there: fixture path
    relative to the fixture folder}."""
    if not files:
        return
    if not fixtures:
        raise Failure("the case needs the test fixtures (--fixtures), none given")
    for name, fixture in files.items():
        source = Path(fixtures) / fixture
        if not source.is_file():
            raise Failure(f"the case needs the fixture {fixture}, not found in {fixtures}")
        shutil.copy2(source, Path(prefix) / "drive_c" / "windows" / name)


def add_driver_programs(folder, stub, names, verdict):
    """Puts the stand-in driver setup program into the package under each name, told to answer
    with the verdict."""
    if not names:
        return
    if not stub or not Path(stub).is_file():
        raise Failure(f"the case needs the stand-in driver setup program, not found at {stub}")
    for name in names:
        shutil.copy2(stub, Path(folder) / name)
    (Path(folder) / "drvtest.ini").write_bytes(f"[Verdict]\r\nResult={verdict}\r\n".encode())


def xdotool(display, args, timeout=30):
    """Runs xdotool on the display; returns its output (empty on failure)."""
    env = dict(os.environ, DISPLAY=display)
    try:
        done = subprocess.run(["xdotool"] + args, env=env, capture_output=True, text=True,
                              stdin=subprocess.DEVNULL, timeout=timeout, check=False)
    except subprocess.TimeoutExpired:
        return ""
    return done.stdout if done.returncode == 0 else ""


def screenshot(display, path):
    """Saves the whole screen as a PNG (for people to look at; never compared)."""
    env = dict(os.environ, DISPLAY=display)
    subprocess.run(["import", "-window", "root", str(path)], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60, check=False)


def send_step_input(display, window, step):
    """Sends a step's keys to its window, or clicks at the step's point."""
    for key in step.keys:
        xdotool(display, ["windowfocus", window])
        time.sleep(0.2)
        xdotool(display, ["key", "--window", window, "--clearmodifiers", key])
        time.sleep(0.3)
    if step.click:
        geometry = dict(line.split("=", 1) for line in
                        xdotool(display, ["getwindowgeometry", "--shell", window]).split() if "=" in line)
        x = int(geometry.get("X", 0)) + int(geometry.get("WIDTH", 0)) - step.click[0]
        y = int(geometry.get("Y", 0)) + int(geometry.get("HEIGHT", 0)) - step.click[1]
        xdotool(display, ["mousemove", "--sync", str(x), str(y)])
        xdotool(display, ["click", "1"])


def wait_caption_left(proc, display, window, title, following, seconds):
    """True once the window no longer shows the caption (renamed, hidden or gone), the next
    step's window is up (a dialog in front of this one), or the program ended, within the given
    time."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return True
        visible = xdotool(display, ["search", "--onlyvisible", "--name", f"^{re.escape(title)}$"]).split()
        if window not in visible:
            return True
        if following and following != title and xdotool(
                display, ["search", "--onlyvisible", "--name", f"^{re.escape(following)}$"]).split():
            return True
        time.sleep(0.5)
    return False


def drive_steps(proc, display, steps, shots_dir):
    """Walks an interactive run: for each step waits for the window with the step's caption,
    keeps a screenshot and sends the keys. Returns the list of failures."""
    if not shutil.which("xdotool") or not shutil.which("import"):
        raise Failure("xdotool and ImageMagick's import are needed for interactive runs")
    shots_dir.mkdir(parents=True, exist_ok=True)
    failures = []
    for number, step in enumerate(steps, 1):
        window = ""
        deadline = time.monotonic() + STEP_TIMEOUT
        while time.monotonic() < deadline and proc.poll() is None:
            found = xdotool(display, ["search", "--onlyvisible", "--name", f"^{re.escape(step.title)}$"])
            if found.split():
                window = found.split()[0]
                break
            time.sleep(0.5)
        slug = re.sub(r"[^A-Za-z0-9]+", "-", step.title).strip("-").lower()
        if not window:
            screenshot(display, shots_dir / f"{number:02d}-missing-{slug}.png")
            failures.append(f"step {number}: no window named {step.title!r} within {STEP_TIMEOUT} s")
            log(f"  FAIL step {number}: window {step.title!r} did not appear")
            break
        time.sleep(STEP_SETTLE)  # let the page paint before the picture is taken
        screenshot(display, shots_dir / f"{number:02d}-{slug}.png")
        log(f"  step {number}: {step.title!r} shown (window {window}); "
            f"{'click ' + str(step.click) if step.click else 'keys ' + (' '.join(step.keys) or '-')}")
        # A press can be lost while the page is still settling; it is repeated (up to three
        # times) until the window leaves the step's caption.
        following = steps[number].title if number < len(steps) else None
        for attempt in range(3):
            send_step_input(display, window, step)
            if wait_caption_left(proc, display, window, step.title, following, STEP_RETRY):
                break
            log(f"  step {number}: still {step.title!r} after {STEP_RETRY} s; pressing again")
    return failures


def answer_boxes(proc, display, patterns, shots_dir):
    """Until the program ends, answers with Enter every visible top-level window of the program
    whose caption matches one of the patterns; returns the captions answered, in order."""
    answered = []
    pressed = {}
    # The windows already up (background window, wizard frame) are never answered, nor are
    # windows without a caption (the installation's own progress dialogs).
    known = set(xdotool(display, ["search", "--classname", "setup.exe"]).split())
    deadline = time.monotonic() + RUN_TIMEOUT
    while proc.poll() is None and time.monotonic() < deadline:
        program = set(xdotool(display, ["search", "--classname", "setup.exe"]).split())
        for pattern in patterns:
            for window in xdotool(display, ["search", "--onlyvisible", "--name", pattern]).split():
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
                # keyboard focus, and a key sent to it is lost. Raise it, click its own corner
                # (the dialog's background, no control) as real input to activate it, then type
                # Return.
                xdotool(display, ["windowraise", window])
                geometry = dict(line.split("=", 1) for line in
                                xdotool(display, ["getwindowgeometry", "--shell", window]).split() if "=" in line)
                if "X" in geometry and "Y" in geometry:
                    xdotool(display, ["mousemove", str(int(geometry["X"]) + 3), str(int(geometry["Y"]) + 3),
                                      "click", "1"])
                else:
                    xdotool(display, ["windowfocus", window])
                time.sleep(0.2)
                xdotool(display, ["key", "Return"])
        time.sleep(0.5)
    return answered


def run_interactive(prefix, exe_windows_path, args, cwd, log_dir, display, steps, loader, dismiss=(),
                    debug=TRACE_DEBUG):
    """Like run_program, but drives the pages of the steps while the program runs, then answers
    the message boxes named by dismiss. Returns (RunResult, failures of the steps, captions
    answered)."""
    log_dir = Path(log_dir)
    out_path, err_path = log_dir / "stdout.txt", log_dir / "wine-stderr.txt"
    with open(out_path, "wb") as out, open(err_path, "wb") as err:
        proc = subprocess.Popen([loader, exe_windows_path] + list(args), cwd=cwd,
                                env=wine_env(prefix, display, debug), stdin=subprocess.DEVNULL,
                                stdout=out, stderr=err)
        failures = []
        answered = []
        timed_out = False
        try:
            failures = drive_steps(proc, display, steps, log_dir / "pages")
            if dismiss:
                answered = answer_boxes(proc, display, dismiss, log_dir / "pages")
            proc.wait(timeout=RUN_TIMEOUT)
        except subprocess.TimeoutExpired:
            timed_out = True
        finally:
            if proc.poll() is None:
                save_screen(display, log_dir)
                proc.kill()
                proc.wait()
    return RunResult(None if timed_out else proc.returncode,
                     out_path.read_bytes().decode("utf-8", "replace"),
                     err_path.read_bytes().decode("utf-8", "replace"), timed_out), failures, answered


def run_case(name, version, exe, root, state_path, keep, stub=None, fixtures=None):
    """Runs one case on one Windows version; returns 0 for a pass, 1 for a failure."""
    case = load_cases().get(name)
    if case is None:
        raise Failure(f"no case named {name}")
    if version not in case.versions:
        raise Failure(f"case {name} is not defined for {version}")
    loader = loader_for(exe)
    arch = exe_arch(exe)
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
    steps = case.steps_on(version)
    display = Display(None if steps or case.dismiss else state_path, work_dir)
    passed = False
    try:
        template = ensure_template(root, display.name, arch)
        fresh_prefix(template, prefix)
        source = HERE.parent.parent / case.source if case.source else None
        folder = install_package(prefix, exe, case.package(version), source_dir=source)
        add_driver_programs(folder, stub, case.driver_programs, case.driver_verdict)
        add_windows_files(prefix, fixtures, case.windows_files)
        # Runs that press keys or click keep Wine's window-manager mode: without it the last page
        # can stay below the background window once the installation's dialogs have closed.
        interactive = [(X11_DRIVER_KEY, "Managed", "REG_SZ", "Y")] if steps or case.dismiss else []
        set_windows_version(prefix, version, case.seed + interactive)  # last: shares the wineserver
        log(f"  package: {', '.join(sorted(p.name for p in folder.iterdir()))}")
        log(f"  run: setup.exe {' '.join(case.args)}  (WINEPREFIX={prefix}, DISPLAY={display.name})")
        step_failures = []
        answered = []
        started = time.monotonic()
        if steps or case.dismiss:
            (work_dir / "pages").mkdir(parents=True, exist_ok=True)
            result, step_failures, answered = run_interactive(
                prefix, f"C:\\{PACKAGE_DIR}\\setup.exe", case.args, folder, work_dir, display.name, steps,
                loader, case.dismiss, debug)
            log(f"  screenshots of the pages in {work_dir / 'pages'}")
        else:
            result = run_program(prefix, f"C:\\{PACKAGE_DIR}\\setup.exe", case.args, folder, work_dir,
                                 display.name, debug=debug, loader=loader)
        log(f"  setup.exe ran {time.monotonic() - started:.1f} s")
        (work_dir / "trace.txt").write_text("".join(line + "\n" for line in result.trace))
        if result.timed_out:
            save_screen(display.name, work_dir)
        if case.restarts:
            # Wine's restart runs on after setup has ended; a busy machine may need a while.
            try:
                wait_wineserver(prefix)
            except Failure as error:
                log(f"warning: {error}")
        # Ending the wineserver (rather than waiting for it to time out) also saves the registry.
        stop_wineserver(prefix)
        for line in result.trace:
            log(f"  trace: {line}")
        failures = step_failures + check_case(case, version, result, prefix, work_dir, answered)
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
    """Runs setup.exe from a copy of a package in a fresh prefix and prints what it did."""
    loader = loader_for(exe)
    arch = exe_arch(exe)
    prefix = Path(prefix)
    work_dir = prefix.parent
    work_dir.mkdir(parents=True, exist_ok=True)
    display = Display(None, work_dir)
    try:
        template = ensure_template(template_root or default_template_root(arch), display.name, arch)
        fresh_prefix(template, prefix)
        set_windows_version(prefix, version)
        folder = install_package(prefix, exe, source_dir=package)
        log(f"setup.exe {' '.join(args)} on {version} (WINEPREFIX={prefix})")
        result = run_program(prefix, f"C:\\{PACKAGE_DIR}\\setup.exe", args, folder, work_dir,
                             display.name, loader=loader)
        if result.timed_out:
            save_screen(display.name, work_dir)
            log(f"setup.exe did not end within {RUN_TIMEOUT} s; window list and screenshot in {work_dir}")
        else:
            log(f"exit code: {result.exit_code}")
        for line in result.trace:
            log(f"  trace: {line}")
        if not result.trace:
            log("  (no trace lines)")
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
    sub.add_parser("check").add_argument("--arch", choices=("win32", "win64"), default="win64")
    for name in ("display-start", "display-stop"):
        sub.add_parser(name).add_argument("--state", required=True)
    p = sub.add_parser("template")
    p.add_argument("--root", required=True)
    p.add_argument("--state")
    p.add_argument("--arch", choices=("win32", "win64"), default="win64")
    p = sub.add_parser("case")
    p.add_argument("name")
    p.add_argument("version")
    p.add_argument("--exe", required=True)
    p.add_argument("--stub", help="the stand-in driver setup program (driver_setup_stub.exe)")
    p.add_argument("--fixtures", help="the folder of the built test fixtures (pictures/...)")
    p.add_argument("--root", required=True)
    p.add_argument("--state")
    p.add_argument("--keep", action="store_true", default=bool(os.environ.get("WINETEST_KEEP")),
                   help="keep the prefix of a passing case (also WINETEST_KEEP=1)")
    p = sub.add_parser("run")
    p.add_argument("--exe", required=True)
    p.add_argument("--package", required=True)
    p.add_argument("--prefix", required=True)
    p.add_argument("--version", default="win7")
    p.add_argument("--template-root")
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
            return 0
        if opts.command == "list":
            for case in load_cases().values():
                for version in case.versions:
                    # Cases that press keys or answer boxes run alone: they need the machine's
                    # attention to keep up with the program.
                    print(case.name, version, "serial" if case.steps_on(version) or case.dismiss else "parallel")
            return 0
        if opts.command == "display-start":
            find_wine()
            state = Path(opts.state)
            state.parent.mkdir(parents=True, exist_ok=True)
            old = read_state(state)
            if old:
                stop_process(old["pid"], "Xvfb")
            pid, display = start_xvfb(state.parent / "xvfb.log")
            state.write_text(json.dumps({"pid": pid, "display": display}))
            log(f"Xvfb {display} started (pid {pid})")
            return 0
        if opts.command == "display-stop":
            state = read_state(opts.state)
            if state:
                stop_process(state["pid"], "Xvfb")
                log(f"Xvfb {state['display']} stopped (pid {state['pid']})")
            Path(opts.state).unlink(missing_ok=True)
            return 0
        if opts.command == "template":
            state = read_state(opts.state)
            ensure_template(opts.root, state["display"] if state else None, opts.arch)
            return 0
        if opts.command == "case":
            return run_case(opts.name, opts.version, opts.exe, opts.root, opts.state, opts.keep, opts.stub,
                            opts.fixtures)
        if opts.command == "run":
            args = opts.args[1:] if opts.args[:1] == ["--"] else opts.args
            return run_demo(opts.exe, opts.package, opts.prefix, opts.version, opts.template_root, args)
    except Skip as skip:
        log(f"SKIP: {skip}")
        return SKIP
    except Failure as failure:
        log(f"ERROR: {failure}")
        return 1
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
