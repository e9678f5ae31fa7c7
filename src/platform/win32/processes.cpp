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

// ==== Starting programs =====================================================================
#include <shellapi.h>

static_assert(kNormalPriorityClass == NORMAL_PRIORITY_CLASS, "values match");

// CreateProcessW with the command line in a writable copy (CreateProcessW may write into it).
int SysCreateProcess(const char16_t* commandLine, uint32_t creationFlags, const char16_t* currentDir,
                     int useShowWindow, int showCommand, SysProcessInfo* info) {
  if (!commandLine || !info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int length = lstrlenW(win32::Wide(commandLine));
  wchar_t* line = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(wchar_t)));
  if (!line) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  lstrcpyW(line, win32::Wide(commandLine));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (useShowWindow) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
  }
  PROCESS_INFORMATION started = {};
  BOOL ok = CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, creationFlags, nullptr,
                           currentDir ? win32::Wide(currentDir) : nullptr, &startup, &started);
  const DWORD error = GetLastError();
  HeapFree(GetProcessHeap(), 0, line);
  if (!ok) {
    SetLastError(error);
    return 0;
  }
  info->process = reinterpret_cast<SysHandle>(started.hProcess);
  info->thread = reinterpret_cast<SysHandle>(started.hThread);
  info->processId = started.dwProcessId;
  info->threadId = started.dwThreadId;
  return 1;
}

// ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS and no owner window.
int SysShellExecuteEx(const char16_t* verb, const char16_t* file, const char16_t* parameters,
                      const char16_t* directory, int showCommand, SysHandle* process) {
  if (process) *process = nullptr;
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_NOCLOSEPROCESS;
  execute.hwnd = nullptr;
  execute.lpVerb = verb ? win32::Wide(verb) : nullptr;
  execute.lpFile = file ? win32::Wide(file) : nullptr;
  execute.lpParameters = parameters ? win32::Wide(parameters) : nullptr;
  execute.lpDirectory = directory ? win32::Wide(directory) : nullptr;
  execute.nShow = showCommand;
  if (!ShellExecuteExW(&execute)) return 0;
  if (process)
    *process = reinterpret_cast<SysHandle>(execute.hProcess);
  else if (execute.hProcess)
    CloseHandle(execute.hProcess);
  return 1;
}
