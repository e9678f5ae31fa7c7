// Plug and Play devices on real Windows: device information sets of the setup interface, the
// configuration manager's device node status and newdev's driver update, looked up at run time.
#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstring>

#include "platform/devices.h"
#include "platform/win32/win32_internal.h"

using win32::Wide;

static_assert(sizeof(SysGuid) == sizeof(GUID), "the seam's GUID has Windows' layout");

namespace {

HDEVINFO Real(DeviceInfoSet set) { return reinterpret_cast<HDEVINFO>(set); }

// The setup interface's record of a set element, found again by its place in the set.
bool ElementOf(DeviceInfoSet set, const SysDeviceInfoData* device, SP_DEVINFO_DATA* data) {
  if (!device) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::memset(data, 0, sizeof(*data));
  data->cbSize = sizeof(*data);
  return SetupDiEnumDeviceInfo(Real(set), device->index, data) != FALSE;
}

typedef BOOL(WINAPI* UpdateDriverProc)(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL);

}  // namespace

DeviceInfoSet SysGetClassDevs(const SysGuid* classGuid, const char16_t* enumerator, uint32_t flags) {
  HDEVINFO set = SetupDiGetClassDevsW(reinterpret_cast<const GUID*>(classGuid), enumerator ? Wide(enumerator) : nullptr,
                                      nullptr, flags);
  if (set == INVALID_HANDLE_VALUE) return nullptr;
  return reinterpret_cast<DeviceInfoSet>(set);
}

int SysEnumDeviceInfo(DeviceInfoSet set, uint32_t index, SysDeviceInfoData* device) {
  if (!device) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!SetupDiEnumDeviceInfo(Real(set), index, &data)) return 0;
  device->index = index;
  device->devInst = data.DevInst;
  std::memcpy(&device->classGuid, &data.ClassGuid, sizeof(GUID));
  return 1;
}

int SysGetDeviceRegistryProperty(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t property,
                                 uint32_t* type, uint8_t* buffer, uint32_t size, uint32_t* requiredSize) {
  SP_DEVINFO_DATA data;
  if (!ElementOf(set, device, &data)) return 0;
  DWORD realType = 0, required = 0;
  const BOOL ok = SetupDiGetDeviceRegistryPropertyW(Real(set), &data, property, &realType, buffer, size, &required);
  if (type) *type = realType;
  if (requiredSize) *requiredSize = required;
  return ok ? 1 : 0;
}

int SysSetDeviceRegistryProperty(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t property,
                                 const uint8_t* buffer, uint32_t size) {
  SP_DEVINFO_DATA data;
  if (!ElementOf(set, device, &data)) return 0;
  return SetupDiSetDeviceRegistryPropertyW(Real(set), &data, property, buffer, size) ? 1 : 0;
}

int SysGetDeviceInstanceId(DeviceInfoSet set, const SysDeviceInfoData* device, char16_t* out, uint32_t cap,
                           uint32_t* requiredSize) {
  SP_DEVINFO_DATA data;
  if (!ElementOf(set, device, &data)) return 0;
  DWORD required = 0;
  const BOOL ok = SetupDiGetDeviceInstanceIdW(Real(set), &data, Wide(out), cap, &required);
  if (requiredSize) *requiredSize = required;
  return ok ? 1 : 0;
}

int SysCallClassInstaller(uint32_t function, DeviceInfoSet set, const SysDeviceInfoData* device) {
  SP_DEVINFO_DATA data;
  if (!ElementOf(set, device, &data)) return 0;
  return SetupDiCallClassInstaller(function, Real(set), &data) ? 1 : 0;
}

int SysDestroyDeviceInfoList(DeviceInfoSet set) { return SetupDiDestroyDeviceInfoList(Real(set)) ? 1 : 0; }

uint32_t SysGetDevNodeStatus(uint32_t* status, uint32_t* problem, uint32_t devInst) {
  ULONG realStatus = 0, realProblem = 0;
  const CONFIGRET result = CM_Get_DevNode_Status(&realStatus, &realProblem, devInst, 0);
  if (status) *status = realStatus;
  if (problem) *problem = realProblem;
  return result;
}

int SysUpdateDriverForPlugAndPlayDevices(const char16_t* hardwareId, const char16_t* infPath, uint32_t flags,
                                         int* rebootRequired) {
  HMODULE library = LoadLibraryW(L"newdev.dll");
  if (!library) return 0;
  UpdateDriverProc update =
      reinterpret_cast<UpdateDriverProc>(reinterpret_cast<void*>(GetProcAddress(library, "UpdateDriverForPlugAndPlayDevicesW")));
  if (!update) {
    FreeLibrary(library);
    return 0;
  }
  BOOL reboot = rebootRequired ? *rebootRequired : FALSE;
  const BOOL ok = update(nullptr, Wide(hardwareId), Wide(infPath), flags, rebootRequired ? &reboot : nullptr);
  // The caller reads the last error right after the call: keep it across FreeLibrary.
  const DWORD error = GetLastError();
  if (rebootRequired) *rebootRequired = reboot ? 1 : 0;
  FreeLibrary(library);
  SetLastError(error);
  return ok ? 1 : 0;
}
