// Names read by the checks for older and running software: the installed product's registry
// key and values, and the [KillWindow] sections of the setup configuration file.
#pragma once
#include "settings/product_keys.h"
#include <cstdint>

// HKEY_LOCAL_MACHINE: the installed product (this fixed key, whatever ProductKey says).
inline constexpr const char16_t* kRegValueInstalledVersion = u"Version";
inline constexpr const char16_t* kRegValueInstalledSubVersion = u"SubVersion";

// Setup configuration file: the windows to close before installing.
inline constexpr const char16_t* kSectionKillWindow = u"KillWindow";
inline constexpr const char16_t* kKeyKillClass = u"Class";
inline constexpr const char16_t* kKeyKillCaption = u"Caption";

// Kernel32's process exit, started inside a program that must end.
inline constexpr const char16_t* kKernel32 = u"kernel32.dll";
inline constexpr const char* kExitProcessName = "ExitProcess";

// ---- Another maker's mouse driver (HKEY_LOCAL_MACHINE) ----
// The driver's own keys: the VxD on the 9x family, the port driver service on NT 4.
inline constexpr const char16_t* kRegPathConflictVxD = u"System\\CurrentControlSet\\Services\\VxD\\LMOUSE";
inline constexpr const char16_t* kRegPathConflictService = u"System\\CurrentControlSet\\Services\\l8042prt";
// Its uninstall entry: the first choice is the initial ConflictUninstallKey; the second choice,
// and the values read from the entry.
inline constexpr const char16_t* kRegPathConflictUninstallAlternate =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Logitech MouseWare";
inline constexpr const char16_t* kRegValueDisplayName = u"DisplayName";
inline constexpr const char16_t* kRegValueUninstallString = u"UninstallString";
// NT 4 clean-up without an uninstaller: device entries naming the driver's port driver get the
// system's own back.
inline constexpr const char16_t* kRegPathEnumRoot = u"System\\CurrentControlSet\\Enum\\Root";
inline constexpr const char16_t* kConflictPortDriver = u"l8042prt";
inline constexpr const char16_t* kSystemPortDriver = u"i8042prt";

// ---- Process listings: the libraries and functions looked up by name ----
inline constexpr const char16_t* kPsapiLibrary = u"PSAPI.DLL";
inline constexpr const char16_t* kVdmdbgLibrary = u"VDMDBG.DLL";
inline constexpr const char16_t* kKernel32Library = u"KERNEL32.DLL";
inline constexpr const char* kEnumProcessesName = "EnumProcesses";
inline constexpr const char* kEnumProcessModulesName = "EnumProcessModules";
inline constexpr const char* kGetModuleFileNameExName = "GetModuleFileNameExW";
inline constexpr const char* kVdmEnumTaskWowExName = "VDMEnumTaskWOWEx";
inline constexpr const char* kCreateToolhelpSnapshotName = "CreateToolhelp32Snapshot";
inline constexpr const char* kProcess32FirstName = "Process32First";
inline constexpr const char* kProcess32NextName = "Process32Next";
// The NT process that hosts 16-bit programs.
inline constexpr const char16_t* kNtvdmImage = u"NTVDM.EXE";
// The uninstaller processes the wait looks for.
inline constexpr const char16_t* kUninstallerImage = u"WINST.EXE";
inline constexpr const char16_t* kUninstallerShieldImage = u"ISUNINST.EXE";
