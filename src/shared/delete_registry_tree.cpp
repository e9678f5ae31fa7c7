// DeleteRegistryTree: subkeys from the last index down, each recursively, then the key.
#include "shared/delete_registry_tree.h"

int DeleteRegistryTree(RegKey root, const char16_t* path) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path, kKeyAllAccess, &key) != 0) return 0;

  uint32_t count = 0;
  for (;;) {
    char16_t name[256];
    uint32_t length = 256;
    if (SysRegEnumKey(key, count, name, &length) != 0) break;
    ++count;
  }
  // Deleting from the highest index down keeps the lower indexes valid while the walk goes on.
  while (count > 0) {
    --count;
    char16_t name[256];
    uint32_t length = 256;
    if (SysRegEnumKey(key, count, name, &length) == 0) DeleteRegistryTree(key, name);
  }
  SysRegCloseKey(key);
  return SysRegDeleteKey(root, path) == 0;
}
