// Plug and Play devices of the simulated machine: device sets by class, enumerator and presence,
// the hardware-id and configuration-flag properties, instance ids, removal through the class
// installer, device node status and the driver update of newdev.
#include <mutex>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;

// The standard device setup classes by name.
struct ClassEntry {
  const char* name;
  SysGuid guid;
};
const ClassEntry kClasses[] = {
    {"USB", {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}}},
    {"1394", {0x6BDD1FC1, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}}},
    {"HID", {0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}}},
    {"Display", {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"Keyboard", {0x4D36E96B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"Mouse", {0x4D36E96F, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"Printer", {0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"Media", {0x4D36E96C, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"Net", {0x4D36E972, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
    {"Unknown", {0x4D36E97E, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}}},
};

// ERROR_INVALID_HANDLE for a bad set, ERROR_NO_SUCH_DEVINST for a device that was removed.
void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

bool SameGuid(const SysGuid& a, const SysGuid& b) {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}

// The class GUID of a device's class name (zero for a name outside the standard ones).
SysGuid ClassGuidOf(const std::string& className) {
  const std::u16string name = sim::FromUtf8(className);
  for (const ClassEntry& entry : kClasses)
    if (TextEqualNoCase(sim::FromUtf8(entry.name).c_str(), name.c_str())) return entry.guid;
  return SysGuid{};
}

sim::internal::DeviceNode* NodeOf(uint32_t devInst) {
  for (sim::internal::DeviceNode& node : State().devices)
    if (node.devInst == devInst) return &node;
  return nullptr;
}

sim::internal::DeviceSetSnapshot* SetOf(DeviceInfoSet set) {
  auto it = State().deviceSets.find(reinterpret_cast<uintptr_t>(set));
  return it == State().deviceSets.end() ? nullptr : &it->second;
}

// The device behind a set element that still exists on the machine, else null with the error.
sim::internal::DeviceNode* ElementNode(DeviceInfoSet set, const SysDeviceInfoData* device) {
  sim::internal::DeviceSetSnapshot* snapshot = SetOf(set);
  if (!snapshot || !device) {
    Fail(kErrInvalidHandle);
    return nullptr;
  }
  if (device->index >= snapshot->devInsts.size() || snapshot->devInsts[device->index] != device->devInst) {
    Fail(kErrInvalidParameter);
    return nullptr;
  }
  sim::internal::DeviceNode* node = NodeOf(device->devInst);
  if (!node) Fail(kErrNoSuchDevinst);
  return node;
}

// Whether an instance id begins with the enumerator and a backslash.
bool EnumeratedBy(const std::u16string& instanceId, const char16_t* enumerator) {
  const size_t n = TextLength(enumerator);
  return instanceId.size() > n && instanceId[n] == u'\\' &&
         TextCompareNoCaseN(instanceId.c_str(), enumerator, n) == 0;
}

// The hardware ids as REG_MULTI_SZ bytes: each id terminated, a second terminator at the end.
std::vector<uint8_t> MultiStringBytes(const std::vector<std::u16string>& ids) {
  std::u16string chars;
  for (const std::u16string& id : ids) chars += id + u'\0';
  chars += u'\0';
  std::vector<uint8_t> bytes(chars.size() * 2);
  for (size_t i = 0; i < chars.size(); ++i) {
    bytes[2 * i] = static_cast<uint8_t>(chars[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t>(chars[i] >> 8);
  }
  return bytes;
}

std::string Hex(uint32_t value) {
  char16_t text[16];
  TextFormat(text, 16, u"0x%x", value);
  return sim::ToUtf8(text);
}

}  // namespace

namespace sim {

void AddDevice(const Device& device) {
  Guard guard(Lock());
  internal::DeviceNode node;
  node.devInst = ++State().nextDevInst;
  node.device = device;
  State().devices.push_back(node);
}

std::vector<Device> Devices() {
  Guard guard(Lock());
  std::vector<Device> devices;
  for (const internal::DeviceNode& node : State().devices) devices.push_back(node.device);
  return devices;
}

void SetDriverUpdateNeedsRestart(bool needed) {
  Guard guard(Lock());
  State().driverUpdateNeedsRestart = needed;
}

}  // namespace sim

DeviceInfoSet SysGetClassDevs(const SysGuid* classGuid, const char16_t* enumerator, uint32_t flags) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetClassDevs)) return nullptr;
  const bool allClasses = (flags & kDigcfAllClasses) != 0;
  if (!allClasses && !classGuid) {
    Fail(kErrInvalidParameter);
    return nullptr;
  }
  sim::internal::DeviceSetSnapshot snapshot;
  for (const sim::internal::DeviceNode& node : State().devices) {
    if (!allClasses && !SameGuid(ClassGuidOf(node.device.className), *classGuid)) continue;
    if (enumerator && enumerator[0] && !EnumeratedBy(node.device.instanceId, enumerator)) continue;
    if ((flags & kDigcfPresent) && !node.device.present) continue;
    snapshot.devInsts.push_back(node.devInst);
  }
  const uintptr_t token = sim::internal::NewHandleToken();
  State().deviceSets[token] = snapshot;
  return reinterpret_cast<DeviceInfoSet>(token);
}

int SysEnumDeviceInfo(DeviceInfoSet set, uint32_t index, SysDeviceInfoData* device) {
  Guard guard(Lock());
  if (SIM_FAULT(SysEnumDeviceInfo)) return 0;
  sim::internal::DeviceSetSnapshot* snapshot = SetOf(set);
  if (!snapshot || !device) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  if (index >= snapshot->devInsts.size()) {
    Fail(kErrNoMoreItems);
    return 0;
  }
  device->index = index;
  device->devInst = snapshot->devInsts[index];
  const sim::internal::DeviceNode* node = NodeOf(device->devInst);
  device->classGuid = node ? ClassGuidOf(node->device.className) : SysGuid{};
  return 1;
}

int SysGetDeviceRegistryProperty(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t property,
                                 uint32_t* type, uint8_t* buffer, uint32_t size, uint32_t* requiredSize) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetDeviceRegistryProperty)) return 0;
  const sim::internal::DeviceNode* node = ElementNode(set, device);
  if (!node) return 0;
  std::vector<uint8_t> bytes;
  uint32_t valueType = kRegTypeNone;
  if (property == kSpdrpHardwareId && !node->device.hardwareIds.empty()) {
    bytes = MultiStringBytes(node->device.hardwareIds);
    valueType = kRegTypeMultiSz;
  } else if (property == kSpdrpConfigFlags) {
    const uint32_t flags = node->device.configFlags;
    bytes = {static_cast<uint8_t>(flags), static_cast<uint8_t>(flags >> 8), static_cast<uint8_t>(flags >> 16),
             static_cast<uint8_t>(flags >> 24)};
    valueType = kRegTypeDword;
  } else {
    Fail(kErrPropertyMissing);
    return 0;
  }
  if (type) *type = valueType;
  if (requiredSize) *requiredSize = static_cast<uint32_t>(bytes.size());
  if (!buffer || size < bytes.size()) {
    Fail(kErrInsufficientBuffer);
    return 0;
  }
  for (size_t i = 0; i < bytes.size(); ++i) buffer[i] = bytes[i];
  return 1;
}

int SysSetDeviceRegistryProperty(DeviceInfoSet set, const SysDeviceInfoData* device, uint32_t property,
                                 const uint8_t* buffer, uint32_t size) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetDeviceRegistryProperty)) return 0;
  sim::internal::DeviceNode* node = ElementNode(set, device);
  if (!node) return 0;
  // Only the configuration flags are written by programs; they are a DWORD.
  if (property != kSpdrpConfigFlags || !buffer || size != 4) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  node->device.configFlags = static_cast<uint32_t>(buffer[0]) | (static_cast<uint32_t>(buffer[1]) << 8) |
                             (static_cast<uint32_t>(buffer[2]) << 16) | (static_cast<uint32_t>(buffer[3]) << 24);
  sim::JournalAdd("device: flags " + sim::ToUtf8(node->device.instanceId) + " " + Hex(node->device.configFlags));
  return 1;
}

int SysGetDeviceInstanceId(DeviceInfoSet set, const SysDeviceInfoData* device, char16_t* out, uint32_t cap,
                           uint32_t* requiredSize) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetDeviceInstanceId)) return 0;
  const sim::internal::DeviceNode* node = ElementNode(set, device);
  if (!node) return 0;
  const std::u16string& id = node->device.instanceId;
  if (requiredSize) *requiredSize = static_cast<uint32_t>(id.size() + 1);
  if (!out || cap < id.size() + 1) {
    Fail(kErrInsufficientBuffer);
    return 0;
  }
  TextCopy(out, cap, id.c_str());
  return 1;
}

int SysCallClassInstaller(uint32_t function, DeviceInfoSet set, const SysDeviceInfoData* device) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCallClassInstaller)) return 0;
  sim::internal::DeviceNode* node = ElementNode(set, device);
  if (!node) return 0;
  if (function != kDifRemove) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  sim::JournalAdd("device: removed " + sim::ToUtf8(node->device.instanceId));
  std::vector<sim::internal::DeviceNode>& devices = State().devices;
  for (size_t i = 0; i < devices.size(); ++i) {
    if (devices[i].devInst == device->devInst) {
      devices.erase(devices.begin() + static_cast<long>(i));
      break;
    }
  }
  return 1;
}

int SysDestroyDeviceInfoList(DeviceInfoSet set) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDestroyDeviceInfoList)) return 0;
  if (State().deviceSets.erase(reinterpret_cast<uintptr_t>(set)) == 0) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  return 1;
}

uint32_t SysGetDevNodeStatus(uint32_t* status, uint32_t* problem, uint32_t devInst) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetDevNodeStatus)) return static_cast<uint32_t>(sim::internal::LastError());
  const sim::internal::DeviceNode* node = NodeOf(devInst);
  if (!node || !node->device.present) return kCrNoSuchDevinst;
  // DN_DRIVER_LOADED | DN_STARTED | DN_HAS_PROBLEM-free: a working device.
  if (status) *status = 0x0000000A;
  if (problem) *problem = 0;
  return kCrSuccess;
}

int SysUpdateDriverForPlugAndPlayDevices(const char16_t* hardwareId, const char16_t* infPath, uint32_t flags,
                                         int* rebootRequired) {
  Guard guard(Lock());
  const std::string head = "driver: UpdateDriverForPlugAndPlayDevices " + sim::ToUtf8(hardwareId ? hardwareId : u"") +
                           " " + sim::ToUtf8(infPath ? infPath : u"") + " -> ";
  auto fail = [&](ErrorCode code) {
    sim::JournalAdd(head + "error " + Hex(code));
    Fail(code);
    return 0;
  };
  if (SIM_FAULT(SysUpdateDriverForPlugAndPlayDevices)) return fail(sim::internal::LastError());
  // Every INSTALLFLAG_* bit beyond FORCE, READONLY and NONINTERACTIVE is refused.
  if ((flags & ~0x7u) != 0) return fail(kErrInvalidFlags);
  if (!hardwareId || !hardwareId[0] || !infPath || !infPath[0]) return fail(kErrInvalidParameter);
  const std::string host = sim::internal::ResolveHostPath(infPath);
  if (host.empty() || !sim::internal::HostExists(host) || sim::internal::HostIsDirectory(host))
    return fail(kErrFileNotFound);
  bool matched = false;
  for (sim::internal::DeviceNode& node : State().devices) {
    if (!node.device.present) continue;
    for (const std::u16string& id : node.device.hardwareIds) {
      if (TextEqualNoCase(id.c_str(), hardwareId)) {
        node.device.driverInf = infPath;
        matched = true;
        break;
      }
    }
  }
  if (!matched) return fail(kErrNoSuchDevinst);
  const bool restart = State().driverUpdateNeedsRestart;
  if (rebootRequired) *rebootRequired = restart ? 1 : 0;
  sim::JournalAdd(head + "ok, restart " + (restart ? "1" : "0"));
  Fail(kErrSuccess);
  return 1;
}
