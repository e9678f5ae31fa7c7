// Device look-up by instance id: walks every device of every class, present or unplugged.
#include "drivers/find_device_instance.h"

#include "drivers/device_ids.h"
#include "platform/devices.h"

int FindDeviceInstance(const char16_t* id) {
  DeviceInfoSet set = SysGetClassDevs(nullptr, nullptr, kDigcfAllClasses);
  if (!set) return 0;
  int found = 0;
  SysDeviceInfoData device = {};
  char16_t instance[kInstanceIdSize];
  for (uint32_t index = 0; !found && SysEnumDeviceInfo(set, index, &device); ++index) {
    if (ReadDeviceInstanceId(set, &device, instance, kInstanceIdSize) && DeviceIdStartsWith(instance, id)) found = 1;
  }
  SysDestroyDeviceInfoList(set);
  return found;
}
