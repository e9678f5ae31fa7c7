// The driver-stage dialog: a please-wait box that starts the driver stage's worker on its first
// paint and is ended by the worker with the stage's verdict.
#include "drivers/update_pnp_dialog.h"

#include "drivers/update_pnp_driver.h"
#include "platform/ui.h"
#include "ui/stage_dialog.h"
#include "settings/settings.h"

namespace {

// The dialog's own message and worker, and the state of the open dialog.
StageDialogState g_UpdatePnPStage = {kUpdatePnPStartMessage, UpdatePnPThread};

}  // namespace

intptr_t UpdatePnPDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return StageDialogMessage(&g_UpdatePnPStage, dialog, message, wParam, lParam);
}

uint32_t UpdatePnPThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  if (g_Settings.NoInfMode) {
    SysEndDialog(dialog, 1);
    return 0;
  }
  if (!UpdatePnPDriver(dialog)) {
    SysEndDialog(dialog, 0);
    return 0;
  }
  EndStageDialogWithSuccess(dialog);
  return 0;
}
