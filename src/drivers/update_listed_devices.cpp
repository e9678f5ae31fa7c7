// Listed-devices work: the driver-installation program once per interface and a forced driver
// update of each hardware id of the USB install section.
#include "drivers/update_listed_devices.h"

#include "common/text.h"
#include "shared/trace.h"
#include "drivers/driver_keys.h"
#include "drivers/driver_trace_box.h"
#include "drivers/newdev_library.h"
#include "drivers/reinstall_unplugged_device.h"
#include "shared/shellexecute_and_wait.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"

int32_t _nDifxMarkUSB = 0;
int32_t _nDifxMarkPS2 = 0;
int32_t _nDifxMarkBT = 0;

namespace {

// Runs the driver-installation program for the INF unless every interface has had it, and sets
// the mark of the current interface.
void RunDifxApp(const char16_t* infPath) {
  char16_t parameters[2 * kTextSize];
  TextCopy(parameters, kDifxAppInstallSwitch);
  TextAppend(parameters, infPath);
  TextAppend(parameters, kDifxAppConfigName);
  Trace(u"%s %s", kDifxAppProgram, parameters);
  if (!(_nDifxMarkUSB && _nDifxMarkPS2 && _nDifxMarkBT)) {
    DriverTraceBox(u"ShellexecuteExAndWait", nullptr);
    ShellexecuteExAndWait(kDifxAppVerb, kDifxAppProgram, parameters, kSwHide);
  }
  if (g_Settings.InterfaceType == kInterfaceUSB) _nDifxMarkUSB = 1;
  if (g_Settings.InterfaceType == kInterfacePS2) _nDifxMarkPS2 = 1;
  if (g_Settings.InterfaceType == kInterfaceBluetooth) _nDifxMarkBT = 1;
}

}  // namespace

int ReadListedDeviceId(int n, char16_t* out) {
  char16_t key[32];
  TextFormat(key, 32, u"%s%d", kListedDeviceKeyPrefix, n);
  SysReadProfileString(g_Settings.USBInstallSection, key, u"", out, kTextSize, g_Settings.ConfigFile);
  return out[0] ? 1 : 0;
}

void UpdateListedDevices(const char16_t* infPath, char16_t* hardwareId, const char16_t* /*deviceName*/) {
  const int32_t type = g_Settings.InterfaceType;
  if (type != kInterfacePS2 && type != kInterfaceBluetooth && type != kInterfaceUSB) return;
  if (g_Settings.Mode_DPInst == 1 && !IsWin98OrMe())
    RunDifxApp(infPath);
  else if (IsNT5OrLater())
    ReinstallUnpluggedDevice(hardwareId, nullptr);

  // Without newdev's update function (missing library or export) there is nothing to call.
  if (!NewdevUpdateAvailable()) return;
  char16_t id[kTextSize];
  for (int n = 1; n <= kListedDeviceMax && ReadListedDeviceId(n, id); ++n) {
    int restart = 0;  // asked for, then ignored
    SysUpdateDriverForPlugAndPlayDevices(id, infPath, kInstallFlagForce, &restart);
    Trace(u"******UpdateDriverForPlugAndPlayDevices = 0x%x, %s****", SysGetLastError(), id);
  }
}
