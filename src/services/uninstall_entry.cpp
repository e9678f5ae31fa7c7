// WriteUninstallEntry: the uninstall key, its "DeleteFiles" list and the shared-file list.
#include "services/uninstall_entry.h"

#include "common/text.h"
#include "platform/registry.h"
#include "shared/registry_values.h"
#include "services/uninstall_keys.h"
#include "settings/settings.h"

int WriteUninstallEntry(const char16_t* filePath) {
  const SettingsRecord& s = g_Settings;
  if (s.UninstallKey[0] == 0) return 1;

  char16_t keyPath[520];
  TextCopy(keyPath, kUninstallRoot);
  TextAppend(keyPath, s.UninstallKey);

  RegKey key = nullptr;
  if (SysRegCreateKey(kRegLocalMachine, keyPath, kKeyAllAccess, &key, nullptr) == 0) {
    if (s.CanUninstall) {
      char16_t command[520];
      TextCopy(command, kUninstallerProgram);
      TextAppend(command, u" ");
      TextAppend(command, s.UninstallKey);
      WriteRegistryText(key, kUninstallStringValue, command);
      WriteRegistryText(key, kDisplayNameValue, s.ProductKey[0] ? s.ProductKey : s.Title);
    }
    SysRegCloseKey(key);
  }

  TextAppend(keyPath, kDeleteFilesSubkey);
  if (SysRegCreateKey(kRegLocalMachine, keyPath, kKeyAllAccess, &key, nullptr) != 0) return 0;

  // Folder = the text before the last backslash, name = the text after it.
  char16_t folder[520];
  char16_t name[520];
  long cut = TextFindLastChar(filePath, u'\\');
  if (cut < 0) {
    folder[0] = 0;
    TextCopy(name, filePath);
  } else {
    TextCopyN(folder, 520, filePath, static_cast<size_t>(cut));
    TextCopy(name, filePath + cut + 1);
  }
  int written = WriteRegistryText(key, name, folder) == 0;
  SysRegCloseKey(key);
  if (!written) return 0;

  char16_t sharedPath[520];
  TextCopy(sharedPath, kSharedFileRoot);
  TextAppend(sharedPath, name);
  if (SysRegCreateKey(kRegLocalMachine, sharedPath, kKeyAllAccess, &key, nullptr) == 0) {
    WriteRegistryText(key, s.UninstallKey, folder);
    SysRegCloseKey(key);
  }
  return 1;
}
