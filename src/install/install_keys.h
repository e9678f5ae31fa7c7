// Registry values and Windows files that the Start Installation page writes or removes itself.
#pragma once
#include "settings/product_keys.h"

// HKEY_CURRENT_USER: the utility's task-bar icon switch.
inline constexpr const char16_t* kRegPathProductivityUtility =
    u"Software\\Norvik\\Glidewave 98\\Productivity Utility";
inline constexpr const char16_t* kRegValueShowTaskBarIcon = u"Show Task Bar Icon";

// HKEY_LOCAL_MACHINE, Windows Me only: where Windows finds its own setup files.
inline constexpr const char16_t* kRegPathWindowsSetup = u"Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
inline constexpr const char16_t* kRegValueSourcePath = u"SourcePath";
inline constexpr const char16_t* kSourcePathBelowWindows = u"\\OPTIONS\\INSTALL";

// The old driver index below the Windows folder, and the folder of INF copies from other makers.
inline constexpr const char16_t* kDriverIndexFile = u"\\INF\\DRVIDX.BIN";
inline constexpr const char16_t* kDriverDataFile = u"\\INF\\DRVDATA.BIN";
inline constexpr const char16_t* kOtherInfFolder = u"\\INF\\Other\\";

// ---- Driver package staging: files copied from SourceDir into PackageDir ----
// Optional list of the package files, in SourceDir: section [CopyList], keys 1, 2, ... whose
// lines (at most 510 characters) name a file in their first non-empty field.
inline constexpr const char16_t* kPresetupFile = u"Presetup.ini";
inline constexpr const char16_t* kPresetupSection = u"CopyList";
constexpr uint32_t kPresetupLineSize = 511;
// The package files copied, in this order, when there is no list.
inline constexpr const char16_t* kPackageCabinet = u"gw98.cab";
inline constexpr const char16_t* kPackageInf = u"nhidmou.inf";
inline constexpr const char16_t* kPackageCatalog = u"gw99.cat";

// Keys of the USB install section: "Device_" n and "DEV_ID_" n, n from 1 to 99.
inline constexpr const char16_t* kUsbDeviceNameKey = u"Device_";
inline constexpr const char16_t* kUsbDeviceIdKey = u"DEV_ID_";
constexpr int32_t kUsbListedDeviceMax = 99;

// DIFxAPI results after which the package only goes into the driver store (preinstall).
constexpr uint32_t kDifxPackageNotInstalled = 0xE0000301;
constexpr uint32_t kDifxNoSuchDevice = 0xE000020B;

// Diagnostic texts of the staging operations.
inline constexpr const char16_t* kRegisterInfStartText = u"UpdateDriverThread";
inline constexpr const char16_t* kRegisterInfCaption = u"SetupCopyOEMInf";
inline constexpr const char16_t* kRegisterInfFailedFormat = u"SetupCopyOemInf failed with error %d: %s";
inline constexpr const char16_t* kRegisterInfFailedCaption = u"Error";
// Caption of the box that shows the USB hardware id of the chosen model.
inline constexpr const char16_t* kUsbPnPIdTraceCaption = u"_szUSBPnPID";
// The chosen model's value under kRegPathResourceDll when NewUI is set (HKEY_LOCAL_MACHINE):
// its name is this prefix and the model's extra text; the data is the model's name.
inline constexpr const char16_t* kResourceDllValuePrefix = u"ID - ";
