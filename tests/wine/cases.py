"""Wine end-to-end cases for setup.exe: packages, command lines and what each run must leave.

Each Case names the Windows versions it runs on; CMake registers one test per case and version
(wine.<case>.<version>). Package files are written with CRLF line ends into C:\\pkg beside
setup.exe. Paths in expectations are C:\\ paths of the prefix; registry keys start with HKLM or
HKCU and are read from the prefix's saved registry after the run.
"""

from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional, Tuple, Union

# Wine's names for the Windows versions it can pretend to be, with the version numbers Wine 8
# reports for each (GetVersionExW: major, minor, platform id), to the 64-bit and the 32-bit
# program alike. Wine does report the 9x family (platform id 1, bit 31 of GetVersion set), so
# setup.exe can be run as Windows 95/98/Me (the harness then also checks, from Wine's call
# trace, that it calls no function those systems lack). One difference from them remains:
# Wine accepts the extended version structure (OSVERSIONINFOEXW) for every version, where Windows
# 95/98/Me and NT 4 before SP6 reject it. So under Wine setup.exe writes the platform trace line
# ("maj = 4, min = 10, ...") on the 9x versions too, where the real systems write none; the
# platform code stays 14 either way.
WINDOWS_VERSIONS = {
    "win95": (4, 0, 1), "win98": (4, 10, 1), "winme": (4, 90, 1), "nt40": (4, 0, 2),
    "win2k": (5, 0, 2), "winxp": (5, 1, 2), "winxp64": (5, 2, 2), "win2003": (5, 2, 2),
    "vista": (6, 0, 2), "win7": (6, 1, 2), "win8": (6, 2, 2),
}
ALL_VERSIONS = list(WINDOWS_VERSIONS)
# The three families the start-up path differs most for: NT 6.x, NT 5.x and 9x.
MAIN_VERSIONS = ["win7", "winxp", "win98"]

# The configuration file each version must pick when every one of them lies beside setup.exe.
CONFIG_FOR_VERSION = {
    "win95": "SETUP95.INI", "win98": "SETUP98.INI", "winme": "SETUPME.INI", "nt40": "SETUPNT.INI",
    "win2k": "SETUP2K.INI", "winxp": "SETUP2K.INI", "winxp64": "SETUP2K.INI",
    "win2003": "SETUP2K.INI", "vista": "SETUP2K.INI", "win7": "SETUP2K.INI", "win8": "SETUP2K.INI",
}
CONFIG_FILES = ["SETUP95.INI", "SETUP98.INI", "SETUPME.INI", "SETUPNT.INI", "SETUP2K.INI"]

# The texts of the two early ends; start-up writes them to the diagnostic channel.
NOT_SUPPORTED = ("Current O.S. is not supported by this software, please refer to the user's manual "
                 "or readme.txt for more information.")
TYPE_MISSING = "Please specify the /type switch to tell setup installer which interface is going to be install!!"
EARLY_ENDS = [NOT_SUPPORTED, TYPE_MISSING]

# GetSystemDirectory under Wine: the 64-bit program runs in a 64-bit prefix, the 32-bit one in a
# 32-bit prefix, so neither sees the folder redirection of 32-bit programs on 64-bit Windows.
SYSTEM_DIR = "C:\\windows\\system32"
NORVIK_KEY = "HKLM\\Software\\Norvik"


@dataclass
class Expect:
    """What a run must leave behind."""
    exit_code: int = 0
    trace_has: List[str] = field(default_factory=list)       # whole trace lines that must appear
    trace_contains: List[str] = field(default_factory=list)  # texts that some trace line must contain
    trace_excludes: List[str] = field(default_factory=list)  # texts that no trace line may contain
    paths: List[str] = field(default_factory=list)           # C:\ paths that must exist
    paths_absent: List[str] = field(default_factory=list)
    keys_absent: List[str] = field(default_factory=list)     # registry keys that must not exist
    # (key, value name, (type, data)) that must hold, or (key, value name, None) for "missing"
    values: List[Tuple[str, str, Optional[tuple]]] = field(default_factory=list)
    # (C:\ path, text) pairs: the file exists and holds the text (as UTF-16 or single-byte text)
    file_has: List[Tuple[str, str]] = field(default_factory=list)
    # What the stand-in driver setup program saw, one dict per start in order (each dict lists
    # values its block must hold: "program", "arg1", record values such as "PnPID"); None: not
    # checked, [] : the program must not have run.
    driver_starts: Optional[List[Dict[str, str]]] = None
    dismissed: List[str] = field(default_factory=list)  # captions that must have been answered


@dataclass
class Step:
    """One page of an interactive run: wait for the window with this caption, keep a
    screenshot, then send the keys (xdotool key names) to it, or click at a point given as
    (x, y) distances from the window's bottom-right corner."""
    title: str
    keys: List[str] = field(default_factory=list)
    click: Optional[Tuple[int, int]] = None


# Where the wizard's default button (Next, or Finish on the last page) lies, measured from the
# frame's bottom-right corner. After the installation's own dialogs have closed, Wine leaves the
# keyboard focus outside the wizard, so the last page is finished with the mouse, as a user would.
WIZARD_DEFAULT_BUTTON = (150, 25)


@dataclass
class Case:
    """One scenario: a package, a command line, the versions to run on, the expectations."""
    name: str
    about: str
    versions: List[str]
    args: List[str]
    package: Callable[[str], Dict[str, str]]     # version -> {file name: text}
    expect: Callable[[str], Expect]              # version -> expectations
    seed: List[Tuple[str, str, str, str]] = field(default_factory=list)  # (key, name, REG_ type, data)
    source: Optional[str] = None   # a package folder (relative to the repository) copied first
    # Names under which the stand-in driver setup program is put into the package, and the
    # verdict ("Result") it writes into the install record it is given.
    driver_programs: List[str] = field(default_factory=list)
    driver_verdict: int = 0
    # Interactive run: pages and key presses, or version -> those when the pages differ.
    steps: Union[List[Step], Callable[[str], List[Step]]] = field(default_factory=list)
    # Files put into C:\\windows before the run: {name there: built fixture (relative path)}.
    windows_files: Dict[str, str] = field(default_factory=dict)
    # Captions (regular expressions) of message boxes the harness answers with Enter whenever
    # they appear during the run, after the steps; what it answered is checked by
    # Expect.dismissed.
    dismiss: List[str] = field(default_factory=list)
    # The run ends by restarting Windows. Wine carries the restart out in programs of its own
    # (RunOnce among them) after setup has exited, so the harness lets the prefix's programs end
    # by themselves before it reads the registry.
    restarts: bool = False

    def steps_on(self, version):
        """The steps of an interactive run on that version ([] for a run without key presses)."""
        return self.steps(version) if callable(self.steps) else self.steps


def ini(*sections):
    """An INI text from (section, [lines]) pairs."""
    out = []
    for name, lines in sections:
        out.append(f"[{name}]")
        out.extend(lines)
        out.append("")
    return "\n".join(out)


def platform_line(version):
    """The platform detection trace line as Wine's numbers give it."""
    major, minor, _ = WINDOWS_VERSIONS[version]
    return f"maj = {major}, min = {minor}, 64OS = 0"


def system_folder(name):
    """A folder directly below the system folder."""
    return f"{SYSTEM_DIR}\\{name}"


def normal_config(folders):
    """A configuration that installs USB without questions and creates the given folders."""
    return ini(
        ("Install", ["Supported=TRUE", "Title=Glidewave Test", "ProductKey=GlidewaveTest",
                     "Version=2.0", "SubVersion=2.0.1", "DefaultType=USB"]),
        ("Default", ["AskType=FALSE", "AskPath=FALSE", "Restart=FALSE"]),
        ("CreateFolder", [f"{k}={v}" for k, v in folders]),
    )


def every_config(text):
    """The same configuration under every family's file name."""
    return {name: text for name in CONFIG_FILES}


def marker_folder(config_name):
    """The folder that the configuration file of that name creates in config_choice."""
    return "GwFrom" + config_name[5:7]  # SETUP98.INI -> GwFrom98


CASES = [
    Case(
        name="no_config",
        about="A folder without any configuration file ends at once with exit code 0.",
        versions=MAIN_VERSIONS,
        args=["/S", "/TYPE:USB", "/NR"],
        package=lambda v: {},
        # Platform detection runs before the configuration is looked for; the loader opens
        # nothing in the registry on this road.
        expect=lambda v: Expect(trace_has=[platform_line(v)], trace_contains=[NOT_SUPPORTED],
                                keys_absent=[NORVIK_KEY]),
    ),
    Case(
        name="unsupported",
        about="[Install] Supported=FALSE ends with exit code 0 before [CreateFolder] runs.",
        versions=MAIN_VERSIONS,
        args=["/S"],
        package=lambda v: every_config(ini(("Install", ["Supported=FALSE"]),
                                           ("CreateFolder", ["1=GwUnsupported"]))),
        expect=lambda v: Expect(trace_contains=[NOT_SUPPORTED], paths_absent=[system_folder("GwUnsupported")],
                                keys_absent=[NORVIK_KEY]),
    ),
    Case(
        name="silent_without_type",
        about="/S alone while [Default] AskType=TRUE (and no driver INF beside the program) ends with 0.",
        versions=MAIN_VERSIONS,
        args=["/S"],
        package=lambda v: every_config(ini(("Install", ["Supported=TRUE"]), ("Default", ["AskType=TRUE"]))),
        expect=lambda v: Expect(trace_has=[platform_line(v)], trace_contains=[TYPE_MISSING],
                                trace_excludes=[NOT_SUPPORTED]),
    ),
    Case(
        name="silent_usb",
        about="A normal configuration with /S /TYPE:USB /NR starts up, creates folders 1 and 2 of "
              "[CreateFolder] (4 is behind the gap), installs its (empty) package and ends with 0.",
        versions=MAIN_VERSIONS + ["vista", "win8"],
        args=["/S", "/TYPE:USB", "/NR"],
        package=lambda v: every_config(normal_config([(1, "GwNormal1"), (2, "GwNormal2"), (4, "GwNormal4")])),
        # The completion page records the interface; every install record is gone at Finish.
        expect=lambda v: Expect(trace_has=[platform_line(v)], trace_excludes=EARLY_ENDS,
                                paths=[system_folder("GwNormal1"), system_folder("GwNormal2")],
                                paths_absent=[system_folder("GwNormal4")],
                                keys_absent=[NORVIK_KEY + "\\Install"],
                                values=[(NORVIK_KEY + "\\Glidewave 98\\Interface", "USB", ("dword", 3))]),
    ),
    Case(
        name="config_choice",
        about="With every family's configuration file present, each Windows version loads its own "
              "(each file creates a differently named folder).",
        versions=ALL_VERSIONS,
        args=["/S", "/TYPE:USB", "/NR"],
        package=lambda v: {name: normal_config([(1, marker_folder(name))]) for name in CONFIG_FILES},
        expect=lambda v: Expect(
            trace_has=[platform_line(v)], trace_excludes=EARLY_ENDS,
            paths=[system_folder(marker_folder(CONFIG_FOR_VERSION[v]))],
            paths_absent=[system_folder(marker_folder(name)) for name in CONFIG_FILES
                          if name != CONFIG_FOR_VERSION[v]]),
    ),
    Case(
        name="config_fallback_95",
        about="Windows 98 and Me fall back to SETUP95.INI when their own files are missing; "
              "NT versions do not.",
        versions=["win98", "winme", "winxp"],
        args=["/S", "/TYPE:USB", "/NR"],
        package=lambda v: {"SETUP95.INI": normal_config([(1, "GwFrom95")])},
        expect=lambda v: (Expect(trace_contains=[NOT_SUPPORTED], paths_absent=[system_folder("GwFrom95")])
                          if v == "winxp" else
                          Expect(trace_excludes=EARLY_ENDS, paths=[system_folder("GwFrom95")])),
    ),
    Case(
        name="install_trace_seeded",
        about="HKLM\\Software\\Norvik InstallTrace=1 seeded: the driver stage shows its diagnostic "
              "boxes (the test answers each with Enter), the value is left as it was and the run "
              "ends with 0.",
        versions=["win7", "winxp"],
        args=["/S", "/TYPE:USB", "/NR"],
        seed=[(NORVIK_KEY, "InstallTrace", "REG_DWORD", "1")],
        package=lambda v: every_config(normal_config([(1, "GwTraced")])),
        # The diagnostic boxes' captions ("Error" is Windows' caption for a box without one).
        dismiss=["^Error$", "^UpdateDriverForPlugAndPlayDevices", "^SetupCopyOEMInf", r"\.inf$", "szCmd$"],
        expect=lambda v: Expect(trace_has=[platform_line(v)], trace_excludes=EARLY_ENDS,
                                paths=[system_folder("GwTraced")],
                                values=[(NORVIK_KEY, "InstallTrace", ("dword", 1))],
                                dismissed=["UpdateDriverForPlugAndPlayDevices TYPE=USB"]),
    ),

]

# Command lines against a configuration that asks for the interface ([Default] AskType=TRUE, no
# driver INF beside the program): /S without a /TYPE: switch must end early with the warning;
# anything else goes on. Each runs as it reaches the program through Wine's command line.
ASKS_TYPE = every_config(ini(("Install", ["Supported=TRUE"]), ("Default", ["AskType=TRUE"])))
COMMAND_LINES = [
    # (case name, arguments, refused, why)
    ("cmd_lower_case_silent", ["/s"], True, "/s in lower case counts as /S"),
    ("cmd_lower_case_type", ["/s", "/type:usb"], False, "/type:usb in lower case counts as /TYPE:USB"),
    ("cmd_blank_after_colon", ["/S", "/TYPE:", "USB"], False, "/TYPE: USB with a blank is /TYPE:USB"),
    ("cmd_hidden_alone", ["/H"], False, "/H alone is not refused"),
    ("cmd_empty_switch_ends_list", ["/NR//S"], False, "the empty switch between // hides /S"),
    ("cmd_text_before_slash", ["S", "/NR"], False, "an S before the first slash is no switch"),
]
# A run that is not refused either installs silently (the command line has /S, /H or the like;
# /NR keeps Windows running) or shows the wizard, which the test leaves through Cancel and
# "Exit Setup".
LEAVE_WIZARD = [Step("Welcome", ["Escape"]), Step("Exit Setup", ["Escape"])]
for name, args, refused, why in COMMAND_LINES:
    silent = any(a.lower() in ("/s", "/h") for a in args)
    CASES.append(Case(
        name=name,
        about=f"{' '.join(args)} with AskType=TRUE: {why}, so the run is "
              f"{'refused' if refused else 'not refused'}.",
        versions=["win7"],
        args=args + (["/NR"] if silent and not refused else []),
        package=lambda v: ASKS_TYPE,
        steps=[] if refused or silent else LEAVE_WIZARD,
        expect=(lambda v: Expect(trace_contains=[TYPE_MISSING])) if refused else
               (lambda v: Expect(trace_excludes=EARLY_ENDS)),
    ))

CASES.append(Case(
    name="single_inf_clears_asktype",
    about="/S alone is not refused when only the USB driver INF lies beside the program, because "
          "one INF alone clears AskType.",
    versions=["win7", "winxp"],
    args=["/S", "/NR"],
    package=lambda v: dict(ASKS_TYPE, **{"NHIDMou.INF": "; USB driver INF placeholder\n"}),
    expect=lambda v: Expect(trace_excludes=EARLY_ENDS),
))


# ---------------------------------------------------------------------------------------------
# Installations of the demo package (examples/demo-package) from start to end.

DEMO = "examples/demo-package"
GW_KEY = "HKLM\\Software\\Norvik\\Glidewave 98"
INSTALL_RECORDS = "HKLM\\Software\\Norvik\\Install"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave98"
DRIVERS_DIR = "C:\\windows\\system32\\drivers"
RUN_ONCE = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
# The program folder as the file system keeps it: Windows drops the trailing dot of a folder
# name ("Norvik Electronics Ltd." -> "Norvik Electronics Ltd").
DEMO_DEST = "C:\\Program Files\\Norvik Electronics Ltd\\Glidewave 98"
DEMO_DEVICE_IDS = ["HID\\VID_2F3C&PID_0101", "HID\\VID_2F3C&PID_0102", "HID\\VID_2F3C&PID_0103&MI_01"]
# The all-users Programs folder of the Start menu as Wine gives it for every version.
COMMON_PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
MENU_FOLDER = COMMON_PROGRAMS + "\\Norvik\\Glidewave 98"
# Every name under which the package's driver setup program may be started (SETUP98.INI names
# Usbset9x.exe for USB).
DRIVER_PROGRAMS = ["SetupNT.exe", "Setup9x.exe", "Usbset9x.exe"]


def wizard_walk(version, *questions):
    """Enter on every page of the demo's wizard: Welcome, the question pages, Choose Destination
    Location (which the demo's SETUP98.INI does not ask), Start Installation; then Finish."""
    pages = ["Welcome", *questions] + ([] if version == "win98" else ["Choose Destination Location"])
    return ([Step(title, ["Return"]) for title in pages + ["Start Installation"]] +
            [Step("Setup Complete", click=WIZARD_DEFAULT_BUTTON)])


def demo_installed(version, interface="USB", code=3):
    """What an unattended installation of the demo package leaves on every version."""
    shortcuts = [] if version == "win8" else [MENU_FOLDER + "\\Glidewave 98 Settings.lnk",
                                              MENU_FOLDER + "\\Uninstall Glidewave 98.lnk"]
    return Expect(
        trace_excludes=EARLY_ENDS,
        # SETUP98.INI installs the VxD driver and keeps the profiles below the system folder.
        paths=[SYSTEM_DIR + "\\NVKMOUSE.CPL", DEMO_DEST + "\\NVKTRAY.EXE"] + shortcuts +
              ([SYSTEM_DIR + "\\NVKMOUSE.VXD", SYSTEM_DIR + "\\Norvik\\GWPROF.DAT"] if version == "win98" else
               [DRIVERS_DIR + "\\NVKMOUSE.SYS", DEMO_DEST + "\\Profiles\\GWPROF.DAT"]),
        # Finish removes every install record; the interface record stays for the package's programs.
        keys_absent=[INSTALL_RECORDS],
        values=[(GW_KEY + "\\Interface", interface, ("dword", code)),
                (GW_KEY + "\\Interface", "Type", ("dword", code)),
                (GW_KEY, "Version", ("sz", "4.6")),
                (GW_KEY, "RunAutoUpdate", None),
                (UNINSTALL_KEY + "\\DeleteKey", "Software\\Norvik\\Glidewave 98\\Interface",
                 ("sz", "HKEY_LOCAL_MACHINE"))],
        file_has=[(path, "NVKMCFG.EXE") for path in shortcuts[:1]],
    )


def demo_usb_expect(version):
    expect = demo_installed(version)
    expect.values.append((RUN_ONCE, "GwTestMarker", ("sz", "cmd /c exit")))  # /NR: no restart
    # Windows 98 has no inline Plug and Play update: each listed USB device goes to the driver
    # setup program, which is told the install record rebuilt for that device. Wine's update
    # function succeeds for the NT versions, so no driver setup program runs there.
    if version == "win98":
        expect.driver_starts = [{"program": "C:\\pkg\\Usbset9x.exe", "arg1": "Software\\Norvik\\Install\\Glidewave98",
                                 "PnPID": device, "InfFile": "C:\\pkg\\NHIDMou.INF", "verdict": "0"}
                                for device in DEMO_DEVICE_IDS]
    else:
        expect.driver_starts = []
    return expect


CASES.append(Case(
    name="install_usb_silent",
    about="The demo package installed with /S /TYPE:USB /NR: files, registry script, interface "
          "record, uninstall notes, shortcuts; install records removed at Finish; exit code 0.",
    versions=["win7", "winxp", "win8", "win98"],
    args=["/S", "/TYPE:USB", "/NR"],
    source=DEMO,
    package=lambda v: {},
    driver_programs=DRIVER_PROGRAMS,
    seed=[(RUN_ONCE, "GwTestMarker", "REG_SZ", "cmd /c exit")],
    expect=demo_usb_expect,
))

CASES.append(Case(
    name="install_hidden",
    about="/H /TYPE:PS2 /NR installs without showing a window at all.",
    versions=["win7"],
    args=["/H", "/TYPE:PS2", "/NR"],
    source=DEMO,
    package=lambda v: {},
    driver_programs=DRIVER_PROGRAMS,
    expect=lambda v: demo_installed(v, "PS2", 1),
))

CASES.append(Case(
    name="install_privilege_refused",
    about="On Windows 98 the driver setup program answers -2: \"Setup Error\" is shown (the test "
          "presses OK), the installation is abandoned after the first device and the completion "
          "page does none of its work.",
    versions=["win98"],
    args=["/S", "/TYPE:USB", "/NR"],
    source=DEMO,
    package=lambda v: {},
    driver_programs=DRIVER_PROGRAMS,
    driver_verdict=-2,
    steps=[Step("Setup Error", ["Return"])],
    expect=lambda v: Expect(
        trace_excludes=EARLY_ENDS,
        paths=[DEMO_DEST + "\\NVKTRAY.EXE"],
        keys_absent=[GW_KEY + "\\Interface"],
        driver_starts=[{"program": "C:\\pkg\\Usbset9x.exe", "PnPID": DEMO_DEVICE_IDS[0], "verdict": "-2"}]),
))

CASES.append(Case(
    name="install_interactive",
    about="A user installs the demo package by pressing Enter on every page (USB preselected, "
          "right-handed, the proposed folder); /NR keeps Windows running. Screenshots of every "
          "page are kept with the test output.",
    versions=["win7", "win98"],
    args=["/NR"],
    source=DEMO,
    package=lambda v: {},
    driver_programs=DRIVER_PROGRAMS,
    steps=lambda v: wizard_walk(v, "Hardware Interface Selection", "Choose Mouse Location"),
    expect=lambda v: demo_installed(v),
))

CASES.append(Case(
    name="cancel_exit_setup",
    about="Cancel on the Welcome page asks \"Exit Setup\"; Escape there means Exit Setup: the "
          "program ends with 0 without installing.",
    versions=["win7"],
    args=[],
    source=DEMO,
    package=lambda v: {},
    steps=[Step("Welcome", ["Escape"]), Step("Exit Setup", ["Escape"])],
    expect=lambda v: Expect(trace_excludes=EARLY_ENDS, paths_absent=[DEMO_DEST],
                            keys_absent=[GW_KEY]),
))

CASES.append(Case(
    name="install_restarts",
    about="Without /NR a silent installation ends by asking Windows to restart (ExitWindowsEx "
          "with EWX_REBOOT). Wine's restart carries out and empties HKLM RunOnce, so a value the "
          "test seeds there is gone afterwards (with /NR it stays: see install_usb_silent).",
    versions=["win7"],
    args=["/S", "/TYPE:USB"],
    source=DEMO,
    package=lambda v: {},
    driver_programs=DRIVER_PROGRAMS,
    seed=[(RUN_ONCE, "GwTestMarker", "REG_SZ", "cmd /c exit")],
    restarts=True,
    expect=lambda v: Expect(
        trace_excludes=EARLY_ENDS,
        paths=[DEMO_DEST + "\\NVKTRAY.EXE"],
        values=[(RUN_ONCE, "GwTestMarker", None)]),
))


# ---------------------------------------------------------------------------------------------
# Mouse models: the demo package with a USB product list whose pictures lie in the Windows
# folder, a picture bundle (.img) and a resource library built by the Windows resource compiler.

HKCU_GW_KEY = "HKCU\\Software\\Norvik\\Glidewave 98"
MODEL_PICTURES = {"gwoptic.img": "pictures/white_first.img", "gwpics.dll": "pictures/mouse_pictures.dll"}
# Model numbers 1 and 3 take slots 1 and 3; number 3 is the demo's third USB device.
USB_PRODUCT_LIST = ("Product.List.USB", ["1=gwoptic.img,Glidewave Optical,1,2Dmouse",
                                         "2=gwpics.dll,Glidewave Travel,3,3Dmouse"])


def demo_file(name):
    """The text of a file of the demo package."""
    from pathlib import Path
    return (Path(__file__).resolve().parent.parent.parent / DEMO / name).read_text(encoding="cp1252")


def config_name(version):
    """The demo package's configuration file that the version reads."""
    return "SETUP98.INI" if version == "win98" else "SETUP2K.INI"


def demo_with_models(choose_mouse, config="SETUP2K.INI"):
    """A configuration file of the demo with the test's USB product list in place of its own,
    and ChooseMouse as given."""
    text = demo_file(config).replace("ChooseMouse=FALSE", f"ChooseMouse={'TRUE' if choose_mouse else 'FALSE'}")
    kept, skipping = [], False
    for line in text.splitlines():
        if line.startswith("["):
            skipping = line.strip().lower() == "[product.list.usb]"
        if not skipping:
            kept.append(line)
    return {config: "\n".join(kept) + "\n\n" + ini(USB_PRODUCT_LIST)}


def mouse_type_values(model, mouse_type, library_value, file):
    """The chosen model's mouse-type values under both roots."""
    return [(HKCU_GW_KEY + "\\Mouse\\" + mouse_type, "DefaultProductName", ("sz", model)),
            (HKCU_GW_KEY, library_value, ("sz", file)),
            (HKCU_GW_KEY + "\\ResourceDLL", "EnableSelect", ("sz", "0")),
            (GW_KEY + "\\ResourceDLL", "EnableSelect", ("sz", "0"))]


CASES.append(Case(
    name="model_by_id_silent",
    about="/S /TYPE:USB /ID:3 picks the model in slot 3 (model number 3, whose picture is a "
          "resource of a library): its mouse type values are written, the other model's are not.",
    versions=["win7", "winxp"],
    args=["/S", "/TYPE:USB", "/ID:3", "/NR"],
    source=DEMO,
    package=lambda v: demo_with_models(False),
    windows_files=MODEL_PICTURES,
    driver_programs=DRIVER_PROGRAMS,
    expect=lambda v: Expect(
        trace_excludes=EARLY_ENDS,
        keys_absent=[HKCU_GW_KEY + "\\Mouse\\2Dmouse"],
        values=mouse_type_values("Glidewave Travel", "3Dmouse", "3DExternalResourceDll", "gwpics.dll") +
               [(HKCU_GW_KEY, "2DExternalResourceDll", None)]),
))

CASES.append(Case(
    name="model_page_noinf",
    about="/NoInf /TYPE:USB with ChooseMouse=TRUE passes the (hidden) model page with the "
          "preselected first model, whose picture is an .img bundle.",
    versions=["win7"],
    args=["/NoInf", "/TYPE:USB", "/NR"],
    source=DEMO,
    package=lambda v: demo_with_models(True),
    windows_files=MODEL_PICTURES,
    driver_programs=DRIVER_PROGRAMS,
    expect=lambda v: Expect(
        trace_excludes=EARLY_ENDS,
        keys_absent=[HKCU_GW_KEY + "\\Mouse\\3Dmouse"],
        values=mouse_type_values("Glidewave Optical", "2Dmouse", "2DExternalResourceDll", "gwoptic.img")),
))


# ---------------------------------------------------------------------------------------------
# Another maker's mouse software: only the 9x family and NT 4 are examined.

CONFLICT_VXD = "HKLM\\System\\CurrentControlSet\\Services\\VxD\\LMOUSE"
CONFLICT_SERVICE = "HKLM\\System\\CurrentControlSet\\Services\\l8042prt"


def demo_checking_conflicts():
    """The demo's SETUP2K.INI with UninstallConflictSoftware=TRUE."""
    return {"SETUP2K.INI": demo_file("SETUP2K.INI").replace("UninstallConflictSoftware=FALSE", "UninstallConflictSoftware=TRUE")}


CASES.append(Case(
    name="conflict_check_xp",
    about="UninstallConflictSoftware=TRUE on Windows XP with the other driver's keys present: "
          "nothing is found, no warning stops the silent run, and the keys are left alone.",
    versions=["winxp"],
    args=["/S", "/TYPE:USB", "/NR"],
    source=DEMO,
    package=lambda v: demo_checking_conflicts(),
    driver_programs=DRIVER_PROGRAMS,
    seed=[(CONFLICT_VXD, "StaticVxD", "REG_SZ", "lmouse.vxd"), (CONFLICT_SERVICE, "Start", "REG_DWORD", "1"),
          ("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MouseWare", "UninstallString",
           "REG_SZ", "C:\\mw\\uninst.exe")],
    expect=lambda v: Expect(
        trace_excludes=EARLY_ENDS,
        paths=[DEMO_DEST + "\\NVKTRAY.EXE"],
        values=[(CONFLICT_VXD, "StaticVxD", ("sz", "lmouse.vxd")), (CONFLICT_SERVICE, "Start", ("dword", 1)),
                (GW_KEY + "\\Interface", "Type", ("dword", 3))]),
))

CASES.append(Case(
    name="conflict_uninstall_98",
    about="Windows 98 with the other driver's VxD key and no uninstall entry: the \"Warning\" names "
          "it; Enter presses \"&Uninstall It\", which deletes the key tree, and the silent run "
          "goes on to the end.",
    versions=["win98"],
    args=["/S", "/TYPE:USB", "/NR"],
    source=DEMO,
    package=lambda v: {},  # the demo's SETUP98.INI asks for the check
    driver_programs=DRIVER_PROGRAMS,
    seed=[(CONFLICT_VXD, "StaticVxD", "REG_SZ", "lmouse.vxd"), (CONFLICT_VXD + "\\Settings", "Speed", "REG_SZ", "3")],
    dismiss=["^Warning$"],
    expect=lambda v: Expect(
        trace_excludes=EARLY_ENDS,
        keys_absent=[CONFLICT_VXD],
        dismissed=["Warning"],
        values=[(GW_KEY + "\\Interface", "Type", ("dword", 3))]),
))

CASES.append(Case(
    name="model_page_interactive",
    about="A user walks the wizard with the model page (no interface or location question): the "
          "first model is preselected and its bundle picture shown (see the page screenshots); "
          "Enter on every page installs it with its mouse-type values.",
    versions=["win7", "win98"],
    args=["/NR"],
    source=DEMO,
    package=lambda v: {name: text.replace("AskType=TRUE", "AskType=FALSE")
                       .replace("AskMousePosition=TRUE", "AskMousePosition=FALSE")
                       for name, text in demo_with_models(True, config_name(v)).items()},
    windows_files=MODEL_PICTURES,
    driver_programs=DRIVER_PROGRAMS,
    steps=lambda v: wizard_walk(v, "Choose Mouse Location"),
    expect=lambda v: Expect(
        trace_excludes=EARLY_ENDS,
        values=mouse_type_values("Glidewave Optical", "2Dmouse", "2DExternalResourceDll", "gwoptic.img")),
))
