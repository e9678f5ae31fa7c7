// The listed-devices route: first-setup flag or removal of an unplugged listed device, then the
// driver-installation program and the updates of the listed ids.
#include "drivers/listed_devices_route.h"

#include "common/text.h"
#include "shared/trace.h"
#include "drivers/driver_keys.h"
#include "drivers/driver_record.h"
#include "drivers/find_device_instance.h"
#include "drivers/remove_unplugged_device.h"
#include "drivers/update_listed_devices.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "shared/registry_values.h"

namespace {

// "FirstSetup" = "TRUE" under the user's product key: no listed device was known to Windows.
void SetFirstSetupFlag() {
  RegKey key = nullptr;
  if (SysRegCreateKey(kRegCurrentUser, kRegPathProduct, kKeyAllAccess, &key, nullptr) != 0) return;
  Trace(u"Set Flags");
  WriteRegistryText(key, kDriverFirstSetupValue, kDriverFirstSetupOn);
  SysRegCloseKey(key);
}

// Walks the listed ids until one is known to Windows (its unplugged copy goes) or the list ends.
void CheckListedDevices() {
  for (int n = 1;; ++n) {
    char16_t id[kTextSize] = {};
    if (n <= kListedDeviceMax) {
      char16_t key[32];
      TextFormat(key, 32, u"%s%d", kListedDeviceKeyPrefix, n);
      ReadListedDeviceId(n, id);
      Trace(u"* Device = %s* , count = %s", id, key);
    }
    if (id[0] == 0) {
      Trace(u"* break count = %d*", n);
      SetFirstSetupFlag();
      return;
    }
    if (FindDeviceInstance(id)) {
      RemoveUnpluggedDevice(id);
      Trace(u"* Find out %s*", id);
      return;
    }
  }
}

}  // namespace

void ListedDevicesRoute() {
  RegKey record = nullptr;
  if (!OpenDriverRecord(&record)) return;
  char16_t infPath[kTextSize];
  char16_t pnpId[kTextSize];
  char16_t deviceName[kTextSize];
  ReadDriverRecordText(record, kDriverRecordInfFile, infPath);
  ReadDriverRecordText(record, kDriverRecordPnPID, pnpId);
  ReadDriverRecordText(record, kDriverRecordDeviceName, deviceName);
  if (g_Settings.InterfaceType == kInterfaceBluetooth) {
    TextCopy(infPath, g_Settings.SourceDir);
    TextAppend(infPath, u"\\");
    TextAppend(infPath, g_Settings.BTInf);
  }
  CheckListedDevices();
  UpdateListedDevices(infPath, pnpId, deviceName);
  Trace(u"Information : %s, %s, %s", infPath, pnpId, deviceName);
  SysRegCloseKey(record);
}
