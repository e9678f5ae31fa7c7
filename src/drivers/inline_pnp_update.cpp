// Inline Plug and Play update: one forced driver update for the record's hardware id and the
// error-code table that decides whether the driver setup program must follow.
#include "drivers/inline_pnp_update.h"

#include "common/text.h"
#include "shared/trace.h"
#include "drivers/driver_keys.h"
#include "drivers/driver_record.h"
#include "drivers/driver_trace_box.h"
#include "drivers/find_device_instance.h"
#include "drivers/newdev_library.h"
#include "drivers/reinstall_unplugged_device.h"
#include "drivers/remove_unplugged_device.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"

namespace {

// The driver values of the install record.
struct DriverRecordValues {
  char16_t infPath[kTextSize];
  char16_t pnpId[kTextSize];
  char16_t deviceName[kTextSize];
};

int ReadRecordValues(DriverRecordValues* values) {
  RegKey record = nullptr;
  if (!OpenDriverRecord(&record)) return 0;
  ReadDriverRecordText(record, kDriverRecordInfFile, values->infPath);
  ReadDriverRecordText(record, kDriverRecordPnPID, values->pnpId);
  ReadDriverRecordText(record, kDriverRecordDeviceName, values->deviceName);
  SysRegCloseKey(record);
  return 1;
}

int UsbOnWindows2000() { return g_Settings.InterfaceType == kInterfaceUSB && IsNT5OrLater(); }

// Preload installations first drop an unplugged copy of the device.
void RemoveUnpluggedCopy(const char16_t* pnpId) {
  if (FindDeviceInstance(pnpId)) {
    RemoveUnpluggedDevice(pnpId);
    Trace(u"%s", pnpId);
  } else {
    Trace(u"We can't found the matching device!");
  }
}

// Acts on the update's error code. Returns 1 when the stage is done, 0 to settle the update.
int ActOnUpdateError(ErrorCode code, char16_t* pnpId) {
  const int ps2 = g_Settings.InterfaceType == kInterfacePS2;
  switch (code) {
    case kErrSuccess:
      DriverTraceBox(u"Update PnP device No Error", nullptr);
      g_Settings.SkipRunPrograms = ((ps2 && g_Settings.Restart == 1) || g_Settings.ForceReBoot) ? 1 : 0;
      if (UsbOnWindows2000()) ReinstallUnpluggedDevice(pnpId, nullptr);
      return ps2 && g_Settings.PS2DriverNameIsProductName == 1 ? 0 : 1;
    case kErrFileNotFound:
      DriverTraceBox(u"Update PnP device file not found", nullptr);
      return 0;
    case kErrInvalidFlags:
      DriverTraceBox(u"Update PnP device invalid flags", nullptr);
      return 0;
    case kErrNoSuchDevinst:
      DriverTraceBox(u"Update PnP device No Such device", nullptr);
      if (ps2) g_Settings.Restart = 1;
      if (UsbOnWindows2000()) ReinstallUnpluggedDevice(pnpId, nullptr);
      return 0;
    default:
      DriverTraceBox(u"default", nullptr);
      if (UsbOnWindows2000()) ReinstallUnpluggedDevice(pnpId, nullptr);
      return 0;
  }
}

// The settling step: only an update that reported success outside Windows Me ends the stage.
int SettleUpdate(int updated) {
  ReleaseNewdev();
  if (!updated || IsWindowsMe()) return 0;
  g_Settings.SkipRunPrograms = 0;
  return 1;
}

}  // namespace

int InlinePnPUpdate() {
  if (!LoadNewdev()) return 0;
  if (!NewdevUpdateAvailable()) return SettleUpdate(0);
  DriverRecordValues values = {};
  if (!ReadRecordValues(&values)) return SettleUpdate(0);

  char16_t text[2 * kTextSize + 32];
  char16_t caption[64];
  TextFormat(text, 2 * kTextSize + 32, u"PnpID = %s\nInf = %s", values.pnpId, values.infPath);
  TextFormat(caption, 64, u"UpdateDriverForPlugAndPlayDevices TYPE=%s", InterfaceTraceName());
  DriverTraceBox(text, caption);
  if (g_Settings.PreloadMode) RemoveUnpluggedCopy(values.pnpId);

  int restart = g_Settings.Restart;
  const int updated = SysUpdateDriverForPlugAndPlayDevices(values.pnpId, values.infPath, kInstallFlagForce, &restart);
  const ErrorCode code = SysGetLastError();
  g_Settings.Restart = restart;
  Trace(u"0x%x, PID_VID = %s, INF = %s", code, values.pnpId, values.infPath);

  if (ActOnUpdateError(code, values.pnpId)) {
    ReleaseNewdev();
    return 1;
  }
  return SettleUpdate(updated);
}
