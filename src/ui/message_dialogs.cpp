// "Setup Failed!" and "Setup Error": one text, one OK button; Enter, Escape and OK close them.
#include "ui/message_dialogs.h"

#include "platform/ui.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "resource_ids.h"
#include "ui/text_keys.h"
#include "ui/message_words.h"

namespace {

// Ends the dialog with 1 on Enter (1), Escape (2) or its own OK button; ignores other commands.
intptr_t OnMessageDialogCommand(WindowHandle dialog, int id, int okButton) {
  if (id != kIdOk && id != kIdCancel && id != okButton) return 0;
  SysEndDialog(dialog, 1);
  return 1;
}

}  // namespace

intptr_t FailDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      ApplyLocalisedTexts(dialog, IDD_SETUP_FAILED, nullptr);
      return 1;
    case kWmCommand:
      return OnMessageDialogCommand(dialog, static_cast<int>(LowWord(wParam)), IDC_FAIL_OK);
    default:
      return 0;
  }
}

intptr_t NoPrivilegeDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      ApplyLocalisedTexts(dialog, IDD_SETUP_ERROR, nullptr);
      return 1;
    case kWmCommand:
      return OnMessageDialogCommand(dialog, static_cast<int>(LowWord(wParam)), IDC_NOPRIVILEGE_OK);
    default:
      return 0;
  }
}

int ShowSetupFailed(WindowHandle owner) {
  SysDialogBoxParam(g_Settings.InstanceHandle, IDD_SETUP_FAILED, owner, FailDlgProc, 0);
  return 1;
}

int ShowNoPrivilege(WindowHandle owner) {
  SysDialogBoxParam(g_Settings.InstanceHandle, IDD_SETUP_ERROR, owner, NoPrivilegeDlgProc, 0);
  return 1;
}
