// The configured list of HID devices that must not take the listed-devices route.
#include "drivers/is_dpinst_false_device.h"

#include "common/text.h"
#include "drivers/class_guid_by_name.h"
#include "drivers/device_ids.h"
#include "drivers/driver_keys.h"
#include "platform/devices.h"
#include "platform/profile.h"
#include "settings/settings.h"

namespace {

// Hardware ids of this query: 259 characters and the terminator.
constexpr uint32_t kListIdSize = 260;

// 1 when the device's hardware id begins with one of the listed entries.
int ListedInConfiguration(const char16_t* hardwareId) {
  for (int n = 1;; ++n) {
    char16_t key[32];
    char16_t entry[kListIdSize];
    TextFormat(key, 32, u"%s%d", kListedDeviceKeyPrefix, n);
    SysReadProfileString(kSectionDPInstFalseList, key, u"", entry, kListIdSize, g_Settings.ConfigFile);
    if (entry[0] == 0) return 0;
    if (DeviceIdStartsWith(hardwareId, entry)) return 1;
  }
}

}  // namespace

int IsDPInstFalseDevice(const char16_t* /*unused*/) {
  SysGuid hidClass = {};
  GetClassGuidByName(u"HID", &hidClass);
  DeviceInfoSet set = SysGetClassDevs(&hidClass, nullptr, kDigcfPresent);
  if (!set) return 0;
  int listed = 0;
  SysDeviceInfoData device = {};
  char16_t hardwareId[kListIdSize];
  for (uint32_t index = 0; !listed && SysEnumDeviceInfo(set, index, &device); ++index) {
    if (!ReadFirstHardwareId(set, &device, kListIdSize * 2, hardwareId, kListIdSize)) continue;
    listed = ListedInConfiguration(hardwareId);
  }
  SysDestroyDeviceInfoList(set);
  return listed;
}
