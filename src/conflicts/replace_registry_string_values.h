// Rewriting of registry text values in a whole key tree.
#pragma once
#include "platform/registry.h"

// Walks root\path and all its subkeys (subkeys first, from the last down): every text value whose
// data equals oldText without regard to case is counted and, when newText is not empty, set to
// newText (same name and type, with its terminating zero). Names up to 255 characters and data
// up to 512 bytes are looked at. Returns 1 when at least one value has matched since the program
// started (the count is kept across calls), 0 otherwise.
int ReplaceRegistryStringValues(RegKey root, const char16_t* path, const char16_t* oldText, const char16_t* newText);
