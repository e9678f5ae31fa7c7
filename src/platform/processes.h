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

// ==== Starting programs =====================================================================
// CreateProcessW creation flag and STARTUPINFO show flag.
constexpr uint32_t kNormalPriorityClass = 0x20;
struct SysProcessInfo {
  SysHandle process;
  SysHandle thread;
  uint32_t processId;
  uint32_t threadId;
};
// CreateProcessW(NULL, commandLine, no security, no inheritance, creationFlags, no environment,
// currentDir (null: inherited), start-up information that is the default one unless
// useShowWindow is set, which adds STARTF_USESHOWWINDOW with showCommand). Returns 1 and fills
// *info (both handles to be closed by the caller), 0 on failure with the last error set.
int SysCreateProcess(const char16_t* commandLine, uint32_t creationFlags, const char16_t* currentDir,
                     int useShowWindow, int showCommand, SysProcessInfo* info);
// ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS, no window: verb, file, parameters (null: none),
// directory (null: none), show command. Returns 1 on success with *process the started
// program's handle (null when the shell started none), 0 on failure with *process null.
int SysShellExecuteEx(const char16_t* verb, const char16_t* file, const char16_t* parameters,
                      const char16_t* directory, int showCommand, SysHandle* process);
