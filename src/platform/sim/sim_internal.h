// Shared state of the simulated machine's implementation files (not for the installer code).
#pragma once
#include <mutex>
#include <string>

#include "platform/sim/machine.h"
#include "platform/types.h"

namespace sim {
namespace internal {

// One lock guards the whole machine: every Sys* function takes it for its duration.
std::recursive_mutex& Lock();

// Called at the start of each Sys* function with its own name: returns true (and sets the
// thread's last error) when an armed fault says this call must fail.
bool FaultHit(const char* function);

void SetLastError(ErrorCode code);
ErrorCode LastError();

// Resolves a Windows path to its host path, matching every existing component without regard
// to case; components that do not exist keep the case given. Returns "" for a path on a drive
// the machine does not have or for a malformed path.
std::string ResolveHostPath(const std::u16string& windowsPath);
// True when the resolved host file is marked in use.
bool IsLocked(const std::string& hostPath);

// Hooks run by ResetMachine so that each part starts empty.
void ResetRegistryStore();
void ResetProfileCache();

}  // namespace internal
}  // namespace sim
