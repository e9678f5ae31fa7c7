// The OEM INF copy of the chosen interface's driver INF into the Windows INF store.
#include "drivers/oem_inf_copy.h"

#include "common/text.h"
#include "shared/trace.h"
#include "drivers/oem_inf_keys.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/ui.h"
#include "services/uninstall_entry.h"
#include "settings/settings.h"

namespace {

// Only a setup started from a fixed disk files its INF: the first three characters of
// SourceDir name the drive's root.
bool SourceOnFixedDisk() {
  char16_t root[4];
  TextCopyN(root, 4, g_Settings.SourceDir, 3);
  return SysGetDriveType(root) == kDriveFixed;
}

// Removes an older copy of infName from the Windows INF folder.
void DeleteOlderInfCopy(const char16_t* infName) {
  char16_t path[kTextSize * 2];
  const uint32_t length = SysGetWindowsDirectory(path, kTextSize);
  if (length == 0 || length >= kTextSize) return;  // no Windows folder: nothing to remove
  TextAppend(path, kInfFolderBelowWindows);
  TextAppend(path, infName ? infName : u"");
  SysDeleteFile(path);
}

}  // namespace

void CopyOEMInf(const char16_t* infName) {
  const SettingsRecord& s = g_Settings;
  ModuleHandle setupapi = SysLoadLibrary(kLibrarySetupApi);
  if (!setupapi) return;
  if (SysGetProcAddress(setupapi, kProcSetupCopyOEMInf) && SourceOnFixedDisk()) {
    DeleteOlderInfCopy(infName);
    if (s.InstallTrace) SysMessageBox(nullptr, s.InfPath, kOemInfTraceCaption, kMbOk);
    if (s.Sleep1Sec) SysSleep(1000);
    char16_t copy[kOemInfNameSize] = {};
    if (SysSetupCopyOEMInf(s.InfPath, kSpostPath, 0, copy, kOemInfNameSize)) {
      if (s.InstallTrace) SysMessageBox(nullptr, copy, kOemInfTraceCaption, kMbOk);
      Trace(u"CopyOEMInf: InfPath = %s, name = %s", s.InfPath, infName ? infName : u"");
      Trace(u"CopyOEMInf: copied to %s", copy);
      WriteUninstallEntry(copy);
    }
  }
  SysFreeLibrary(setupapi);
}
