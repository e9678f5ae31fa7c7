// The "Warning" dialog that names the other maker's software and offers to uninstall it.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

// Shows template 130 modally, owned by owner (the wizard frame), with ConflictDisplayName in
// its centred line. "&Uninstall It" runs RunConflictUninstall on a worker thread, which ends the
// dialog when done; "&Continue" (and Escape) end it at once. Always returns 0.
intptr_t ConflictWarningDialog(WindowHandle owner);

// The dialog procedure: routes initialisation, the two buttons and destruction.
intptr_t ConflictWarningProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
