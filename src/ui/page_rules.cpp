// Page conventions shared by the wizard's question pages.
#include "ui/page_rules.h"

#include "platform/ui.h"
#include "settings/settings.h"
#include "ui/exit_setup_dialog.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"

void PostToWizard(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  SysPostMessage(SysGetParent(page), message, wParam, lParam);
}

intptr_t AnswerNotification(WindowHandle page, intptr_t result) {
  SysSetDialogResult(page, result);
  return 1;
}

void HideWizardFrame(WindowHandle page) {
  WindowHandle frame = SysGetParent(page);
  SysSetWindowPos(frame, kHwndBottom, 0, 0, 0, 0, kSwpNoMove | kSwpNoActivate | kSwpHideWindow);
  SysShowWindow(frame, kSwHide);
}

intptr_t AnswerQueryCancel(WindowHandle page, int askAlways) {
  if (!askAlways && g_Settings.InstallStarted == 1) return AnswerNotification(page, 0);
  return AnswerNotification(page, ExitSetupDialog(page) != 0 ? 1 : 0);
}

intptr_t OnWizardSettingsChanged(WindowHandle page) {
  SysInvalidateRect(page, nullptr, 1);
  CentreWizard(page);
  return 0;
}

intptr_t ActivateWithBackAndNext(WindowHandle page) {
  PostToWizard(page, kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext);
  return AnswerNotification(page, 0);
}

intptr_t AnswerPageNotification(WindowHandle page, int32_t code, int askAlways) {
  switch (code) {
    case kPsnWizNext:
    case kPsnWizBack:
    case kPsnKillActive:
    case kPsnReset:
      return AnswerNotification(page, 0);
    case kPsnQueryCancel:
      return AnswerQueryCancel(page, askAlways);
    default:
      return 0;
  }
}

intptr_t PaintPageWithSidePicture(WindowHandle page, uintptr_t wParam, intptr_t lParam, const SysRect* source,
                                  const SysRect* destination) {
  SysDefWindowProc(page, kWmPaint, wParam, lParam);
  PaintSidePicture(page, source, destination);
  return 1;
}

intptr_t AnswerSidePicturePageMessage(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                      const SysRect* source, const SysRect* destination) {
  switch (message) {
    case kWmPaint:
      return PaintPageWithSidePicture(page, wParam, lParam, source, destination);
    case kWmSettingChange:
    case kWmDisplayChange:
      return OnWizardSettingsChanged(page);
    default:
      return 0;
  }
}
