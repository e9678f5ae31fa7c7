// Registry values in this program's one way of writing them.
#include "shared/registry_values.h"

#include "common/text.h"

int32_t WriteRegistryText(RegKey key, const char16_t* name, const char16_t* text) {
  return SysRegSetValue(key, name, kRegTypeSz, reinterpret_cast<const uint8_t*>(text),
                        static_cast<uint32_t>(TextLength(text) * sizeof(char16_t)));
}

int32_t WriteRegistryDword(RegKey key, const char16_t* name, uint32_t value) {
  return SysRegSetValue(key, name, kRegTypeDword, reinterpret_cast<const uint8_t*>(&value), sizeof value);
}

int WriteRegistryTextAt(RegKey root, const char16_t* path, const char16_t* name, const char16_t* text) {
  RegKey key = nullptr;
  if (SysRegCreateKey(root, path, kKeyAllAccess, &key, nullptr) != 0) return 0;
  const int32_t result = WriteRegistryText(key, name, text);
  SysRegCloseKey(key);
  return result == 0 ? 1 : 0;
}

int WriteRegistryDwordAt(RegKey root, const char16_t* path, const char16_t* name, uint32_t value) {
  RegKey key = nullptr;
  if (SysRegCreateKey(root, path, kKeyAllAccess, &key, nullptr) != 0) return 0;
  const int32_t result = WriteRegistryDword(key, name, value);
  SysRegCloseKey(key);
  return result == 0 ? 1 : 0;
}
