// Threads on real Windows: CreateThread through a trampoline that calls the seam's thread
// procedure, and WaitForSingleObject.
#include <new>

#include "platform/kernel.h"
#include "platform/win32/win32_internal.h"

static_assert(kInfinite == INFINITE && kWaitTimeout == WAIT_TIMEOUT && kWaitFailed == WAIT_FAILED &&
                  kWaitObject0 == WAIT_OBJECT_0,
              "wait values match winbase.h");

namespace {

// What the new thread is to run; owned by the thread once it started.
struct ThreadStart {
  SysThreadProc proc;
  void* parameter;
};

DWORD WINAPI ThreadTrampoline(LPVOID raw) {
  ThreadStart* start = static_cast<ThreadStart*>(raw);
  const ThreadStart copy = *start;
  delete start;
  return copy.proc(copy.parameter);
}

}  // namespace

// CreateThread with the default stack, started at once; null on failure.
SysHandle SysCreateThread(SysThreadProc proc, void* parameter) {
  if (!proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ThreadStart* start = new (std::nothrow) ThreadStart{proc, parameter};
  if (!start) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, ThreadTrampoline, start, 0, &id);
  if (!thread) {
    const DWORD error = GetLastError();
    delete start;
    SetLastError(error);
    return nullptr;
  }
  return reinterpret_cast<SysHandle>(thread);
}

// WaitForSingleObject.
uint32_t SysWaitForSingleObject(SysHandle handle, uint32_t milliseconds) {
  return WaitForSingleObject(reinterpret_cast<HANDLE>(handle), milliseconds);
}
