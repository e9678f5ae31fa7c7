// Tests of the program's threads on the simulated machine.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/sim_internal.h"
#include "support/ui_test_support.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"

namespace {

using ThreadsTest = ui_test::WindowFixture;

// A door the test opens; the worker waits behind it.
struct Gate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;
  int parameterSeen = 0;
  int value = 0;

  void Open() {
    std::lock_guard<std::mutex> guard(mutex);
    open = true;
    opened.notify_all();
  }
};

uint32_t GateWorker(void* parameter) {
  Gate* gate = static_cast<Gate*>(parameter);
  std::unique_lock<std::mutex> lock(gate->mutex);
  gate->parameterSeen = gate->value;
  gate->opened.wait(lock, [gate] { return gate->open; });
  return 0;
}

TEST_F(ThreadsTest, WaitsSeeTheThreadRunningThenEnded) {
  struct Case {
    const char* what;
    bool closeWhileRunning;  // the program keeps only a duplicate to wait on
  };
  const Case cases[] = {{"wait on the handle", false}, {"handle closed while running", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Gate gate;
    gate.value = 42;
    SysHandle thread = SysCreateThread(GateWorker, &gate);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(sim::internal::RunningProgramThreads(), 1);
    SysHandle waitOn = thread;
    if (c.closeWhileRunning) {
      ASSERT_TRUE(SysDuplicateHandle(SysGetCurrentProcess(), thread, SysGetCurrentProcess(), &waitOn, 0, 0,
                                     kDuplicateSameAccess));
      EXPECT_EQ(SysCloseHandle(thread), 1);
    }
    EXPECT_EQ(SysWaitForSingleObject(waitOn, 0), kWaitTimeout);
    gate.Open();
    EXPECT_EQ(SysWaitForSingleObject(waitOn, kInfinite), kWaitObject0);
    EXPECT_EQ(SysWaitForSingleObject(waitOn, 0), kWaitObject0);
    EXPECT_EQ(sim::internal::RunningProgramThreads(), 0);
    EXPECT_EQ(gate.parameterSeen, 42);
    EXPECT_EQ(SysCloseHandle(waitOn), 1);
    EXPECT_EQ(SysWaitForSingleObject(waitOn, 0), kWaitFailed);
    EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
  }
}

struct WindowThread {
  WindowHandle window = nullptr;
  uint32_t threadNumber = 0;
  std::thread::id destroyedOn;
  std::thread::id ranOn;
} g_windowThread;

intptr_t RecordDestroy(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmDestroy) g_windowThread.destroyedOn = std::this_thread::get_id();
  return SysDefWindowProc(window, message, wParam, lParam);
}

uint32_t WindowWorker(void*) {
  g_windowThread.ranOn = std::this_thread::get_id();
  sim::internal::WindowDescription description;
  description.className = u"WorkerWindow";
  description.windowProc = RecordDestroy;
  g_windowThread.window = sim::internal::CreateWindowObject(description);
  g_windowThread.threadNumber = SysGetWindowThreadProcessId(g_windowThread.window, nullptr);
  return 0;
}

TEST_F(ThreadsTest, AThreadsWindowsAreDestroyedWhenItEnds) {
  g_windowThread = WindowThread();
  sim::internal::WindowDescription description;
  description.className = u"MainWindow";
  WindowHandle mainWindow = sim::internal::CreateWindowObject(description);
  SysHandle thread = SysCreateThread(WindowWorker, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(SysWaitForSingleObject(thread, kInfinite), kWaitObject0);
  SysCloseHandle(thread);
  EXPECT_FALSE(SysIsWindow(g_windowThread.window));
  EXPECT_EQ(g_windowThread.destroyedOn, g_windowThread.ranOn);
  EXPECT_NE(g_windowThread.threadNumber, 0u);
  EXPECT_NE(g_windowThread.threadNumber, SysGetWindowThreadProcessId(mainWindow, nullptr));
  EXPECT_TRUE(SysIsWindow(mainWindow));
}

TEST_F(ThreadsTest, ARefusedStartGivesNoHandleAndNoRunningThread) {
  sim::FailCall("SysCreateThread", 1, kErrNotEnoughMemory);
  Gate gate;
  EXPECT_EQ(SysCreateThread(GateWorker, &gate), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrNotEnoughMemory);
  EXPECT_EQ(sim::internal::RunningProgramThreads(), 0);
}

}  // namespace
