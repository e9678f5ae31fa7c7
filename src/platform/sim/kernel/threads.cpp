// Threads the program starts (CreateThread): real host threads (kept for the next program
// thread once one ends) registered in the kernel handle table, so that SysWaitForSingleObject
// waits for their end and SysCloseHandle closes them. The window manager counts the ones still
// running before it acts for the user, and its exit hook destroys a thread's windows when the
// thread ends, as Windows does.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/kernel.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

namespace sim {
namespace internal {

namespace {

using sim::internal::Guard;

// Thread numbers of the program's own threads: far from the process model's ids.
constexpr uint32_t kFirstThreadNumber = 0x10000;
constexpr uint32_t kThreadNumberStep = 4;

// A thread started by the program; signalled once its procedure returned.
struct ProgramThread : Waitable {
  uint32_t number = 0;
  bool done = false;
  uint32_t exitCode = 0;

  uint32_t Wait(uint32_t milliseconds) override {
    std::unique_lock<sim::internal::MachineLock> lock(Lock());
    if (milliseconds == kInfinite) {
      MachineChanged().wait(lock, [this] { return done; });
      return kWaitObject0;
    }
    if (MachineChanged().wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return done; }))
      return kWaitObject0;
    State().elapsedMs += milliseconds;
    return kWaitTimeout;
  }
};

// Bookkeeping of program threads; lives across machine resets, since threads may outlive one.
struct ThreadRegistry {
  void (*exitHook)() = nullptr;
  int running = 0;
  uint32_t nextNumber = kFirstThreadNumber;
  std::map<std::thread::id, uint32_t> numbers;  // running program threads
};

ThreadRegistry& Registry() {
  static ThreadRegistry* registry = new ThreadRegistry;
  return *registry;
}

// Host threads whose program thread ended wait here for the next one, so that a run that
// starts one thread per stage creates one host thread, not one per stage.
struct HostThreadPool {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> jobs;
  size_t idle = 0;  // host threads waiting for a job
};

HostThreadPool& Pool() {
  // Never destroyed: idle host threads wait on it until the process ends.
  static HostThreadPool* pool = new HostThreadPool;
  return *pool;
}

// Counts the calling host thread as idle; a job calls it last, before it announces that its
// program thread ended, so that a thread created right after that end reuses this host.
void ReleaseHostThread() {
  HostThreadPool& pool = Pool();
  std::lock_guard<std::mutex> lock(pool.mutex);
  ++pool.idle;
}

// Runs the jobs handed to this host thread, one after the other, for the rest of the process.
// Every job ends with ReleaseHostThread.
void ServeJobs(std::function<void()> job) {
  HostThreadPool& pool = Pool();
  for (;;) {
    job();
    job = nullptr;  // lets go of the finished thread's record
    std::unique_lock<std::mutex> lock(pool.mutex);
    pool.wake.wait(lock, [&pool] { return !pool.jobs.empty(); });
    --pool.idle;
    job = std::move(pool.jobs.front());
    pool.jobs.pop_front();
  }
}

// Runs job on an idle host thread, or on a new one when none waits. Throws std::system_error
// when a new host thread cannot be started.
void RunOnHostThread(std::function<void()> job) {
  HostThreadPool& pool = Pool();
  {
    std::lock_guard<std::mutex> lock(pool.mutex);
    if (pool.idle > pool.jobs.size()) {
      pool.jobs.push_back(std::move(job));
      pool.wake.notify_one();
      return;
    }
  }
  std::thread(ServeJobs, std::move(job)).detach();
}

}  // namespace

void SetThreadExitHook(void (*hook)()) {
  Guard guard(Lock());
  Registry().exitHook = hook;
}

int RunningProgramThreads() {
  Guard guard(Lock());
  return Registry().running;
}

bool CurrentThreadIsProgramThread() {
  Guard guard(Lock());
  return Registry().numbers.count(std::this_thread::get_id()) != 0;
}

uint32_t ThreadNumberOf(std::thread::id thread) {
  {
    Guard guard(Lock());
    auto it = Registry().numbers.find(thread);
    if (it != Registry().numbers.end()) return it->second;
  }
  // Any other thread counts as the program's main thread.
  return ThisProgramProcess()->threadId;
}

uint32_t CurrentThreadNumber() { return ThreadNumberOf(std::this_thread::get_id()); }

}  // namespace internal
}  // namespace sim

SysHandle SysCreateThread(SysThreadProc proc, void* parameter) {
  using namespace sim::internal;
  std::shared_ptr<ProgramThread> thread = std::make_shared<ProgramThread>();
  SysHandle handle = nullptr;
  {
    Guard guard(Lock());
    if (SIM_FAULT(SysCreateThread)) return nullptr;
    if (!proc) {
      SetLastError(kErrInvalidParameter);
      return nullptr;
    }
    ThreadRegistry& registry = Registry();
    thread->number = registry.nextNumber;
    registry.nextNumber += kThreadNumberStep;
    ++registry.running;  // counted before it starts, so that no dialog answers in between
    handle = NewWaitableHandle(HandleKind::kThread, thread, thread);
  }
  // The host thread starts only once its number is known to it.
  auto body = [thread, proc, parameter] {
    {
      Guard guard(Lock());
      Registry().numbers[std::this_thread::get_id()] = thread->number;
    }
    SetLastError(0);  // a new thread starts without an error, whatever ran before on its host
    const uint32_t exitCode = proc(parameter);
    void (*exitHook)() = nullptr;
    {
      Guard guard(Lock());
      exitHook = Registry().exitHook;
    }
    if (exitHook) exitHook();
    ReleaseHostThread();
    {
      Guard guard(Lock());
      Registry().numbers.erase(std::this_thread::get_id());
      State().comThreads.erase(std::this_thread::get_id());  // COM ends with its thread
      --Registry().running;
      thread->exitCode = exitCode;
      thread->done = true;
    }
    MachineChanged().notify_all();
  };
  try {
    RunOnHostThread(body);
  } catch (const std::system_error&) {
    Guard guard(Lock());
    --Registry().running;
    CloseKernelHandle(handle);
    SetLastError(kErrNotEnoughMemory);
    return nullptr;
  }
  return handle;
}
