// Plug and Play devices on real Windows: device information sets of the setup interface, the
// configuration manager's device node status and newdev's driver update, all found at run time
// in the system's libraries (the A functions on the ANSI road, with text converted). A missing
// library or function fails the call with ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND.
#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

#include "platform/devices.h"
#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::SystemCall;
using win32::Wide;

static_assert(sizeof(SysGuid) == sizeof(GUID), "the seam's GUID has Windows' layout");

// The setup interface's function of that name, typed as its declaration.
#define SETUPAPI(name) SystemCall<decltype(&::name)>("setupapi.dll", #name)

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
  auto enumerate = SETUPAPI(SetupDiEnumDeviceInfo);
  return enumerate && enumerate(Real(set), device->index, data) != FALSE;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// SetupDiGetDeviceRegistryPropertyA with string data widened; sizes in wide bytes.
BOOL GetPropertyAnsi(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property, DWORD* type, uint8_t* buffer,
                     uint32_t size, DWORD* required) {
  auto get = SETUPAPI(SetupDiGetDeviceRegistryPropertyA);
  if (!get) return FALSE;
  std::vector<BYTE> ansi(size + 1);
  DWORD bytes = 0;
  if (!get(set, data, property, type, ansi.data(), size, &bytes)) {
    *required = bytes * sizeof(wchar_t);
    return FALSE;
  }
  if (!IsText(*type)) {
    if (buffer) std::memcpy(buffer, ansi.data(), bytes);
    *required = bytes;
    return TRUE;
  }
  uint32_t room = size;
  if (win32::WidenData(reinterpret_cast<const char*>(ansi.data()), bytes, buffer, &room) != ERROR_SUCCESS) {
    *required = room;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *required = room;
  return TRUE;
}

typedef BOOL(WINAPI* UpdateDriverWProc)(HWND, LPCWSTR, LPCWSTR, DWORD, PBOOL);
typedef BOOL(WINAPI* UpdateDriverAProc)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

}  // namespace

DeviceInfoSet SysGetClassDevs(const SysGuid* classGuid, const char16_t* enumerator, uint32_t flags) {
  const GUID* guid = reinterpret_cast<const GUID*>(classGuid);
  HDEVINFO set = INVALID_HANDLE_VALUE;
  if (OnAnsiRoad()) {
    auto get = SETUPAPI(SetupDiGetClassDevsA);
    if (get) set = get(guid, AnsiText(enumerator), nullptr, flags);
  } else {
    auto get = SETUPAPI(SetupDiGetClassDevsW);
    if (get) set = get(guid, enumerator ? Wide(enumerator) : nullptr, nullptr, flags);
  }
  if (set == INVALID_HANDLE_VALUE) return nullptr;
  return reinterpret_cast<DeviceInfoSet>(set);
}

int SysEnumDeviceInfo(DeviceInfoSet set, uint32_t index, SysDeviceInfoData* device) {
  if (!device) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto enumerate = SETUPAPI(SetupDiEnumDeviceInfo);
  SP_DEVINFO_DATA data = {};
  data.cbSize = sizeof(data);
  if (!enumerate || !enumerate(Real(set), index, &data)) return 0;
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
  BOOL ok = FALSE;
  if (OnAnsiRoad()) {
    ok = GetPropertyAnsi(Real(set), &data, property, &realType, buffer, size, &required);
  } else {
    auto get = SETUPAPI(SetupDiGetDeviceRegistryPropertyW);
    ok = get && get(Real(set), &data, property, &realType, buffer, size, &required);
  }
  if (type) *type = realType;
  if (requiredSize) *requiredSize = required;
  return ok ? 1 : 0;
}

int SysSetDeviceRegistryProperty(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t property,
                                 const uint8_t* buffer, uint32_t size) {
  SP_DEVINFO_DATA data;
  if (!ElementOf(set, device, &data)) return 0;
  if (OnAnsiRoad()) {
    // The properties the program sets are strings or lists of strings: all their characters.
    auto setA = SETUPAPI(SetupDiSetDeviceRegistryPropertyA);
    std::vector<char16_t> text(size / 2 + 1);
    if (buffer) std::memcpy(text.data(), buffer, size / 2 * 2);
    AnsiText ansi(text.data(), size / 2);
    return setA && setA(Real(set), &data, property, reinterpret_cast<const BYTE*>(static_cast<const char*>(ansi)),
                        ansi.size())
               ? 1
               : 0;
  }
  auto setW = SETUPAPI(SetupDiSetDeviceRegistryPropertyW);
  return setW && setW(Real(set), &data, property, buffer, size) ? 1 : 0;
}

int SysGetDeviceInstanceId(DeviceInfoSet set, const SysDeviceInfoData* device, char16_t* out, uint32_t cap,
                           uint32_t* requiredSize) {
  SP_DEVINFO_DATA data;
  if (!ElementOf(set, device, &data)) return 0;
  DWORD required = 0;
  BOOL ok = FALSE;
  if (OnAnsiRoad()) {
    auto get = SETUPAPI(SetupDiGetDeviceInstanceIdA);
    char id[MAX_DEVICE_ID_LEN + 1] = {};
    ok = get && get(Real(set), &data, id, sizeof id, &required);
    if (ok && win32::WideLength(id) >= cap) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      ok = FALSE;
    }
    if (ok) win32::ToWide(out, cap, id);
  } else {
    auto get = SETUPAPI(SetupDiGetDeviceInstanceIdW);
    ok = get && get(Real(set), &data, Wide(out), cap, &required);
  }
  if (requiredSize) *requiredSize = required;
  return ok ? 1 : 0;
}

int SysCallClassInstaller(uint32_t function, DeviceInfoSet set, const SysDeviceInfoData* device) {
  SP_DEVINFO_DATA data;
  if (!ElementOf(set, device, &data)) return 0;
  auto call = SETUPAPI(SetupDiCallClassInstaller);
  return call && call(function, Real(set), &data) ? 1 : 0;
}

int SysDestroyDeviceInfoList(DeviceInfoSet set) {
  auto destroy = SETUPAPI(SetupDiDestroyDeviceInfoList);
  return destroy && destroy(Real(set)) ? 1 : 0;
}

// CM_Get_DevNode_Status; CR_FAILURE where the configuration manager's function is missing.
uint32_t SysGetDevNodeStatus(uint32_t* status, uint32_t* problem, uint32_t devInst) {
  auto get = SETUPAPI(CM_Get_DevNode_Status);
  ULONG realStatus = 0, realProblem = 0;
  const CONFIGRET result = get ? get(&realStatus, &realProblem, devInst, 0) : CR_FAILURE;
  if (status) *status = realStatus;
  if (problem) *problem = realProblem;
  return result;
}

// UpdateDriverForPlugAndPlayDevicesW (A on the ANSI road) from the system's newdev.dll.
int SysUpdateDriverForPlugAndPlayDevices(const char16_t* hardwareId, const char16_t* infPath, uint32_t flags,
                                         int* rebootRequired) {
  BOOL reboot = rebootRequired ? *rebootRequired : FALSE;
  BOOL* rebootOut = rebootRequired ? &reboot : nullptr;
  BOOL ok = FALSE;
  if (OnAnsiRoad()) {
    auto update = SystemCall<UpdateDriverAProc>("newdev.dll", "UpdateDriverForPlugAndPlayDevicesA");
    ok = update && update(nullptr, AnsiText(hardwareId), AnsiText(infPath), flags, rebootOut);
  } else {
    auto update = SystemCall<UpdateDriverWProc>("newdev.dll", "UpdateDriverForPlugAndPlayDevicesW");
    ok = update && update(nullptr, Wide(hardwareId), Wide(infPath), flags, rebootOut);
  }
  if (rebootRequired) *rebootRequired = reboot ? 1 : 0;
  return ok ? 1 : 0;
}
