// The "Exit Setup" question (template 10300): Resume or leave Setup.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Asks modally, owned by owner, whether to leave Setup. Returns 1 for "Resume" and 0 for
// "Exit Setup" (also the Escape key). A dialog that cannot be shown counts as "Resume".
int ExitSetupDialog(WindowHandle owner);

// Dialog procedure of the question.
intptr_t ExitSetupDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
