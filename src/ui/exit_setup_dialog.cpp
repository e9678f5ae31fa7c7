// The "Exit Setup" question: its two texts name the product, and its answer decides whether a
// cancel request leaves Setup.
#include "ui/exit_setup_dialog.h"

#include "platform/ui.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "resource_ids.h"
#include "ui/text_keys.h"
#include "ui/message_words.h"

namespace {

intptr_t OnExitSetupInit(WindowHandle dialog) {
  FormatControlWithTitle(dialog, IDC_EXIT_TEXT1);
  FormatControlWithTitle(dialog, IDC_EXIT_TEXT2);
  ApplyLocalisedTexts(dialog, IDD_EXIT_SETUP, nullptr);
  return 1;
}

// Resume (1) ends the dialog with 1, Exit Setup and Escape (2) with 0.
intptr_t OnExitSetupCommand(WindowHandle dialog, int id) {
  if (id == kIdOk) {
    SysEndDialog(dialog, 1);
    return 1;
  }
  if (id == kIdCancel) {
    SysEndDialog(dialog, 0);
    return 1;
  }
  return 0;
}

}  // namespace

intptr_t ExitSetupDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      return OnExitSetupInit(dialog);
    case kWmCommand:
      return OnExitSetupCommand(dialog, static_cast<int>(LowWord(wParam)));
    default:
      return 0;
  }
}

int ExitSetupDialog(WindowHandle owner) {
  intptr_t answer = SysDialogBoxParam(g_Settings.InstanceHandle, IDD_EXIT_SETUP, owner, ExitSetupDlgProc, 0);
  return answer != 0 ? 1 : 0;
}
