// The driver store on real Windows: DIFxAPI's package install and preinstall from "difxapi.dll"
// and SetupCopyOEMInfW from "setupapi.dll", found at run time in the system folder (the A forms on
// the ANSI road), so that the program still starts where either is missing.
#include "platform/devices.h"
#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::SystemCall;
using win32::Wide;

namespace {

constexpr const char* kDifx = "difxapi.dll";

typedef DWORD(WINAPI* DriverPackageInstallProc)(PCWSTR, DWORD, const void*, BOOL*);
typedef DWORD(WINAPI* DriverPackageInstallAProc)(PCSTR, DWORD, const void*, BOOL*);
typedef DWORD(WINAPI* DriverPackagePreinstallProc)(PCWSTR, DWORD);
typedef DWORD(WINAPI* DriverPackagePreinstallAProc)(PCSTR, DWORD);
typedef BOOL(WINAPI* SetupCopyOEMInfProc)(PCWSTR, PCWSTR, DWORD, DWORD, PWSTR, DWORD, PDWORD, PWSTR*);
typedef BOOL(WINAPI* SetupCopyOEMInfAProc)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);

// The error SystemCall left when a function is missing (126 or 127).
DWORD MissingError() { return GetLastError() == ERROR_MOD_NOT_FOUND ? ERROR_MOD_NOT_FOUND : ERROR_PROC_NOT_FOUND; }

}  // namespace

// DriverPackageInstallW from "difxapi.dll"; 126 / 127 when the library or export is missing.
uint32_t SysDriverPackageInstall(const char16_t* infPath, uint32_t flags, int* needReboot) {
  if (needReboot) *needReboot = 0;
  BOOL reboot = FALSE;
  DWORD result = 0;
  if (OnAnsiRoad()) {
    auto install = SystemCall<DriverPackageInstallAProc>(kDifx, "DriverPackageInstallA");
    if (!install) return MissingError();
    result = install(AnsiText(infPath), flags, nullptr, &reboot);
  } else {
    auto install = SystemCall<DriverPackageInstallProc>(kDifx, "DriverPackageInstallW");
    if (!install) return MissingError();
    result = install(Wide(infPath), flags, nullptr, &reboot);
  }
  if (needReboot) *needReboot = reboot ? 1 : 0;
  return result;
}

// DriverPackagePreinstallW from "difxapi.dll"; 126 / 127 when the library or export is missing.
uint32_t SysDriverPackagePreinstall(const char16_t* infPath, uint32_t flags) {
  if (OnAnsiRoad()) {
    auto preinstall = SystemCall<DriverPackagePreinstallAProc>(kDifx, "DriverPackagePreinstallA");
    return preinstall ? preinstall(AnsiText(infPath), flags) : MissingError();
  }
  auto preinstall = SystemCall<DriverPackagePreinstallProc>(kDifx, "DriverPackagePreinstallW");
  return preinstall ? preinstall(Wide(infPath), flags) : MissingError();
}

// SetupCopyOEMInfW from "setupapi.dll": no media location, no required size and no component
// pointer. ERROR_PROC_NOT_FOUND (or ERROR_MOD_NOT_FOUND) where it is missing.
int SysSetupCopyOEMInf(const char16_t* sourceInf, uint32_t mediaType, uint32_t copyStyle, char16_t* destName,
                       uint32_t destNameSize) {
  if (OnAnsiRoad()) {
    auto copy = SystemCall<SetupCopyOEMInfAProc>("setupapi.dll", "SetupCopyOEMInfA");
    char name[MAX_PATH * 2] = {};
    const BOOL ok = copy && copy(AnsiText(sourceInf), nullptr, mediaType, copyStyle, destName ? name : nullptr,
                                 destName ? sizeof name : 0, nullptr, nullptr);
    if (ok && destName && destNameSize) win32::ToWide(destName, destNameSize, name);
    return ok ? 1 : 0;
  }
  auto copy = SystemCall<SetupCopyOEMInfProc>("setupapi.dll", "SetupCopyOEMInfW");
  return copy && copy(Wide(sourceInf), nullptr, mediaType, copyStyle, Wide(destName), destNameSize, nullptr, nullptr)
             ? 1
             : 0;
}
