// Removal of one unplugged device whose instance id begins with the given id.
#include "drivers/remove_unplugged_device.h"

#include "shared/trace.h"
#include "drivers/device_ids.h"
#include "platform/devices.h"

int RemoveUnpluggedDevice(const char16_t* id) {
  DeviceInfoSet set = SysGetClassDevs(nullptr, nullptr, kDigcfAllClasses);
  if (!set) return 0;
  int removed = 0;
  SysDeviceInfoData device = {};
  char16_t instance[kInstanceIdSize];
  for (uint32_t index = 0; !removed && SysEnumDeviceInfo(set, index, &device); ++index) {
    if (!ReadDeviceInstanceId(set, &device, instance, kInstanceIdSize) || !DeviceIdStartsWith(instance, id)) continue;
    uint32_t status = 0, problem = 0;
    if (SysGetDevNodeStatus(&status, &problem, device.devInst) != kCrNoSuchDevinst) continue;
    if (SysCallClassInstaller(kDifRemove, set, &device)) {
      Trace(u"Oh, The Device(szID) had remove from your computer!");
      removed = 1;
    }
  }
  SysDestroyDeviceInfoList(set);
  return removed;
}
