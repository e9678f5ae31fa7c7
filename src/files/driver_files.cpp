// GetDriverSysFile and MetadataPackageCopy: the per-platform driver files laid over the copy
// source, and the device-metadata packages copied into the system's store.
#include "files/driver_files.h"

#include "common/text.h"
#include "shared/trace.h"
#include "files/copy_state.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "services/uninstall_entry.h"
#include "settings/config_keys.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"

namespace {

// Driver-tree subfolders per platform code: the one preferred, and the one used when it is
// missing (null: no fallback, the preferred one is used whether it exists or not).
struct PlatformDriverDir {
  int32_t platform;
  const char16_t* preferred;
  const char16_t* fallback;
};

const PlatformDriverDir kPlatformDriverDirs[] = {
    {kPlatformWin2000, kDriverDirWin2k, kDriverDirW2k},
    {kPlatformWinXP, kDriverDirXp, nullptr},
    {kPlatformVista, kDriverDirVista, nullptr},
    {kPlatformServer2003, kDriverDirVista, nullptr},
    {kPlatformWin7, kDriverDirWin7, kDriverDirVista},
    {kPlatformWin8, kDriverDirWin8, kDriverDirWin7},
};

// The folder the copy engine takes its files from.
void CopySourceFolder(char16_t* out) {
  const SettingsRecord& s = g_Settings;
  if (s.CabFile)
    TextCopy(out, kDriverPathSize, TempExtractDir);
  else
    JoinPath(out, kDriverPathSize, s.SourceDir, s.SubFolder);
}

// The driver-tree folder for the running platform into out.
void ChooseDriverFolder(const char16_t* root, char16_t* out) {
  TextCopy(out, kDriverPathSize, root);
  for (const PlatformDriverDir& dir : kPlatformDriverDirs) {
    if (dir.platform != g_Settings.Platform) continue;
    JoinPath(out, kDriverPathSize, root, dir.preferred);
    if (dir.fallback && SysGetFileAttributes(out) == kInvalidAttributes) JoinPath(out, kDriverPathSize, root, dir.fallback);
    return;
  }
}

// Creates every missing folder of path, from the first level below the drive down.
void CreateEveryLevel(const char16_t* path) {
  char16_t level[kDriverPathSize];
  size_t length = TextLength(path);
  size_t start = (length >= 3 && path[1] == u':' && path[2] == u'\\') ? 3 : 1;
  for (size_t i = start; i <= length; ++i) {
    if (path[i] != u'\\' && path[i] != 0) continue;
    TextCopyN(level, kDriverPathSize, path, i);
    if (SysGetFileAttributes(level) == kInvalidAttributes) SysCreateDirectory(level);
  }
}

}  // namespace

int GetDriverSysFile() {
  const SettingsRecord& s = g_Settings;
  Trace(u"GetDriverSysFile");
  char16_t treeName[kDriverFileValueSize];
  SysReadProfileString(kSectionDefault, kKeyDriverFile, kDefaultDriverFolder, treeName, kDriverFileValueSize,
                       s.ConfigFile);
  char16_t root[kDriverPathSize], folder[kDriverPathSize], target[kDriverPathSize];
  JoinPath(root, kDriverPathSize, s.SourceDir, treeName);
  ChooseDriverFolder(root, folder);
  Trace(u"%s", folder);

  char16_t pattern[kDriverPathSize];
  JoinPath(pattern, kDriverPathSize, folder, u"*.*");
  SysFindData found;
  SysHandle find = SysFindFirstFile(pattern, &found);
  if (find == kInvalidHandle) return 0;

  char16_t copySource[kDriverPathSize];
  CopySourceFolder(copySource);
  do {
    if ((found.attributes & kAttrDirectory) || found.name[0] == u'.') continue;
    char16_t source[kDriverPathSize];
    JoinPath(source, kDriverPathSize, folder, found.name);
    JoinPath(target, kDriverPathSize, copySource, found.name);
    SysCopyFile(source, target, 0);
    SysSetFileAttributes(target, kAttrNormal);
    Trace(u"src = %s, tag = %s, Fun = %s", source, target, u"GetDriverSysFile");
  } while (SysFindNextFile(find, &found));
  SysFindClose(find);
  return 1;
}

int MetadataPackageCopy() {
  const SettingsRecord& s = g_Settings;
  Trace(u"MetadataPackageCopy START");
  char16_t package[kDriverPathSize], pattern[kDriverPathSize];
  JoinPath(package, kDriverPathSize, s.SourceDir, kMetadataFolder);
  JoinPath(pattern, kDriverPathSize, package, u"*.*");
  SysFindData found;
  SysHandle find = SysFindFirstFile(pattern, &found);
  if (find == kInvalidHandle) {
    Trace(u"MetadataPackageCopy: no package folder %s", package);
    return 0;
  }

  // Without the common application-data folder there is no store to copy into (the package
  // folder was listed all the same).
  char16_t appData[260];
  char16_t store[kDriverPathSize];
  store[0] = 0;
  if (SysGetFolderPath(kFolderCommonAppData, appData) && appData[0]) {
    TextCopy(store, appData);
    TextAppend(store, kMetadataStoreSubpath);
    CreateEveryLevel(store);
  }

  // The first result is the folder's own entry and is passed over.
  while (store[0] && SysFindNextFile(find, &found)) {
    if (found.name[0] == u'.') continue;
    char16_t source[kDriverPathSize], target[kDriverPathSize];
    JoinPath(source, kDriverPathSize, package, found.name);
    JoinPath(target, kDriverPathSize, store, found.name);
    if (SysCopyFile(source, target, 0)) WriteUninstallEntry(target);
    SysSetFileAttributes(target, kAttrNormal);
    Trace(u"%s, %s", source, target);
  }
  SysFindClose(find);
  return 1;
}
