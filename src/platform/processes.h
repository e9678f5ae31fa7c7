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
constexpr uint32_t kHighPriorityClass = 0x80;
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

// WaitForInputIdle: 0 once the process waits for input, kWaitTimeout (258) when the time ran out,
// kWaitFailed otherwise.
uint32_t SysWaitForInputIdle(SysHandle process, uint32_t milliseconds);

// ==== Listing processes ======================================================================
// The listing functions are looked up by name at run time (PSAPI.DLL and VDMDBG.DLL on the NT
// family, KERNEL32.DLL's toolhelp on the 9x family); each call here takes the address that
// SysGetProcAddress gave for the function it stands for and calls it. A null or foreign address
// fails with the last error 1 (ERROR_INVALID_FUNCTION).
constexpr uint32_t kProcessQueryInformation = 0x0400;
constexpr uint32_t kProcessVmRead = 0x0010;
constexpr uint32_t kSnapProcess = 0x2;  // TH32CS_SNAPPROCESS

// psapi's EnumProcesses: process ids into ids (bytes long); *bytesReturned gets the bytes used.
int SysEnumProcesses(void* function, uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned);
// psapi's EnumProcessModules: module handles of process into modules (bytes long); *needed gets
// the bytes all of them take.
int SysEnumProcessModules(void* function, SysHandle process, ModuleHandle* modules, uint32_t bytes, uint32_t* needed);
// psapi's GetModuleFileNameExW: the module's file name into out (cap characters, terminated).
// Returns the characters copied, 0 on failure.
uint32_t SysGetModuleFileNameEx(void* function, SysHandle process, ModuleHandle module, char16_t* out, uint32_t cap);
// vdmdbg's VDMEnumTaskWOWEx: calls proc for each 16-bit task of the NTVDM process, with the
// task's handle and its module and file names (single-byte text); proc returns 1 to stop.
// Returns the number of tasks.
typedef int (*SysWowTaskProc)(uint32_t threadId, uint16_t module16, uint16_t task16, const char* moduleName,
                              const char* fileName, intptr_t context);
int SysVdmEnumTaskWowEx(void* function, uint32_t processId, SysWowTaskProc proc, intptr_t context);
// kernel32's CreateToolhelp32Snapshot; kInvalidHandle on failure. Close it with SysCloseHandle.
SysHandle SysCreateToolhelp32Snapshot(void* function, uint32_t flags, uint32_t processId);
// kernel32's Process32First / Process32Next (the single-byte forms, which every family has):
// the process id and executable file name of the next entry. 0 when the list has ended.
struct SysProcessEntry {
  uint32_t processId;
  char exeFile[260];
};
int SysProcess32First(void* function, SysHandle snapshot, SysProcessEntry* entry);
int SysProcess32Next(void* function, SysHandle snapshot, SysProcessEntry* entry);
