// The driver stage: looks for the driver setup program, decides whether Windows' update
// function is tried first (inline or for the listed devices) and falls back to the program.
#include "drivers/update_pnp_driver.h"

#include "shared/trace.h"
#include "drivers/driver_keys.h"
#include "drivers/driver_setup_program.h"
#include "drivers/inline_pnp_update.h"
#include "drivers/is_dpinst_false_device.h"
#include "drivers/listed_devices_route.h"
#include "drivers/newdev_library.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"

namespace {

// Whether the update function is tried before (or instead of) the driver setup program.
int TakesUpdatePart() {
  const int32_t type = g_Settings.InterfaceType;
  if (type == kInterfaceBluetooth) return 1;
  if (IsWindowsMe() && type != kInterfaceUSB) return 1;
  return IsNT5OrLater() &&
         (type == kInterfaceUSB || g_Settings.PS2DriverNameIsProductName == 0 || g_Settings.SilentMode == 1);
}

// Runs the update part. Returns 1 when the stage is done, 0 when the driver setup program must
// follow.
int RunUpdatePart() {
  LoadNewdev();
  Trace(u"********* %d, %d, %d**********", g_Settings.Platform, g_Settings.InterfaceType, 0);
  int listMatch = 0;
  if (g_Settings.Platform == kPlatformDeviceListCheck && g_Settings.InterfaceType == kInterfaceUSB) {
    g_Settings.DeviceListMatch = IsDPInstFalseDevice(nullptr);
    listMatch = g_Settings.DeviceListMatch;
  }
  if (g_Settings.Mode_DPInst == 1 && !listMatch) {
    ListedDevicesRoute();
    return 0;
  }
  return InlinePnPUpdate();
}

}  // namespace

int UpdatePnPDriver(WindowHandle dialog) {
  char16_t command[kSetupCommandSize];
  if (!BuildSetupProgramCommand(command)) g_Settings.PS2DriverNameIsProductName = 0;
  if (TakesUpdatePart()) {
    const int done = RunUpdatePart();
    ReleaseNewdev();
    if (done) return 1;
  }
  return RunDriverSetupProgram(dialog, command);
}
