// Registry paths and value names that the registration stages write for the product and for
// the package's uninstaller.
#pragma once
#include "settings/product_keys.h"
#include "settings/config_keys.h"  // kSectionDefault
#include "services/uninstall_keys.h"

// ---- Registry stage: sections of the setup configuration applied in order ----
inline constexpr const char16_t* kKeyUseXmouseCpl = u"Usexmousecpl";
inline constexpr const char16_t* kUseXmouseCplDefault = u"TRUE";
inline constexpr const char16_t* kUseXmouseCplOff = u"FALSE";
inline constexpr const char16_t* kSectionCplRegistry = u"CPL Registry";
inline constexpr const char16_t* kSectionAddRegistry = u"Add Registry";
inline constexpr const char16_t* kSectionAddChRegistry = u"Add CH_Registry";
inline constexpr const char16_t* kSectionAddRegistryPS2 = u"Add Registry.ps2";
inline constexpr const char16_t* kRegistryStageLanguage = u"CHINESE";
// HKEY_CURRENT_USER: the co-installer's key, removed with its subkeys after a PS/2 stage.
inline constexpr const char16_t* kRegPathCoInstaller = u"SOFTWARE\\Norvik\\CoInstaller";

// ---- Install record (HKEY_LOCAL_MACHINE): one key per product below kRegPathInstallRecords ----
inline constexpr const char16_t* kRecordNoRestart = u"NoRestart";
inline constexpr const char16_t* kRecordCallConfigMg = u"CallConfigMg";
inline constexpr const char16_t* kRecordNoFileCopy = u"NoFileCopy";
inline constexpr const char16_t* kRecordSetupAction = u"SetupAction";
inline constexpr const char16_t* kRecordInfFile = u"InfFile";
inline constexpr const char16_t* kRecordVersion = u"Version";
inline constexpr const char16_t* kRecordSubVersion = u"SubVersion";
inline constexpr const char16_t* kRecordMfgName = u"MfgName";
inline constexpr const char16_t* kRecordProvider = u"Provider";
inline constexpr const char16_t* kRecordDriverName = u"DriverName";
inline constexpr const char16_t* kRecordDeviceName = u"DeviceName";
inline constexpr const char16_t* kRecordPnPID = u"PnPID";
inline constexpr const char16_t* kRecordClass = u"Class";
// Beside the record, under the product key: "RunAutoUpdate" = "FALSE" while installing.
inline constexpr const char16_t* kRunAutoUpdateValue = u"RunAutoUpdate";
inline constexpr const char16_t* kRunAutoUpdateDuring = u"FALSE";

// ---- Program sections of the setup configuration ----
inline constexpr const char16_t* kSectionRun = u"Run";
inline constexpr const char16_t* kSectionRunBT = u"Run.BT";
inline constexpr const char16_t* kSectionRunPS2 = u"Run.PS2";
inline constexpr const char16_t* kSectionRunPreload = u"Run.Preload";
inline constexpr const char16_t* kSectionRunAutoUpdate = u"Run.AutoUpdate";
inline constexpr const char16_t* kSectionRunSvc = u"Run.Svc";
inline constexpr const char16_t* kKeySvc = u"Svc";
inline constexpr const char16_t* kSectionStartVxD = u"Start VxD";
// Folder names a program line may begin with (compared ignoring case).
inline constexpr const char16_t* kRunFolderSystem = u"%SYS_DIR%";
inline constexpr const char16_t* kRunFolderWindows = u"%WIN_DIR%";
inline constexpr const char16_t* kRunFolderInf = u"%INF_DIR%";
inline constexpr const char16_t* kRunFolderDrivers = u"%SYS32_DIR%";
inline constexpr const char16_t* kRunFolderProgramFiles = u"%Program Files%";
inline constexpr const char16_t* kInfBelowWindows = u"\\Inf";
inline constexpr const char16_t* kDriversBelowWindows = u"\\System32\\Drivers";
// The package's daemon: its name as the stages pass it, and the file name looked for first.
inline constexpr const char16_t* kDaemonProgram = u"Nvkmiced.exe";
inline constexpr const char16_t* kDaemonFile = u"nvkmiced.exe";
inline constexpr const char16_t* kVxDDevicePrefix = u"\\\\.\\";
inline constexpr const char16_t* kVerbOpen = u"open";

// ---- Start-menu shortcuts (sections and keys of EspecialFile) ----
inline constexpr const char16_t* kSectionStartMenu = u"StartMenu";
inline constexpr const char16_t* kSectionBTStartMenu = u"BTStartMenu";
inline constexpr const char16_t* kSectionWin8StartMenu = u"Win8StartMenu";
inline constexpr const char16_t* kSectionWin8BTStartMenu = u"Win8BTStartMenu";
inline constexpr const char16_t* kSectionChStartMenu = u"CH_StartMenu";
inline constexpr const char16_t* kSectionMenuItem = u"MenuItem";
inline constexpr const char16_t* kSectionChMenuItem = u"CH_MenuItem";
inline constexpr const char16_t* kKeyMenuTitle = u"MenuTitle";
inline constexpr const char16_t* kDefaultMenuTitle = u"Glidewave";
inline constexpr const char16_t* kKeyItemPrefix = u"Item";
inline constexpr const char16_t* kKeyWin8StartMenuPin = u"Win8StartMenuPin";
inline constexpr const char16_t* kPinDefault = u"TRUE";
inline constexpr const char16_t* kPinOff = u"FALSE";
inline constexpr const char16_t* kMenuLanguage = u"CHINESE";
// Folder names of an item definition's third field (compared ignoring case).
inline constexpr const char16_t* kMenuFolderHelp = u"%WIN_DIR%\\HELP";
inline constexpr const char16_t* kMenuFolderSystem = u"%SYS_DIR%";
inline constexpr const char16_t* kMenuFolderWindows = u"%WIN_DIR%";
inline constexpr const char16_t* kMenuFolderProgramFiles = u"%Program Files%";
inline constexpr const char16_t* kHelpBelowWindows = u"\\HELP";
inline constexpr const char16_t* kShortcutExtension = u".lnk";
inline constexpr const char16_t* kMenuLibrary = u"nvkmenu.dll";
inline constexpr const char kMenuLibraryExport[] = "InstallShortCut";
// Under the uninstall entry: the menu folder, value named by the menu title.
inline constexpr const char16_t* kMenuTitleSubkey = u"\\MenuTitle";
// Under kRegPathProduct: the full path of an older model's menu folder.
inline constexpr const char16_t* kOldMenuTitleValue = u"MenuTitle";

// ---- Completion page ----
inline constexpr const char16_t* kSwapButtonValue = u"SwapButton";
inline constexpr const char16_t* kFirstTimeValue = u"FirstTime";
inline constexpr const char16_t* kFirstTimeData = u"1";
inline constexpr const char16_t* kRegPathRunOnce = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char16_t* kRunOnceDaemon = u"Run Daemon";
inline constexpr const char16_t* kRunOnceProductDaemon = u"Glidewave 98 Daemon";
inline constexpr const char16_t* kInterfaceTypeValue = u"Type";
inline constexpr const char16_t* kInterfaceNamePS2 = u"PS2";
inline constexpr const char16_t* kInterfaceNameBT = u"BT";
inline constexpr const char16_t* kInterfaceNameUSB = u"USB";
inline constexpr const char16_t* kInterfaceNameAll = u"ALL";
// Under the uninstall entry: keys the uninstaller deletes, value name = key path, data = root.
inline constexpr const char16_t* kDeleteKeySubkey = u"\\DeleteKey";
inline constexpr const char16_t* kDeleteKeyRootName = u"HKEY_LOCAL_MACHINE";
inline constexpr const char16_t* kFloppyPattern = u"A:\\*.*";

// ---- Mouse type of the chosen model (after the registry stage) ----
// Under kRegPathProduct (HKEY_CURRENT_USER): Mouse\<mouse type>, "DefaultProductName".
inline constexpr const char16_t* kMouseTypeSubkey = u"\\Mouse\\";
inline constexpr const char16_t* kDefaultProductNameValue = u"DefaultProductName";
// ResourceDLL under the product key, of both HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
inline constexpr const char16_t* kResourceDllSubkey = u"\\ResourceDLL";
inline constexpr const char16_t* kEnableSelectValue = u"EnableSelect";
inline constexpr const char16_t* kEnableSelectData = u"0";
