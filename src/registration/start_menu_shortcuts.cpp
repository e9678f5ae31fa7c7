// Start-menu shortcuts: the menu section of SETUP2K.INI chosen by interface, platform and
// language gives the folder title and the items; each item becomes a shortcut in the all-users
// Programs folder, made by the package's menu library on Windows 8 and later and by a shell link
// before. An older model's two-shortcut folder can be removed afterwards.
#include "registration/start_menu_shortcuts.h"

#include "common/text.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "registration/registration_keys.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"
#include "shared/registry_values.h"

namespace {

constexpr uint32_t kItemValueSize = 520;   // an item definition: 519 characters and the terminator
constexpr uint32_t kMenuPathSize = 520;    // composed link and target paths
constexpr uint32_t kFolderPathSize = 260;  // special folders
constexpr uint32_t kOldMenuTitleBytes = 260;

// Set once the menu folder is recorded for the uninstaller in this run.
int g_MenuFolderRecorded = 0;

// The menu and item sections for the current settings.
void ChooseMenuSections(const char16_t** menuSection, const char16_t** itemSection) {
  if (TextEqualNoCase(g_Settings.LanguageName, kMenuLanguage) && g_Settings.Especial != 0) {
    *menuSection = kSectionChStartMenu;
    *itemSection = kSectionChMenuItem;
    return;
  }
  *itemSection = kSectionMenuItem;
  const bool bluetooth = g_Settings.InterfaceType == kInterfaceBluetooth ||
                         (g_Settings.InterfaceType == kInterfaceAll && g_Settings.BTDriverName[0] != 0);
  if (g_Settings.Platform == kPlatformWin8)
    *menuSection = bluetooth ? kSectionWin8BTStartMenu : kSectionWin8StartMenu;
  else
    *menuSection = bluetooth ? kSectionBTStartMenu : kSectionStartMenu;
}

// Whether a folder query that answered length into folder (cap characters) worked; when not,
// folder is made empty.
bool FolderOrEmpty(uint32_t length, char16_t* folder, uint32_t cap) {
  if (length > 0 && length < cap) return true;
  folder[0] = 0;
  return false;
}

// The folder of an item definition's third field (DestinationDir whatever it says when AskPath
// is set), into folder (kMenuPathSize characters). Returns 0 for a name outside the table.
int LookUpItemFolder(const char16_t* name, char16_t* folder) {
  folder[0] = 0;
  if (g_Settings.AskPath) {
    TextCopy(folder, kMenuPathSize, g_Settings.DestinationDir);
  } else if (TextEqualNoCase(name, kMenuFolderHelp)) {
    if (!FolderOrEmpty(SysGetWindowsDirectory(folder, kMenuPathSize), folder, kMenuPathSize)) return 0;
    TextAppend(folder, kMenuPathSize, kHelpBelowWindows);
  } else if (TextEqualNoCase(name, kMenuFolderSystem)) {
    if (!FolderOrEmpty(SysGetSystemDirectory(folder, kMenuPathSize), folder, kMenuPathSize)) return 0;
  } else if (TextEqualNoCase(name, kMenuFolderWindows)) {
    if (!FolderOrEmpty(SysGetWindowsDirectory(folder, kMenuPathSize), folder, kMenuPathSize)) return 0;
  } else if (TextEqualNoCase(name, kMenuFolderProgramFiles)) {
    TextCopy(folder, kMenuPathSize, g_szProgramFileDest);
  } else {
    return 0;
  }
  return 1;
}

// Creates one shortcut from an item definition "file,arguments,folder" (split at the first two
// commas, fields taken as they stand). A definition with fewer fields or an unknown folder is
// skipped.
void CreateItemShortcut(const char16_t* title, const char16_t* item, char16_t* definition) {
  const long firstComma = TextFindChar(definition, u',');
  if (firstComma < 0) return;
  char16_t* arguments = definition + firstComma + 1;
  const long secondComma = TextFindChar(arguments, u',');
  if (secondComma < 0) return;
  char16_t* folderName = arguments + secondComma + 1;
  definition[firstComma] = 0;
  arguments[secondComma] = 0;
  char16_t target[kMenuPathSize];
  if (!LookUpItemFolder(folderName, target)) return;
  TextAppend(target, kMenuPathSize, u"\\");
  TextAppend(target, kMenuPathSize, definition);
  CreateMenuShortcut(title, item, target, arguments);
}

// The all-users Programs folder: the special-folder route before Windows 2000, else the folder
// path service. Returns 0 when the version or the folder cannot be had.
int FindCommonProgramsFolder(char16_t* folder) {
  SysVersionInfo version;
  if (!SysGetVersionInfo(&version, 0)) return 0;
  if (version.major < 5) return SysGetSpecialFolderPath(kFolderCommonPrograms, folder);
  return SysGetFolderPath(kFolderCommonPrograms, folder);
}

// Records the menu folder under the uninstall entry: value named by the title, data the path.
void RecordMenuFolder(const char16_t* title, const char16_t* menuFolder) {
  char16_t path[2 * kTextSize];
  TextCopy(path, 2 * kTextSize, kUninstallRoot);
  TextAppend(path, 2 * kTextSize, g_Settings.UninstallKey);
  TextAppend(path, 2 * kTextSize, kMenuTitleSubkey);
  WriteRegistryTextAt(kRegLocalMachine, path, title, menuFolder);
}

// Pinning is on unless SETUP2K.INI's [Default] "Win8StartMenuPin" says "FALSE" (any case).
int ReadPinSetting() {
  char16_t value[kTextSize];
  SysReadProfileString(kSectionDefault, kKeyWin8StartMenuPin, kPinDefault, value, kTextSize,
                       g_Settings.EspecialFile);
  return TextEqualNoCase(value, kPinOff) ? 0 : 1;
}

// Hands the shortcut to the menu library; 0 when the library or its export is missing.
int InstallShortCutThroughLibrary(const char16_t* link, const char16_t* target, const char16_t* arguments) {
  const int pin = ReadPinSetting();
  ModuleHandle library = SysLoadLibrary(kMenuLibrary);
  if (!library) return 0;
  void* install = SysGetProcAddress(library, kMenuLibraryExport);
  if (install) SysCallInstallShortCut(install, link, target, arguments, pin);
  SysFreeLibrary(library);
  return install ? 1 : 0;
}

// Deletes folder + "\" + the entry's short name.
void DeleteByShortName(const char16_t* folder, const SysFindData& entry) {
  char16_t path[kMenuPathSize];
  TextCopy(path, kMenuPathSize, folder);
  TextAppend(path, kMenuPathSize, u"\\");
  TextAppend(path, kMenuPathSize, entry.shortName);
  SysDeleteFile(path);
}

}  // namespace

void ResetMenuShortcutRun() { g_MenuFolderRecorded = 0; }

void CreateStartMenuShortcuts() {
  const char16_t* menuSection = nullptr;
  const char16_t* itemSection = nullptr;
  ChooseMenuSections(&menuSection, &itemSection);
  char16_t title[kTextSize];
  SysReadProfileString(menuSection, kKeyMenuTitle, kDefaultMenuTitle, title, kTextSize, g_Settings.EspecialFile);
  for (int n = 1;; ++n) {
    char16_t key[32];
    TextFormat(key, 32, u"%s%d", kKeyItemPrefix, n);
    char16_t item[kTextSize];
    SysReadProfileString(menuSection, key, u"", item, kTextSize, g_Settings.EspecialFile);
    if (item[0] == 0) break;
    char16_t definition[kItemValueSize];
    SysReadProfileString(itemSection, item, u"", definition, kItemValueSize, g_Settings.EspecialFile);
    if (definition[0] == 0) continue;
    CreateItemShortcut(title, item, definition);
  }
}

int CreateMenuShortcut(const char16_t* title, const char16_t* item, const char16_t* target,
                       const char16_t* arguments) {
  char16_t programs[kFolderPathSize];
  if (!FindCommonProgramsFolder(programs)) return 0;

  char16_t menuFolder[kMenuPathSize];
  TextCopy(menuFolder, kMenuPathSize, programs);
  TextAppend(menuFolder, kMenuPathSize, u"\\");
  const long slash = TextFindChar(title, u'\\');
  if (slash >= 0) {
    char16_t parent[kMenuPathSize];
    TextCopy(parent, kMenuPathSize, menuFolder);
    const size_t kept = TextLength(parent);
    TextCopyN(parent + kept, kMenuPathSize - kept, title, static_cast<size_t>(slash));
    SysCreateDirectory(parent);
  }
  TextAppend(menuFolder, kMenuPathSize, title);
  SysCreateDirectory(menuFolder);

  if (!g_MenuFolderRecorded) {
    g_MenuFolderRecorded = 1;
    RecordMenuFolder(title, menuFolder);
  }

  char16_t link[kMenuPathSize];
  TextCopy(link, kMenuPathSize, menuFolder);
  TextAppend(link, kMenuPathSize, u"\\");
  TextAppend(link, kMenuPathSize, item);
  TextAppend(link, kMenuPathSize, kShortcutExtension);

  if (g_Settings.Platform == kPlatformWin8) return InstallShortCutThroughLibrary(link, target, arguments);
  return SysSaveShellLink(link, target, arguments);
}

void DeleteOldMenuFolder() {
  if (!g_Settings.DelQx410MenuTitle) return;
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kRegPathProduct, kKeyRead, &key) != 0) return;
  char16_t folder[kOldMenuTitleBytes / 2 + 1] = {};
  uint32_t size = kOldMenuTitleBytes;
  const int32_t result =
      SysRegQueryValue(key, kOldMenuTitleValue, nullptr, reinterpret_cast<uint8_t*>(folder), &size);
  SysRegCloseKey(key);
  if (result != 0) return;

  char16_t pattern[kMenuPathSize];
  TextCopy(pattern, kMenuPathSize, folder);
  TextAppend(pattern, kMenuPathSize, u"\\*.*");
  SysFindData entry;
  SysHandle find = SysFindFirstFile(pattern, &entry);
  if (find != kInvalidHandle) {
    int more = 1;
    if (TextEqual(entry.name, u".")) more = SysFindNextFile(find, &entry);
    if (more && TextEqual(entry.name, u"..")) more = SysFindNextFile(find, &entry);
    // The older model's folder held two shortcuts: only two entries are deleted.
    if (more) {
      DeleteByShortName(folder, entry);
      if (SysFindNextFile(find, &entry)) DeleteByShortName(folder, entry);
    }
    SysFindClose(find);
  }
  SysRemoveDirectory(folder);
}
