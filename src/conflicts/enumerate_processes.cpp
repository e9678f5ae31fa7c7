// EnumerateProcesses: PSAPI's process ids and first-module names with VDMDBG's 16-bit tasks on
// the NT family, the toolhelp snapshot on the 9x family.
#include "conflicts/enumerate_processes.h"

#include <vector>

#include "common/text.h"
#include "conflicts/conflict_keys.h"
#include "platform/kernel.h"
#include "platform/processes.h"

namespace {

constexpr uint32_t kFirstIdBufferBytes = 1024;
constexpr uint32_t kImageNameSize = 256;  // 255 characters and the terminator

struct NtFunctions {
  void* enumProcesses;
  void* enumModules;
  void* moduleFileName;
  void* enumTasks;
};

// The 16-bit task listing's context: the caller's callback, and whether it asked to stop.
struct TaskRelay {
  ProcessCallback callback;
  void* context;
  uint32_t processId;
  int stopped;
};

int RelayTask(uint32_t, uint16_t, uint16_t task16, const char*, const char* fileName, intptr_t data) {
  TaskRelay* relay = reinterpret_cast<TaskRelay*>(data);
  char16_t name[kImageNameSize];
  name[0] = 0;
  SysAnsiToWide(fileName, name, kImageNameSize);
  if (relay->callback(relay->processId, task16, name, relay->context)) return 0;
  relay->stopped = 1;
  return 1;
}

// Whether name ends in text, without case.
bool EndsWith(const char16_t* name, const char16_t* text) {
  const size_t length = TextLength(name), tail = TextLength(text);
  return length >= tail && TextEqualNoCase(name + length - tail, text);
}

// The process ids, in a buffer doubled while the answer fills it, up to kMaxIdBufferBytes: a
// listing that still fills the largest buffer gives the ids that fit. False when listing fails.
bool ProcessIds(void* enumProcesses, std::vector<uint32_t>* ids) {
  uint32_t bytes = kFirstIdBufferBytes;
  for (;;) {
    ids->assign(bytes / sizeof(uint32_t), 0);
    uint32_t used = 0;
    if (!SysEnumProcesses(enumProcesses, ids->data(), bytes, &used)) return false;
    if (used < bytes || bytes >= kMaxIdBufferBytes) {
      ids->resize((used < bytes ? used : bytes) / sizeof(uint32_t));
      return true;
    }
    bytes *= 2;
  }
}

// The file name of the process's first module, empty when it cannot be opened or read.
void ImageName(const NtFunctions& f, uint32_t processId, char16_t* name) {
  name[0] = 0;
  SysHandle process = SysOpenProcess(kProcessQueryInformation | kProcessVmRead, 0, processId);
  if (!process) return;
  ModuleHandle module = nullptr;
  uint32_t needed = 0;
  if (SysEnumProcessModules(f.enumModules, process, &module, sizeof module, &needed))
    SysGetModuleFileNameEx(f.moduleFileName, process, module, name, kImageNameSize);
  SysCloseHandle(process);
}

void ListNtProcesses(const NtFunctions& f, ProcessCallback callback, void* context) {
  std::vector<uint32_t> ids;
  if (!ProcessIds(f.enumProcesses, &ids)) return;
  for (uint32_t id : ids) {
    char16_t name[kImageNameSize];
    ImageName(f, id, name);
    if (!callback(id, 0, name, context)) return;
    if (!EndsWith(name, kNtvdmImage)) continue;
    TaskRelay relay = {callback, context, id, 0};
    SysVdmEnumTaskWowEx(f.enumTasks, id, RelayTask, reinterpret_cast<intptr_t>(&relay));
    if (relay.stopped) return;
  }
}

int EnumerateNt(ProcessCallback callback, void* context) {
  ModuleHandle psapi = SysLoadLibrary(kPsapiLibrary);
  ModuleHandle vdmdbg = SysLoadLibrary(kVdmdbgLibrary);
  NtFunctions f = {};
  if (psapi) {
    f.enumProcesses = SysGetProcAddress(psapi, kEnumProcessesName);
    f.enumModules = SysGetProcAddress(psapi, kEnumProcessModulesName);
    f.moduleFileName = SysGetProcAddress(psapi, kGetModuleFileNameExName);
  }
  if (vdmdbg) f.enumTasks = SysGetProcAddress(vdmdbg, kVdmEnumTaskWowExName);
  const int ready = f.enumProcesses && f.enumModules && f.moduleFileName && f.enumTasks;
  if (ready) ListNtProcesses(f, callback, context);
  if (vdmdbg) SysFreeLibrary(vdmdbg);
  if (psapi) SysFreeLibrary(psapi);
  return ready;
}

int Enumerate9x(ProcessCallback callback, void* context) {
  ModuleHandle kernel = SysLoadLibrary(kKernel32Library);
  if (!kernel) return 0;
  void* snapshotFn = SysGetProcAddress(kernel, kCreateToolhelpSnapshotName);
  void* firstFn = SysGetProcAddress(kernel, kProcess32FirstName);
  void* nextFn = SysGetProcAddress(kernel, kProcess32NextName);
  const int ready = snapshotFn && firstFn && nextFn;
  if (ready) {
    SysHandle snapshot = SysCreateToolhelp32Snapshot(snapshotFn, kSnapProcess, 0);
    if (snapshot != kInvalidHandle) {
      SysProcessEntry entry = {};
      for (int more = SysProcess32First(firstFn, snapshot, &entry); more; more = SysProcess32Next(nextFn, snapshot, &entry)) {
        char16_t name[kImageNameSize];
        name[0] = 0;
        SysAnsiToWide(entry.exeFile, name, kImageNameSize);
        if (!callback(entry.processId, 0, name, context)) break;
      }
      SysCloseHandle(snapshot);
    }
  }
  SysFreeLibrary(kernel);
  return ready;
}

}  // namespace

int EnumerateProcesses(ProcessCallback callback, void* context) {
  SysVersionInfo version;
  if (!SysGetVersionInfo(&version, 0)) return 0;
  return version.platformId == kPlatformNT ? EnumerateNt(callback, context) : Enumerate9x(callback, context);
}
