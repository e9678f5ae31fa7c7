// Process services: opening, ending and waiting for processes, and the remote exit used to end
// a program that owns a listed window.
#pragma once
#include "platform/types.h"

constexpr uint32_t kProcessAllAccess = 0x1F0FFF;
constexpr uint32_t kStillActive = 259;
constexpr uint32_t kDuplicateSameAccess = 0x2;

// OpenProcess. Returns null on failure with the last error set (5 for a process with higher
// rights, 87 for an unknown id).
SysHandle SysOpenProcess(uint32_t access, int inheritHandle, uint32_t processId);
// GetCurrentProcess: the pseudo handle of this process.
SysHandle SysGetCurrentProcess();
// DuplicateHandle between processes. 1 on success.
int SysDuplicateHandle(SysHandle sourceProcess, SysHandle source, SysHandle targetProcess, SysHandle* target,
                       uint32_t access, int inheritHandle, uint32_t options);
// GetExitCodeProcess: kStillActive while it runs. 1 on success.
int SysGetExitCodeProcess(SysHandle process, uint32_t* exitCode);
// CreateRemoteThread starting at `start` (an address from SysGetProcAddress, such as
// kernel32's ExitProcess) with one argument. Returns the thread handle, null on failure.
SysHandle SysCreateRemoteThread(SysHandle process, void* start, uintptr_t argument);
