// Shared state of the simulated machine's implementation files (not for the installer code).
#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sim/machine/fault_points.h"
#include "platform/sim/machine/machine.h"
#include "platform/types.h"

namespace sim {
namespace internal {

// A lock its holder may take again (each take needs its release). Taking it again costs a
// comparison with the owning thread only: the machine's calls nest deeply, and most takes are
// such repeats.
class MachineLock {
 public:
  void lock() {
    const std::thread::id self = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    mutex_.lock();
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }
  bool try_lock() {
    const std::thread::id self = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return true;
    }
    if (!mutex_.try_lock()) return false;
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
    return true;
  }
  void unlock() {
    if (--depth_ != 0) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    mutex_.unlock();
  }

 private:
  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  unsigned depth_ = 0;  // takes by the owner not yet released
};

// One lock guards the whole machine: every Sys* function takes it for its duration.
inline MachineLock& Lock() {
  // Never destroyed: worker threads may still call in while the process exits.
  static MachineLock* lock = new MachineLock;
  return *lock;
}
// Holds Lock() for a scope.
typedef std::lock_guard<MachineLock> Guard;
// Signalled whenever something a wait may be waiting for changes (a message queue, a modal
// loop, a thread's end); waits use it with Lock().
std::condition_variable_any& MachineChanged();


void SetLastError(ErrorCode code);
ErrorCode LastError();

// Resolves a Windows path to its host path, matching every existing component without regard
// to case; components that do not exist keep the case given. Returns "" for a path on a drive
// the machine does not have or for a malformed path.
std::string ResolveHostPath(const std::u16string& windowsPath);
// True when the resolved host file is marked in use.
bool IsLocked(const std::string& hostPath);

// Hooks run by ResetMachine so that each part starts empty.
void ResetRegistryStore();
void ResetProfileCache();
// Drops the parsed INI files at or below a host path (the file changed on the disk).
void ForgetProfileFiles(const std::string& host);

}  // namespace internal
}  // namespace sim

namespace sim {
namespace internal {

// ---- Kernel handles of every kind share one table, so that SysCloseHandle closes any of them.
// kRemoteThread: a thread started inside another (modelled) process by SysCreateRemoteThread.
// kDevice: a dynamically loaded VxD opened through a "\\.\" path (dynamic_vxd.cpp).
enum class HandleKind { kFile, kMapping, kThread, kProcess, kFind, kRemoteThread, kDevice, kSnapshot };
// Registers an object under a new handle.
SysHandle NewKernelHandle(HandleKind kind, std::shared_ptr<void> object);
// The object behind a handle of that kind, or null (bad handle or other kind).
std::shared_ptr<void> KernelHandleObject(SysHandle handle, HandleKind kind);
// Removes the handle; false when it was not open.
bool CloseKernelHandle(SysHandle handle);

// ---- Waiting. Note for the thread code: SysWaitForSingleObject (kernel_handles.cpp) serves
// every kind through this interface. Register a thread object with NewWaitableHandle(kThread,
// thread, thread): the first pointer is what KernelHandleObject(handle, kThread) gives back (cast
// it back to the thread type), the second is what the wait calls. Process handles do the same.
class Waitable {
 public:
  virtual ~Waitable() = default;
  // WaitForSingleObject on the object: kWaitObject0 once it is signalled, kWaitTimeout when the
  // time ran out, kWaitFailed with the last error set. Called without the machine lock held.
  virtual uint32_t Wait(uint32_t milliseconds) = 0;
};
// Registers an object that can be waited for under a new handle.
SysHandle NewWaitableHandle(HandleKind kind, std::shared_ptr<void> object, std::shared_ptr<Waitable> waitable);
// The waitable behind a handle of any kind, or null (bad handle or an object nobody can wait for).
std::shared_ptr<Waitable> KernelHandleWaitable(SysHandle handle);
// A second handle to the same object (DuplicateHandle within this process); null for a bad handle.
SysHandle DuplicateKernelHandle(SysHandle handle);
// The kind of an open handle; false for a handle that is not open.
bool KernelHandleKind(SysHandle handle, HandleKind* kind);

// ---- Windows of other (modelled) processes, kept with the process model. The window manager
// asks these hooks for handles that are not its own windows.
// FindWindow among foreign top-level windows; null when none matches.
WindowHandle FindForeignWindow(const char16_t* className, const char16_t* caption);
bool IsForeignWindow(WindowHandle window);
// Delivers a posted or sent message to a foreign window (its process reacts as modelled).
void DeliverToForeignWindow(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The owning thread and process ids of a foreign window; 0 when unknown.
uint32_t ForeignWindowProcess(WindowHandle window, uint32_t* processId);

// ---- Threads started through SysCreateThread: the window manager waits for quiet (no queued
// message and no running thread started by the program) before it answers a dialog for the
// user, so it asks how many of them still run.
int RunningProgramThreads();
// The calling thread's number as GetWindowThreadProcessId reports it, that of any thread, and
// whether the calling thread is one the program started with SysCreateThread.
uint32_t CurrentThreadNumber();
uint32_t ThreadNumberOf(std::thread::id thread);
bool CurrentThreadIsProgramThread();
// Sets what runs in a program thread that is about to end, before a wait for it returns (the
// window manager destroys the thread's windows, as Windows does).
void SetThreadExitHook(void (*hook)());

// ---- The package's own libraries and VxDs (shell_links.cpp, dynamic_vxd.cpp) ----
// The address of an export of a package library loaded from the disk (by its file name, such as
// "nvkmenu.dll"), null when the machine models no such export.
const void* PackageLibraryExport(const std::u16string& libraryFile, const char* name);
// CreateFile of a device path "\\.\<path>": false when the path is no device path; else true
// with *handle the result (kInvalidHandle with the last error set on failure).
bool OpenDevicePath(const char16_t* path, SysHandle* handle);

}  // namespace internal
}  // namespace sim
