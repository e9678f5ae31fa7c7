// RunConflictUninstall: the direct clean-up or the uninstaller's start, the hidden wait and
// the windows' return, in that order.
#include "conflicts/run_conflict_uninstall.h"

#include <vector>

#include "common/text.h"
#include "conflicts/conflict_keys.h"
#include "shared/delete_registry_tree.h"
#include "conflicts/detect_conflicting_software.h"
#include "conflicts/enumerate_processes.h"
#include "conflicts/replace_registry_string_values.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "ui/side_picture.h"

namespace {

constexpr uint32_t kFirstWaitMs = 5000;
constexpr uint32_t kScanIntervalMs = 1000;

// The scan's callback: an uninstaller seen clears UninstallerRunning and stops the scan.
int SeeUninstaller(uint32_t, uint16_t, const char16_t* imageName, void*) {
  const long cut = TextFindLastChar(imageName, u'\\');
  const char16_t* file = cut >= 0 ? imageName + cut + 1 : imageName;
  if (TextEqualNoCase(file, kUninstallerImage) || TextEqualNoCase(file, kUninstallerShieldImage)) {
    UninstallerRunning = 0;
    return 0;
  }
  return 1;
}

// Without an uninstaller: the driver's registry entries go by the Windows family.
void CleanUpDirectly(const SysVersionInfo& version) {
  if (version.platformId == kPlatform9x) {
    DeleteRegistryTree(kRegLocalMachine, kRegPathConflictVxD);
  } else if (version.platformId == kPlatformNT && version.major < 5) {
    ReplaceRegistryStringValues(kRegLocalMachine, kRegPathEnumRoot, kConflictPortDriver, kSystemPortDriver);
    DeleteRegistryTree(kRegLocalMachine, kRegPathConflictService);
  }
}

// Starts the uninstaller's command line and waits until it is ready for input.
void StartUninstaller(const char16_t* command) {
  SysProcessInfo started = {};
  if (!SysCreateProcess(command, kHighPriorityClass, nullptr, 1, kSwShowNormal, &started)) return;
  SysWaitForInputIdle(started.process, kInfinite);
  SysCloseHandle(started.thread);
  SysCloseHandle(started.process);
}

}  // namespace

int ScanForUninstaller() {
  UninstallerRunning = 1;
  EnumerateProcesses(SeeUninstaller, nullptr);
  return UninstallerRunning == 0;
}

void RunConflictUninstall(WindowHandle dialog) {
  SysVersionInfo version;
  if (!SysGetVersionInfo(&version, 0)) return;
  if (!ConflictUninstallEntryFound) {
    CleanUpDirectly(version);
    return;
  }
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, ConflictUninstallKey, kKeyAllAccess, &key) != 0) return;
  std::vector<char16_t> command;
  ReadConflictText(key, kRegValueUninstallString, &command);
  SysRegCloseKey(key);
  StartUninstaller(command.data());

  WindowHandle frame = SysGetParent(dialog);
  SysShowWindow(dialog, kSwHide);
  SysShowWindow(frame, kSwHide);
  SysShowWindow(g_hMainWindow, kSwMinimize);
  SysSleep(kFirstWaitMs);
  for (;;) {
    const int seen = ScanForUninstaller();
    SysSleep(kScanIntervalMs);
    if (!seen) break;
  }
  SysShowWindow(g_hMainWindow, kSwShowNormal);
  SysShowWindow(frame, kSwShow);
  SysShowWindow(dialog, kSwShow);
  SysSetForegroundWindow(dialog);
}
