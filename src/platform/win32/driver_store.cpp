// The driver store on real Windows: DIFxAPI's package install and preinstall, looked up in
// "difxapi.dll" at each call, and SetupCopyOEMInfW, looked up in the loaded "setupapi.dll", so
// that the program still starts where either is missing.
#include "platform/devices.h"
#include "platform/win32/win32_internal.h"

using win32::Wide;

namespace {

typedef DWORD(WINAPI* DriverPackageInstallProc)(PCWSTR, DWORD, const void*, BOOL*);
typedef DWORD(WINAPI* DriverPackagePreinstallProc)(PCWSTR, DWORD);
typedef BOOL(WINAPI* SetupCopyOEMInfProc)(PCWSTR, PCWSTR, DWORD, DWORD, PWSTR, DWORD, PDWORD, PWSTR*);

}  // namespace

// DriverPackageInstallW from "difxapi.dll"; 126 / 127 when the library or export is missing.
uint32_t SysDriverPackageInstall(const char16_t* infPath, uint32_t flags, int* needReboot) {
  if (needReboot) *needReboot = 0;
  HMODULE difx = LoadLibraryW(L"difxapi.dll");
  if (!difx) return ERROR_MOD_NOT_FOUND;
  auto install = reinterpret_cast<DriverPackageInstallProc>(
      reinterpret_cast<void*>(GetProcAddress(difx, "DriverPackageInstallW")));
  DWORD result = ERROR_PROC_NOT_FOUND;
  if (install) {
    BOOL reboot = FALSE;
    result = install(Wide(infPath), flags, nullptr, &reboot);
    if (needReboot) *needReboot = reboot ? 1 : 0;
  }
  FreeLibrary(difx);
  return result;
}

// DriverPackagePreinstallW from "difxapi.dll"; 126 / 127 when the library or export is missing.
uint32_t SysDriverPackagePreinstall(const char16_t* infPath, uint32_t flags) {
  HMODULE difx = LoadLibraryW(L"difxapi.dll");
  if (!difx) return ERROR_MOD_NOT_FOUND;
  auto preinstall = reinterpret_cast<DriverPackagePreinstallProc>(
      reinterpret_cast<void*>(GetProcAddress(difx, "DriverPackagePreinstallW")));
  DWORD result = preinstall ? preinstall(Wide(infPath), flags) : ERROR_PROC_NOT_FOUND;
  FreeLibrary(difx);
  return result;
}

// SetupCopyOEMInfW from "setupapi.dll" (loaded by the caller): no media location, no required
// size and no component pointer.
int SysSetupCopyOEMInf(const char16_t* sourceInf, uint32_t mediaType, uint32_t copyStyle, char16_t* destName,
                       uint32_t destNameSize) {
  HMODULE setupapi = GetModuleHandleW(L"setupapi.dll");
  auto copy = setupapi ? reinterpret_cast<SetupCopyOEMInfProc>(
                             reinterpret_cast<void*>(GetProcAddress(setupapi, "SetupCopyOEMInfW")))
                       : nullptr;
  if (!copy) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return 0;
  }
  return copy(Wide(sourceInf), nullptr, mediaType, copyStyle, Wide(destName), destNameSize, nullptr, nullptr) ? 1
                                                                                                            : 0;
}
