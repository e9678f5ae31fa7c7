// The Welcome page: page removals, the welcome text, the default destination, and the checks
// made on Next before the first question page.
#include "wizard/welcome_page.h"

#include "common/text.h"
#include "conflicts/conflict_warning_dialog.h"
#include "conflicts/detect_conflicting_software.h"
#include "conflicts/newer_version.h"
#include "platform/kernel.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "wizard/read_model_list.h"
#include "wizard/run_wizard.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"
#include "ui/page_rules.h"

namespace {

SysRect g_WelcomeSource = {};
SysRect g_WelcomeDest = {};

// Queues the removal of the pages not asked for, from the highest index down so that each index
// still names its page of the table.
void QueuePageRemovals(WindowHandle page) {
  if (g_Settings.AskPath == 0) PostToWizard(page, kPsmRemovePage, kPageIndexDestination, 0);
  if (g_Settings.AskMousePosition == 0) PostToWizard(page, kPsmRemovePage, kPageIndexLocation, 0);
  if (g_Settings.ChooseMouse == 0 || g_Settings.ModelIdGiven != 0)
    PostToWizard(page, kPsmRemovePage, kPageIndexMouseModel, 0);
  if (g_Settings.AskType == 0) PostToWizard(page, kPsmRemovePage, kPageIndexInterface, 0);
}

// The system folder; with AskPath only its drive, followed by the default destination.
void SetDefaultDestination() {
  char16_t system[kTextSize];
  const uint32_t length = SysGetSystemDirectory(system, kTextSize);
  if (length == 0 || length >= kTextSize) system[0] = 0;
  if (g_Settings.AskPath == 1) {
    const long slash = TextFindChar(system, u'\\');
    if (slash >= 0) system[slash] = 0;
    TextCopy(g_Settings.DestinationDir, system);
    TextAppend(g_Settings.DestinationDir, g_Settings.DefaultDestination);
  } else if (g_Settings.AskPath == 0) {
    TextCopy(g_Settings.DestinationDir, system);
  }
}

intptr_t OnWelcomeInit(WindowHandle page) {
  if (g_Settings.ModelIdGiven != 0) {
    const char16_t* section = ProductListSection(g_Settings.InterfaceType);
    if (section) ReadModelList(page, section);
  }
  QueuePageRemovals(page);
  LayoutSidePicture(page, &g_WelcomeSource, &g_WelcomeDest);
  FormatControlWithTitle(page, IDC_WELCOME_TEXT1);
  SetDefaultDestination();
  ApplyLocalisedTexts(page, IDD_PAGE_WELCOME, nullptr);
  return 1;
}

intptr_t OnWelcomeActive(WindowHandle page) {
  PostToWizard(page, kPsmSetWizButtons, 0, kPswizbNext);
  if (g_Settings.HiddenMode)
    HideWizardFrame(page);
  else
    CentreWizard(page);
  if (g_Settings.SilentMode) PostToWizard(page, kPsmPressButton, kPsbtnNext, 0);
  return AnswerNotification(page, 0);
}

// Next: without an interface page the newer-version check runs now; when setup must stop, Finish
// is queued and the page change vetoed, which closes the wizard.
intptr_t OnWelcomeNext(WindowHandle page) {
  if (g_Settings.AskType == 0 && CheckNewerVersion(page)) {
    PostToWizard(page, kPsmPressButton, kPsbtnFinish, 0);
    return AnswerNotification(page, -1);
  }
  // Another maker's mouse software: warned about once per press, then looked for again so that
  // the state matches what the uninstall left.
  if (g_Settings.UninstallConflictSoftware == 1) DetectConflictingSoftware();
  if (ConflictFound == 1) {
    ConflictWarningDialog(SysGetParent(page));
    DetectConflictingSoftware();
  }
  return AnswerNotification(page, 0);
}

intptr_t OnWelcomeNotify(WindowHandle page, const SysNotifyHeader* header) {
  switch (header->code) {
    case kPsnSetActive:
      return OnWelcomeActive(page);
    case kPsnWizNext:
      return OnWelcomeNext(page);
    default:
      return AnswerPageNotification(page, header->code, 0);
  }
}

}  // namespace

intptr_t WelcomePageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnWelcomeInit(page);
    case kWmNotify:
      return OnWelcomeNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    default:
      return AnswerSidePicturePageMessage(page, message, wParam, lParam, &g_WelcomeSource, &g_WelcomeDest);
  }
}
