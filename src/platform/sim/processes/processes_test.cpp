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
      {CloseBehaviour::kClosesOnRequest, kCloseRequest, true},
      {CloseBehaviour::kClosesOnRequest, kWmClose, true},
      {CloseBehaviour::kClosesOnRequest, kWmDestroy, true},
      {CloseBehaviour::kClosesOnRequest, kWmPaint, false},
      {CloseBehaviour::kIgnoresCloseRequest, kCloseRequest, false},
      {CloseBehaviour::kIgnoresCloseRequest, kWmClose, false},
      {CloseBehaviour::kIgnoresCloseRequest, kWmDestroy, true},
      {CloseBehaviour::kOnlyRemoteExit, kCloseRequest, false},
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

TEST_F(ProcessesTest, OpeningAndRemoteThreadsRefuseWhatWindowsRefuses) {
  const uint32_t guarded = sim::AddRunningProcess(u"svc.exe", u"Svc", u"Service", CloseBehaviour::kOnlyRemoteExit,
                                                  false);
  const uint32_t plain = sim::AddRunningProcess(u"app.exe", u"App", u"App", CloseBehaviour::kOnlyRemoteExit);
  EXPECT_EQ(SysOpenProcess(kProcessAllAccess, 0, guarded), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  EXPECT_EQ(SysOpenProcess(kProcessAllAccess, 0, 0), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrInvalidParameter);
  EXPECT_EQ(SysOpenProcess(kProcessAllAccess, 0, 4242), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrInvalidParameter);
  // The program itself: still active, and no remote thread may end it.
  uint32_t code = 0;
  ASSERT_EQ(SysGetExitCodeProcess(SysGetCurrentProcess(), &code), 1);
  EXPECT_EQ(code, kStillActive);
  EXPECT_EQ(SysCreateRemoteThread(SysGetCurrentProcess(), ExitProcessAddress(), 0), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  EXPECT_EQ(SysCreateRemoteThread(reinterpret_cast<SysHandle>(0x777), ExitProcessAddress(), 0), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
  // A thread started at an address that is no code crashes the process.
  SysHandle process = SysOpenProcess(kProcessAllAccess, 0, plain);
  ASSERT_NE(process, nullptr);
  SysHandle thread = SysCreateRemoteThread(process, reinterpret_cast<void*>(0x1000), 0);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(sim::ProcessExitCode(plain, &code));
  EXPECT_EQ(code, 0xC0000005u);
  EXPECT_EQ(SysCreateRemoteThread(process, ExitProcessAddress(), 0), nullptr);  // it ended
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  SysCloseHandle(thread);
  SysCloseHandle(process);
  EXPECT_TRUE(sim::ProcessRunning(guarded));
}

TEST_F(ProcessesTest, WaitingOnAProcessThatNeverEndsTimesOutOrFails) {
  const uint32_t id = sim::AddRunningProcess(u"stuck.exe", u"Stuck", u"Stuck", CloseBehaviour::kOnlyRemoteExit);
  SysHandle process = SysOpenProcess(kProcessAllAccess, 0, id);
  ASSERT_NE(process, nullptr);
  const uint64_t before = sim::ElapsedMilliseconds();
  EXPECT_EQ(SysWaitForSingleObject(process, 5000), kWaitTimeout);
  EXPECT_EQ(sim::ElapsedMilliseconds(), before + 5000);  // the time passed on the virtual clock
  EXPECT_EQ(SysWaitForSingleObject(process, kInfinite), kWaitFailed);
  EXPECT_EQ(SysGetLastError(), 1131u);
  EXPECT_EQ(JournalLines("wait-failed: "), std::vector<std::string>{"wait-failed: stuck.exe never ends"});
  EXPECT_EQ(SysWaitForSingleObject(SysGetCurrentProcess(), 0), kWaitTimeout);
  SysCloseHandle(process);
  EXPECT_EQ(SysWaitForSingleObject(process, 0), kWaitFailed);
  EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
}

TEST_F(ProcessesTest, HandlesDuplicateAndCloseByKind) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\f.txt", "abc"));
  SysHandle file = SysCreateFile(u"C:\\f.txt", kGenericRead, 0, kOpenExisting, 0);
  ASSERT_NE(file, kInvalidHandle);
  SysHandle copy = nullptr;
  ASSERT_EQ(SysDuplicateHandle(SysGetCurrentProcess(), file, SysGetCurrentProcess(), &copy, 0, 0,
                               kDuplicateSameAccess | 0x1),  // and close the source
            1);
  EXPECT_EQ(SysCloseHandle(file), 0);
  char buffer[4] = {};
  uint32_t done = 0;
  ASSERT_EQ(SysReadFile(copy, buffer, 3, &done), 1);
  EXPECT_EQ(std::string(buffer, done), "abc");
  // The duplicate shares the open file: still no unshared second open.
  EXPECT_EQ(SysCreateFile(u"C:\\f.txt", kGenericRead, kFileShareRead, kOpenExisting, 0), kInvalidHandle);
  EXPECT_EQ(SysCloseHandle(copy), 1);
  // The pseudo handle closes as a no-op; a folder listing is no kernel object.
  EXPECT_EQ(SysCloseHandle(SysGetCurrentProcess()), 1);
  SysFindData data;
  SysHandle find = SysFindFirstFile(u"C:\\*", &data);
  ASSERT_NE(find, kInvalidHandle);
  EXPECT_EQ(SysCloseHandle(find), 0);
  EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
  EXPECT_EQ(SysDuplicateHandle(SysGetCurrentProcess(), find, SysGetCurrentProcess(), &copy, 0, 0, 0), 0);
  EXPECT_EQ(SysFindNextFile(find, &data), 1);
  SysFindClose(find);
  // Handle tables of other processes are not modelled.
  const uint32_t id = sim::AddRunningProcess(u"x.exe", u"X", u"X", CloseBehaviour::kOnlyRemoteExit);
  SysHandle other = SysOpenProcess(kProcessAllAccess, 0, id);
  EXPECT_EQ(SysDuplicateHandle(SysGetCurrentProcess(), other, other, &copy, 0, 0, 0), 0);
  EXPECT_EQ(SysGetLastError(), 50u);
  SysCloseHandle(other);
}

TEST_F(ProcessesTest, InjectedFaultsFailTheProcessCalls) {
  const uint32_t id = sim::AddRunningProcess(u"tray.exe", u"T", u"T", CloseBehaviour::kOnlyRemoteExit);
  SysHandle process = SysOpenProcess(kProcessAllAccess, 0, id);
  ASSERT_NE(process, nullptr);
  void* exitProcess = ExitProcessAddress();
  struct Case {
    const char* function;
    bool failed;
  };
  SysHandle copy = nullptr;
  uint32_t code = 0;
  sim::FailCall("SysOpenProcess", 1, kErrAccessDenied);
  sim::FailCall("SysDuplicateHandle", 1, kErrAccessDenied);
  sim::FailCall("SysGetExitCodeProcess", 1, kErrAccessDenied);
  sim::FailCall("SysCreateRemoteThread", 1, kErrAccessDenied);
  sim::FailCall("SysWaitForSingleObject", 1, kErrAccessDenied);
  const Case cases[] = {
      {"SysOpenProcess", SysOpenProcess(kProcessAllAccess, 0, id) == nullptr},
      {"SysDuplicateHandle",
       SysDuplicateHandle(SysGetCurrentProcess(), process, SysGetCurrentProcess(), &copy, 0, 0, 0) == 0},
      {"SysGetExitCodeProcess", SysGetExitCodeProcess(process, &code) == 0},
      {"SysCreateRemoteThread", SysCreateRemoteThread(process, exitProcess, 3) == nullptr},
      {"SysWaitForSingleObject", SysWaitForSingleObject(process, 0) == kWaitFailed},
  };
  for (const Case& c : cases) EXPECT_TRUE(c.failed) << c.function;
  EXPECT_TRUE(sim::ProcessRunning(id));  // the failed remote thread ended nothing
  SysCloseHandle(process);
}

}  // namespace
