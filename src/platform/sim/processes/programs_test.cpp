// Programs started on the simulated machine: how the program file is found from a command line
// or a shell file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"

namespace {

class ProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::MachineProfile profile;
    ASSERT_TRUE(sim::BuiltinProfile("win7", &profile));
    sim::ResetMachine(profile);
    sim::SetModulePath(u"C:\\Setup\\setup.exe");
    for (const char16_t* file : {u"C:\\Program Files\\Norvik\\nvk.exe", u"C:\\Setup\\helper.exe",
                                 u"C:\\Windows\\System32\\tool.exe", u"C:\\Work\\sub\\run.exe"})
      ASSERT_TRUE(sim::WriteDiskFile(file, "MZ"));
  }
};

TEST_F(ProgramsTest, ProgramFileFromTheCommandLine) {
  struct Case {
    const char16_t* commandLine;
    const char* program;  // "" when the start fails
  };
  const Case cases[] = {
      {u"C:\\Program Files\\Norvik\\nvk.exe /s", "C:\\Program Files\\Norvik\\nvk.exe"},
      {u"\"C:\\Program Files\\Norvik\\nvk.exe\" /s", "C:\\Program Files\\Norvik\\nvk.exe"},
      {u"C:\\Program Files\\Norvik\\nvk /s", "C:\\Program Files\\Norvik\\nvk.exe"},
      {u"helper.exe -q", "C:\\Setup\\helper.exe"},
      {u"tool", "C:\\Windows\\System32\\tool.exe"},
      {u"sub\\run.exe", "C:\\Work\\sub\\run.exe"},
      {u"missing.exe", ""},
      {u"\"C:\\Program Files\\Norvik\\nvk.exe /s\"", ""},
  };
  ASSERT_TRUE(SysSetCurrentDirectory(u"C:\\Work"));
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.commandLine));
    const size_t before = sim::StartedPrograms().size();
    SysProcessInfo info = {};
    const int started = SysCreateProcess(c.commandLine, 0, nullptr, 0, 0, &info);
    EXPECT_EQ(started, c.program[0] ? 1 : 0);
    if (!started) {
      EXPECT_EQ(SysGetLastError(), kErrFileNotFound);
      EXPECT_EQ(sim::StartedPrograms().size(), before);
      continue;
    }
    EXPECT_EQ(sim::ToUtf8(sim::StartedPrograms().back().program), c.program);
    EXPECT_EQ(sim::ToUtf8(sim::StartedPrograms().back().currentDir), "C:\\Work");
    EXPECT_EQ(SysWaitForSingleObject(info.process, 0), kWaitObject0);
    SysCloseHandle(info.thread);
    SysCloseHandle(info.process);
  }
  // The shell takes its file as it stands: arguments in the file name make it a missing file.
  SysHandle process = nullptr;
  EXPECT_EQ(SysShellExecuteEx(u"open", u"helper.exe -q", nullptr, nullptr, kSwShow, &process), 0);
  EXPECT_EQ(SysShellExecuteEx(u"open", u"helper.exe", u"-q", nullptr, kSwHide, &process), 1);
  EXPECT_TRUE(sim::StartedPrograms().back().viaShell && sim::StartedPrograms().back().hidden);
  SysCloseHandle(process);
}

}  // namespace
