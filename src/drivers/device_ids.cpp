// A device's instance id and first hardware id read from a device set, and the prefix match
// of ids.
#include "drivers/device_ids.h"

#include <vector>

#include "common/text.h"

int ReadDeviceInstanceId(DeviceInfoSet set, const SysDeviceInfoData* device, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  if (!SysGetDeviceInstanceId(set, device, out, cap, nullptr)) {
    out[0] = 0;
    return 0;
  }
  out[cap - 1] = 0;
  return 1;
}

int ReadFirstHardwareId(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t bufferBytes, char16_t* out,
                        uint32_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  std::vector<uint8_t> bytes(bufferBytes, 0);
  uint32_t type = 0;
  if (!SysGetDeviceRegistryProperty(set, device, kSpdrpHardwareId, &type, bytes.data(), bufferBytes, nullptr))
    return 0;
  // The first string ends at its terminator or at the end of the buffer, whichever comes first.
  uint32_t n = 0;
  while (n + 1 < cap && 2 * n + 1 < bufferBytes) {
    const char16_t c = static_cast<char16_t>(bytes[2 * n] | (bytes[2 * n + 1] << 8));
    if (c == 0) break;
    out[n++] = c;
  }
  out[n] = 0;
  return 1;
}

int DeviceIdStartsWith(const char16_t* deviceId, const char16_t* id) {
  const size_t n = TextLength(id);
  if (n == 0) return 0;
  return TextCompareNoCaseN(deviceId, id, n) == 0 ? 1 : 0;
}
