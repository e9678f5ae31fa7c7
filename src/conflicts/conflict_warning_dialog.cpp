// ConflictWarningDialog: the name put into its template text, and the uninstall worker that
// ends the dialog itself when its wait is over.
#include "conflicts/conflict_warning_dialog.h"

#include "common/text.h"
#include "conflicts/detect_conflicting_software.h"
#include "conflicts/run_conflict_uninstall.h"
#include "platform/kernel.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/message_words.h"

namespace {

constexpr uint32_t kTextSize256 = 256;

// The uninstall worker of the open dialog, null while none runs.
SysHandle g_UninstallThread = nullptr;

uint32_t UninstallThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  RunConflictUninstall(dialog);
  SysEndDialog(dialog, 0);
  return 0;
}

// The centred line's template text ("%s" in double quotes) formatted with the name.
intptr_t OnConflictInit(WindowHandle dialog) {
  char16_t format[kTextSize256];
  char16_t text[kTextSize256];
  SysGetDlgItemText(dialog, IDC_CONFLICT_NAME, format, kTextSize256);
  TextFormat(text, kTextSize256, format, ConflictDisplayName);
  SysSetDlgItemText(dialog, IDC_CONFLICT_NAME, text);
  return 1;
}

// The buttons do nothing more once the uninstall worker runs: it ends the dialog itself.
intptr_t OnConflictCommand(WindowHandle dialog, uintptr_t wParam) {
  if (g_UninstallThread) return 1;
  switch (LowWord(wParam)) {
    case IDC_CONFLICT_UNINSTALL:
      g_UninstallThread = SysCreateThread(UninstallThread, dialog);
      return 1;
    case IDC_CONFLICT_CONTINUE:
    case kIdCancel:
      SysEndDialog(dialog, 0);
      return 1;
    default:
      return 0;
  }
}

intptr_t OnConflictDestroy() {
  if (g_UninstallThread) SysCloseHandle(g_UninstallThread);
  g_UninstallThread = nullptr;
  return 0;
}

}  // namespace

intptr_t ConflictWarningProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      return OnConflictInit(dialog);
    case kWmCommand:
      return OnConflictCommand(dialog, wParam);
    case kWmDestroy:
      return OnConflictDestroy();
    default:
      return 0;
  }
}

intptr_t ConflictWarningDialog(WindowHandle owner) {
  SysDialogBoxParam(g_Settings.InstanceHandle, IDD_CONFLICT_WARNING, owner, ConflictWarningProc, 0);
  return 0;
}
