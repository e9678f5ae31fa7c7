// The Welcome page (template 12006): removes the pages the settings do not ask for, sets the
// default destination and, on Next, checks for a newer installed version.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Page procedure of Welcome, the wizard's first page. Initialisation changes DestinationDir
// (and ModelCount through the model list when ModelIdGiven is set); Next may change NewerPackage
// and VersionChecked through the newer-version check.
intptr_t WelcomePageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);
