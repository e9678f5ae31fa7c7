// The machine's fault points in the kernel, profile, registry and library services: an armed
// call fails once with its error and changes nothing; the next call works again.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/sim_internal.h"
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
  constexpr ErrorCode kInjected = 1117;  // ERROR_IO_DEVICE
  uint32_t done = 0;
  char buffer[4] = {};
  char16_t name[260];
  const uint8_t one[4] = {1, 0, 0, 0};
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
  // Nothing happened: no new or temporary file, no delayed move, no value, same size and folder,
  // the handle still open, the library still loaded, no thread running.
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\new.txt"));
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\SET1.tmp"));
  EXPECT_EQ(sim::CurrentDirectory(), u"C:\\Work");
  EXPECT_EQ(RegLine("PendingFileRenameOperations") + RegLine("InstallTrace"), "");
  EXPECT_EQ(sim::internal::RunningProgramThreads(), 0);
  EXPECT_NE(SysGetProcAddress(kernel, "ExitProcess"), nullptr);
  EXPECT_EQ(SysGetFileSize(file, nullptr), 3u);
  // The next calls work again.
  EXPECT_EQ(SysReadProfileString(u"A", u"k", u"default", name, 260, u"C:\\Work\\a.ini"), 5u);
  EXPECT_EQ(SysRegSetValue(key, u"InstallTrace", kRegTypeDword, one, 4), 0);
  EXPECT_EQ(SysCloseHandle(file), 1);
  EXPECT_EQ(SysFreeLibrary(kernel), 1);
  SysRegCloseKey(key);
  EXPECT_EQ(Disk(u"C:\\Work\\f.txt"), "abc");
}

}  // namespace
