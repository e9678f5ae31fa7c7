// Tests of the simulated message queues.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/ui_test_support.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"

namespace {

using MessagesTest = ui_test::WindowFixture;

constexpr uint32_t kFirst = kWmApp + 1;
constexpr uint32_t kSecond = kWmApp + 2;
constexpr uint32_t kThird = kWmApp + 3;
constexpr uint32_t kQuitNow = kWmApp + 9;

// How the test window answers WM_PAINT.
enum class PaintMode { kPaints, kIgnores };
PaintMode g_paintMode = PaintMode::kPaints;
std::vector<std::string> g_log;

intptr_t TestWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmPaint:
      g_log.push_back("paint");
      if (g_paintMode == PaintMode::kIgnores) return 0;  // neither paints nor lets the default paint
      return SysDefWindowProc(window, message, wParam, lParam);
    case kFirst:
    case kSecond:
    case kThird:
      g_log.push_back("app+" + std::to_string(message - kWmApp));
      return 0;
    default:
      return SysDefWindowProc(window, message, wParam, lParam);
  }
}

WindowHandle MakeWindow(bool visible, SysWindowProc proc = TestWindowProc) {
  sim::internal::WindowDescription description;
  description.className = u"TestWindow";
  description.style = sim::kWsPopup | (visible ? sim::kWsVisible : 0);
  description.width = 50;
  description.height = 20;
  description.windowProc = proc;
  return sim::internal::CreateWindowObject(description);
}

// Dispatches until nothing is left; returns how many messages were handled.
int PumpUntilIdle() {
  int handled = 0;
  SysMessage m;
  while (SysPeekMessage(&m)) {
    SysDispatchMessage(&m);
    ++handled;
  }
  return handled;
}

TEST_F(MessagesTest, PostedMessagesComeInOrderThenQuitThenPaint) {
  g_log.clear();
  g_paintMode = PaintMode::kPaints;
  WindowHandle window = MakeWindow(true);
  SysPostMessage(window, kFirst, 0, 0);
  SysPostMessage(window, kSecond, 0, 0);
  SysPostQuitMessage(3);
  SysPostMessage(window, kThird, 0, 0);
  SysMessage m;
  while (SysGetMessage(&m)) SysDispatchMessage(&m);
  g_log.push_back("quit " + std::to_string(m.wParam));
  EXPECT_EQ(PumpUntilIdle(), 1);
  EXPECT_EQ(g_log, std::vector<std::string>({"app+1", "app+2", "app+3", "quit 3", "paint"}));
}

TEST_F(MessagesTest, NewWindowsArePaintedOnceWhenNothingElseIsQueued) {
  struct Case {
    const char* what;
    bool visible;
    PaintMode mode;
    bool postPaint;
    int paints;
    bool warned;  // the journal names a procedure that left its window unpainted
  };
  const Case cases[] = {
      {"visible window", true, PaintMode::kPaints, false, 1, false},
      {"procedure ignores WM_PAINT", true, PaintMode::kIgnores, false, 1, true},
      {"hidden window", false, PaintMode::kPaints, false, 0, false},
      {"hidden window, posted WM_PAINT", false, PaintMode::kPaints, true, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::ClearJournal();
    g_log.clear();
    g_paintMode = c.mode;
    WindowHandle window = MakeWindow(c.visible);
    if (c.postPaint) SysPostMessage(window, kWmPaint, 0, 0);
    PumpUntilIdle();
    EXPECT_EQ(static_cast<int>(g_log.size()), c.paints);
    bool warned = false;
    for (const std::string& line : sim::Journal()) warned |= line.rfind("ui-warning: WM_PAINT", 0) == 0;
    EXPECT_EQ(warned, c.warned);
    // Painted once means painted: nothing more comes until the window changes.
    g_log.clear();
    EXPECT_EQ(PumpUntilIdle(), 0);
    SysInvalidateRect(window, nullptr, 1);
    PumpUntilIdle();
    EXPECT_EQ(g_log.size(), c.visible ? 1u : 0u);
    SysDestroyWindow(window);
  }
}

// ---- Sending between threads ----

WindowHandle g_uiWindow = nullptr;
WindowHandle g_workerWindow = nullptr;
std::thread::id g_answeredOn;
intptr_t g_workerResult = 0;

intptr_t WorkerWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kSecond) return 7;
  return SysDefWindowProc(window, message, wParam, lParam);
}

intptr_t UiWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kFirst) {
    g_answeredOn = std::this_thread::get_id();
    // The sender is blocked in its own SendMessage: it must still answer this one.
    return static_cast<intptr_t>(wParam) * 2 + SysSendMessage(g_workerWindow, kSecond, 0, 0);
  }
  if (message == kQuitNow) {
    SysPostQuitMessage(0);
    return 0;
  }
  return SysDefWindowProc(window, message, wParam, lParam);
}

uint32_t SendingWorker(void*) {
  sim::internal::WindowDescription description;
  description.className = u"WorkerWindow";
  description.windowProc = WorkerWindowProc;
  g_workerWindow = sim::internal::CreateWindowObject(description);
  g_workerResult = SysSendMessage(g_uiWindow, kFirst, 21, 0);
  SysSendMessage(g_uiWindow, kQuitNow, 0, 0);
  return 0;
}

TEST_F(MessagesTest, SendingFromAnotherThreadIsAnsweredOnTheWindowsThread) {
  g_uiWindow = MakeWindow(false, UiWindowProc);
  g_workerWindow = nullptr;
  g_workerResult = 0;
  SysHandle worker = SysCreateThread(SendingWorker, nullptr);
  ASSERT_NE(worker, nullptr);
  SysMessage m;
  while (SysGetMessage(&m)) SysDispatchMessage(&m);
  EXPECT_EQ(SysWaitForSingleObject(worker, kInfinite), kWaitObject0);
  SysCloseHandle(worker);
  EXPECT_EQ(g_answeredOn, std::this_thread::get_id());
  EXPECT_EQ(g_workerResult, 21 * 2 + 7);
  // The worker's window went with its thread.
  EXPECT_FALSE(SysIsWindow(g_workerWindow));
  EXPECT_TRUE(SysIsWindow(g_uiWindow));
}

TEST_F(MessagesTest, ClosingDestroysAWindowAndCancelsADialog) {
  WindowHandle window = MakeWindow(true);
  EXPECT_EQ(SysSendMessage(window, kWmClose, 0, 0), 0);
  EXPECT_FALSE(SysIsWindow(window));

  WindowHandle dialog = sim::internal::CreateDialogFromTemplate(ui_test::kFullDialog, nullptr, false, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  SysSendMessage(dialog, kWmClose, 0, 0);
  EXPECT_TRUE(SysIsWindow(dialog));
  SysMessage m;
  ASSERT_TRUE(SysPeekMessage(&m));
  EXPECT_EQ(m.window, dialog);
  EXPECT_EQ(m.message, kWmCommand);
  EXPECT_EQ(m.wParam, ui_test::CommandWParam(kIdCancel, kBnClicked));
  EXPECT_EQ(m.lParam, reinterpret_cast<intptr_t>(SysGetDlgItem(dialog, kIdCancel)));
}

}  // namespace
