// Process services on real Windows: opening and duplicating process handles, exit codes and the
// remote thread that runs ExitProcess inside another program.
#include "platform/processes.h"

#include "platform/win32/win32_internal.h"

static_assert(kProcessAllAccess == (STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFF), "the pre-Vista all-access mask");
static_assert(kStillActive == STILL_ACTIVE && kDuplicateSameAccess == DUPLICATE_SAME_ACCESS, "values match");

// OpenProcess.
SysHandle SysOpenProcess(uint32_t access, int inheritHandle, uint32_t processId) {
  return reinterpret_cast<SysHandle>(OpenProcess(access, inheritHandle ? TRUE : FALSE, processId));
}

// GetCurrentProcess (the pseudo handle).
SysHandle SysGetCurrentProcess() { return reinterpret_cast<SysHandle>(GetCurrentProcess()); }

// DuplicateHandle.
int SysDuplicateHandle(SysHandle sourceProcess, SysHandle source, SysHandle targetProcess, SysHandle* target,
                       uint32_t access, int inheritHandle, uint32_t options) {
  HANDLE copy = nullptr;
  BOOL ok = DuplicateHandle(reinterpret_cast<HANDLE>(sourceProcess), reinterpret_cast<HANDLE>(source),
                            reinterpret_cast<HANDLE>(targetProcess), target ? &copy : nullptr, access,
                            inheritHandle ? TRUE : FALSE, options);
  if (ok && target) *target = reinterpret_cast<SysHandle>(copy);
  return ok ? 1 : 0;
}

// GetExitCodeProcess.
int SysGetExitCodeProcess(SysHandle process, uint32_t* exitCode) {
  DWORD code = 0;
  if (!GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code)) return 0;
  if (exitCode) *exitCode = code;
  return 1;
}

// CreateRemoteThread at `start` (an address of the target process) with one argument.
SysHandle SysCreateRemoteThread(SysHandle process, void* start, uintptr_t argument) {
  return reinterpret_cast<SysHandle>(CreateRemoteThread(reinterpret_cast<HANDLE>(process), nullptr, 0,
                                                        reinterpret_cast<LPTHREAD_START_ROUTINE>(start),
                                                        reinterpret_cast<LPVOID>(argument), 0, nullptr));
}
