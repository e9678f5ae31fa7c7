// The Setup Complete page: when it is created it finishes the registration work, in the order of
// OnCompletionInit's list (mouse-button setting, replacements at restart, the service installer,
// Start-menu shortcuts, the interface record), and offers the restart; on Finish it runs the automatic-update programs, removes the
// install records and restarts Windows or applies the mouse-button setting. An abandoned
// installation only presses Finish.
#include "registration/completion_page.h"

#include "common/text.h"
#include "shared/delete_registry_tree.h"
#include "files/cleanup.h"
#include "files/replace_after_reboot.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "shared/registry_values.h"
#include "platform/security.h"
#include "platform/ui.h"
#include "registration/program_sections.h"
#include "registration/registration_keys.h"
#include "registration/start_menu_shortcuts.h"
#include "registration/write_interface_record.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "ui/page_rules.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"

namespace {

constexpr uint32_t kPageTextSize = 513;       // a page text read back: 512 characters
constexpr uint32_t kFormattedTextSize = 1024;  // a page text with the title put in
constexpr uint32_t kStringSize = 256;
constexpr ErrorCode kProbeUntouched = 0xFFFFFFFF;
constexpr uint32_t kNtFamilyVersionLimit = 0x80000000;

// Side picture of this page: placeholder and painted rectangles.
SysRect g_CompleteSource = {};
SysRect g_CompleteDest = {};

// Opens an existing key with full access and deletes the named values.
void DeleteValues(RegKey root, const char16_t* path, const char16_t* first, const char16_t* second) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path, kKeyAllAccess, &key) != 0) return;
  SysRegDeleteValue(key, first);
  if (second) SysRegDeleteValue(key, second);
  SysRegCloseKey(key);
}

// The daemon's start at the next logon is no longer wanted: the two "RunOnce" values go.
void RemoveDaemonRunOnce() { DeleteValues(kRegLocalMachine, kRegPathRunOnce, kRunOnceDaemon, kRunOnceProductDaemon); }

// The user's mouse-button choice for the package's control panel: "SwapButton" and "FirstTime".
void WriteMouseChoice() {
  RegKey key = nullptr;
  if (SysRegCreateKey(kRegCurrentUser, kRegPathProduct, kKeyAllAccess, &key, nullptr) != 0) return;
  WriteRegistryDword(key, kSwapButtonValue, static_cast<uint32_t>(g_Settings.LeftHanded));
  WriteRegistryText(key, kFirstTimeValue, kFirstTimeData);
  SysRegCloseKey(key);
}

// Every "%s" of format becomes the title, "%%" one percent sign; anything else stays.
void PutTitleIntoText(char16_t* out, uint32_t cap, const char16_t* format, const char16_t* title) {
  out[0] = 0;
  for (const char16_t* p = format; *p; ++p) {
    if (p[0] == u'%' && p[1] == u's') {
      TextAppend(out, cap, title);
      ++p;
      continue;
    }
    const char16_t one[2] = {p[0], 0};
    TextAppend(out, cap, one);
    if (p[0] == u'%' && p[1] == u'%') ++p;
  }
}

// Reads a control's text (at most 512 characters), puts the title in and sets it back.
void FormatControlText(WindowHandle page, int id) {
  char16_t format[kPageTextSize];
  SysSendDlgItemMessage(page, id, kWmGetText, kPageTextSize, reinterpret_cast<intptr_t>(format));
  format[kPageTextSize - 1] = 0;
  char16_t text[kFormattedTextSize];
  PutTitleIntoText(text, kFormattedTextSize, format, g_Settings.Title);
  SysSendDlgItemMessage(page, id, kWmSetText, 0, reinterpret_cast<intptr_t>(text));
}

void ShowControl(WindowHandle page, int id, int command) { SysShowWindow(SysGetDlgItem(page, id), command); }

// Without a restart to offer only the success text shows; otherwise the restart question with
// "Restart my computer now." chosen.
void ShowRestartOffer(WindowHandle page) {
  if (g_Settings.NoRestart && !g_Settings.ForceReBoot) {
    ShowControl(page, IDC_COMPLETE_TEXT, kSwHide);
    ShowControl(page, IDC_COMPLETE_RESTART, kSwHide);
    ShowControl(page, IDC_COMPLETE_LATER, kSwHide);
    ShowControl(page, IDC_COMPLETE_TEXT2, kSwHide);
    FormatControlText(page, IDC_COMPLETE_DONE_TEXT);
    ShowControl(page, IDC_COMPLETE_DONE_TEXT, kSwShow);
    return;
  }
  FormatControlText(page, IDC_COMPLETE_TEXT);
  SysSendDlgItemMessage(page, IDC_COMPLETE_RESTART, kBmSetCheck, kBstChecked, 0);
  SysSendDlgItemMessage(page, IDC_COMPLETE_LATER, kBmSetCheck, kBstUnchecked, 0);
}

// Whether a disk is in drive A:: a listing of its root found a file, or found the disk empty.
int FloppyDiskPresent() {
  SysSetErrorMode(kSemFailCriticalErrors);
  SysSetLastError(kProbeUntouched);
  SysFindData found;
  SysHandle find = SysFindFirstFile(kFloppyPattern, &found);
  const ErrorCode error = SysGetLastError();
  if (find != kInvalidHandle) SysFindClose(find);
  return error == kProbeUntouched || error == kErrFileNotFound ? 1 : 0;
}

// The left-handed choice as the system's mouse-button setting.
void ApplyMouseButtons() { SysSetMouseButtonSwap(g_Settings.LeftHanded == 1 ? 1 : 0); }

intptr_t OnCompletionNotify(WindowHandle page, const SysNotifyHeader* header) {
  switch (header->code) {
    case kPsnSetActive:
      return OnCompletionActive(page);
    case kPsnKillActive:
      return AnswerNotification(page, 0);
    case kPsnWizFinish:
      return OnCompletionFinish(page);
    default:
      return 0;
  }
}

}  // namespace

// The last steps of the installation, in this order, with the page's own set-up between them.
intptr_t OnCompletionInit(WindowHandle page) {
  DeleteValues(kRegLocalMachine, kRegPathProduct, kRunAutoUpdateValue, nullptr);
  if (g_Settings.InstallStarted == 1) {  // abandoned: nothing more is registered
    PostToWizard(page, kPsmPressButton, kPsbtnFinish, 0);
    return 1;
  }
  LayoutSidePicture(page, &g_CompleteSource, &g_CompleteDest);
  if (g_Settings.AskMousePosition) WriteMouseChoice();
  ReplaceFilesInUseAtRestart();
  ShowRestartOffer(page);
  if (g_Settings.HiddenMode) SysShowWindow(SysGetParent(page), kSwHide);
  InstallService();
  RemoveDaemonRunOnce();
  CreateStartMenuShortcuts();
  DeleteOldMenuFolder();
  WriteInterfaceRecord();
  WriteInterfaceRemovalNote();
  ApplyLocalisedTexts(page, IDD_PAGE_COMPLETE, nullptr);
  return 1;
}

intptr_t OnCompletionActive(WindowHandle page) {
  PostToWizard(page, kPsmCancelToClose, 0, 0);
  PostToWizard(page, kPsmSetWizButtons, 0, kPswizbFinish);
  if (g_Settings.SilentMode && g_Settings.InstallStarted == 0) PostToWizard(page, kPsmPressButton, kPsbtnFinish, 0);
  return AnswerNotification(page, 0);
}

intptr_t OnCompletionFinish(WindowHandle page) {
  // The notification is handled and the sheet allowed to close (message result 0).
  if (g_Settings.InstallStarted == 1) return AnswerNotification(page, 0);
  ClearVersionIfFlagged();
  DeleteRegistryTree(kRegLocalMachine, kRegPathInstallRecords);
  RunAutoUpdatePrograms();
  const bool restartOffered = g_Settings.NoRestart == 0 || g_Settings.ForceReBoot != 0;
  if (restartOffered && SysIsDlgButtonChecked(page, IDC_COMPLETE_RESTART) == kBstChecked)
    RestartWindows(page);
  else if (g_Settings.AskMousePosition)
    ApplyMouseButtons();
  return AnswerNotification(page, 0);
}

void RestartWindows(WindowHandle page) {
  if (!g_Settings.SilentMode) {
    char16_t message[kStringSize];
    char16_t caption[kStringSize];
    SysLoadString(g_Settings.InstanceHandle, IDS_RESTART_REMOVE_DISKS, message, kStringSize);
    SysLoadString(g_Settings.InstanceHandle, IDS_RESTART_CAPTION, caption, kStringSize);
    if (FloppyDiskPresent()) SysMessageBox(page, message, caption, kMbIconExclamation);
  }
  if (g_Settings.AskMousePosition) ApplyMouseButtons();
  if (SysGetVersionWord() < kNtFamilyVersionLimit) SysEnableShutdownPrivilege();
  SysExitWindows(kEwxReboot);
}

intptr_t CompletionPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnCompletionInit(page);
    case kWmNotify:
      return OnCompletionNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    default:
      return AnswerSidePicturePageMessage(page, message, wParam, lParam, &g_CompleteSource, &g_CompleteDest);
  }
}
