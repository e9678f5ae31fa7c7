// The simulated machine's kernel handle table: one table for files, mappings, threads, processes
// and folder listings, so that closing, duplicating and waiting work the same way for all of them;
// and the running program's own process record, which waits on GetCurrentProcess' handle reach.
#include <mutex>

#include "platform/kernel.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

// Process and thread ids share one numbering, in steps of 4 as on Windows.
constexpr uint32_t kFirstProcessId = 1000;
constexpr uint32_t kIdStep = 4;

// The entry behind a handle, or null.
KernelHandleEntry* FindEntry(SysHandle handle) {
  auto& table = State().kernelHandles;
  auto it = table.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.end() ? nullptr : &it->second;
}

}  // namespace

uint32_t NewProcessId() {
  Guard guard(Lock());
  MachineState& s = State();
  if (s.nextProcessId == 0) s.nextProcessId = kFirstProcessId;
  const uint32_t id = s.nextProcessId;
  s.nextProcessId += kIdStep;
  return id;
}

std::shared_ptr<ModelledProcess> ThisProgramProcess() {
  Guard guard(Lock());
  for (const auto& process : State().processes)
    if (process->isThisProgram) return process;
  auto self = std::make_shared<ModelledProcess>();
  self->id = NewProcessId();
  self->threadId = NewProcessId();
  self->image = State().modulePath;
  self->isThisProgram = true;
  State().processes.push_back(self);
  return self;
}

SysHandle NewKernelHandle(HandleKind kind, std::shared_ptr<void> object) {
  return NewWaitableHandle(kind, std::move(object), nullptr);
}

SysHandle NewWaitableHandle(HandleKind kind, std::shared_ptr<void> object, std::shared_ptr<Waitable> waitable) {
  Guard guard(Lock());
  const uintptr_t token = NewHandleToken();
  KernelHandleEntry& entry = State().kernelHandles[token];
  entry.kind = kind;
  entry.object = std::move(object);
  entry.waitable = std::move(waitable);
  return reinterpret_cast<SysHandle>(token);
}

std::shared_ptr<void> KernelHandleObject(SysHandle handle, HandleKind kind) {
  Guard guard(Lock());
  KernelHandleEntry* entry = FindEntry(handle);
  if (!entry || entry->kind != kind) return nullptr;
  return entry->object;
}

std::shared_ptr<Waitable> KernelHandleWaitable(SysHandle handle) {
  Guard guard(Lock());
  KernelHandleEntry* entry = FindEntry(handle);
  return entry ? entry->waitable : nullptr;
}

bool KernelHandleKind(SysHandle handle, HandleKind* kind) {
  Guard guard(Lock());
  KernelHandleEntry* entry = FindEntry(handle);
  if (!entry) return false;
  if (kind) *kind = entry->kind;
  return true;
}

SysHandle DuplicateKernelHandle(SysHandle handle) {
  Guard guard(Lock());
  KernelHandleEntry* entry = FindEntry(handle);
  if (!entry) return nullptr;
  const KernelHandleEntry copy = *entry;  // the table may move while it grows
  return NewWaitableHandle(copy.kind, copy.object, copy.waitable);
}

bool CloseKernelHandle(SysHandle handle) {
  std::shared_ptr<void> object;  // released after the lock, in case its destructor calls back in
  Guard guard(Lock());
  auto& table = State().kernelHandles;
  auto it = table.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.end()) return false;
  object = std::move(it->second.object);
  table.erase(it);
  return true;
}

}  // namespace internal
}  // namespace sim

using sim::internal::Lock;

int SysCloseHandle(SysHandle handle) {
  std::lock_guard<sim::internal::MachineLock> guard(Lock());
  if (SIM_FAULT(SysCloseHandle)) return 0;
  // GetCurrentProcess' pseudo handle may be closed; nothing happens.
  if (handle == kInvalidHandle) return 1;
  sim::internal::HandleKind kind;
  // A folder listing is no kernel object: only FindClose ends it.
  if (!sim::internal::KernelHandleKind(handle, &kind) || kind == sim::internal::HandleKind::kFind) {
    sim::internal::SetLastError(kErrInvalidHandle);
    return 0;
  }
  sim::internal::CloseKernelHandle(handle);
  return 1;
}

uint32_t SysWaitForSingleObject(SysHandle handle, uint32_t milliseconds) {
  std::shared_ptr<sim::internal::Waitable> waitable;
  {
    std::lock_guard<sim::internal::MachineLock> guard(Lock());
    if (SIM_FAULT(SysWaitForSingleObject)) return kWaitFailed;
    waitable = sim::internal::KernelHandleWaitable(handle);
    if (!waitable && handle == kInvalidHandle) waitable = sim::internal::ThisProgramProcess();
    if (!waitable) {
      sim::internal::SetLastError(kErrInvalidHandle);
      return kWaitFailed;
    }
  }
  // Outside the lock: a thread being waited for must be able to run to its end.
  return waitable->Wait(milliseconds);
}
