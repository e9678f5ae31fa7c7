// Process services on real Windows: opening and duplicating process handles, exit codes, the
// remote thread that runs ExitProcess inside another program, and the process listings through
// the functions the installer found at run time. Starting programs takes the A functions on the
// ANSI road; the functions not every Windows exports are found at run time.
#include "platform/processes.h"

#include "platform/win32/win32_internal.h"

#include <tlhelp32.h>

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

// CreateRemoteThread at `start` (an address of the target process) with one argument, found at
// run time; null with ERROR_PROC_NOT_FOUND where kernel32 lacks it.
SysHandle SysCreateRemoteThread(SysHandle process, void* start, uintptr_t argument) {
  auto create = win32::SystemCall<decltype(&CreateRemoteThread)>("kernel32.dll", "CreateRemoteThread");
  if (!create) return nullptr;
  return reinterpret_cast<SysHandle>(create(reinterpret_cast<HANDLE>(process), nullptr, 0,
                                            reinterpret_cast<LPTHREAD_START_ROUTINE>(start),
                                            reinterpret_cast<LPVOID>(argument), 0, nullptr));
}

// ==== Starting programs =====================================================================
#include <shellapi.h>

static_assert(kNormalPriorityClass == NORMAL_PRIORITY_CLASS, "values match");

namespace {

// The start-up record of either width: the show command when asked for.
template <typename StartupInfo>
StartupInfo StartupRecord(int useShowWindow, int showCommand) {
  StartupInfo startup = {};
  startup.cb = sizeof(startup);
  if (useShowWindow) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
  }
  return startup;
}

// CreateProcessA or CreateProcessW with the command line in a writable copy (CreateProcess may
// write into it).
BOOL StartProcess(const char16_t* commandLine, uint32_t creationFlags, const char16_t* currentDir, int useShowWindow,
                  int showCommand, PROCESS_INFORMATION* started) {
  if (win32::OnAnsiRoad()) {
    win32::AnsiText line(commandLine);
    char* writable = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, line.size() + 1));
    if (!writable) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    CopyMemory(writable, static_cast<const char*>(line), line.size() + 1);
    STARTUPINFOA startup = StartupRecord<STARTUPINFOA>(useShowWindow, showCommand);
    const BOOL ok = CreateProcessA(nullptr, writable, nullptr, nullptr, FALSE, creationFlags, nullptr,
                                   win32::AnsiText(currentDir), &startup, started);
    const DWORD error = GetLastError();
    HeapFree(GetProcessHeap(), 0, writable);
    SetLastError(error);
    return ok;
  }
  const int length = lstrlenW(win32::Wide(commandLine));
  wchar_t* line = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(wchar_t)));
  if (!line) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  CopyMemory(line, commandLine, (length + 1) * sizeof(wchar_t));
  STARTUPINFOW startup = StartupRecord<STARTUPINFOW>(useShowWindow, showCommand);
  const BOOL ok = CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, creationFlags, nullptr,
                                 currentDir ? win32::Wide(currentDir) : nullptr, &startup, started);
  const DWORD error = GetLastError();
  HeapFree(GetProcessHeap(), 0, line);
  SetLastError(error);
  return ok;
}

}  // namespace

// CreateProcessW with the command line in a writable copy (CreateProcessW may write into it).
int SysCreateProcess(const char16_t* commandLine, uint32_t creationFlags, const char16_t* currentDir,
                     int useShowWindow, int showCommand, SysProcessInfo* info) {
  if (!commandLine || !info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  PROCESS_INFORMATION started = {};
  if (!StartProcess(commandLine, creationFlags, currentDir, useShowWindow, showCommand, &started)) return 0;
  info->process = reinterpret_cast<SysHandle>(started.hProcess);
  info->thread = reinterpret_cast<SysHandle>(started.hThread);
  info->processId = started.dwProcessId;
  info->threadId = started.dwThreadId;
  return 1;
}

namespace {

typedef BOOL(WINAPI* ShellExecuteExWFn)(SHELLEXECUTEINFOW*);

// The shell-execute record of either width run; the started process's handle or null.
template <typename Info, typename Text, typename ExecuteFn>
BOOL Execute(Text verb, Text file, Text parameters, Text directory, int showCommand, ExecuteFn execute,
             HANDLE* process) {
  Info info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = nullptr;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = showCommand;
  const BOOL ok = execute(&info);
  *process = ok ? info.hProcess : nullptr;
  return ok;
}

}  // namespace

// ShellExecuteExW (found at run time; ShellExecuteExA on the ANSI road) with
// SEE_MASK_NOCLOSEPROCESS and no owner window.
int SysShellExecuteEx(const char16_t* verb, const char16_t* file, const char16_t* parameters,
                      const char16_t* directory, int showCommand, SysHandle* process) {
  if (process) *process = nullptr;
  HANDLE started = nullptr;
  BOOL ok = FALSE;
  if (win32::OnAnsiRoad()) {
    ok = Execute<SHELLEXECUTEINFOA, const char*>(win32::AnsiText(verb), win32::AnsiText(file),
                                                 win32::AnsiText(parameters), win32::AnsiText(directory), showCommand,
                                                 ShellExecuteExA, &started);
  } else {
    auto execute = win32::SystemCall<ShellExecuteExWFn>("shell32.dll", "ShellExecuteExW");
    const wchar_t* none = nullptr;
    ok = execute && Execute<SHELLEXECUTEINFOW, const wchar_t*>(
                        verb ? win32::Wide(verb) : none, file ? win32::Wide(file) : none,
                        parameters ? win32::Wide(parameters) : none, directory ? win32::Wide(directory) : none,
                        showCommand, execute, &started);
  }
  if (!ok) return 0;
  if (process)
    *process = reinterpret_cast<SysHandle>(started);
  else if (started)
    CloseHandle(started);
  return 1;
}

// WaitForInputIdle.
uint32_t SysWaitForInputIdle(SysHandle process, uint32_t milliseconds) {
  return WaitForInputIdle(reinterpret_cast<HANDLE>(process), milliseconds);
}

// ---- Listing processes through the functions found at run time ----
namespace {

typedef BOOL(WINAPI* EnumProcessesFn)(DWORD*, DWORD, DWORD*);
typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE, HMODULE*, DWORD, DWORD*);
typedef DWORD(WINAPI* GetModuleFileNameExFn)(HANDLE, HMODULE, LPWSTR, DWORD);
typedef BOOL(WINAPI* TaskEnumProcEx)(DWORD, WORD, WORD, LPSTR, LPSTR, LPARAM);
typedef INT(WINAPI* VdmEnumTaskWowExFn)(DWORD, TaskEnumProcEx, LPARAM);
typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* Process32Fn)(HANDLE, tagPROCESSENTRY32*);

// Whether an address can be called: the installer hands on what GetProcAddress found.
bool Missing(void* function) {
  if (function) return false;
  SetLastError(ERROR_INVALID_FUNCTION);
  return true;
}

// The task callback's context: the caller's callback and its context.
struct WowTaskRelay {
  SysWowTaskProc proc;
  intptr_t context;
};

BOOL WINAPI RelayWowTask(DWORD threadId, WORD module16, WORD task16, LPSTR moduleName, LPSTR fileName, LPARAM data) {
  const WowTaskRelay* relay = reinterpret_cast<const WowTaskRelay*>(data);
  return relay->proc(threadId, module16, task16, moduleName, fileName, relay->context) ? TRUE : FALSE;
}

int CopyEntry(BOOL ok, const tagPROCESSENTRY32& raw, SysProcessEntry* entry) {
  if (!ok) return 0;
  entry->processId = raw.th32ProcessID;
  lstrcpynA(entry->exeFile, raw.szExeFile, sizeof entry->exeFile);
  return 1;
}

}  // namespace

int SysEnumProcesses(void* function, uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) {
  if (Missing(function)) return 0;
  DWORD used = 0;
  const BOOL ok = reinterpret_cast<EnumProcessesFn>(function)(reinterpret_cast<DWORD*>(ids), bytes, &used);
  if (bytesReturned) *bytesReturned = used;
  return ok ? 1 : 0;
}

int SysEnumProcessModules(void* function, SysHandle process, ModuleHandle* modules, uint32_t bytes, uint32_t* needed) {
  if (Missing(function)) return 0;
  DWORD all = 0;
  const BOOL ok = reinterpret_cast<EnumProcessModulesFn>(function)(reinterpret_cast<HANDLE>(process),
                                                                  reinterpret_cast<HMODULE*>(modules), bytes, &all);
  if (needed) *needed = all;
  return ok ? 1 : 0;
}

uint32_t SysGetModuleFileNameEx(void* function, SysHandle process, ModuleHandle module, char16_t* out, uint32_t cap) {
  if (Missing(function) || !out || cap == 0) return 0;
  return reinterpret_cast<GetModuleFileNameExFn>(function)(reinterpret_cast<HANDLE>(process),
                                                          reinterpret_cast<HMODULE>(module),
                                                          reinterpret_cast<LPWSTR>(out), cap);
}

int SysVdmEnumTaskWowEx(void* function, uint32_t processId, SysWowTaskProc proc, intptr_t context) {
  if (Missing(function) || !proc) return 0;
  WowTaskRelay relay = {proc, context};
  return reinterpret_cast<VdmEnumTaskWowExFn>(function)(processId, RelayWowTask, reinterpret_cast<LPARAM>(&relay));
}

SysHandle SysCreateToolhelp32Snapshot(void* function, uint32_t flags, uint32_t processId) {
  if (Missing(function)) return kInvalidHandle;
  return reinterpret_cast<SysHandle>(reinterpret_cast<CreateSnapshotFn>(function)(flags, processId));
}

int SysProcess32First(void* function, SysHandle snapshot, SysProcessEntry* entry) {
  if (Missing(function) || !entry) return 0;
  tagPROCESSENTRY32 raw = {};
  raw.dwSize = sizeof raw;
  return CopyEntry(reinterpret_cast<Process32Fn>(function)(reinterpret_cast<HANDLE>(snapshot), &raw), raw, entry);
}

int SysProcess32Next(void* function, SysHandle snapshot, SysProcessEntry* entry) {
  if (Missing(function) || !entry) return 0;
  tagPROCESSENTRY32 raw = {};
  raw.dwSize = sizeof raw;
  return CopyEntry(reinterpret_cast<Process32Fn>(function)(reinterpret_cast<HANDLE>(snapshot), &raw), raw, entry);
}
