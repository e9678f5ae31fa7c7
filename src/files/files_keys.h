// Names that the file-installation stages use: configuration sections and keys, the whole-value
// destination forms, registry paths and values, and the fixed file names they touch.
#pragma once
#include "settings/product_keys.h"

// ---- Copy list ----
// Each key "1", "2", ... is read from [CopyList] first and from [Copy List] when empty there.
inline constexpr const char16_t* kSectionCopyList = u"CopyList";
inline constexpr const char16_t* kSectionCopyListFallback = u"Copy List";
// Key of [Strings] naming the folder of the "%SYS_DIR%\%Folder%" destination.
inline constexpr const char16_t* kStringsKeyFolder = u"Folder";

// Extensions of system files, which keep their configured destination even when the user
// chooses the destination folder (compared ignoring case).
inline constexpr const char16_t* kSystemFileExtensions[] = {u"SYS", u"cpl", u"CHM", u"hlp", u"cnt"};

// Whole-value destination forms of the copy list (compared ignoring case).
inline constexpr const char16_t* kDestSysDir = u"%SYS_DIR%";
inline constexpr const char16_t* kDestWinDir = u"%WIN_DIR%";
inline constexpr const char16_t* kDestInfDir = u"%INF_DIR%";
inline constexpr const char16_t* kDestSys32Dir = u"%SYS32_DIR%";
inline constexpr const char16_t* kDestWinDesktop = u"%WIN_DIR%\\Desktop";
inline constexpr const char16_t* kDestWinHelp = u"%WIN_DIR%\\Help";
inline constexpr const char16_t* kDestSysDeskhub = u"%SYS_DIR%\\Deskhub";
inline constexpr const char16_t* kDestSysDeskhub001 = u"%SYS_DIR%\\Deskhub\\001";
inline constexpr const char16_t* kDestDriveC = u"c:";
inline constexpr const char16_t* kDestSysX64 = u"%SYS_DIR%\\x64";
inline constexpr const char16_t* kDestSysFolder = u"%SYS_DIR%\\%Folder%";
// Matched against the part of the destination before its first backslash.
inline constexpr const char16_t* kDestProgramFiles = u"%Program Files%";

// What the copy-list forms expand to below the system or Windows folder.
inline constexpr const char16_t* kSubInf = u"\\Inf";
inline constexpr const char16_t* kSubSys32Drivers = u"\\System32\\Drivers";
inline constexpr const char16_t* kSubDesktop = u"\\Desktop";
inline constexpr const char16_t* kSubHelp = u"\\Help";
inline constexpr const char16_t* kSubDeskhub = u"\\Deskhub";
inline constexpr const char16_t* kSubDeskhub001 = u"\\Deskhub\\001";
inline constexpr const char16_t* kDriveCRoot = u"c:\\";
inline constexpr const char16_t* kSubX64 = u"\\x64";

// Help files go to the Windows folder + this; their companions replace the last three
// characters of the name by this.
inline constexpr const char16_t* kHelpCompanionSuffix = u"cnt";

// ---- Deletion list of an older version (compared with case) ----
inline constexpr const char16_t* kDelSysDir = u"%SYS_DIR%";
inline constexpr const char16_t* kDelSys32Dir = u"%SYS32_DIR%";
inline constexpr const char16_t* kDelHelpDir = u"%HELP_DIR%";
inline constexpr const char16_t* kDelWinDir = u"%WIN_DIR%";
inline constexpr const char16_t* kDelInfDir = u"%INF_DIR%";
inline constexpr const char16_t* kDelZero = u"0";  // like an empty value: the system folder
inline constexpr const char16_t* kDelSubSys32Drivers = u"\\system32\\drivers";
inline constexpr const char16_t* kDelSubHelp = u"\\help";
inline constexpr const char16_t* kDelSubInf = u"\\inf";

// The uninstall entry's file list, a subkey of the product's uninstall key.
inline constexpr const char16_t* kDeleteFilesKeyName = u"DeleteFiles";

// Marker file in the Windows folder asking for the product version to be forgotten, and the
// value holding that version under kRegPathProduct (HKEY_LOCAL_MACHINE).
inline constexpr const char16_t* kVersionMarkerFile = u"\\GlidewaveFlag.txt";
inline constexpr const char16_t* kRegValueVersion = u"Version";

// ---- Folders made by the installation, for the package's uninstaller (HKEY_LOCAL_MACHINE) ----
// One value per folder: name = the folder path, data = "InstallPath".
inline constexpr const char16_t* kInstallPathData = u"InstallPath";

// ---- Folder access rights ----
inline constexpr const char16_t* kAccountEveryone = u"Everyone";
// Calls looked up at run time; older systems lack them.
inline constexpr const char16_t* kLibraryAdvapi = u"advapi32.dll";
inline constexpr const char* kProcAddAccessAllowedAceEx = "AddAccessAllowedAceEx";
inline constexpr const char* kProcSetSecurityDescriptorControl = "SetSecurityDescriptorControl";

// ---- Replacement at the next start ----
// On the 9x family: the [Rename] section of this file in the Windows folder.
inline constexpr const char16_t* kWininitFile = u"\\wininit.ini";
inline constexpr const char* kRenameHeader = "[Rename]\r\n";
