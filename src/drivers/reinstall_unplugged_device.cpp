// Reinstall marks for unplugged HID devices with a given first hardware id.
#include "drivers/reinstall_unplugged_device.h"

#include "common/text.h"
#include "drivers/class_guid_by_name.h"
#include "drivers/device_ids.h"
#include "drivers/driver_trace_box.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "settings/settings.h"

namespace {

// Hardware-id list buffer of this query, in bytes.
constexpr uint32_t kHardwareIdBufferBytes = 1024;

// Adds CONFIGFLAG_REINSTALL to the device's configuration flags; a device whose flags cannot be
// read is left alone.
void MarkForReinstall(DeviceInfoSet set, const SysDeviceInfoData* device) {
  uint8_t bytes[4] = {};
  uint32_t type = 0;
  if (!SysGetDeviceRegistryProperty(set, device, kSpdrpConfigFlags, &type, bytes, sizeof(bytes), nullptr)) return;
  uint32_t flags = static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                   (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
  flags |= kConfigFlagReinstall;
  const uint8_t out[4] = {static_cast<uint8_t>(flags), static_cast<uint8_t>(flags >> 8),
                          static_cast<uint8_t>(flags >> 16), static_cast<uint8_t>(flags >> 24)};
  SysSetDeviceRegistryProperty(set, device, kSpdrpConfigFlags, out, sizeof(out));
}

}  // namespace

int ReinstallUnpluggedDevice(char16_t* hardwareId, const char16_t* /*deviceName*/) {
  DriverTraceBox(u"+++++ReinstallUnpluggedDevice+++++", nullptr);
  if (g_Settings.Sleep1Sec) SysSleep(1000);
  if (!hardwareId) return 0;
  SysGuid hidClass = {};
  GetClassGuidByName(u"HID", &hidClass);
  DeviceInfoSet set = SysGetClassDevs(&hidClass, nullptr, 0);
  if (!set) return 0;
  TextUpper(hardwareId);
  SysDeviceInfoData device = {};
  char16_t first[kHardwareIdBufferBytes / 2];
  for (uint32_t index = 0; SysEnumDeviceInfo(set, index, &device); ++index) {
    if (!ReadFirstHardwareId(set, &device, kHardwareIdBufferBytes, first, kHardwareIdBufferBytes / 2)) continue;
    TextUpper(first);
    if (!TextEqualNoCase(first, hardwareId)) continue;
    uint32_t status = 0, problem = 0;
    if (SysGetDevNodeStatus(&status, &problem, device.devInst) == kCrNoSuchDevinst) MarkForReinstall(set, &device);
  }
  SysDestroyDeviceInfoList(set);
  return 0;
}
