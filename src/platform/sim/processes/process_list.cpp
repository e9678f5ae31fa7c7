// Process listings of the simulated machine: psapi's process ids, modules and module file
// names, vdmdbg's 16-bit tasks of an NTVDM process, kernel32's toolhelp snapshots, and the wait
// for a started program to be idle. Each call checks that the address it was given is the one
// the library table hands out for that function, so a listing only runs where the profile's
// Windows has it. Processes with a lifetime end as the machine's clock passes it.
#include <mutex>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;
using sim::internal::ModelledProcess;
using sim::internal::State;

namespace {

using sim::internal::Guard;

constexpr uint32_t kFirstWowTask = 0x1F00;  // 16-bit task handles, in steps of 8

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

// Whether function is the address of library's export (and the profile offers it).
bool IsExport(void* function, const char* library, const char* name) {
  if (function && function == sim::internal::ExportAddress(library, name) &&
      sim::internal::ExportOffered(library, name)) {
    return true;
  }
  Fail(kErrInvalidFunction);
  return false;
}

// Ends the listed processes whose lifetime the machine's clock has passed.
void EndExpired() {
  const uint64_t now = State().elapsedMs;
  for (const auto& process : State().processes) {
    if (!process->running || process->endsAtMs == 0 || now < process->endsAtMs) continue;
    process->running = false;
    process->window = nullptr;
    sim::JournalAdd("process-exit: " + sim::ToUtf8(process->image) + " code 0");
  }
}

// The processes a listing shows: this program and every process still running, oldest first.
std::vector<std::shared_ptr<ModelledProcess>> Running() {
  sim::internal::ThisProgramProcess();
  EndExpired();
  std::vector<std::shared_ptr<ModelledProcess>> out;
  for (const auto& process : State().processes)
    if (process->running) out.push_back(process);
  return out;
}

std::shared_ptr<ModelledProcess> ProcessOfHandle(SysHandle handle) {
  if (handle == SysGetCurrentProcess()) return sim::internal::ThisProgramProcess();
  return std::static_pointer_cast<ModelledProcess>(
      sim::internal::KernelHandleObject(handle, sim::internal::HandleKind::kProcess));
}

// A toolhelp snapshot: the entries taken and the next one to hand out.
struct Snapshot {
  std::vector<SysProcessEntry> entries;
  size_t next = 0;
};

int NextEntry(SysHandle snapshot, SysProcessEntry* entry, bool first) {
  auto shot = std::static_pointer_cast<Snapshot>(
      sim::internal::KernelHandleObject(snapshot, sim::internal::HandleKind::kSnapshot));
  if (!shot || !entry) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  if (first) shot->next = 0;
  if (shot->next >= shot->entries.size()) {
    Fail(kErrNoMoreFiles);
    return 0;
  }
  *entry = shot->entries[shot->next++];
  return 1;
}

}  // namespace

namespace sim {

uint32_t AddListedProcess(const std::u16string& image, uint32_t lifetimeMs, const std::vector<std::u16string>& wowTasks) {
  Guard guard(Lock());
  sim::internal::ThisProgramProcess();
  auto process = std::make_shared<ModelledProcess>();
  sim::internal::MachineState& s = State();
  process->id = sim::internal::NewProcessId();
  process->threadId = sim::internal::NewProcessId();
  process->image = image;
  process->endsAtMs = lifetimeMs ? s.elapsedMs + lifetimeMs : 0;
  process->wowTasks = wowTasks;
  s.processes.push_back(process);
  JournalAdd("process: listed " + ToUtf8(image));
  return process->id;
}

}  // namespace sim

uint32_t SysWaitForInputIdle(SysHandle process, uint32_t) {
  Guard guard(Lock());
  if (SIM_FAULT(SysWaitForInputIdle)) return kWaitFailed;
  std::shared_ptr<ModelledProcess> p = ProcessOfHandle(process);
  if (!p) {
    Fail(kErrInvalidHandle);
    return kWaitFailed;
  }
  // A started program is idle at once; one that has already ended makes the wait fail.
  sim::JournalAdd("process: input idle " + sim::ToUtf8(p->image) + (p->running ? "" : " (ended)"));
  return p->running ? 0 : kWaitFailed;
}

int SysEnumProcesses(void* function, uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) {
  Guard guard(Lock());
  if (SIM_FAULT(SysEnumProcesses)) return 0;
  if (!IsExport(function, "psapi.dll", "EnumProcesses")) return 0;
  if (!ids || !bytesReturned) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  // As on Windows, a buffer too small is filled and no error is reported.
  const std::vector<std::shared_ptr<ModelledProcess>> running = Running();
  const size_t room = bytes / sizeof(uint32_t);
  size_t n = 0;
  for (; n < running.size() && n < room; ++n) ids[n] = running[n]->id;
  *bytesReturned = static_cast<uint32_t>(n * sizeof(uint32_t));
  return 1;
}

int SysEnumProcessModules(void* function, SysHandle process, ModuleHandle* modules, uint32_t bytes, uint32_t* needed) {
  Guard guard(Lock());
  if (SIM_FAULT(SysEnumProcessModules)) return 0;
  if (!IsExport(function, "psapi.dll", "EnumProcessModules")) return 0;
  std::shared_ptr<ModelledProcess> p = ProcessOfHandle(process);
  if (!p || !needed) {
    Fail(p ? kErrInvalidParameter : kErrInvalidHandle);
    return 0;
  }
  if (!p->running) {
    Fail(kErrPartialCopy);
    return 0;
  }
  // One module: the program's image, known by its process id.
  *needed = sizeof(ModuleHandle);
  if (modules && bytes >= sizeof(ModuleHandle)) modules[0] = reinterpret_cast<ModuleHandle>(uintptr_t{p->id});
  return 1;
}

uint32_t SysGetModuleFileNameEx(void* function, SysHandle process, ModuleHandle module, char16_t* out, uint32_t cap) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetModuleFileNameEx)) return 0;
  if (!IsExport(function, "psapi.dll", "GetModuleFileNameExW")) return 0;
  std::shared_ptr<ModelledProcess> p = ProcessOfHandle(process);
  if (!p || !out || cap == 0 || (module && reinterpret_cast<uintptr_t>(module) != p->id)) {
    Fail(p ? kErrInvalidParameter : kErrInvalidHandle);
    return 0;
  }
  return static_cast<uint32_t>(TextCopy(out, cap, p->image.c_str()));
}

int SysVdmEnumTaskWowEx(void* function, uint32_t processId, SysWowTaskProc proc, intptr_t context) {
  std::vector<std::string> tasks;
  uint32_t threadId = 0;
  {
    Guard guard(Lock());
    if (SIM_FAULT(SysVdmEnumTaskWowEx)) return 0;
    if (!IsExport(function, "vdmdbg.dll", "VDMEnumTaskWOWEx") || !proc) return 0;
    for (const auto& p : Running()) {
      if (p->id != processId) continue;
      threadId = p->threadId;
      for (const std::u16string& task : p->wowTasks) tasks.push_back(sim::ToUtf8(task));
    }
  }
  // The callback runs without the machine lock, as it may call the platform.
  uint16_t handle = kFirstWowTask;
  int count = 0;
  for (const std::string& file : tasks) {
    ++count;
    const size_t cut = file.find_last_of('\\');
    const std::string module = file.substr(cut == std::string::npos ? 0 : cut + 1);
    if (proc(threadId, static_cast<uint16_t>(handle + 4), handle, module.c_str(), file.c_str(), context)) break;
    handle = static_cast<uint16_t>(handle + 8);
  }
  return count;
}

SysHandle SysCreateToolhelp32Snapshot(void* function, uint32_t flags, uint32_t) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateToolhelp32Snapshot)) return kInvalidHandle;
  if (!IsExport(function, "kernel32.dll", "CreateToolhelp32Snapshot")) return kInvalidHandle;
  auto shot = std::make_shared<Snapshot>();
  if (flags & kSnapProcess) {
    for (const auto& p : Running()) {
      SysProcessEntry entry = {};
      entry.processId = p->id;
      const std::string name = sim::ToUtf8(p->image);
      size_t n = 0;
      for (; n < name.size() && n + 1 < sizeof entry.exeFile; ++n) entry.exeFile[n] = name[n];
      entry.exeFile[n] = 0;
      shot->entries.push_back(entry);
    }
  }
  return sim::internal::NewKernelHandle(sim::internal::HandleKind::kSnapshot, shot);
}

int SysProcess32First(void* function, SysHandle snapshot, SysProcessEntry* entry) {
  Guard guard(Lock());
  if (SIM_FAULT(SysProcess32First)) return 0;
  if (!IsExport(function, "kernel32.dll", "Process32First")) return 0;
  return NextEntry(snapshot, entry, true);
}

int SysProcess32Next(void* function, SysHandle snapshot, SysProcessEntry* entry) {
  Guard guard(Lock());
  if (SIM_FAULT(SysProcess32Next)) return 0;
  if (!IsExport(function, "kernel32.dll", "Process32Next")) return 0;
  return NextEntry(snapshot, entry, false);
}
