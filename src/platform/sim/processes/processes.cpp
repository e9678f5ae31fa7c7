// Processes of the simulated machine: the running program itself and modelled programs of other
// vendors, each owning one top-level window that reacts to close requests as the test chose.
// Opening, duplicating, exit codes, the remote ExitProcess thread and waiting on a process, plus
// the hooks through which the window manager reaches those foreign windows.
#include "platform/processes.h"

#include <mutex>
#include <string>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/ui.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;
using sim::internal::ModelledProcess;
using sim::internal::State;

namespace {

using sim::internal::Guard;

// The close request the installer posts to listed windows (WM_USER + 272).
constexpr uint32_t kCloseRequest = 1296;
// DuplicateHandle's option that closes the source handle.
constexpr uint32_t kDuplicateCloseSource = 0x1;
// Exit code of a process whose remote thread ran into an address that holds no code.
constexpr uint32_t kAccessViolationCode = 0xC0000005;

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

std::shared_ptr<ModelledProcess> FindProcessById(uint32_t id) {
  for (const auto& process : State().processes)
    if (process->id == id) return process;
  return nullptr;
}

// The process behind a handle: GetCurrentProcess' pseudo handle or an opened process handle.
std::shared_ptr<ModelledProcess> ProcessOf(SysHandle handle) {
  if (handle == SysGetCurrentProcess()) return sim::internal::ThisProgramProcess();
  return std::static_pointer_cast<ModelledProcess>(
      sim::internal::KernelHandleObject(handle, sim::internal::HandleKind::kProcess));
}

// Ends a modelled process: its window goes with it.
void EndProcess(ModelledProcess* process, uint32_t exitCode) {
  if (!process->running) return;
  process->running = false;
  process->exitCode = exitCode;
  process->window = nullptr;
  sim::JournalAdd("process-exit: " + sim::ToUtf8(process->image) + " code " + std::to_string(exitCode));
}

std::shared_ptr<ModelledProcess> FindWindowOwner(WindowHandle window) {
  if (!window) return nullptr;
  for (const auto& process : State().processes)
    if (process->running && process->window == window) return process;
  return nullptr;
}

// A thread started in another process; it has done its work by the time the call returns.
struct RemoteThread : sim::internal::Waitable {
  uint32_t Wait(uint32_t) override { return kWaitObject0; }
};

bool SameText(const std::u16string& a, const char16_t* b) { return TextEqualNoCase(a.c_str(), b); }

}  // namespace

namespace sim {
namespace internal {

// A process that still runs will not end by itself: every way a modelled process ends is a
// direct consequence of a call of the program. So a wait either finds it ended, or runs out its
// time on the virtual clock, or (without a time limit) would hang: that wait fails instead,
// with ERROR_POSSIBLE_DEADLOCK, and says so in the journal.
uint32_t ModelledProcess::Wait(uint32_t milliseconds) {
  Guard guard(Lock());
  if (!running) return kWaitObject0;
  if (milliseconds == kInfinite) {
    sim::JournalAdd("wait-failed: " + sim::ToUtf8(image) + " never ends");
    Fail(kErrPossibleDeadlock);
    return kWaitFailed;
  }
  State().elapsedMs += milliseconds;
  return kWaitTimeout;
}

WindowHandle FindForeignWindow(const char16_t* className, const char16_t* caption) {
  Guard guard(Lock());
  // The newest window lies on top of the z-order, so FindWindow meets it first.
  const auto& processes = State().processes;
  for (auto it = processes.rbegin(); it != processes.rend(); ++it) {
    const ModelledProcess& p = **it;
    if (!p.running || !p.window) continue;
    if (className && !SameText(p.windowClass, className)) continue;
    if (caption && !SameText(p.caption, caption)) continue;
    return p.window;
  }
  return nullptr;
}

bool IsForeignWindow(WindowHandle window) {
  Guard guard(Lock());
  return FindWindowOwner(window) != nullptr;
}

void DeliverToForeignWindow(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
  Guard guard(Lock());
  std::shared_ptr<ModelledProcess> process = FindWindowOwner(window);
  if (!process) return;
  sim::JournalAdd("foreign-message: " + sim::ToUtf8(process->image) + " <- " + std::to_string(message));
  switch (process->behaviour) {
    case CloseBehaviour::kClosesOnRequest:
      if (message == kCloseRequest || message == kWmClose || message == kWmDestroy) EndProcess(process.get(), 0);
      break;
    case CloseBehaviour::kIgnoresCloseRequest:
      if (message == kWmDestroy) EndProcess(process.get(), 0);
      break;
    case CloseBehaviour::kOnlyRemoteExit:
      break;
  }
}

uint32_t ForeignWindowProcess(WindowHandle window, uint32_t* processId) {
  Guard guard(Lock());
  std::shared_ptr<ModelledProcess> process = FindWindowOwner(window);
  if (!process) {
    if (processId) *processId = 0;
    return 0;
  }
  if (processId) *processId = process->id;
  return process->threadId;
}

}  // namespace internal

uint32_t AddRunningProcess(const std::u16string& image, const std::u16string& windowClass,
                           const std::u16string& caption, CloseBehaviour behaviour, bool canBeOpened) {
  Guard guard(Lock());
  internal::ThisProgramProcess();  // the program's own ids come first
  auto process = std::make_shared<ModelledProcess>();
  process->id = internal::NewProcessId();
  process->threadId = internal::NewProcessId();
  process->image = image;
  process->windowClass = windowClass;
  process->caption = caption;
  process->window = reinterpret_cast<WindowHandle>(internal::NewHandleToken());
  process->behaviour = behaviour;
  process->canBeOpened = canBeOpened;
  State().processes.push_back(process);
  return process->id;
}

WindowHandle ProcessWindow(uint32_t processId) {
  Guard guard(Lock());
  std::shared_ptr<ModelledProcess> process = FindProcessById(processId);
  return process ? process->window : nullptr;
}

bool ProcessRunning(uint32_t processId) {
  Guard guard(Lock());
  std::shared_ptr<ModelledProcess> process = FindProcessById(processId);
  return process && process->running;
}

bool ProcessExitCode(uint32_t processId, uint32_t* exitCode) {
  Guard guard(Lock());
  std::shared_ptr<ModelledProcess> process = FindProcessById(processId);
  if (!process || process->running) return false;
  if (exitCode) *exitCode = process->exitCode;
  return true;
}

}  // namespace sim

SysHandle SysOpenProcess(uint32_t, int, uint32_t processId) {
  Guard guard(Lock());
  if (SIM_FAULT(SysOpenProcess)) return nullptr;
  sim::internal::ThisProgramProcess();
  std::shared_ptr<ModelledProcess> process = FindProcessById(processId);
  if (!process || !process->running) {
    Fail(kErrInvalidParameter);
    return nullptr;
  }
  if (!process->canBeOpened) {
    Fail(kErrAccessDenied);
    return nullptr;
  }
  return sim::internal::NewWaitableHandle(sim::internal::HandleKind::kProcess, process, process);
}

SysHandle SysGetCurrentProcess() { return kInvalidHandle; }

int SysDuplicateHandle(SysHandle sourceProcess, SysHandle source, SysHandle targetProcess, SysHandle* target,
                       uint32_t, int, uint32_t options) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDuplicateHandle)) return 0;
  std::shared_ptr<ModelledProcess> from = ProcessOf(sourceProcess);
  std::shared_ptr<ModelledProcess> to = ProcessOf(targetProcess);
  if (!from || !to) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  // Handle tables of other processes are not modelled.
  if (!from->isThisProgram || !to->isThisProgram) {
    Fail(kErrNotSupported);
    return 0;
  }
  SysHandle copy = nullptr;
  if (source == SysGetCurrentProcess()) {
    std::shared_ptr<ModelledProcess> self = sim::internal::ThisProgramProcess();
    copy = sim::internal::NewWaitableHandle(sim::internal::HandleKind::kProcess, self, self);
  } else {
    sim::internal::HandleKind kind;
    if (sim::internal::KernelHandleKind(source, &kind) && kind != sim::internal::HandleKind::kFind)
      copy = sim::internal::DuplicateKernelHandle(source);
  }
  if (!copy) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  if (options & kDuplicateCloseSource) sim::internal::CloseKernelHandle(source);
  if (target)
    *target = copy;
  else
    sim::internal::CloseKernelHandle(copy);
  return 1;
}

int SysGetExitCodeProcess(SysHandle processHandle, uint32_t* exitCode) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetExitCodeProcess)) return 0;
  std::shared_ptr<ModelledProcess> process = ProcessOf(processHandle);
  if (!process) {
    Fail(kErrInvalidHandle);
    return 0;
  }
  if (!exitCode) {
    Fail(kErrNoAccess);
    return 0;
  }
  *exitCode = process->running ? kStillActive : process->exitCode;
  return 1;
}

SysHandle SysCreateRemoteThread(SysHandle processHandle, void* start, uintptr_t argument) {
  Guard guard(Lock());
  if (SIM_FAULT(SysCreateRemoteThread)) return nullptr;
  std::shared_ptr<ModelledProcess> process = ProcessOf(processHandle);
  if (!process) {
    Fail(kErrInvalidHandle);
    return nullptr;
  }
  // A remote thread in this very program could end the test run: refused. A process that ended
  // takes no new threads.
  if (process->isThisProgram || !process->running) {
    Fail(kErrAccessDenied);
    return nullptr;
  }
  if (start != nullptr && start == sim::internal::ExportAddress("kernel32.dll", "ExitProcess"))
    EndProcess(process.get(), static_cast<uint32_t>(argument));
  else
    EndProcess(process.get(), kAccessViolationCode);  // the thread ran into no code
  auto thread = std::make_shared<RemoteThread>();
  return sim::internal::NewWaitableHandle(sim::internal::HandleKind::kRemoteThread, thread, thread);
}
