// Driver package staging: package files into PackageDir, the DIFx package install with the
// listed USB devices, and the staged INF filed into the Windows INF store.
#include "install/driver_package_staging.h"

#include "common/text.h"
#include "shared/trace.h"
#include "drivers/driver_keys.h"
#include "drivers/oem_inf_keys.h"
#include "shared/path_macros.h"
#include "install/install_keys.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/ui.h"
#include "services/uninstall_entry.h"
#include "settings/settings.h"

namespace {

constexpr uint32_t kDifxFlags = kDriverPackageForce | kDriverPackageLegacyMode;
// SetupCopyOEMInfW is given a 260-character name buffer with its size stated as 520: the buffer
// here holds the stated size, and the name is used up to 259 characters.
constexpr uint32_t kRegisteredInfNameSize = 260;

// Copies SourceDir\name to PackageDir + name, replacing a read-only copy, and records it.
// The paths are handed back for the diagnostic box.
void StagePackageFile(const char16_t* name, char16_t (&source)[kTextSize], char16_t (&target)[kTextSize]) {
  TextCopy(source, g_Settings.SourceDir);
  TextAppend(source, u"\\");
  TextAppend(source, name);
  TextCopy(target, g_Settings.PackageDir);
  TextAppend(target, name);
  if (SysPathExists(target)) SysSetFileAttributes(target, kAttrNormal);
  if (SysCopyFile(source, target, 0)) WriteUninstallEntry(target);
}

void ShowStagedFile(const char16_t* source, const char16_t* target) {
  if (g_Settings.InstallTrace) SysMessageBox(nullptr, source, target, kMbOk);
}

// The first field of a comma-separated line that is not empty (leading blanks and tabs skipped);
// empty when there is none.
void FirstNonEmptyField(const char16_t* line, char16_t* out, uint32_t cap) {
  out[0] = 0;
  const char16_t* p = line;
  while (*p) {
    while (*p == u' ' || *p == u'\t') ++p;
    const char16_t* end = p;
    while (*end && *end != u',') ++end;
    if (end > p) {
      TextCopyN(out, cap, p, static_cast<size_t>(end - p));
      return;
    }
    p = *end ? end + 1 : end;
  }
}

// Copies the files listed in Presetup.ini's [CopyList].
void StageListedFiles(const char16_t* list) {
  for (int32_t k = 1;; ++k) {
    char16_t key[16];
    char16_t line[kPresetupLineSize];
    TextFormat(key, 16, u"%d", k);
    if (SysReadProfileString(kPresetupSection, key, u"", line, kPresetupLineSize, list) == 0) return;
    char16_t name[kPresetupLineSize];
    FirstNonEmptyField(line, name, kPresetupLineSize);
    if (name[0] == 0) continue;
    char16_t source[kTextSize];
    char16_t target[kTextSize];
    StagePackageFile(name, source, target);
    ShowStagedFile(source, target);
  }
}

// Shows why SetupCopyOEMInfW failed, with the system's text for the error.
void ShowRegisterFailure(ErrorCode error) {
  char16_t message[kTextSize * 2];
  char16_t text[kTextSize * 4];
  SysFormatSystemMessage(error, message, kTextSize * 2);
  TextFormat(text, kTextSize * 4, kRegisterInfFailedFormat, static_cast<int>(error), message);
  SysMessageBox(nullptr, text, kRegisterInfFailedCaption, kMbOk);
}

// Files the staged INF into the Windows INF store and records the copy.
void CopyStagedInf() {
  const SettingsRecord& s = g_Settings;
  char16_t source[kTextSize];
  ChoosePackageFolder(source, kTextSize);
  Trace(u"RegisterPackageInf: %s", source);
  const long slash = TextFindLastChar(s.InfPath, u'\\');
  TextAppend(source, s.InfPath + slash + 1);

  char16_t older[kTextSize * 2];
  const uint32_t length = SysGetWindowsDirectory(older, kTextSize);
  if (length > 0 && length < kTextSize) {  // without the Windows folder there is nothing to remove
    TextAppend(older, kInfFolderBelowWindows);
    TextAppend(older, s.USBInf);
    SysDeleteFile(older);
  }

  if (s.InstallTrace) SysMessageBox(nullptr, source, kRegisterInfCaption, kMbOk);
  char16_t stated[kOemInfNameSize] = {};
  const int copied = SysSetupCopyOEMInf(source, kSpostPath, 0, stated, kOemInfNameSize);
  const ErrorCode error = SysGetLastError();
  char16_t copy[kRegisteredInfNameSize];
  TextCopy(copy, stated);
  if (copied)
    WriteUninstallEntry(copy);
  else if (s.InstallTrace)
    ShowRegisterFailure(error);
  if (s.InstallTrace) SysMessageBox(nullptr, copied ? copy : u"", nullptr, kMbOk);
}

}  // namespace

void StageDriverPackage() {
  char16_t list[kTextSize];
  TextCopy(list, g_Settings.SourceDir);
  TextAppend(list, u"\\");
  TextAppend(list, kPresetupFile);
  if (SysPathExists(list)) {
    StageListedFiles(list);
    return;
  }
  const char16_t* const files[] = {kPackageCabinet, kPackageInf, kPackageCatalog};
  for (const char16_t* name : files) {
    char16_t source[kTextSize];
    char16_t target[kTextSize];
    StagePackageFile(name, source, target);
    if (name == kPackageInf) ShowStagedFile(source, target);
  }
}

void InstallListedPackage() {
  const SettingsRecord& s = g_Settings;
  int restart = 0;
  const uint32_t result = SysDriverPackageInstall(s.USBInf01, kDifxFlags, &restart);
  Trace(u"0x%x, %s", result, s.USBInf01);
  if (result == kDifxPackageNotInstalled || result == kDifxNoSuchDevice)
    SysDriverPackagePreinstall(s.USBInf01, kDifxFlags);

  // The device updates need newdev's update function; systems without it only get the package.
  ModuleHandle newdev = SysLoadLibrary(kNewdevLibrary);
  if (!newdev) return;
  if (SysGetProcAddress(newdev, kUpdateDriverExport)) {
    for (int32_t n = 1; n <= kUsbListedDeviceMax; ++n) {
      char16_t key[16];
      char16_t id[kTextSize];
      TextFormat(key, 16, u"%s%d", kUsbDeviceIdKey, n);
      if (SysReadProfileString(s.USBInstallSection, key, u"", id, kTextSize, s.ConfigFile) == 0) break;
      SysUpdateDriverForPlugAndPlayDevices(id, s.USBInf01, kInstallFlagForce, &restart);
      const ErrorCode error = SysGetLastError();
      Trace(u"******UpdateDriverForPlugAndPlayDevices = 0x%x, %s****", error, id);
    }
  }
  SysFreeLibrary(newdev);
}

void RegisterPackageInf() {
  const SettingsRecord& s = g_Settings;
  ModuleHandle setupapi = SysLoadLibrary(kLibrarySetupApi);
  if (s.InstallTrace) SysMessageBox(nullptr, kRegisterInfStartText, nullptr, kMbOk);
  if (s.Sleep1Sec) SysSleep(1000);
  if (!setupapi) return;
  if (!s.NoInfMode && SysGetProcAddress(setupapi, kProcSetupCopyOEMInf)) CopyStagedInf();
  SysFreeLibrary(setupapi);
}

void ChoosePackageFolder(char16_t* out, uint32_t cap) {
  if (g_szProgramFileDest[0] != 0)
    TextCopy(out, cap, g_szProgramFileDest);
  else if (g_Settings.AskPath)
    TextCopy(out, cap, g_Settings.DestinationDir);
  else if (const uint32_t length = SysGetSystemDirectory(out, cap); length == 0 || length >= cap)
    out[0] = 0;
  TextAppend(out, cap, u"\\");
}
