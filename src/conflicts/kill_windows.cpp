// Closing listed windows: the [KillWindow] walk and the remote exit of a window's process.
#include "conflicts/kill_windows.h"

#include "common/text.h"
#include "conflicts/conflict_keys.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t kNameSize = 256;

// Closes every running window of one class and caption, one per pass.
void KillWindowsOfEntry(const char16_t* className, const char16_t* caption) {
  for (int pass = 0; pass < kKillPassesPerEntry; ++pass) {
    WindowHandle window = SysFindWindow(className, caption);
    if (window == nullptr) return;
    SysPostMessage(window, kCloseRequestMessage, 0, 0);
    if (!EndProcessOfWindow(window, 0)) SysSendMessage(window, kWmDestroy, 0, 0);
  }
}

}  // namespace

void KillListedWindows() {
  for (int n = 1;; ++n) {
    char16_t key[16];
    char16_t section[kNameSize];
    TextFormat(key, 16, u"%d", n);
    SysReadProfileString(kSectionKillWindow, key, u"", section, kNameSize, g_Settings.ConfigFile);
    if (section[0] == 0) return;

    char16_t className[kNameSize];
    char16_t caption[kNameSize];
    SysReadProfileString(section, kKeyKillClass, u"", className, kNameSize, g_Settings.ConfigFile);
    SysReadProfileString(section, kKeyKillCaption, u"", caption, kNameSize, g_Settings.ConfigFile);
    if (className[0] == 0 || caption[0] == 0) continue;
    KillWindowsOfEntry(className, caption);
  }
}

int EndProcessOfWindow(WindowHandle window, uint32_t exitCode) {
  uint32_t processId = 0;
  SysGetWindowThreadProcessId(window, &processId);
  SysHandle process = SysOpenProcess(kProcessAllAccess, 0, processId);
  if (process == nullptr) return 0;

  SysHandle duplicate = nullptr;
  SysHandle self = SysGetCurrentProcess();
  if (!SysDuplicateHandle(self, process, self, &duplicate, kProcessAllAccess, 0, 0)) duplicate = nullptr;
  SysHandle target = duplicate != nullptr ? duplicate : process;

  int result = 0;
  ErrorCode error = kErrSuccess;
  uint32_t status = 0;
  if (!SysGetExitCodeProcess(target, &status) || status != kStillActive) {
    error = kErrProcessAborted;
  } else {
    // Kernel32 lies at the same address in every process, so this process's ExitProcess is
    // the target's too.
    ModuleHandle kernel = SysLoadLibrary(kKernel32);
    void* exitProcess = kernel != nullptr ? SysGetProcAddress(kernel, kExitProcessName) : nullptr;
    SysHandle thread = exitProcess != nullptr ? SysCreateRemoteThread(target, exitProcess, exitCode) : nullptr;
    if (thread == nullptr) {
      error = SysGetLastError();
    } else {
      SysWaitForSingleObject(target, kInfinite);
      SysCloseHandle(thread);
      result = 1;
    }
    if (kernel != nullptr) SysFreeLibrary(kernel);
  }

  if (duplicate != nullptr) SysCloseHandle(duplicate);
  SysCloseHandle(process);
  if (!result) SysSetLastError(error);
  return result;
}
