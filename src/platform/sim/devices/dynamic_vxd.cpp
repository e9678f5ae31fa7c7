// Dynamically loaded VxDs on the simulated machine: on the 9x family, CreateFile of
// "\\.\<path of a .vxd file>" loads the driver and gives a handle; the NT family has no VxDs.
#include <memory>
#include <mutex>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

namespace {

const char16_t kDevicePrefix[] = u"\\\\.\\";
constexpr size_t kDevicePrefixLength = 4;

}  // namespace

namespace sim {
namespace internal {

bool OpenDevicePath(const char16_t* path, SysHandle* handle) {
  if (!path || std::u16string(path).compare(0, kDevicePrefixLength, kDevicePrefix) != 0) return false;
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  *handle = kInvalidHandle;
  const std::u16string file(path + kDevicePrefixLength);
  if (State().profile.platformId != kPlatform9x) {
    // CreateFile's creation disposition 0 is refused before any device is looked for.
    SetLastError(kErrInvalidParameter);
    return true;
  }
  const std::string host = ResolveHostPath(file);
  if (!HostExists(host) || HostIsDirectory(host)) {
    SetLastError(kErrFileNotFound);
    return true;
  }
  JournalAdd("vxd: loaded " + ToUtf8(file));
  *handle = NewKernelHandle(HandleKind::kDevice, std::make_shared<int>(0));
  return true;
}

}  // namespace internal
}  // namespace sim
