// The Start Installation page: the summary of the choices, and on Next the installation
// sequence, whose outcome it turns into wizard requests.
#include "install/start_install_page.h"

#include "install/install_keys.h"
#include "install/run_installation.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "shared/registry_values.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "ui/message_words.h"
#include "ui/page_rules.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"

namespace {

// Side picture of this page: placeholder and painted rectangles.
SysRect g_StartPageSource = {};
SysRect g_StartPageDest = {};

intptr_t OnStartPageInit(WindowHandle page) {
  if (g_Settings.ShowTaskBarIcon == 0)
    WriteRegistryDwordAt(kRegCurrentUser, kRegPathProductivityUtility, kRegValueShowTaskBarIcon, 0);
  LayoutSidePicture(page, &g_StartPageSource, &g_StartPageDest);
  if (g_Settings.HiddenMode) SysShowWindow(SysGetParent(page), kSwHide);
  ApplyLocalisedTexts(page, IDD_PAGE_START, nullptr);
  return 1;
}

intptr_t OnStartPageActive(WindowHandle page) {
  PostToWizard(page, kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext);
  if (g_Settings.SilentMode || g_Settings.ConfirmInfo == 0) PostToWizard(page, kPsmPressButton, kPsbtnNext, 0);
  ApplyLocalisedTexts(page, IDD_PAGE_START, nullptr);
  return AnswerNotification(page, 0);
}

// Next runs the installation once. A second press that arrives while it runs (a silent run can
// queue two presses: one from a page that passed itself by and the silent one) is vetoed; the
// running installation decides where the wizard goes.
intptr_t OnStartPageNext(WindowHandle page) {
  static int running = 0;
  if (running) return AnswerNotification(page, -1);
  running = 1;
  const intptr_t handled = RunInstallation(page);
  running = 0;
  return handled;
}

intptr_t OnStartPageNotify(WindowHandle page, const SysNotifyHeader* header) {
  switch (header->code) {
    case kPsnSetActive:
      return OnStartPageActive(page);
    case kPsnWizBack:
      return 0;
    case kPsnKillActive:
    case kPsnReset:
      return AnswerNotification(page, 0);
    case kPsnWizNext:
      return OnStartPageNext(page);
    case kPsnQueryCancel:
      return AnswerQueryCancel(page, 0);
    default:
      return 0;
  }
}

// The summary box never keeps the focus: it goes to the wizard's default button.
intptr_t OnStartPageCommand(WindowHandle page, uintptr_t wParam) {
  if (LowWord(wParam) != IDC_START_SUMMARY || HighWord(wParam) != kEnSetFocus) return 0;
  WindowHandle frame = SysGetParent(page);
  uintptr_t defaultId = static_cast<uintptr_t>(SysSendMessage(frame, kDmGetDefId, 0, 0));
  if (HighWord(defaultId) != kDcHasDefId) return 0;
  WindowHandle button = SysGetDlgItem(frame, static_cast<int>(LowWord(defaultId)));
  SysSendMessage(frame, kWmNextDlgCtl, reinterpret_cast<uintptr_t>(button), 1);
  return 1;
}

// A failed stage: no more questions, Cancel queued, and the page stays (answer -1) while the
// notification is reported as handled, or moves on to the completion page when it is not.
intptr_t AbandonInstallation(WindowHandle page, intptr_t handled) {
  g_Settings.InstallStarted = 1;
  PostToWizard(page, kPsmPressButton, kPsbtnCancel, 0);
  SysSetDialogResult(page, -1);
  return handled;
}

// The wizard shows again and moves on to the completion page.
intptr_t FinishInstallation(WindowHandle page) {
  if (g_Settings.HiddenMode == 0) SysShowWindow(SysGetParent(page), kSwShow);
  return AnswerNotification(page, 0);
}

}  // namespace

intptr_t RunInstallation(WindowHandle page) {
  switch (RunInstallationStages(page)) {
    case kInstallKeepsNewer:
      PostToWizard(page, kPsmPressButton, kPsbtnFinish, 0);
      return AnswerNotification(page, 1);
    case kInstallCopyFailed:
      return AbandonInstallation(page, 1);
    case kInstallStageFailed:
      return AbandonInstallation(page, 0);
    case kInstallNoDevice:
      // No driver or registry stage: the completion page finishes at once.
      g_Settings.InstallStarted = 1;
      return 0;
    case kInstallDone:
    default:
      return FinishInstallation(page);
  }
}

intptr_t StartInstallPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnStartPageInit(page);
    case kWmNotify:
      return OnStartPageNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    case kWmCommand:
      return OnStartPageCommand(page, wParam);
    default:
      return AnswerSidePicturePageMessage(page, message, wParam, lParam, &g_StartPageSource, &g_StartPageDest);
  }
}
