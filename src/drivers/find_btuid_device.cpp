// Bluetooth mice the package knows: present mouse devices compared with the value names of the
// product's BTUID key.
#include "drivers/find_btuid_device.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "drivers/class_guid_by_name.h"
#include "drivers/driver_keys.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/registry.h"

namespace {

// Value names of the BTUID key: 259 characters and the terminator.
constexpr uint32_t kValueNameSize = 260;

// Reads the device's whole hardware-id list into bytes, growing the buffer as the setup
// interface asks. Two zero bytes follow the list, so that its last string always ends.
// Returns 1 when the list was read.
int ReadHardwareIdList(DeviceInfoSet set, const SysDeviceInfoData* device, std::vector<uint8_t>* bytes) {
  uint32_t required = 0;
  uint32_t type = 0;
  bytes->clear();
  while (!SysGetDeviceRegistryProperty(set, device, kSpdrpHardwareId, &type, bytes->empty() ? nullptr : bytes->data(),
                                       static_cast<uint32_t>(bytes->size()), &required)) {
    if (SysGetLastError() != kErrInsufficientBuffer || required <= bytes->size()) return 0;
    bytes->assign(required + 2, 0);
  }
  return bytes->empty() ? 0 : 1;
}

// 1 when a value name under the BTUID key equals id, ignoring case.
int IsBTUIDName(const char16_t* id) {
  RegKey product = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kRegPathProduct, kKeyRead, &product) != 0) return 0;
  RegKey btuid = nullptr;
  int found = 0;
  if (SysRegOpenKey(product, kDriverBTUIDSubkey, kKeyRead, &btuid) == 0) {
    char16_t name[kValueNameSize];
    for (uint32_t index = 0; !found; ++index) {
      uint32_t length = kValueNameSize;
      if (SysRegEnumValue(btuid, index, name, &length, nullptr, nullptr, nullptr) != 0) break;
      name[kValueNameSize - 1] = 0;
      if (TextEqualNoCase(name, id)) found = 1;
    }
    SysRegCloseKey(btuid);
  }
  SysRegCloseKey(product);
  return found;
}

// 1 when one string of the hardware-id list is a BTUID value name.
int ListHasBTUIDName(const std::vector<uint8_t>& bytes) {
  std::u16string id;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c != 0) {
      id.push_back(c);
      continue;
    }
    if (id.empty()) return 0;  // the list's closing terminator
    if (IsBTUIDName(id.c_str())) return 1;
    id.clear();
  }
  return 0;
}

}  // namespace

int FindBTUIDDevice() {
  SysGuid mouseClass = {};
  GetClassGuidByName(u"Mouse", &mouseClass);
  DeviceInfoSet set = SysGetClassDevs(&mouseClass, u"HID", kDigcfPresent);
  if (!set) set = SysGetClassDevs(&mouseClass, nullptr, kDigcfProfile);
  if (!set) return 0;
  int found = 0;
  SysDeviceInfoData device = {};
  std::vector<uint8_t> bytes;
  for (uint32_t index = 0; !found && SysEnumDeviceInfo(set, index, &device); ++index) {
    if (ReadHardwareIdList(set, &device, &bytes)) found = ListHasBTUIDName(bytes);
  }
  SysDestroyDeviceInfoList(set);
  return found;
}
