// WriteUninstallEntry: the uninstall key, its "DeleteFiles" list and the shared-file list.
#include "registration/uninstall_entry.h"

#include "common/text.h"
#include "platform/registry.h"
#include "registration/registration_keys.h"
#include "startup/settings.h"

namespace {

// Writes a string value without its terminating zero, as every string of this program is.
void SetStringValue(RegKey key, const char16_t* name, const char16_t* text) {
  SysRegSetValue(key, name, kRegTypeSz, reinterpret_cast<const uint8_t*>(text),
                 static_cast<uint32_t>(TextLength(text) * 2));
}

}  // namespace

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
      SetStringValue(key, kUninstallStringValue, command);
      SetStringValue(key, kDisplayNameValue, s.ProductKey[0] ? s.ProductKey : s.Title);
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
  int written = SysRegSetValue(key, name, kRegTypeSz, reinterpret_cast<const uint8_t*>(folder),
                               static_cast<uint32_t>(TextLength(folder) * 2)) == 0;
  SysRegCloseKey(key);
  if (!written) return 0;

  char16_t sharedPath[520];
  TextCopy(sharedPath, kSharedFileRoot);
  TextAppend(sharedPath, name);
  if (SysRegCreateKey(kRegLocalMachine, sharedPath, kKeyAllAccess, &key, nullptr) == 0) {
    SetStringValue(key, s.UninstallKey, folder);
    SysRegCloseKey(key);
  }
  return 1;
}
