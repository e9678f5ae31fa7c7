// Detection of another maker's mouse driver, which conflicts with this package, and of its
// uninstall entry. Only the 9x family and NT before 5.0 are looked at.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/registry.h"

constexpr uint32_t kConflictTextSize = 256;

// Process-wide state of the last detection.
extern int32_t ConflictFound;                             // the driver's VxD or service key exists
extern int32_t ConflictUninstallEntryFound;               // an uninstall entry of it exists
extern char16_t ConflictDisplayName[kConflictTextSize];   // the entry's DisplayName
extern char16_t ConflictUninstallKey[kConflictTextSize];  // the entry's registry path
extern int32_t UninstallerRunning;                        // cleared by a scan that saw an uninstaller

// Clears ConflictFound and ConflictUninstallEntryFound, then (9x: the LMOUSE VxD key; NT below
// 5.0: the l8042prt service key; NT 5.0 on: nothing) sets ConflictFound when the driver's key
// exists, and looks for its uninstall entry: at ConflictUninstallKey, else at the second-choice
// path, which then becomes ConflictUninstallKey. A found entry sets ConflictUninstallEntryFound and
// copies its DisplayName to ConflictDisplayName. Nothing is reset to its initial text.
void DetectConflictingSoftware();

// A text value of an open key read whole, whatever its length, into a buffer of the size the
// registry reports (terminated). Returns 1 when the value was read, 0 when it is missing (out
// then holds an empty text).
int ReadConflictText(RegKey key, const char16_t* name, std::vector<char16_t>* out);
