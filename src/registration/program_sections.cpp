// Program sections: each numbered line of a "Run" section of the setup configuration becomes a
// command line (relative to the package, or below a named Windows folder that also becomes the
// current folder) and is started; the daemon, the service installer and the VxDs follow the same
// pattern.
#include "registration/program_sections.h"

#include "common/text.h"
#include "shared/trace.h"
#include "shared/shellexecute_and_wait.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "registration/registration_keys.h"
#include "settings/settings.h"

namespace {

// How one numbered section differs from the others.
enum class StartKind { kCreateProcess, kShellAndWait };
struct ProgramSection {
  const char16_t* name;
  StartKind start;
  bool programFilesKnown;  // "%Program Files%" names a folder in this section
  bool restoreFolder;      // the current folder goes back to SourceDir after a "%" line
};

// The Windows or system folder into folder (kTextSize characters). 1 when the query answered,
// 0 with folder empty when it failed.
int WindowsFolderOrEmpty(char16_t* folder) {
  const uint32_t length = SysGetWindowsDirectory(folder, kTextSize);
  if (length > 0 && length < kTextSize) return 1;
  folder[0] = 0;
  return 0;
}
int SystemFolderOrEmpty(char16_t* folder) {
  const uint32_t length = SysGetSystemDirectory(folder, kTextSize);
  if (length > 0 && length < kTextSize) return 1;
  folder[0] = 0;
  return 0;
}

// The folder a line's leading "%name%" stands for, written to folder (kTextSize characters).
// Returns 0 when the name is not one of the section's folder names.
int LookUpRunFolder(const char16_t* name, bool programFilesKnown, char16_t* folder) {
  folder[0] = 0;
  if (TextEqualNoCase(name, kRunFolderSystem)) {
    SystemFolderOrEmpty(folder);
  } else if (TextEqualNoCase(name, kRunFolderWindows)) {
    WindowsFolderOrEmpty(folder);
  } else if (TextEqualNoCase(name, kRunFolderInf)) {
    if (WindowsFolderOrEmpty(folder)) TextAppend(folder, kTextSize, kInfBelowWindows);
  } else if (TextEqualNoCase(name, kRunFolderDrivers)) {
    if (WindowsFolderOrEmpty(folder)) TextAppend(folder, kTextSize, kDriversBelowWindows);
  } else if (programFilesKnown && TextEqualNoCase(name, kRunFolderProgramFiles)) {
    TextCopy(folder, kTextSize, g_Settings.AskPath ? g_Settings.DestinationDir : g_szProgramFileDest);
  } else {
    return 0;
  }
  return 1;
}

// Builds the command line of a line into commandLine (kTextSize characters). A line beginning
// with "%" also makes its folder the current folder. Returns 0 when a "%" line names no known
// folder (or lacks its closing "%"): nothing is to run for it.
int BuildCommandLine(const char16_t* line, bool programFilesKnown, char16_t* commandLine) {
  commandLine[0] = 0;
  if (line[0] != u'%') {
    TextCopy(commandLine, kTextSize, g_Settings.SourceDir);
    TextAppend(commandLine, kTextSize, u"\\");
    TextAppend(commandLine, kTextSize, line);
    return 1;
  }
  const long close = TextFindChar(line + 1, u'%');
  if (close < 0) {
    Trace(u"Run: no folder in %s", line);
    return 0;
  }
  char16_t name[kTextSize];
  TextCopyN(name, kTextSize, line, static_cast<size_t>(close) + 2);
  char16_t folder[kTextSize];
  if (!LookUpRunFolder(name, programFilesKnown, folder)) {
    Trace(u"Run: unknown folder %s", name);
    return 0;
  }
  SysSetCurrentDirectory(folder);
  TextCopy(commandLine, kTextSize, folder);
  TextAppend(commandLine, kTextSize, line + close + 2);
  return 1;
}

// Starts a command line with default start-up information and closes the handles at once.
void StartProgram(const char16_t* commandLine) {
  SysProcessInfo info = {};
  if (!SysCreateProcess(commandLine, 0, nullptr, 0, 0, &info)) return;
  SysCloseHandle(info.thread);
  SysCloseHandle(info.process);
}

// Runs the numbered lines of a section of ConfigFile; skip set means lines are read (and their
// folder set) but nothing starts. Returns the number of lines read.
int RunProgramSection(const ProgramSection& section, bool skip) {
  int n = 1;
  for (;; ++n) {
    char16_t key[16];
    TextFormat(key, 16, u"%d", n);
    char16_t line[kTextSize];
    SysReadProfileString(section.name, key, u"", line, kTextSize, g_Settings.ConfigFile);
    if (line[0] == 0) break;
    char16_t commandLine[kTextSize];
    const int runnable = BuildCommandLine(line, section.programFilesKnown, commandLine);
    if (runnable && !skip) {
      if (section.start == StartKind::kShellAndWait)
        ShellexecuteExAndWait(kVerbOpen, commandLine, nullptr, kSwShow);
      else
        StartProgram(commandLine);
    }
    if (section.restoreFolder && line[0] == u'%') SysSetCurrentDirectory(g_Settings.SourceDir);
  }
  return n - 1;
}

}  // namespace

int RunUSBPrograms() {
  const ProgramSection section = {kSectionRun, StartKind::kCreateProcess, true, true};
  const int count = RunProgramSection(section, g_Settings.SkipRunPrograms != 0);
  StartDaemon(g_Settings.DestinationDir, kDaemonProgram);
  return count;
}

int RunBTPrograms() {
  const ProgramSection section = {kSectionRunBT, StartKind::kShellAndWait, true, true};
  const bool skip = g_Settings.SilentSwitchSeen != 0 || g_Settings.TypeSwitchSeen != 0;
  const int count = RunProgramSection(section, skip);
  StartDaemon(g_Settings.DestinationDir, kDaemonProgram);
  return count;
}

int RunPS2Programs() {
  const ProgramSection section = {kSectionRunPS2, StartKind::kCreateProcess, true, true};
  return RunProgramSection(section, false);
}

int RunPreloadPrograms() {
  const ProgramSection section = {kSectionRunPreload, StartKind::kCreateProcess, false, true};
  return RunProgramSection(section, false);
}

int RunAutoUpdatePrograms() {
  const ProgramSection section = {kSectionRunAutoUpdate, StartKind::kCreateProcess, true, false};
  return RunProgramSection(section, false);
}

void InstallService() {
  SysVersionInfo version;
  if (!SysGetVersionInfo(&version, 0) || version.major < 6) return;
  char16_t line[kTextSize];
  SysReadProfileString(kSectionRunSvc, kKeySvc, u"", line, kTextSize, g_Settings.ConfigFile);
  if (line[0] == 0) return;
  char16_t commandLine[kTextSize];
  if (!BuildCommandLine(line, true, commandLine)) return;
  Trace(u"InstallService");
  Trace(u"%s", commandLine);
  SysProcessInfo info = {};
  if (!SysCreateProcess(commandLine, kNormalPriorityClass, nullptr, 1, kSwHide, &info)) return;
  SysCloseHandle(info.thread);
  SysCloseHandle(info.process);
}

void StartDaemon(const char16_t* folder, const char16_t* program) {
  char16_t path[kTextSize];
  TextCopy(path, kTextSize, folder);
  TextAppend(path, kTextSize, u"\\");
  TextAppend(path, kTextSize, kDaemonFile);
  if (!SysPathExists(path)) {
    TextCopy(path, kTextSize, g_szProgramFileDest);
    TextAppend(path, kTextSize, u"\\");
    TextAppend(path, kTextSize, program);
  }
  StartProgram(path);
}

int StartVxDs() {
  int n = 1;
  for (;; ++n) {
    char16_t key[16];
    TextFormat(key, 16, u"%d", n);
    char16_t name[kTextSize];
    SysReadProfileString(kSectionStartVxD, key, u"", name, kTextSize, g_Settings.EspecialFile);
    if (name[0] == 0) break;
    StartVxD(name);
  }
  return n - 1;
}

int StartVxD(const char16_t* fileName) {
  char16_t system[kTextSize];
  if (!SystemFolderOrEmpty(system)) return 0;
  char16_t path[2 * kTextSize];
  TextCopy(path, 2 * kTextSize, kVxDDevicePrefix);
  TextAppend(path, 2 * kTextSize, system);
  TextAppend(path, 2 * kTextSize, u"\\");
  TextAppend(path, 2 * kTextSize, fileName);
  // The device stays loaded as long as its handle is open: it is never closed.
  SysHandle device = SysCreateFile(path, 0, 0, 0, 0);
  return device == kInvalidHandle ? 0 : 1;
}
