// Names the driver stage and the device queries use: the install record's key and values, the
// product keys, configuration sections, outside programs and the newdev library.
#pragma once
#include "settings/product_keys.h"
#include <cstdint>

// ---- Install record (HKEY_LOCAL_MACHINE): Software\Norvik\Install\<ProductKey> ----
inline constexpr const char16_t* kDriverRecordInfFile = u"InfFile";
inline constexpr const char16_t* kDriverRecordPnPID = u"PnPID";
inline constexpr const char16_t* kDriverRecordDeviceName = u"DeviceName";
// DWORD verdict left by the outside driver setup program; missing counts as success.
inline constexpr const char16_t* kDriverRecordResult = u"Result";
constexpr uint32_t kDriverResultSuccess = 0;
constexpr uint32_t kDriverResultFailed = 0xFFFFFFFF;       // -1
constexpr uint32_t kDriverResultNoPrivilege = 0xFFFFFFFE;  // -2

// ---- Product key: HKEY_CURRENT_USER "FirstSetup" after the listed-devices route; its
// HKEY_LOCAL_MACHINE twin holds the Bluetooth device ids as value names under "BTUID" ----
inline constexpr const char16_t* kDriverFirstSetupValue = u"FirstSetup";
inline constexpr const char16_t* kDriverFirstSetupOn = u"TRUE";
inline constexpr const char16_t* kDriverBTUIDSubkey = u"BTUID";

// ---- Setup configuration: listed hardware ids, "DEV_ID_" + 1, 2, ... ----
inline constexpr const char16_t* kListedDeviceKeyPrefix = u"DEV_ID_";
constexpr int kListedDeviceMax = 99;
inline constexpr const char16_t* kSectionDPInstFalseList = u"Mode_DPInst_FALSE.List";

// ---- Outside programs, looked for in SourceDir ----
inline constexpr const char16_t* kSetupProgramNT = u"SetupNT.exe";
inline constexpr const char16_t* kSetupProgram9x = u"Setup9x.exe";
inline constexpr const char16_t* kSetupNtHelperCommand = u"Setupnt /s";
inline constexpr const char16_t* kDifxAppProgram = u"difxapp32.exe";
inline constexpr const char16_t* kDifxAppVerb = u"open";
inline constexpr const char16_t* kDifxAppInstallSwitch = u"/i ";
// The configuration named to the driver-installation program, whatever the platform's own.
inline constexpr const char16_t* kDifxAppConfigName = u" setup2k.ini";

// ---- Plug and Play update function ----
inline constexpr const char16_t* kNewdevLibrary = u"newdev.dll";
inline constexpr const char* kUpdateDriverExport = "UpdateDriverForPlugAndPlayDevicesW";

// Platform code for which the driver stage checks the present HID devices against
// "Mode_DPInst_FALSE.List" (platform detection hands out no such code).
constexpr int32_t kPlatformDeviceListCheck = 8;
