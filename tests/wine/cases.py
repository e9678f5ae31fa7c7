"""Wine end-to-end cases for setup.exe: packages, command lines and what each run must leave.

Each Case names the Windows versions it runs on; CMake registers one test per case and version
(wine.<case>.<version>). Package files are written with CRLF line ends into C:\\pkg beside
setup.exe. Paths in expectations are C:\\ paths of the prefix; registry keys start with HKLM or
HKCU and are read from the prefix's saved registry after the run. A package, an expectation or
a list of steps may also be a function of the Windows version.
"""

import re
from dataclasses import dataclass, field
from pathlib import Path
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
# The three families the start-up path differs most for: NT 6.x, NT 5.x and 9x.
MAIN_VERSIONS = ["win7", "winxp", "win98"]

# The configuration file each version must pick when every one of them lies beside setup.exe.
CONFIG_FILES = ["SETUP95.INI", "SETUP98.INI", "SETUPME.INI", "SETUPNT.INI", "SETUP2K.INI"]
CONFIG_FOR_VERSION = dict({"win95": "SETUP95.INI", "win98": "SETUP98.INI", "winme": "SETUPME.INI",
                           "nt40": "SETUPNT.INI"}, **{v: "SETUP2K.INI" for v in list(WINDOWS_VERSIONS)[4:]})

# The texts of the two early ends; start-up writes them to the diagnostic channel.
NOT_SUPPORTED = ("Current O.S. is not supported by this software, please refer to the user's manual "
                 "or readme.txt for more information.")
TYPE_MISSING = "Please specify the /type switch to tell setup installer which interface is going to be install!!"
EARLY_ENDS = [NOT_SUPPORTED, TYPE_MISSING]

# GetSystemDirectory under Wine: the 64-bit program runs in a 64-bit prefix, the 32-bit one in a
# 32-bit prefix, so neither sees the folder redirection of 32-bit programs on 64-bit Windows.
SYSTEM_DIR = "C:\\windows\\system32"
NORVIK_KEY = "HKLM\\Software\\Norvik"


def per_version(value, version):
    """A case's package, expectation or steps on one Windows version."""
    return value(version) if callable(value) else value


@dataclass
class Expect:
    """What a run must leave behind."""
    exit_code: int = 0
    trace_has: List[str] = field(default_factory=list)       # whole trace lines that must appear
    trace_contains: List[str] = field(default_factory=list)  # texts that some trace line must contain
    trace_excludes: List[str] = field(default_factory=lambda: list(EARLY_ENDS))  # texts no line may contain
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


def early_end(text, **more):
    """The expectation of a run that ends early with the given text."""
    return Expect(trace_contains=[text], trace_excludes=[], **more)


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
# Cancel on the Welcome page asks "Exit Setup"; Escape there means Exit Setup.
LEAVE_WIZARD = [Step("Welcome", ["Escape"]), Step("Exit Setup", ["Escape"])]


@dataclass
class Case:
    """One scenario: a package, a command line, the versions to run on, the expectations."""
    name: str
    about: str
    versions: List[str]
    args: List[str]
    expect: Union[Expect, Callable[[str], Expect]]
    package: Union[Dict[str, str], Callable[[str], Dict[str, str]]] = field(default_factory=dict)  # {name: text}
    seed: List[Tuple[str, str, str, str]] = field(default_factory=list)  # (key, name, REG_ type, data)
    source: Optional[str] = None   # a package folder (relative to the repository) copied first
    # Names under which the stand-in driver setup program is put into the package, and the
    # verdict ("Result") it writes into the install record it is given.
    driver_programs: List[str] = field(default_factory=list)
    driver_verdict: int = 0
    # Interactive run: the pages and their key presses.
    steps: Union[List[Step], Callable[[str], List[Step]]] = field(default_factory=list)
    # Files put into C:\\windows before the run: {name there: built fixture (relative path)}.
    windows_files: Dict[str, str] = field(default_factory=dict)
    # Captions (regular expressions) of message boxes the harness answers with Enter whenever
    # they appear during the run, after the steps; Expect.dismissed checks what it answered.
    dismiss: List[str] = field(default_factory=list)
    # The run ends by restarting Windows. Wine carries the restart out in programs of its own
    # (RunOnce among them) after setup has exited, so the harness lets the prefix's programs end
    # by themselves before it reads the registry.
    restarts: bool = False


def ini(*sections):
    """An INI text from (section, [lines]) pairs."""
    return "\n".join(f"[{name}]\n" + "".join(line + "\n" for line in lines) for name, lines in sections)


def platform_line(version):
    """The platform detection trace line as Wine's numbers give it."""
    major, minor, _ = WINDOWS_VERSIONS[version]
    return f"maj = {major}, min = {minor}, 64OS = 0"


def system_folder(name):
    """A folder directly below the system folder."""
    return f"{SYSTEM_DIR}\\{name}"


def normal_config(*folders):
    """A configuration that installs USB without questions and creates the given folders
    ([CreateFolder] numbers 1, 2, ...; None leaves a gap)."""
    return ini(
        ("Install", ["Supported=TRUE", "Title=Glidewave Test", "ProductKey=GlidewaveTest",
                     "Version=2.0", "SubVersion=2.0.1", "DefaultType=USB"]),
        ("Default", ["AskType=FALSE", "AskPath=FALSE", "Restart=FALSE"]),
        ("CreateFolder", [f"{n}={name}" for n, name in enumerate(folders, 1) if name]),
    )


def every_config(text):
    """The same configuration under every family's file name."""
    return {name: text for name in CONFIG_FILES}


def marker_folder(config_name):
    """The folder that the configuration file of that name creates in config_choice."""
    return "GwFrom" + config_name[5:7]  # SETUP98.INI -> GwFrom98


SILENT = ["/S", "/TYPE:USB", "/NR"]
# A configuration that asks for the interface ([Default] AskType=TRUE), no driver INF beside it.
ASKS_TYPE = every_config(ini(("Install", ["Supported=TRUE"]), ("Default", ["AskType=TRUE"])))

CASES = [
    Case("no_config", "A folder without any configuration file ends at once with exit code 0; platform "
         "detection runs before, and nothing is opened in the registry.", MAIN_VERSIONS, SILENT,
         lambda v: early_end(NOT_SUPPORTED, trace_has=[platform_line(v)], keys_absent=[NORVIK_KEY])),
    Case("unsupported", "[Install] Supported=FALSE ends with exit code 0 before [CreateFolder] runs.",
         MAIN_VERSIONS, ["/S"],
         early_end(NOT_SUPPORTED, paths_absent=[system_folder("GwUnsupported")], keys_absent=[NORVIK_KEY]),
         every_config(ini(("Install", ["Supported=FALSE"]), ("CreateFolder", ["1=GwUnsupported"])))),
    Case("silent_without_type", "/S alone while [Default] AskType=TRUE (and no driver INF beside the "
         "program) ends with 0.", MAIN_VERSIONS, ["/S"],
         lambda v: Expect(trace_has=[platform_line(v)], trace_contains=[TYPE_MISSING],
                          trace_excludes=[NOT_SUPPORTED]), ASKS_TYPE),
    Case("silent_usb", "A normal configuration with /S /TYPE:USB /NR creates folders 1 and 2 of "
         "[CreateFolder] (4 is behind the gap), installs its (empty) package and ends with 0; the "
         "interface is recorded and every install record is gone at Finish.",
         MAIN_VERSIONS + ["vista", "win8"], SILENT,
         lambda v: Expect(trace_has=[platform_line(v)],
                          paths=[system_folder("GwNormal1"), system_folder("GwNormal2")],
                          paths_absent=[system_folder("GwNormal4")], keys_absent=[NORVIK_KEY + "\\Install"],
                          values=[(NORVIK_KEY + "\\Glidewave 98\\Interface", "USB", ("dword", 3))]),
         every_config(normal_config("GwNormal1", "GwNormal2", None, "GwNormal4"))),
    Case("config_choice", "With every family's configuration file present, each Windows version loads "
         "its own (each file creates a differently named folder).", list(WINDOWS_VERSIONS), SILENT,
         lambda v: Expect(trace_has=[platform_line(v)],
                          paths=[system_folder(marker_folder(CONFIG_FOR_VERSION[v]))],
                          paths_absent=[system_folder(marker_folder(name)) for name in CONFIG_FILES
                                        if name != CONFIG_FOR_VERSION[v]]),
         {name: normal_config(marker_folder(name)) for name in CONFIG_FILES}),
    Case("config_fallback_95", "Windows 98 and Me fall back to SETUP95.INI when their own files are "
         "missing; NT versions do not.", ["win98", "winme", "winxp"], SILENT,
         lambda v: (early_end(NOT_SUPPORTED, paths_absent=[system_folder("GwFrom95")]) if v == "winxp" else
                    Expect(paths=[system_folder("GwFrom95")])),
         {"SETUP95.INI": normal_config("GwFrom95")}),
    Case("install_trace_seeded", "HKLM\\Software\\Norvik InstallTrace=1 seeded: the driver stage shows "
         "its diagnostic boxes (answered with Enter), the value is left as it was, the run ends with 0.",
         ["win7", "winxp"], SILENT,
         lambda v: Expect(trace_has=[platform_line(v)], paths=[system_folder("GwTraced")],
                          values=[(NORVIK_KEY, "InstallTrace", ("dword", 1))],
                          dismissed=["UpdateDriverForPlugAndPlayDevices TYPE=USB"]),
         every_config(normal_config("GwTraced")), seed=[(NORVIK_KEY, "InstallTrace", "REG_DWORD", "1")],
         # The diagnostic boxes' captions ("Error" is Windows' caption for a box without one).
         dismiss=["^Error$", "^UpdateDriverForPlugAndPlayDevices", "^SetupCopyOEMInf", r"\.inf$", "szCmd$"]),
    Case("single_inf_clears_asktype", "/S alone is not refused when only the USB driver INF lies beside "
         "the program, because one INF alone clears AskType.", ["win7", "winxp"], ["/S", "/NR"], Expect(),
         dict(ASKS_TYPE, **{"NHIDMou.INF": "; USB driver INF placeholder\n"})),
]

# Command lines against ASKS_TYPE, each as it reaches the program through Wine's command line:
# /S without a /TYPE: switch must end early with the warning; anything else goes on, either
# installing silently (/S, /H; /NR keeps Windows running) or showing the wizard, which the test
# leaves through Cancel and "Exit Setup".
for name, args, refused, why in [
        ("cmd_lower_case_silent", ["/s"], True, "/s in lower case counts as /S"),
        ("cmd_lower_case_type", ["/s", "/type:usb"], False, "/type:usb in lower case counts as /TYPE:USB"),
        ("cmd_blank_after_colon", ["/S", "/TYPE:", "USB"], False, "/TYPE: USB with a blank is /TYPE:USB"),
        ("cmd_hidden_alone", ["/H"], False, "/H alone is not refused"),
        ("cmd_empty_switch_ends_list", ["/NR//S"], False, "the empty switch between // hides /S"),
        ("cmd_text_before_slash", ["S", "/NR"], False, "an S before the first slash is no switch")]:
    silent = any(a.lower() in ("/s", "/h") for a in args)
    CASES.append(Case(name, f"{' '.join(args)} with AskType=TRUE: {why}, so the run is "
                      f"{'refused' if refused else 'not refused'}.", ["win7"],
                      args + (["/NR"] if silent and not refused else []),
                      early_end(TYPE_MISSING) if refused else Expect(), ASKS_TYPE,
                      steps=[] if refused or silent else LEAVE_WIZARD))


# ---------------------------------------------------------------------------------------------
# Installations of the demo package (examples/demo-package) from start to end.

DEMO = "examples/demo-package"
GW_KEY = "HKLM\\Software\\Norvik\\Glidewave 98"
HKCU_GW_KEY = "HKCU\\Software\\Norvik\\Glidewave 98"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave98"
RUN_ONCE = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
RUN_ONCE_MARKER = (RUN_ONCE, "GwTestMarker", "REG_SZ", "cmd /c exit")
# The program folder as the file system keeps it: Windows drops the trailing dot of a folder
# name ("Norvik Electronics Ltd." -> "Norvik Electronics Ltd").
DEMO_DEST = "C:\\Program Files\\Norvik Electronics Ltd\\Glidewave 98"
DEMO_DEVICE_IDS = ["HID\\VID_2F3C&PID_0101", "HID\\VID_2F3C&PID_0102", "HID\\VID_2F3C&PID_0103&MI_01"]
# The all-users Programs folder of the Start menu as Wine gives it for every version.
MENU_FOLDER = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Norvik\\Glidewave 98"
# Mouse models: a USB product list whose pictures lie in the Windows folder, a picture bundle
# (.img) and a resource library built by the Windows resource compiler. Model numbers 1 and 3
# take slots 1 and 3; number 3 is the demo's third USB device.
MODEL_PICTURES = {"gwoptic.img": "pictures/white_first.img", "gwpics.dll": "pictures/mouse_pictures.dll"}
USB_PRODUCT_LIST = ("Product.List.USB", ["1=gwoptic.img,Glidewave Optical,1,2Dmouse",
                                         "2=gwpics.dll,Glidewave Travel,3,3Dmouse"])
# Another maker's mouse software: only the 9x family and NT 4 are examined.
CONFLICT_VXD = "HKLM\\System\\CurrentControlSet\\Services\\VxD\\LMOUSE"
CONFLICT_SERVICE = "HKLM\\System\\CurrentControlSet\\Services\\l8042prt"


def demo_config(name, models=False, **settings):
    """A configuration file of the demo package with settings changed (Key="value") and, with
    models, the test's USB product list in place of its own."""
    text = (Path(__file__).resolve().parent.parent.parent / DEMO / name).read_text(encoding="cp1252")
    for key, value in settings.items():
        text = re.sub(rf"^{key}=.*$", f"{key}={value}", text, flags=re.M)
    if models:
        text = re.sub(r"^\[Product\.List\.USB\][^\[]*", "", text, flags=re.M | re.I) + "\n" + ini(USB_PRODUCT_LIST)
    return {name: text}


def config_name(version):
    """The demo package's configuration file that the version reads."""
    return "SETUP98.INI" if version == "win98" else "SETUP2K.INI"


def wizard_walk(*questions):
    """Enter on every page of the demo's wizard: Welcome, the question pages, Choose Destination
    Location (which the demo's SETUP98.INI does not ask), Start Installation; then Finish."""
    return lambda v: ([Step(title, ["Return"]) for title in ["Welcome", *questions] +
                       ([] if v == "win98" else ["Choose Destination Location"]) + ["Start Installation"]] +
                      [Step("Setup Complete", click=WIZARD_DEFAULT_BUTTON)])


def demo_case(name, about, versions, args, expect, package=None, **more):
    """A case that installs the demo package, with the stand-in driver setup program under every
    name the package may start it by (SETUP98.INI names Usbset9x.exe for USB)."""
    more.setdefault("driver_programs", ["SetupNT.exe", "Setup9x.exe", "Usbset9x.exe"])
    return Case(name, about, versions, args, expect, package or {}, source=DEMO, **more)


def demo_installed(version, interface="USB", code=3):
    """What an installation of the demo package leaves on every version."""
    shortcuts = [] if version == "win8" else [MENU_FOLDER + "\\Glidewave 98 Settings.lnk",
                                              MENU_FOLDER + "\\Uninstall Glidewave 98.lnk"]
    return Expect(
        # SETUP98.INI installs the VxD driver and keeps the profiles below the system folder.
        paths=[SYSTEM_DIR + "\\NVKMOUSE.CPL", DEMO_DEST + "\\NVKTRAY.EXE"] + shortcuts +
              ([SYSTEM_DIR + "\\NVKMOUSE.VXD", SYSTEM_DIR + "\\Norvik\\GWPROF.DAT"] if version == "win98" else
               [SYSTEM_DIR + "\\drivers\\NVKMOUSE.SYS", DEMO_DEST + "\\Profiles\\GWPROF.DAT"]),
        # Finish removes every install record; the interface record stays for the package's programs.
        keys_absent=[NORVIK_KEY + "\\Install"],
        values=[(GW_KEY + "\\Interface", interface, ("dword", code)),
                (GW_KEY + "\\Interface", "Type", ("dword", code)),
                (GW_KEY, "Version", ("sz", "4.6")),
                (GW_KEY, "RunAutoUpdate", None),
                (UNINSTALL_KEY + "\\DeleteKey", "Software\\Norvik\\Glidewave 98\\Interface",
                 ("sz", "HKEY_LOCAL_MACHINE"))],
        file_has=[(path, "NVKMCFG.EXE") for path in shortcuts[:1]],
    )


def demo_usb_silent(version):
    """demo_installed with /NR (the RunOnce marker stays) and the driver setup program's starts:
    Windows 98 has no inline Plug and Play update, so each listed USB device goes to it with the
    install record rebuilt for that device; Wine's update function succeeds for the NT versions,
    so it does not run there."""
    expect = demo_installed(version)
    expect.values.append(RUN_ONCE_MARKER[:2] + (("sz", RUN_ONCE_MARKER[3]),))
    expect.driver_starts = [] if version != "win98" else [
        {"program": "C:\\pkg\\Usbset9x.exe", "arg1": "Software\\Norvik\\Install\\Glidewave98", "PnPID": device,
         "InfFile": "C:\\pkg\\NHIDMou.INF", "verdict": "0"} for device in DEMO_DEVICE_IDS]
    return expect


def mouse_type_values(model, mouse_type, library_value, file):
    """The chosen model's mouse-type values under both roots."""
    return [(HKCU_GW_KEY + "\\Mouse\\" + mouse_type, "DefaultProductName", ("sz", model)),
            (HKCU_GW_KEY, library_value, ("sz", file)),
            (HKCU_GW_KEY + "\\ResourceDLL", "EnableSelect", ("sz", "0")),
            (GW_KEY + "\\ResourceDLL", "EnableSelect", ("sz", "0"))]


OPTICAL_CHOSEN = mouse_type_values("Glidewave Optical", "2Dmouse", "2DExternalResourceDll", "gwoptic.img")

CASES += [
    demo_case("install_usb_silent", "The demo package installed with /S /TYPE:USB /NR: files, registry "
              "script, interface record, uninstall notes, shortcuts; install records removed at Finish.",
              ["win7", "winxp", "win8", "win98"], SILENT, demo_usb_silent, seed=[RUN_ONCE_MARKER]),
    demo_case("install_hidden", "/H /TYPE:PS2 /NR installs without showing a window at all.", ["win7"],
              ["/H", "/TYPE:PS2", "/NR"], lambda v: demo_installed(v, "PS2", 1)),
    demo_case("install_privilege_refused", "On Windows 98 the driver setup program answers -2: \"Setup "
              "Error\" is shown (the test presses OK), the installation is abandoned after the first device "
              "and the completion page does none of its work.", ["win98"], SILENT,
              Expect(paths=[DEMO_DEST + "\\NVKTRAY.EXE"], keys_absent=[GW_KEY + "\\Interface"],
                     dismissed=["Setup Error"],
                     driver_starts=[{"program": "C:\\pkg\\Usbset9x.exe", "PnPID": DEMO_DEVICE_IDS[0],
                                     "verdict": "-2"}]),
              driver_verdict=-2, dismiss=["^Setup Error$"]),
    demo_case("install_interactive", "A user installs the demo package by pressing Enter on every page "
              "(USB preselected, right-handed, the proposed folder); /NR keeps Windows running.",
              ["win7", "win98"], ["/NR"], demo_installed,
              steps=wizard_walk("Hardware Interface Selection", "Choose Mouse Location")),
    demo_case("cancel_exit_setup", "Cancel on the Welcome page and Escape on \"Exit Setup\": the program "
              "ends with 0 without installing.", ["win7"], [],
              Expect(paths_absent=[DEMO_DEST], keys_absent=[GW_KEY]), steps=LEAVE_WIZARD, driver_programs=[]),
    demo_case("install_restarts", "Without /NR a silent installation ends by asking Windows to restart. "
              "Wine's restart carries out and empties HKLM RunOnce, so the value seeded there is gone "
              "afterwards (with /NR it stays: see install_usb_silent).", ["win7"], ["/S", "/TYPE:USB"],
              Expect(paths=[DEMO_DEST + "\\NVKTRAY.EXE"], values=[(RUN_ONCE, "GwTestMarker", None)]),
              seed=[RUN_ONCE_MARKER], restarts=True),
    demo_case("model_by_id_silent", "/S /TYPE:USB /ID:3 picks the model in slot 3 (model number 3, whose "
              "picture is a resource of a library): its mouse type values are written, the other's not.",
              ["win7", "winxp"], ["/S", "/TYPE:USB", "/ID:3", "/NR"],
              Expect(keys_absent=[HKCU_GW_KEY + "\\Mouse\\2Dmouse"],
                     values=mouse_type_values("Glidewave Travel", "3Dmouse", "3DExternalResourceDll", "gwpics.dll") +
                     [(HKCU_GW_KEY, "2DExternalResourceDll", None)]),
              demo_config("SETUP2K.INI", models=True), windows_files=MODEL_PICTURES),
    demo_case("model_page_noinf", "/NoInf /TYPE:USB with ChooseMouse=TRUE passes the (hidden) model page "
              "with the preselected first model, whose picture is an .img bundle.", ["win7"],
              ["/NoInf", "/TYPE:USB", "/NR"], Expect(keys_absent=[HKCU_GW_KEY + "\\Mouse\\3Dmouse"],
                                                     values=OPTICAL_CHOSEN),
              demo_config("SETUP2K.INI", models=True, ChooseMouse="TRUE"), windows_files=MODEL_PICTURES),
    demo_case("model_page_interactive", "A user walks the wizard with the model page (no interface or "
              "location question): Enter on every page installs the preselected first model, whose "
              "bundle picture the page screenshots show.", ["win7", "win98"], ["/NR"],
              Expect(values=OPTICAL_CHOSEN),
              lambda v: demo_config(config_name(v), models=True, ChooseMouse="TRUE", AskType="FALSE",
                                    AskMousePosition="FALSE"),
              windows_files=MODEL_PICTURES, steps=wizard_walk("Choose Mouse Location")),
    demo_case("conflict_check_xp", "UninstallConflictSoftware=TRUE on Windows XP with the other driver's "
              "keys present: nothing is found, no warning stops the silent run, the keys are left alone.",
              ["winxp"], SILENT,
              Expect(paths=[DEMO_DEST + "\\NVKTRAY.EXE"],
                     values=[(CONFLICT_VXD, "StaticVxD", ("sz", "lmouse.vxd")), (CONFLICT_SERVICE, "Start", ("dword", 1)),
                             (GW_KEY + "\\Interface", "Type", ("dword", 3))]),
              demo_config("SETUP2K.INI", UninstallConflictSoftware="TRUE"),
              seed=[(CONFLICT_VXD, "StaticVxD", "REG_SZ", "lmouse.vxd"), (CONFLICT_SERVICE, "Start", "REG_DWORD", "1"),
                    ("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MouseWare", "UninstallString",
                     "REG_SZ", "C:\\mw\\uninst.exe")]),
    demo_case("conflict_uninstall_98", "Windows 98 with the other driver's VxD key and no uninstall entry "
              "(the demo's SETUP98.INI asks for the check): the \"Warning\" names it; Enter presses "
              "\"&Uninstall It\", which deletes the key tree, and the silent run goes on to the end.",
              ["win98"], SILENT,
              Expect(keys_absent=[CONFLICT_VXD], dismissed=["Warning"],
                     values=[(GW_KEY + "\\Interface", "Type", ("dword", 3))]),
              seed=[(CONFLICT_VXD, "StaticVxD", "REG_SZ", "lmouse.vxd"),
                    (CONFLICT_VXD + "\\Settings", "Speed", "REG_SZ", "3")], dismiss=["^Warning$"]),
]
