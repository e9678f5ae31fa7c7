// The driver-stage dialog: the please-wait box (template 12012) whose worker thread runs the
// Plug and Play driver stage of the chosen interface and ends the dialog with its verdict.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

// Private message of the dialog (no parameters): the first paint asks for the worker.
constexpr uint32_t kUpdatePnPStartMessage = kWmApp + 5;

// Dialog procedure of the driver-stage dialog, opened with
// SysDialogBoxParam(instance, 12012, owner, UpdatePnPDlgProc, 0). The dialog ends with 1 when
// the installation goes on and with 0 when it stops (after "Setup Failed!" or "Setup Error").
intptr_t UpdatePnPDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Worker thread of the dialog, given the dialog: ends it with 1 at once in NoInfMode, else with
// the result of UpdatePnPDriver (and on 1 touches the background window's position record).
// Returns 0.
uint32_t UpdatePnPThread(void* dialog);
