"""Wine end-to-end cases for setup.exe: packages, command lines and what each run must leave.

Each Case names the Windows versions it runs on; CMake registers one test per case and version
(wine.<case>.<version>). Package files are written with CRLF line ends into C:\\pkg beside
setup.exe. Paths in expectations are C:\\ paths of the prefix; registry keys start with HKLM or
HKCU and are read from the prefix's saved registry after the run.
"""

from dataclasses import dataclass, field
from typing import Callable, Dict, List, Optional, Tuple

# Wine's names for the Windows versions it can pretend to be, with the version numbers Wine 8
# reports to a 64-bit program for each (GetVersionExW: major, minor, platform id).
# The 64-bit Wine does report the 9x family (platform id 1, bit 31 of GetVersion set), so the
# 64-bit setup.exe can be run as Windows 95/98/Me. One difference from those systems remains:
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

SYSTEM_DIR = "C:\\windows\\system32"  # GetSystemDirectory of a 64-bit program under Wine
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
        args=["/S", "/TYPE:USB"],
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
        about="A normal configuration with /S /TYPE:USB starts up, creates folders 1 and 2 of "
              "[CreateFolder] (4 is behind the gap) and ends with 0 (no main window yet).",
        versions=MAIN_VERSIONS + ["vista", "win8"],
        args=["/S", "/TYPE:USB"],
        package=lambda v: every_config(normal_config([(1, "GwNormal1"), (2, "GwNormal2"), (4, "GwNormal4")])),
        # The loader opens HKLM\Software\Norvik for InstallTrace but must never create it.
        expect=lambda v: Expect(trace_has=[platform_line(v)], trace_excludes=EARLY_ENDS,
                                paths=[system_folder("GwNormal1"), system_folder("GwNormal2")],
                                paths_absent=[system_folder("GwNormal4")],
                                keys_absent=[NORVIK_KEY]),
    ),
    Case(
        name="config_choice",
        about="With every family's configuration file present, each Windows version loads its own "
              "(each file creates a differently named folder).",
        versions=ALL_VERSIONS,
        args=["/S", "/TYPE:USB"],
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
        args=["/S", "/TYPE:USB"],
        package=lambda v: {"SETUP95.INI": normal_config([(1, "GwFrom95")])},
        expect=lambda v: (Expect(trace_contains=[NOT_SUPPORTED], paths_absent=[system_folder("GwFrom95")])
                          if v == "winxp" else
                          Expect(trace_excludes=EARLY_ENDS, paths=[system_folder("GwFrom95")])),
    ),
    Case(
        name="install_trace_seeded",
        about="HKLM\\Software\\Norvik InstallTrace=1 seeded: start-up reads it, leaves it as it was "
              "and still ends with 0.",
        versions=["win7", "winxp"],
        args=["/S", "/TYPE:USB"],
        seed=[(NORVIK_KEY, "InstallTrace", "REG_DWORD", "1")],
        package=lambda v: every_config(normal_config([(1, "GwTraced")])),
        expect=lambda v: Expect(trace_has=[platform_line(v)], trace_excludes=EARLY_ENDS,
                                paths=[system_folder("GwTraced")],
                                values=[(NORVIK_KEY, "InstallTrace", ("dword", 1))]),
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
for name, args, refused, why in COMMAND_LINES:
    CASES.append(Case(
        name=name,
        about=f"{' '.join(args)} with AskType=TRUE: {why}, so the run is "
              f"{'refused' if refused else 'not refused'}.",
        versions=["win7"],
        args=args,
        package=lambda v: ASKS_TYPE,
        expect=(lambda v: Expect(trace_contains=[TYPE_MISSING])) if refused else
               (lambda v: Expect(trace_excludes=EARLY_ENDS)),
    ))

CASES.append(Case(
    name="single_inf_clears_asktype",
    about="/S alone is not refused when only the USB driver INF lies beside the program, because "
          "one INF alone clears AskType.",
    versions=["win7", "winxp"],
    args=["/S"],
    package=lambda v: dict(ASKS_TYPE, **{"NHIDMou.INF": "; USB driver INF placeholder\n"}),
    expect=lambda v: Expect(trace_excludes=EARLY_ENDS),
))

