// The Start Installation page and the installation sequence it runs on Next. Each stage that
// can fail abandons the installation; nothing done before is rolled back.
#include "install/start_install_page.h"

#include "common/text.h"
#include "common/trace.h"
#include "conflicts/kill_windows.h"
#include "conflicts/newer_version.h"
#include "files/cleanup.h"
#include "files/copy_dialog.h"
#include "files/copy_list.h"
#include "files/folder_rights.h"
#include "files/path_macros.h"
#include "install/install_keys.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "startup/platform_detect.h"
#include "startup/settings.h"
#include "wizard/exit_setup_dialog.h"
#include "wizard/localised_texts.h"
#include "wizard/side_picture.h"
#include "wizard/wizard_messages.h"

namespace {

// Side picture of this page: placeholder and painted rectangles.
SysRect g_StartPageSource = {};
SysRect g_StartPageDest = {};

uint32_t LowWord(uintptr_t value) { return static_cast<uint32_t>(value & 0xFFFF); }
uint32_t HighWord(uintptr_t value) { return static_cast<uint32_t>((value >> 16) & 0xFFFF); }

// Creates the key (full access) and writes a 4-byte number.
void WriteDwordValue(RegKey root, const char16_t* path, const char16_t* name, uint32_t value) {
  RegKey key = nullptr;
  if (SysRegCreateKey(root, path, kKeyAllAccess, &key, nullptr) != 0) return;
  SysRegSetValue(key, name, kRegTypeDword, reinterpret_cast<const uint8_t*>(&value), sizeof(value));
  SysRegCloseKey(key);
}

// Creates the key (full access) and writes a text without its terminator.
void WriteTextValue(RegKey root, const char16_t* path, const char16_t* name, const char16_t* text) {
  RegKey key = nullptr;
  if (SysRegCreateKey(root, path, kKeyAllAccess, &key, nullptr) != 0) return;
  uint32_t bytes = static_cast<uint32_t>(TextLength(text) * sizeof(char16_t));
  SysRegSetValue(key, name, kRegTypeSz, reinterpret_cast<const uint8_t*>(text), bytes);
  SysRegCloseKey(key);
}

// A wizard request, queued to the frame (the page's parent).
void PostToWizard(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  SysPostMessage(SysGetParent(page), message, wParam, lParam);
}

// Answers a notification: the page's message result, and the message reported as handled.
intptr_t Answer(WindowHandle page, intptr_t result) {
  SysSetDialogResult(page, result);
  return 1;
}

intptr_t OnStartPageInit(WindowHandle page) {
  if (g_Settings.ShowTaskBarIcon == 0)
    WriteDwordValue(kRegCurrentUser, kRegPathProductivityUtility, kRegValueShowTaskBarIcon, 0);
  LayoutSidePicture(page, &g_StartPageSource, &g_StartPageDest);
  if (g_Settings.HiddenMode) SysShowWindow(SysGetParent(page), kSwHide);
  ApplyLocalisedTexts(page, IDD_PAGE_START, nullptr);
  return 1;
}

intptr_t OnStartPageActive(WindowHandle page) {
  PostToWizard(page, kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext);
  if (g_Settings.SilentMode || g_Settings.ConfirmInfo == 0) PostToWizard(page, kPsmPressButton, kPsbtnNext, 0);
  ApplyLocalisedTexts(page, IDD_PAGE_START, nullptr);
  return Answer(page, 0);
}

// Cancel: no question once the installation has begun; otherwise Resume vetoes.
intptr_t OnStartPageQueryCancel(WindowHandle page) {
  if (g_Settings.InstallStarted == 1) return Answer(page, 0);
  return Answer(page, ExitSetupDialog(page) != 0 ? 1 : 0);
}

intptr_t OnStartPageNotify(WindowHandle page, const SysNotifyHeader* header) {
  switch (header->code) {
    case kPsnSetActive:
      return OnStartPageActive(page);
    case kPsnWizBack:
      return 0;
    case kPsnKillActive:
    case kPsnReset:
      return Answer(page, 0);
    case kPsnWizNext:
      return RunInstallation(page);
    case kPsnQueryCancel:
      return OnStartPageQueryCancel(page);
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

intptr_t OnStartPagePaint(WindowHandle page, uintptr_t wParam, intptr_t lParam) {
  SysDefWindowProc(page, kWmPaint, wParam, lParam);
  PaintSidePicture(page, &g_StartPageSource, &g_StartPageDest);
  return 1;
}

intptr_t OnStartPageSettingsChanged(WindowHandle page) {
  SysInvalidateRect(page, nullptr, 1);
  CentreWizard(page);
  return 0;
}

// Removes the old driver index of Windows, and on 98 or Me with PS/2 the maker's INF copy.
void DeleteDriverIndex() {
  char16_t windows[kTextSize];
  char16_t path[kTextSize];
  SysGetWindowsDirectory(windows, kTextSize);
  TextCopy(path, windows);
  TextAppend(path, kDriverIndexFile);
  SysDeleteFile(path);
  TextCopy(path, windows);
  TextAppend(path, kDriverDataFile);
  SysDeleteFile(path);
  if (IsWin98OrMe() && g_Settings.InterfaceType == kInterfacePS2) {
    TextCopy(path, windows);
    TextAppend(path, kOtherInfFolder);
    TextAppend(path, g_Settings.Provider);
    TextAppend(path, g_Settings.InfFile);
    SysSetFileAttributes(path, kAttrNormal);
    SysDeleteFile(path);
  }
}

// Windows Me looks for its setup files in the Windows folder's OPTIONS\INSTALL.
void WriteWindowsSourcePath() {
  char16_t path[kTextSize];
  SysGetWindowsDirectory(path, kTextSize);
  TextAppend(path, kSourcePathBelowWindows);
  WriteTextValue(kRegLocalMachine, kRegPathWindowsSetup, kRegValueSourcePath, path);
}

// PackageDir = the program destination, else the chosen folder, else the system folder; then "\".
void SetPackageDir() {
  char16_t* dir = g_Settings.PackageDir;
  if (g_szProgramFileDest[0] != 0)
    TextCopy(dir, kTextSize, g_szProgramFileDest);
  else if (g_Settings.AskPath)
    TextCopy(dir, kTextSize, g_Settings.DestinationDir);
  else
    SysGetSystemDirectory(dir, kTextSize);
  TextAppend(dir, kTextSize, u"\\");
  Trace(u"PackageDir = %s", dir);
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
  return 1;
}

}  // namespace

void CreateDestinationFolders() {
  char16_t* dir = g_Settings.DestinationDir;
  if (SysGetFileAttributes(dir) != kInvalidAttributes) {
    RecordInstallFolder(dir);
    return;
  }
  int count = 0;
  for (const char16_t* p = dir; *p; ++p)
    if (*p == u'\\') ++count;
  size_t length = TextLength(dir);
  if (length > 0 && dir[length - 1] == u'\\') {
    dir[length - 1] = 0;
    --count;
  }
  for (int level = 1; level <= count; ++level) {
    char16_t folder[kTextSize];
    if (level == count) {
      TextCopy(folder, dir);
    } else {
      // The prefix that ends just after the (level + 1)-th backslash.
      int seen = 0;
      size_t end = 0;
      while (dir[end] != 0 && seen < level + 1) {
        if (dir[end] == u'\\') ++seen;
        ++end;
      }
      TextCopyN(folder, kTextSize, dir, end);
    }
    if (SysCreateDirectory(folder)) RecordInstallFolder(folder);
  }
}

intptr_t RunInstallation(WindowHandle page) {
  if (g_Settings.AskType && CheckNewerVersion(page)) {
    PostToWizard(page, kPsmPressButton, kPsbtnFinish, 0);
    return Answer(page, 1);
  }
  if (IsWindowsMe()) WriteWindowsSourcePath();
  if (g_Settings.DeleteINFIndex) DeleteDriverIndex();
  KillListedWindows();
  if (g_Settings.NewerPackage) DeletePreviousFiles();
  if (g_Settings.AskPath) CreateDestinationFolders();
  CopyEntryCount = BuildCopyList();

  WindowHandle frame = SysGetParent(page);
  intptr_t copied = SysDialogBoxParam(g_Settings.InstanceHandle, IDD_COPY_PROGRESS, page, CopyDialogProc,
                                      reinterpret_cast<intptr_t>(frame));
  if (copied == 0) return AbandonInstallation(page, 1);
  SetPackageDir();

  // Stages still to come, attached here in this order as they are built: the resource-library
  // entry for NewUI (it belongs right after the newer-version check and needs the model table),
  // driver package staging, then for each interface or listed USB device the install record and
  // the driver stage (a failure abandons with the notification not handled), the OEM INF copy,
  // the listed and the registered driver packages, and the registry stage (failure likewise).
  return FinishInstallation(page);
}

intptr_t StartInstallPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnStartPageInit(page);
    case kWmNotify:
      return OnStartPageNotify(page, reinterpret_cast<const SysNotifyHeader*>(lParam));
    case kWmCommand:
      return OnStartPageCommand(page, wParam);
    case kWmPaint:
      return OnStartPagePaint(page, wParam, lParam);
    case kWmSettingChange:
    case kWmDisplayChange:
      return OnStartPageSettingsChanged(page);
    default:
      return 0;
  }
}
