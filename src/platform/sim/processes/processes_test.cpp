// Tests of the simulated machine's processes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

using ProcessesTest = SimFixture;
using sim::CloseBehaviour;

constexpr uint32_t kCloseRequest = 1296;

// kernel32's ExitProcess as the program finds it.
void* ExitProcessAddress() {
  ModuleHandle kernel = SysLoadLibrary(u"kernel32.dll");
  void* address = SysGetProcAddress(kernel, "ExitProcess");
  SysFreeLibrary(kernel);
  return address;
}

TEST_F(ProcessesTest, EachBehaviourAnswersCloseRequestsAsModelled) {
  struct Case {
    CloseBehaviour behaviour;
    uint32_t message;
    bool ends;
  };
  const Case cases[] = {
      {CloseBehaviour::kClosesOnRequest, kWmClose, true},         {CloseBehaviour::kClosesOnRequest, kWmPaint, false},
      {CloseBehaviour::kIgnoresCloseRequest, kCloseRequest, false}, {CloseBehaviour::kIgnoresCloseRequest, kWmDestroy, true},
      {CloseBehaviour::kOnlyRemoteExit, kWmDestroy, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.behaviour) << " <- " << c.message);
    StartMachine("winxp");
    const uint32_t id = sim::AddRunningProcess(u"C:\\Old\\tray.exe", u"NvkTray", u"Mouse Tray", c.behaviour);
    WindowHandle window = sim::internal::FindForeignWindow(u"NvkTray", u"Mouse Tray");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window, sim::ProcessWindow(id));
    sim::internal::DeliverToForeignWindow(window, c.message, 0, 0);
    EXPECT_EQ(sim::ProcessRunning(id), !c.ends);
    EXPECT_EQ(sim::internal::IsForeignWindow(window), !c.ends);
    EXPECT_EQ(sim::internal::FindForeignWindow(u"NvkTray", u"Mouse Tray") != nullptr, !c.ends);
    std::vector<std::string> expected = {"foreign-message: C:\\Old\\tray.exe <- " + std::to_string(c.message)};
    if (c.ends) expected.push_back("process-exit: C:\\Old\\tray.exe code 0");
    EXPECT_EQ(sim::Journal(), expected);
  }
}

TEST_F(ProcessesTest, ForeignWindowsAreFoundNewestFirstIgnoringCase) {
  const uint32_t first = sim::AddRunningProcess(u"a.exe", u"Cls", u"Title", CloseBehaviour::kClosesOnRequest);
  const uint32_t second = sim::AddRunningProcess(u"b.exe", u"Cls", u"Title", CloseBehaviour::kClosesOnRequest);
  const uint32_t other = sim::AddRunningProcess(u"c.exe", u"Other", u"Title", CloseBehaviour::kClosesOnRequest);
  struct Case {
    const char16_t* className;
    const char16_t* caption;
    uint32_t owner;  // 0: none found
  };
  const Case cases[] = {
      {u"Cls", u"Title", second}, {u"cls", u"TITLE", second}, {nullptr, u"Title", other},
      {u"Cls", nullptr, second},  {u"Cls", u"Titl", 0},       {u"Nope", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.className ? sim::ToUtf8(c.className) : "null") << "/"
                                    << (c.caption ? sim::ToUtf8(c.caption) : "null"));
    WindowHandle window = sim::internal::FindForeignWindow(c.className, c.caption);
    uint32_t processId = 99;
    const uint32_t threadId = sim::internal::ForeignWindowProcess(window, &processId);
    EXPECT_EQ(processId, c.owner);
    EXPECT_EQ(threadId != 0, c.owner != 0);
  }
  // Once the newest ends, the older one is found; the program's own handles are none of theirs.
  sim::internal::DeliverToForeignWindow(sim::ProcessWindow(second), kCloseRequest, 0, 0);
  uint32_t processId = 0;
  sim::internal::ForeignWindowProcess(sim::internal::FindForeignWindow(u"Cls", u"Title"), &processId);
  EXPECT_EQ(processId, first);
  EXPECT_FALSE(sim::internal::IsForeignWindow(nullptr));
  EXPECT_EQ(sim::internal::ForeignWindowProcess(reinterpret_cast<WindowHandle>(0x1234), &processId), 0u);
  EXPECT_EQ(processId, 0u);
}

TEST_F(ProcessesTest, RemoteExitEndsAProcessThatIgnoresTheCloseRequest) {
  const uint32_t id = sim::AddRunningProcess(u"C:\\Old\\mouse.exe", u"NvkMouse", u"Mouse",
                                             CloseBehaviour::kOnlyRemoteExit);
  WindowHandle window = sim::internal::FindForeignWindow(u"NvkMouse", u"Mouse");
  sim::internal::DeliverToForeignWindow(window, kCloseRequest, 0, 0);
  ASSERT_TRUE(sim::ProcessRunning(id));
  // What the installer does: owner, open, duplicate, exit code, remote ExitProcess, wait.
  uint32_t owner = 0;
  ASSERT_NE(sim::internal::ForeignWindowProcess(window, &owner), 0u);
  ASSERT_EQ(owner, id);
  SysHandle process = SysOpenProcess(kProcessAllAccess, 0, owner);
  ASSERT_NE(process, nullptr);
  SysHandle duplicate = nullptr;
  ASSERT_EQ(SysDuplicateHandle(SysGetCurrentProcess(), process, SysGetCurrentProcess(), &duplicate,
                               kProcessAllAccess, 0, 0),
            1);
  ASSERT_NE(duplicate, process);
  uint32_t code = 0;
  ASSERT_EQ(SysGetExitCodeProcess(duplicate, &code), 1);
  EXPECT_EQ(code, kStillActive);
  SysHandle thread = SysCreateRemoteThread(duplicate, ExitProcessAddress(), 7);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(SysWaitForSingleObject(duplicate, kInfinite), kWaitObject0);
  EXPECT_EQ(SysWaitForSingleObject(thread, kInfinite), kWaitObject0);
  EXPECT_EQ(SysCloseHandle(thread), 1);
  ASSERT_EQ(SysGetExitCodeProcess(process, &code), 1);  // both handles see the end
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(SysCloseHandle(duplicate), 1);
  EXPECT_EQ(SysCloseHandle(process), 1);
  EXPECT_FALSE(sim::ProcessRunning(id));
  ASSERT_TRUE(sim::ProcessExitCode(id, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(sim::internal::FindForeignWindow(u"NvkMouse", u"Mouse"), nullptr);
  EXPECT_EQ(JournalLines("process-exit: "), std::vector<std::string>{"process-exit: C:\\Old\\mouse.exe code 7"});
  // An ended process can be opened no more and takes no threads.
  EXPECT_EQ(SysOpenProcess(kProcessAllAccess, 0, id), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrInvalidParameter);
}

TEST_F(ProcessesTest, InjectedFaultsFailTheProcessCalls) {
  const uint32_t id = sim::AddRunningProcess(u"tray.exe", u"T", u"T", CloseBehaviour::kOnlyRemoteExit);
  SysHandle process = SysOpenProcess(kProcessAllAccess, 0, id);
  ASSERT_NE(process, nullptr);
  void* exitProcess = ExitProcessAddress();
  SysHandle copy = nullptr;
  uint32_t code = 0;
  for (const char* name : {"SysOpenProcess", "SysDuplicateHandle", "SysGetExitCodeProcess", "SysCreateRemoteThread",
                           "SysWaitForSingleObject"})
    sim::FailCall(name, 1, kErrAccessDenied);
  const bool failed[] = {
      SysOpenProcess(kProcessAllAccess, 0, id) == nullptr,
      SysDuplicateHandle(SysGetCurrentProcess(), process, SysGetCurrentProcess(), &copy, 0, 0, 0) == 0,
      SysGetExitCodeProcess(process, &code) == 0, SysCreateRemoteThread(process, exitProcess, 3) == nullptr,
      SysWaitForSingleObject(process, 0) == kWaitFailed,
  };
  for (size_t i = 0; i < 5; ++i) EXPECT_TRUE(failed[i]) << "call " << i;
  EXPECT_TRUE(sim::ProcessRunning(id));  // the failed remote thread ended nothing
  SysCloseHandle(process);
}

}  // namespace
