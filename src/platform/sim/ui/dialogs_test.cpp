// Tests of modal dialogs on the simulated machine.
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

using DialogsTest = ui_test::WindowFixture;
using ui_test::kCentredDialog;
using ui_test::kFullDialog;
using ui_test::kPlainDialog;

constexpr uint32_t kStartWork = kWmApp + 3;
constexpr uint32_t kWorkDone = kWmApp + 4;
constexpr int kWorkerSleeps = 20;

std::vector<std::string> DialogLines() {
  std::vector<std::string> lines;
  for (const std::string& line : sim::Journal())
    if (line.rfind("dialog: ", 0) == 0) lines.push_back(line);
  return lines;
}

// ---- A please-wait dialog whose worker ends it ----

struct PleaseWait {
  bool hidden = false;
  bool firstPaint = true;
  int paints = 0;
  int ownerEnabledDuringWork = -1;
  WindowHandle owner = nullptr;
  SysHandle worker = nullptr;
  bool destroyed = false;
} g_wait;

uint32_t EndingWorker(void* dialog) {
  SysEndDialog(static_cast<WindowHandle>(dialog), 7);
  return 0;
}

intptr_t PleaseWaitProc(WindowHandle dialog, uint32_t message, uintptr_t, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      if (g_wait.hidden) {
        SysSetWindowPos(dialog, kHwndBottom, 0, 0, 0, 0, kSwpNoMove | kSwpNoActivate | kSwpHideWindow);
        SysShowWindow(dialog, kSwHide);
        SysPostMessage(dialog, kWmPaint, 0, 0);
      }
      return 0;
    case kWmPaint: {
      SysPaint paint;
      SysBeginPaint(dialog, &paint);
      SysEndPaint(dialog, &paint);
      ++g_wait.paints;
      if (g_wait.firstPaint) {
        g_wait.firstPaint = false;
        SysPostMessage(dialog, kStartWork, 0, 0);
      }
      return 1;
    }
    case kStartWork:
      g_wait.ownerEnabledDuringWork = SysIsWindowEnabled(g_wait.owner);
      g_wait.worker = SysCreateThread(EndingWorker, dialog);
      return 1;
    case kWmDestroy:
      if (g_wait.worker) SysCloseHandle(g_wait.worker);
      g_wait.worker = nullptr;
      g_wait.destroyed = true;
      return 0;
    default:
      return 0;
  }
}

WindowHandle MakeOwner() {
  sim::internal::WindowDescription description;
  description.className = u"NMSetup";
  description.style = sim::kWsPopup | sim::kWsVisible;
  description.width = 1024;
  description.height = 738;
  return sim::internal::CreateWindowObject(description);
}

TEST_F(DialogsTest, AWorkerStartedOnTheFirstPaintEndsTheDialog) {
  struct Case {
    bool hidden;
    const char* journal;
  };
  const Case cases[] = {{false, "dialog: 300 [] shown"}, {true, "dialog: 300 [] hidden"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.journal);
    sim::ClearJournal();
    g_wait = PleaseWait();
    g_wait.hidden = c.hidden;
    g_wait.owner = MakeOwner();
    EXPECT_EQ(SysDialogBoxParam(nullptr, kCentredDialog, g_wait.owner, PleaseWaitProc, 0), 7);
    EXPECT_EQ(DialogLines(), std::vector<std::string>({c.journal}));
    EXPECT_EQ(g_wait.paints, 1);  // the real first paint, or the posted one when hidden
    EXPECT_EQ(g_wait.ownerEnabledDuringWork, 0);
    EXPECT_TRUE(SysIsWindowEnabled(g_wait.owner));
    EXPECT_TRUE(g_wait.destroyed);
    EXPECT_FALSE(SysIsWindow(sim::FindDialog(kCentredDialog)));
    sim::WindowInfo info;
    ASSERT_TRUE(sim::GetWindowInfo(sim::FindDialog(kCentredDialog), &info));
    EXPECT_EQ(info.clientWidth, c.hidden ? 0 : 467);
    SysDestroyWindow(g_wait.owner);
  }
}

// ---- Answers for the user ----

struct Answers {
  std::vector<std::string> checkedAtEnd;
  bool commandsEnd = true;
} g_answers;

intptr_t EndOnCommandProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmCommand || !g_answers.commandsEnd) return 0;
  const int id = ui_test::LowWord(wParam);
  const WindowHandle control = reinterpret_cast<WindowHandle>(lParam);
  // Only push buttons, Enter and Escape end it; radio buttons just change.
  if (control && SysGetDlgItem(dialog, id) == control && id != kIdOk && id != kIdCancel && id != ui_test::kGoId)
    return 1;
  for (int radio : {ui_test::kRadioPs2, ui_test::kRadioBt, ui_test::kRadioUsb})
    if (SysIsDlgButtonChecked(dialog, radio)) g_answers.checkedAtEnd.push_back(std::to_string(radio));
  SysEndDialog(dialog, id);
  return 1;
}

TEST_F(DialogsTest, DialogsTakeScriptedAnswersElseTheDefaultButton) {
  struct Case {
    uint32_t templateId;
    std::vector<int> answers;
    intptr_t result;
    std::vector<std::string> journal;  // after the "shown" line
    std::vector<std::string> checked;
  };
  const Case cases[] = {
      {kFullDialog, {}, kIdOk, {"100 press 1 (OK)"}, {}},
      {kFullDialog, {ui_test::kRadioBt, kIdCancel}, kIdCancel, {"100 press 302 (Blue&tooth)", "100 press 2 (Cancel)"}, {"302"}},
      {kFullDialog, {-1}, kIdOk, {"100 press -1 (x) ignored: disabled", "100 press 1 (OK)"}, {}},
      {kFullDialog, {999}, kIdOk, {"100 press 999 () ignored: no such control", "100 press 1 (OK)"}, {}},
      // No default push button: Escape, which reaches the dialog without a control.
      {kPlainDialog, {}, kIdCancel, {"200 press 2 ()"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.journal[0]);
    sim::ClearJournal();
    g_answers = Answers();
    for (int answer : c.answers) sim::QueueDialogAnswer(c.templateId, answer);
    sim::QueueDialogAnswer(kCentredDialog, kIdOk);  // another template's answer stays queued
    EXPECT_EQ(SysDialogBoxParam(nullptr, c.templateId, nullptr, EndOnCommandProc, 0), c.result);
    std::vector<std::string> journal = {c.templateId == kFullDialog ? "dialog: 100 [Full Dialog] shown"
                                                                    : "dialog: 200 [Plain] shown"};
    for (const std::string& line : c.journal) journal.push_back("dialog: " + line);
    EXPECT_EQ(DialogLines(), journal);
    EXPECT_EQ(g_answers.checkedAtEnd, c.checked);
    int left = 0;
    EXPECT_TRUE(sim::internal::TakeDialogAnswer(kCentredDialog, &left));
    EXPECT_FALSE(sim::internal::TakeDialogAnswer(c.templateId, &left));
  }
}

TEST_F(DialogsTest, ADialogThatNeverEndsOrHasNoTemplateGivesMinusOne) {
  g_answers = Answers();
  g_answers.commandsEnd = false;
  EXPECT_EQ(SysDialogBoxParam(nullptr, kFullDialog, nullptr, EndOnCommandProc, 0), -1);
  std::vector<std::string> expected = {"dialog: 100 [Full Dialog] shown"};
  for (int i = 0; i < 10; ++i) expected.push_back("dialog: 100 press 1 (OK)");
  expected.push_back("dialog: 100 [Full Dialog] still open after 10 presses, ended with -1");
  EXPECT_EQ(DialogLines(), expected);
  sim::ClearJournal();  // a missing template: -1 too, and no dialog at all
  EXPECT_EQ(SysDialogBoxParam(nullptr, 4242, nullptr, EndOnCommandProc, 0), -1);
  EXPECT_EQ(SysGetLastError(), 1814u);
  EXPECT_TRUE(DialogLines().empty());
}

// ---- Threads and quiet ----

struct Work {
  bool done = false;
  bool doneAtPress = false;
  SysHandle worker = nullptr;
  int nestedResult = 0;
} g_work;

uint32_t SlowWorker(void* dialog) {
  for (int i = 0; i < kWorkerSleeps; ++i) SysSleep(1);
  SysPostMessage(static_cast<WindowHandle>(dialog), kWorkDone, 0, 0);
  return 0;
}

intptr_t WaitsForWorkProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message == kWmInitDialog) g_work.worker = SysCreateThread(SlowWorker, dialog);
  if (message == kWorkDone) g_work.done = true;
  if (message == kWmCommand && ui_test::LowWord(wParam) == kIdOk) {
    g_work.doneAtPress = g_work.done;
    SysEndDialog(dialog, kIdOk);
  }
  return message == kWorkDone || message == kWmCommand ? 1 : 0;
}

TEST_F(DialogsTest, NoAnswerIsGivenWhileAThreadOfTheProgramRuns) {
  g_work = Work();
  EXPECT_EQ(SysDialogBoxParam(nullptr, kFullDialog, nullptr, WaitsForWorkProc, 0), kIdOk);
  EXPECT_TRUE(g_work.doneAtPress);
  EXPECT_EQ(SysWaitForSingleObject(g_work.worker, kInfinite), kWaitObject0);
  SysCloseHandle(g_work.worker);
}

uint32_t DialogOnWorker(void* dialog) {
  g_answers = Answers();
  // The worker's own dialog must be answered although the worker itself is still running.
  g_work.nestedResult = static_cast<int>(
      SysDialogBoxParam(nullptr, kPlainDialog, static_cast<WindowHandle>(dialog), EndOnCommandProc, 0));
  SysEndDialog(static_cast<WindowHandle>(dialog), 5);
  return 0;
}

intptr_t StartsDialogOnWorkerProc(WindowHandle dialog, uint32_t message, uintptr_t, intptr_t) {
  // Started on the first paint, so that this dialog is up before the worker's.
  if (message == kWmPaint && !g_work.worker) g_work.worker = SysCreateThread(DialogOnWorker, dialog);
  return 0;
}

TEST_F(DialogsTest, AWorkerThreadRunsItsOwnDialogWhileTheInterfaceWaits) {
  g_work = Work();
  EXPECT_EQ(SysDialogBoxParam(nullptr, kFullDialog, nullptr, StartsDialogOnWorkerProc, 0), 5);
  EXPECT_EQ(g_work.nestedResult, kIdCancel);
  EXPECT_EQ(DialogLines(), std::vector<std::string>({"dialog: 100 [Full Dialog] shown", "dialog: 200 [Plain] shown",
                                                     "dialog: 200 press 2 ()"}));
  EXPECT_EQ(SysWaitForSingleObject(g_work.worker, kInfinite), kWaitObject0);
  SysCloseHandle(g_work.worker);
}

// ---- The wait hook, the user's input and the cursor ----

struct Hooked {
  int calls = 0;
  std::vector<uint32_t> templates;
  bool onDialogThread = true;
  bool disabledClickRefused = false;
  std::vector<std::string> checkedAtEnd;
  std::thread::id dialogThread;
} g_hooked;

intptr_t CursorProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmSetCursor) {
    const uintptr_t packed = static_cast<uintptr_t>(lParam);
    if (reinterpret_cast<WindowHandle>(wParam) == dialog && ui_test::LowWord(packed) == static_cast<int>(kHtClient) &&
        ui_test::HighWord(packed) == static_cast<int>(kWmMouseMove)) {
      SysSetCursorShape(kCursorWait);
      return 1;
    }
    return 0;
  }
  return EndOnCommandProc(dialog, message, wParam, lParam);
}

TEST_F(DialogsTest, TheWaitHookSeesTheDialogAndTheUsersInputArrivesInOrder) {
  g_hooked = Hooked();
  g_answers = Answers();
  g_hooked.dialogThread = std::this_thread::get_id();
  sim::SetDialogWaitHook([](WindowHandle dialog, uint32_t templateId) {
    ++g_hooked.calls;
    g_hooked.templates.push_back(templateId);
    g_hooked.onDialogThread &= std::this_thread::get_id() == g_hooked.dialogThread;
    if (g_hooked.calls > 1) return;  // second time: leave it to the default button
    EXPECT_TRUE(sim::MoveMouseOver(dialog));
    EXPECT_TRUE(sim::MoveMouseOver(SysGetDlgItem(dialog, ui_test::kLabelId)));
    g_hooked.disabledClickRefused = !sim::ClickControl(SysGetDlgItem(dialog, -1));
    EXPECT_TRUE(sim::ClickControl(SysGetDlgItem(dialog, ui_test::kRadioUsb)));
  });
  EXPECT_EQ(SysDialogBoxParam(nullptr, kFullDialog, nullptr, CursorProc, 0), kIdOk);
  sim::SetDialogWaitHook(nullptr);
  EXPECT_EQ(g_hooked.calls, 2);
  EXPECT_EQ(g_hooked.templates, std::vector<uint32_t>({kFullDialog, kFullDialog}));
  EXPECT_TRUE(g_hooked.onDialogThread);
  EXPECT_TRUE(g_hooked.disabledClickRefused);
  EXPECT_EQ(g_answers.checkedAtEnd, std::vector<std::string>({"303"}));
  // Over the dialog's own client area the wait cursor; over a control the default arrow.
  EXPECT_EQ(sim::CursorChanges(), std::vector<int>({kCursorWait, kCursorArrow}));
  EXPECT_EQ(sim::CurrentCursor(), kCursorArrow);
}

}  // namespace
