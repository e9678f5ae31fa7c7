// The driver setup program: its command line, its start with a wait, and its verdict.
#include "drivers/driver_setup_program.h"

#include "common/text.h"
#include "shared/trace.h"
#include "drivers/driver_keys.h"
#include "drivers/driver_record.h"
#include "drivers/driver_trace_box.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "settings/settings.h"
#include "ui/message_dialogs.h"

namespace {

constexpr uint32_t kPollMilliseconds = 500;
constexpr uint32_t kVersionWord9x = 0x80000000;

const char16_t* SetupProgramName() {
  if (SysGetVersionWord() < kVersionWord9x) return kSetupProgramNT;
  if (g_Settings.InterfaceType == kInterfaceUSB && g_Settings.DrvSetupProgram[0]) return g_Settings.DrvSetupProgram;
  return kSetupProgram9x;
}

// Starts the command line in SourceDir and polls until the program has ended. A program that
// does not start is neither waited for nor reported.
void RunAndWait(const char16_t* command) {
  char16_t line[kSetupCommandSize];
  TextCopy(line, command);  // CreateProcess may write into its command line
  SysProcessInfo info = {};
  if (!SysCreateProcess(line, kNormalPriorityClass, g_Settings.SourceDir, 0, 0, &info)) return;
  uint32_t exitCode = kStillActive;
  while (SysGetExitCodeProcess(info.process, &exitCode) && exitCode == kStillActive) SysSleep(kPollMilliseconds);
  SysCloseHandle(info.thread);
  SysCloseHandle(info.process);
}

}  // namespace

int BuildSetupProgramCommand(char16_t* command) {
  const char16_t* program = SetupProgramName();
  char16_t path[2 * kTextSize];
  TextCopy(path, g_Settings.SourceDir);
  TextAppend(path, u"\\");
  TextAppend(path, program);

  char16_t record[2 * kTextSize];
  DriverRecordPath(record, 2 * kTextSize);
  TextCopy(command, kSetupCommandSize, path);
  TextAppend(command, kSetupCommandSize, u" ");
  TextAppend(command, kSetupCommandSize, record);
  return SysPathExists(path) ? 1 : 0;
}

int RunDriverSetupProgram(WindowHandle dialog, const char16_t* command) {
  if (g_Settings.UseSetupNtHelper) {
    RunAndWait(kSetupNtHelperCommand);
  } else {
    RunAndWait(command);
    Trace(u"%s", command);
  }
  char16_t caption[32];
  TextFormat(caption, 32, u"%s szCmd", InterfaceTraceName());
  DriverTraceBox(command, caption);
  if (g_Settings.Sleep1Sec) SysSleep(1000);

  const uint32_t result = ReadDriverResult();
  if (result == kDriverResultSuccess || g_Settings.PreloadMode) {
    g_Settings.SkipRunPrograms = 0;
    return 1;
  }
  if (result == kDriverResultNoPrivilege) {
    ShowNoPrivilege(dialog);
    return 0;
  }
  if (g_Settings.InstallAllType || (result == kDriverResultFailed && g_Settings.InterfaceType == kInterfaceUSB)) {
    g_Settings.SkipRunPrograms = 1;
    return 1;
  }
  Trace(u"FailDlgProc Show");
  ShowSetupFailed(dialog);
  return 0;
}
