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

}  // namespace
