// Shell and COM services of the simulated machine: the special folders of the profile and the
// per-thread COM initialisation.
#include "platform/shell.h"

#include <mutex>
#include <thread>

#include "common/text.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

namespace {

// CSIDL values carry flags (CSIDL_FLAG_CREATE and others) above the folder number.
constexpr int kFolderIdMask = 0xFF;
constexpr size_t kFolderPathCap = 260;

}  // namespace

namespace {

// The folder of a CSIDL id as the machine's profile names it, into out (260 characters).
// Returns 1 when the profile has it, 0 with the last error "file not found" when not.
int CopyProfileFolder(int folderId, char16_t* out) {
  const sim::MachineProfile& p = sim::internal::State().profile;
  const std::u16string* folder = nullptr;
  switch (folderId & kFolderIdMask) {
    case kFolderProgramFiles:
      folder = &p.programFilesDir;
      break;
    case kFolderCommonAppData:
      folder = &p.commonAppDataDir;
      break;
    case kFolderCommonPrograms:
      folder = &p.commonProgramsDir;
      break;
    default:
      break;
  }
  if (!folder || folder->empty()) {
    sim::internal::SetLastError(kErrFileNotFound);
    return 0;
  }
  TextCopy(out, kFolderPathCap, folder->c_str());
  return 1;
}

}  // namespace

int SysGetFolderPath(int folderId, char16_t* out) {
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
  if (out) out[0] = 0;
  if (SIM_FAULT(SysGetFolderPath) || !out) return 0;
  return CopyProfileFolder(folderId, out);
}

// The special-folder location and its path (the older shell's way) name the same folders.
int SysGetSpecialFolderPath(int folderId, char16_t* out) {
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
  if (out) out[0] = 0;
  if (SIM_FAULT(SysGetSpecialFolderPath) || !out) return 0;
  return CopyProfileFolder(folderId, out);
}

int SysInitCom() {
  std::lock_guard<sim::internal::MachineLock> guard(sim::internal::Lock());
  if (SIM_FAULT(SysInitCom)) return 0;
  sim::internal::State().comThreads.insert(std::this_thread::get_id());
  return 1;
}
