// The two fixed message dialogs that tell the user the installation did not complete:
// "Setup Failed!" (template 116) and "Setup Error" for missing rights (template 114).
#pragma once
#include <cstdint>

#include "platform/types.h"

// Shows "Setup Failed!" modally, owned by owner. Returns 1 when it is closed.
int ShowSetupFailed(WindowHandle owner);

// Shows "Setup Error" (not enough privilege) modally, owned by owner. Returns 1 when it is closed.
int ShowNoPrivilege(WindowHandle owner);

// Dialog procedure of "Setup Failed!".
intptr_t FailDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Dialog procedure of "Setup Error".
intptr_t NoPrivilegeDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
