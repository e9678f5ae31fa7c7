// The machine's fault points: an armed call fails once (or from its nth call on, or always) with
// its error and changes nothing; the next call works again; only names a call checks can be
// armed.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

using FaultPointsTest = SimFixture;

uint32_t Idle(void*) { return 0; }

TEST_F(FaultPointsTest, AnArmedCallFailsOnceAndChangesNothing) {
  StartMachine("winxp");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Work\\f.txt", "abc"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Work\\a.ini", "[A]\nk=value\nn=9\n"));
  ASSERT_EQ(SysSetCurrentDirectory(u"C:\\Work"), 1);
  SysHandle file = SysCreateFile(u"C:\\Work\\f.txt", kGenericRead | kGenericWrite, 0, kOpenExisting, 0);
  ASSERT_NE(file, kInvalidHandle);
  RegKey key = nullptr;
  ASSERT_EQ(SysRegCreateKey(kRegLocalMachine, u"Software\\Norvik", kKeyAllAccess, &key, nullptr), 0);
  ModuleHandle kernel = SysLoadLibrary(u"kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  void* exitProcess = SysGetProcAddress(kernel, "ExitProcess");
  const uint32_t tray = sim::AddRunningProcess(u"tray.exe", u"T", u"T", sim::CloseBehaviour::kOnlyRemoteExit);
  SysHandle process = SysOpenProcess(kProcessAllAccess, 0, tray);
  ASSERT_NE(process, nullptr);
  ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
  const std::vector<std::string> dacl = sim::DescribeDacl(u"C:\\Product");
  constexpr ErrorCode kInjected = 1117;  // ERROR_IO_DEVICE
  uint32_t done = 0, size = 64;
  char buffer[4] = {};
  char16_t name[260];
  const uint8_t one[4] = {1, 0, 0, 0};
  alignas(8) uint8_t bytes[256] = {};
  SysAclHeader* acl = reinterpret_cast<SysAclHeader*>(bytes);
  SysHandle copy = nullptr;
  void* ace = nullptr;
  struct Case {
    const char* function;
    std::function<bool()> failed;  // true when the call reported its failure
  };
  const Case cases[] = {
      {"SysCreateFile", [&] { return SysCreateFile(u"C:\\new.txt", kGenericWrite, 0, kCreateNew, 0) == kInvalidHandle; }},
      {"SysReadFile", [&] { return SysReadFile(file, buffer, 1, &done) == 0; }},
      {"SysWriteFile", [&] { return SysWriteFile(file, "z", 1, &done) == 0; }},
      {"SysGetFileSize", [&] { return SysGetFileSize(file, nullptr) == kInvalidFileSize; }},
      {"SysGetFileTime", [&] { return SysGetFileTime(file, nullptr, nullptr, nullptr) == 0; }},
      {"SysSetFilePointer", [&] { return SysSetFilePointer(file, 0, 0) == kInvalidFileSize; }},
      {"SysSetEndOfFile", [&] { return SysSetEndOfFile(file) == 0; }},
      {"SysCreateFileMapping", [&] { return SysCreateFileMapping(file, 100) == nullptr; }},
      {"SysGetTempFileName", [&] { return SysGetTempFileName(u"C:\\", u"SET", 0, name) == 0; }},
      {"SysCloseHandle", [&] { return SysCloseHandle(file) == 0; }},
      {"SysMoveFileEx", [&] { return SysMoveFileEx(u"C:\\Work\\f.txt", nullptr, kMoveFileDelayUntilReboot) == 0; }},
      {"SysSetCurrentDirectory", [&] { return SysSetCurrentDirectory(u"C:\\") == 0; }},
      {"SysReadProfileString",
       [&] { return SysReadProfileString(u"A", u"k", u"default", name, 260, u"C:\\Work\\a.ini") == 7; }},
      {"SysReadProfileInt", [&] { return SysReadProfileInt(u"A", u"n", 4, u"C:\\Work\\a.ini") == 4; }},
      {"SysRegSetValue", [&] { return SysRegSetValue(key, u"InstallTrace", kRegTypeDword, one, 4) == int32_t(kInjected); }},
      {"SysLoadLibrary", [&] { return SysLoadLibrary(u"kernel32.dll") == nullptr; }},
      {"SysGetProcAddress", [&] { return SysGetProcAddress(kernel, "ExitProcess") == nullptr; }},
      {"SysFreeLibrary", [&] { return SysFreeLibrary(kernel) == 0; }},
      {"SysCreateThread", [&] { return SysCreateThread(Idle, nullptr) == nullptr; }},
      {"SysOpenProcess", [&] { return SysOpenProcess(kProcessAllAccess, 0, tray) == nullptr; }},
      {"SysDuplicateHandle",
       [&] { return SysDuplicateHandle(SysGetCurrentProcess(), process, SysGetCurrentProcess(), &copy, 0, 0, 0) == 0; }},
      {"SysGetExitCodeProcess", [&] { return SysGetExitCodeProcess(process, &done) == 0; }},
      {"SysCreateRemoteThread", [&] { return SysCreateRemoteThread(process, exitProcess, 3) == nullptr; }},
      {"SysWaitForSingleObject", [&] { return SysWaitForSingleObject(process, 0) == kWaitFailed; }},
      {"SysLookupAccountName", [&] { return SysLookupAccountName(u"Everyone", bytes, &size, name, &size) == 0; }},
      {"SysGetFileSecurity",
       [&] { return SysGetFileSecurity(u"C:\\Product", kDaclSecurityInformation, bytes, 256, &size) == 0; }},
      {"SysInitializeAcl", [&] { return SysInitializeAcl(acl, 64, kAclRevision) == 0; }},
      {"SysGetAce", [&] { return SysGetAce(acl, 0, &ace) == 0; }},
      {"SysAddAccessAllowedAceEx", [&] { return SysAddAccessAllowedAceEx(acl, kAclRevision, 3, 1, bytes) == 0; }},
      {"SysSetSecurityDescriptorControl", [&] { return SysSetSecurityDescriptorControl(bytes, 0x400, 0x400) == 0; }},
      {"SysSetFileSecurity", [&] { return SysSetFileSecurity(u"C:\\Product", kDaclSecurityInformation, bytes) == 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    ASSERT_TRUE(sim::FailCall(c.function, 1, kInjected));
    SysSetLastError(0);
    EXPECT_TRUE(c.failed());
    if (std::string(c.function).find("Profile") == std::string::npos && std::string(c.function) != "SysRegSetValue") {
      EXPECT_EQ(SysGetLastError(), kInjected);
    }
    EXPECT_TRUE(sim::RefusedFaults().empty());
    sim::ClearFaults();
  }
  // Nothing happened: no new or temporary file, no delayed move, no value, same size, folder and
  // access list, the handle still open, the library still loaded, no thread running, the
  // process alive.
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\new.txt"));
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\SET1.tmp"));
  EXPECT_EQ(sim::CurrentDirectory(), u"C:\\Work");
  EXPECT_EQ(RegLine("PendingFileRenameOperations") + RegLine("InstallTrace"), "");
  EXPECT_EQ(sim::internal::RunningProgramThreads(), 0);
  EXPECT_NE(SysGetProcAddress(kernel, "ExitProcess"), nullptr);
  EXPECT_EQ(SysGetFileSize(file, nullptr), 3u);
  EXPECT_TRUE(sim::ProcessRunning(tray));
  EXPECT_EQ(sim::DescribeDacl(u"C:\\Product"), dacl);
  // The next calls work again.
  EXPECT_EQ(SysReadProfileString(u"A", u"k", u"default", name, 260, u"C:\\Work\\a.ini"), 5u);
  EXPECT_EQ(SysRegSetValue(key, u"InstallTrace", kRegTypeDword, one, 4), 0);
  EXPECT_EQ(SysCloseHandle(file), 1);
  EXPECT_EQ(SysCloseHandle(process), 1);
  EXPECT_EQ(SysFreeLibrary(kernel), 1);
  SysRegCloseKey(key);
  EXPECT_EQ(Disk(u"C:\\Work\\f.txt"), "abc");
}

// The nth call fails, or every call from 0 on until the faults are cleared; counting starts
// when the fault is armed.
TEST_F(FaultPointsTest, CountsAndPermanentFaults) {
  sim::FailCall("SysCreateDirectory", 2, kErrAccessDenied);
  EXPECT_EQ(SysCreateDirectory(u"C:\\one"), 1);
  EXPECT_EQ(SysCreateDirectory(u"C:\\two"), 0);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\two"));
  EXPECT_EQ(SysCreateDirectory(u"C:\\three"), 1);
  sim::FailCall("SysCopyFile", 0, kErrSharingViolation);
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\one\\a.txt", "a"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SysCopyFile(u"C:\\one\\a.txt", u"C:\\one\\b.txt", 0), 0);
  EXPECT_EQ(SysGetLastError(), kErrSharingViolation);
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\one\\b.txt"));
  sim::ClearFaults();
  EXPECT_EQ(SysCopyFile(u"C:\\one\\a.txt", u"C:\\one\\b.txt", 0), 1);
  EXPECT_EQ(SysPathExists(u"C:\\one"), 1);
  sim::FailCall("SysPathExists", 1, kErrPathNotFound);
  EXPECT_EQ(SysPathExists(u"C:\\one"), 0);
  EXPECT_EQ(SysPathExists(u"C:\\one"), 1);
}

TEST_F(FaultPointsTest, OnlyNamesThatACallChecksCanBeArmed) {
  const struct {
    const char* name;
    bool armed;
  } cases[] = {
      {"SysCreateDirectory", true},   {"SysGetDlgItem", true}, {"SysDriverPackageInstall", true},
      {"SysGetVersionWord", false},   // cannot fail on Windows, so no call checks it
      {"SysCreateDirectoryX", false}, {"syscreatedirectory", false},  // names are exact
      {"", false},
  };
  std::vector<std::string> refused;
  for (const auto& c : cases) {
    EXPECT_EQ(sim::FailCall(c.name, 1, kErrAccessDenied), c.armed) << c.name;
    if (!c.armed) refused.push_back(c.name);
  }
  EXPECT_EQ(sim::RefusedFaults(), refused);
  // The armed calls of other families fail in the form their Windows call fails.
  EXPECT_EQ(SysGetDlgItem(nullptr, 1), nullptr);
  int reboot = 0;
  EXPECT_EQ(SysDriverPackageInstall(u"C:\\x.inf", 0, &reboot), kErrAccessDenied);
  StartMachine("win7");  // a fresh machine forgets the refusals, which tear-down would report
}

}  // namespace
