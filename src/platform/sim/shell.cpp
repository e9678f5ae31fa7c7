// Shell and COM services of the simulated machine: the special folders of the profile and the
// per-thread COM initialisation.
#include "platform/shell.h"

#include <mutex>
#include <thread>

#include "common/text.h"
#include "platform/sim/machine_state.h"
#include "platform/sim/sim_internal.h"

namespace {

// CSIDL values carry flags (CSIDL_FLAG_CREATE and others) above the folder number.
constexpr int kFolderIdMask = 0xFF;
constexpr size_t kFolderPathCap = 260;

}  // namespace

int SysGetFolderPath(int folderId, char16_t* out) {
  std::lock_guard<std::recursive_mutex> guard(sim::internal::Lock());
  if (out) out[0] = 0;
  if (sim::internal::FaultHit("SysGetFolderPath") || !out) return 0;
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

int SysInitCom() {
  std::lock_guard<std::recursive_mutex> guard(sim::internal::Lock());
  if (sim::internal::FaultHit("SysInitCom")) return 0;
  sim::internal::State().comThreads.insert(std::this_thread::get_id());
  return 1;
}
