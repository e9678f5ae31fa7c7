// WriteInterfaceRecord and WriteInterfaceRemovalNote: the installed interface and its removal
// note for the uninstaller.
#include "registration/write_interface_record.h"

#include "common/text.h"
#include "platform/registry.h"
#include "registration/registration_keys.h"
#include "settings/settings.h"
#include "shared/registry_values.h"

void WriteInterfaceRecord() {
  const char16_t* name = nullptr;
  switch (g_Settings.InterfaceType) {
    case kInterfacePS2:
      name = kInterfaceNamePS2;
      break;
    case kInterfaceBluetooth:
      name = kInterfaceNameBT;
      break;
    case kInterfaceUSB:
      name = kInterfaceNameUSB;
      break;
    case kInterfaceAll:
      name = kInterfaceNameAll;
      break;
    default:
      break;
  }
  RegKey key = nullptr;
  if (SysRegCreateKey(kRegLocalMachine, kRegPathInterface, kKeyAllAccess, &key, nullptr) != 0) return;
  const uint32_t type = static_cast<uint32_t>(g_Settings.InterfaceType);
  if (name) WriteRegistryDword(key, name, type);
  WriteRegistryDword(key, kInterfaceTypeValue, type);
  SysRegCloseKey(key);
}

void WriteInterfaceRemovalNote() {
  char16_t path[2 * kTextSize];
  TextCopy(path, 2 * kTextSize, kUninstallRoot);
  TextAppend(path, 2 * kTextSize, g_Settings.UninstallKey);
  TextAppend(path, 2 * kTextSize, kDeleteKeySubkey);
  RegKey key = nullptr;
  if (SysRegCreateKey(kRegLocalMachine, path, kKeyAllAccess, &key, nullptr) != 0) return;
  WriteRegistryText(key, kRegPathInterface, kDeleteKeyRootName);
  SysRegCloseKey(key);
}
