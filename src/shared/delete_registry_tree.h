// Deletion of a registry key with all its subkeys.
#pragma once
#include "platform/registry.h"

// Deletes `path` below `root` with every subkey, deepest first. Returns 1 when the key itself
// was deleted, 0 when it could not be opened or deleted.
int DeleteRegistryTree(RegKey root, const char16_t* path);
