// Device-installation services: the cabinet iterator of the Windows setup interface
// (Plug and Play driver updates, device sets and the INF store join later).
#pragma once
#include "platform/types.h"

// Cabinet iterator notifications and answers (values as the Windows setup interface uses).
constexpr uint32_t kNotifyCabinetInfo = 0x10;
constexpr uint32_t kNotifyFileInCabinet = 0x11;
constexpr uint32_t kNotifyNeedNewCabinet = 0x12;
constexpr uint32_t kNotifyFileExtracted = 0x13;
constexpr uint32_t kFileOpAbort = 0;
constexpr uint32_t kFileOpDoIt = 1;
constexpr uint32_t kFileOpSkip = 2;

// The record handed with kNotifyFileInCabinet (param1 points to it). The callback fills
// FullTargetName with the path the file is to be extracted to.
struct SysFileInCabinetInfo {
  const char16_t* NameInCabinet;  // name in the cabinet, possibly with a relative folder
  uint32_t FileSize;
  uint32_t Win32Error;
  uint16_t DosDate;
  uint16_t DosTime;
  uint16_t DosAttribs;
  char16_t FullTargetName[260];
};

// The record handed with kNotifyFileExtracted (param1 points to it).
struct SysFilePaths {
  const char16_t* Target;
  const char16_t* Source;
  uint32_t Win32Error;
};

// Callback: (context, notification, param1, param2) -> answer. For kNotifyFileInCabinet param1
// is a SysFileInCabinetInfo, param2 the cabinet path, and the answer kFileOpDoIt, kFileOpSkip or
// kFileOpAbort (the walk then fails with the error the callback put in Win32Error). For
// kNotifyFileExtracted param1 is a SysFilePaths (Source: the cabinet; Win32Error set when the
// extraction failed, which ends the walk). kNotifyCabinetInfo and kNotifyNeedNewCabinet carry
// no record (both parameters 0). For every notification but kNotifyFileInCabinet the answer is
// 0 to go on, or an error code that ends the walk with that error.
typedef uint32_t (*SysCabinetCallback)(void* context, uint32_t notification, uintptr_t param1, uintptr_t param2);

// Walks every file of a Microsoft cabinet, asking the callback where to extract each one
// (SetupIterateCabinetW). Returns 1 when the walk completed, 0 on failure with the last
// error set (2 for a missing cabinet, 13 for a file that is no cabinet or whose data is
// damaged; the extraction of a file into a folder that does not exist fails with 3: folders
// are never created).
int SysIterateCabinet(const char16_t* cabinetPath, SysCabinetCallback callback, void* context);

// ==== Plug and Play driver update (newdev) ==================================================
// UpdateDriverForPlugAndPlayDevicesW(no parent, hardwareId, infPath, flags, &reboot), looked up
// at run time in "newdev.dll" (the caller checks with SysLoadLibrary/SysGetProcAddress that the
// library and export exist before calling). Returns the BOOL result; *rebootRequired (when
// given) receives the restart indication; the last error is set as the real call sets it.
constexpr uint32_t kInstallFlagForce = 0x1;
int SysUpdateDriverForPlugAndPlayDevices(const char16_t* hardwareId, const char16_t* infPath, uint32_t flags,
                                         int* rebootRequired);

// ==== Device information sets and device nodes (SetupAPI, configuration manager) ============
// A set of devices taken by SysGetClassDevs; null stands for a set that could not be built.
typedef struct SysDeviceSetTag* DeviceInfoSet;

// A device setup class GUID, laid out as Windows lays out a GUID.
struct SysGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

// One device of a set: its place in the set (as SysEnumDeviceInfo counts), its device node and
// its setup class.
struct SysDeviceInfoData {
  uint32_t index;
  uint32_t devInst;
  SysGuid classGuid;
};

// SetupDiGetClassDevsW flags.
constexpr uint32_t kDigcfPresent = 0x2;
constexpr uint32_t kDigcfAllClasses = 0x4;
constexpr uint32_t kDigcfProfile = 0x8;
// Device registry properties, the configuration flag that asks for a reinstall, the class
// installer's removal request and the configuration manager's answers.
constexpr uint32_t kSpdrpHardwareId = 1;
constexpr uint32_t kSpdrpConfigFlags = 10;
constexpr uint32_t kConfigFlagReinstall = 0x20;
constexpr uint32_t kDifRemove = 5;
constexpr uint32_t kCrSuccess = 0;
constexpr uint32_t kCrNoSuchDevinst = 0xD;
constexpr ErrorCode kErrPropertyMissing = 13;  // ERROR_INVALID_DATA

// SetupDiGetClassDevsW(classGuid (null: none), enumerator (null: any), no window, flags).
// Without kDigcfPresent the set holds devices that are not plugged in as well. Returns null on
// failure with the last error set.
DeviceInfoSet SysGetClassDevs(const SysGuid* classGuid, const char16_t* enumerator, uint32_t flags);
// SetupDiEnumDeviceInfo: fills *device with the set's device at index (from 0). Returns 0 with
// the last error kErrNoMoreItems past the last one.
int SysEnumDeviceInfo(DeviceInfoSet set, uint32_t index, SysDeviceInfoData* device);
// SetupDiGetDeviceRegistryPropertyW: copies the property's bytes into buffer (size bytes; null
// with size 0 asks for the size). *type (may be null) gets the registry type, *requiredSize
// (may be null) the byte count. Returns 0 with kErrInsufficientBuffer when the buffer is too
// small, kErrPropertyMissing when the device has no such property.
int SysGetDeviceRegistryProperty(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t property,
                                 uint32_t* type, uint8_t* buffer, uint32_t size, uint32_t* requiredSize);
// SetupDiSetDeviceRegistryPropertyW with size bytes of data. 1 on success.
int SysSetDeviceRegistryProperty(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t property,
                                 const uint8_t* buffer, uint32_t size);
// SetupDiGetDeviceInstanceIdW into out (cap characters with the terminator). Returns 0 with
// kErrInsufficientBuffer when the id does not fit (*requiredSize, when given, then holds the
// characters needed).
int SysGetDeviceInstanceId(DeviceInfoSet set, const SysDeviceInfoData* device, char16_t* out, uint32_t cap,
                           uint32_t* requiredSize);
// SetupDiCallClassInstaller(function, set, device), such as kDifRemove. 1 on success.
int SysCallClassInstaller(uint32_t function, DeviceInfoSet set, const SysDeviceInfoData* device);
// SetupDiDestroyDeviceInfoList. 1 on success.
int SysDestroyDeviceInfoList(DeviceInfoSet set);
// CM_Get_DevNode_Status: kCrSuccess with the status and problem numbers of a plugged-in device,
// kCrNoSuchDevinst for a device that is known but not present.
uint32_t SysGetDevNodeStatus(uint32_t* status, uint32_t* problem, uint32_t devInst);

// ==== Driver store: DIFxAPI packages and the OEM INF copy ===================================
// DIFxAPI flags (DRIVER_PACKAGE_FORCE, DRIVER_PACKAGE_LEGACY_MODE) and SetupCopyOEMInfW's media
// type for a source given as a path (SPOST_PATH).
constexpr uint32_t kDriverPackageForce = 0x4;
constexpr uint32_t kDriverPackageLegacyMode = 0x10;
constexpr uint32_t kSpostPath = 1;
// DriverPackageInstallW(infPath, flags, no installer information, &needReboot) and
// DriverPackagePreinstallW(infPath, flags), each looked up at run time in "difxapi.dll" by the
// wrapper itself. Return the DWORD result code of the call (0 on success); 126 when the library
// cannot be loaded and 127 when it lacks the function (nothing is called then). *needReboot
// (when given) receives the restart indication, 0 when nothing was installed.
uint32_t SysDriverPackageInstall(const char16_t* infPath, uint32_t flags, int* needReboot);
uint32_t SysDriverPackagePreinstall(const char16_t* infPath, uint32_t flags);
// SetupCopyOEMInfW(sourceInf, no media location, mediaType, copyStyle, destName, destNameSize,
// no required size, no component pointer), found in "setupapi.dll" (the caller checks with
// SysLoadLibrary/SysGetProcAddress that it exists). destNameSize counts characters. Returns the
// BOOL result; on success destName holds the full path of the copy in the Windows INF folder
// (an existing copy with the same content is reused), on failure the last error is set (2 for a
// missing source INF, 122 when the path does not fit).
int SysSetupCopyOEMInf(const char16_t* sourceInf, uint32_t mediaType, uint32_t copyStyle, char16_t* destName,
                       uint32_t destNameSize);
