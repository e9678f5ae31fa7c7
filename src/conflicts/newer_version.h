// Newer-version check: refuses to install over a newer copy of the product, or over the same
// version that already serves the chosen interface.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Compares the installed version (registry) with this package's. Returns 1 when setup must
// stop (after the "Warning" dialog, owned by owner), 0 when it may go on. Sets NewerPackage
// when this package is newer, and VersionChecked always.
int CheckNewerVersion(WindowHandle owner);

// Dialog procedure of the "Warning" (template 12033).
intptr_t NewerVersionDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
