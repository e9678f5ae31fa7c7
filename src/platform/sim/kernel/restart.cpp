// The end of an installation on the simulated machine: the floppy drive the restart warning
// probes, the mouse-button setting and the restart request, each recorded for the tests.
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/security.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;

}  // namespace

namespace sim {

void SetFloppyDisk(FloppyDisk disk) {
  Guard guard(Lock());
  internal::MachineState& s = State();
  s.floppy = disk;
  internal::ForgetDiskCaches();  // drive A: changes whatever the disk holds
  s.profile.driveTypes[0] = static_cast<uint8_t>(disk == FloppyDisk::kNoDrive ? kDriveNoRootDir : kDriveRemovable);
  if (disk == FloppyDisk::kNoDrive || s.hostRoot.empty()) return;
  // A disk put in the drive holds nothing but what this call writes.
  const std::string root = s.hostRoot + "/A";
  std::error_code ec;
  sim::internal::AwaitHostCopies(root);
  std::filesystem::remove_all(root, ec);
  std::filesystem::create_directories(root, ec);
  internal::ForgetDiskCaches();
  if (disk == FloppyDisk::kDiskWithFiles) WriteDiskFile(u"A:\\DISK.TXT", "floppy");
}

bool MouseButtonSwap(bool* swapped) {
  Guard guard(Lock());
  if (swapped) *swapped = State().mouseButtonsSwapped;
  return State().mouseSwapSet;
}

bool RestartRequested(uint32_t* flags) {
  Guard guard(Lock());
  if (flags) *flags = State().restartFlags;
  return State().restartRequested;
}

}  // namespace sim

int SysSetMouseButtonSwap(int swap) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetMouseButtonSwap)) return 0;
  State().mouseSwapSet = true;
  State().mouseButtonsSwapped = swap != 0;
  sim::JournalAdd(std::string("mouse: buttons swapped=") + (swap ? "1" : "0"));
  return 1;
}

int SysExitWindows(uint32_t flags) {
  Guard guard(Lock());
  if (SIM_FAULT(SysExitWindows)) return 0;
  if (State().profile.platformId == kPlatformNT && !State().shutdownPrivilege) {
    sim::JournalAdd("restart: refused (no shutdown privilege)");
    sim::internal::SetLastError(kErrPrivilegeNotHeld);
    return 0;
  }
  State().restartRequested = true;
  State().restartFlags = flags;
  sim::JournalAdd(flags == kEwxReboot ? "restart: requested (EWX_REBOOT)"
                                      : "restart: requested (flags " + std::to_string(flags) + ")");
  return 1;
}
