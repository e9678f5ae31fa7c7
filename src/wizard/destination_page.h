// The Choose Destination Location page (template 10201): the installation folder, with Browse.
#pragma once
#include <cstdint>

#include "platform/types.h"

// The folder the folder browser starts at and last returned (260 characters), kept for the run.
extern char16_t g_szBrowsePath[];

// Page procedure of the destination page. Initialisation sets DestinationDir to the Windows
// drive and DefaultDestination; Browse may change DestinationDir.
intptr_t DestinationPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);
