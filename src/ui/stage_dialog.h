// The please-wait stage dialog (template 12012) shared by the driver and registry stages: hidden
// in hidden mode, the wait cursor over its client area, its worker thread started on the first
// paint through the dialog's private message, and ended by the worker with the stage's verdict.
#pragma once
#include <cstdint>

#include "platform/kernel.h"
#include "platform/types.h"

// One stage dialog: its private message and worker, set once, and the state of the dialog that
// is open (the worker's thread, and whether the next paint is the first one).
struct StageDialogState {
  uint32_t startMessage;  // posted (no parameters) by the first paint to start the worker
  SysThreadProc worker;   // given the dialog; ends it with the stage's verdict
  SysHandle thread = nullptr;
  int32_t firstPaint = 1;
};

// Dialog procedure body of a stage dialog: WM_INITDIALOG (hidden mode: to the bottom, hidden, a
// paint posted; then the localised texts), WM_PAINT (on the first paint posts startMessage),
// WM_SETCURSOR (the wait cursor while the mouse moves over the client area), startMessage
// (starts the worker on the dialog) and WM_DESTROY (closes the thread handle and arms the first
// paint again for the next opening). Any other message returns 0.
intptr_t StageDialogMessage(StageDialogState* state, WindowHandle dialog, uint32_t message, uintptr_t wParam,
                            intptr_t lParam);

// The worker's ending on success: ends the dialog with 1 and touches the background window's
// position record.
void EndStageDialogWithSuccess(WindowHandle dialog);
