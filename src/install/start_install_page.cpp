// The Start Installation page and the installation sequence it runs on Next. Each stage that
// can fail abandons the installation; nothing done before is rolled back.
#include "install/start_install_page.h"

#include "common/text.h"
#include "shared/trace.h"
#include "conflicts/kill_windows.h"
#include "conflicts/newer_version.h"
#include "drivers/oem_inf_copy.h"
#include "drivers/update_pnp_dialog.h"
#include "files/cleanup.h"
#include "files/copy_dialog.h"
#include "files/copy_list.h"
#include "files/folder_rights.h"
#include "shared/path_macros.h"
#include "install/driver_package_staging.h"
#include "install/install_keys.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "shared/registry_values.h"
#include "registration/install_record.h"
#include "registration/update_registry.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "startup/platform_detect.h"
#include "startup/settings.h"
#include "ui/exit_setup_dialog.h"
#include "ui/localised_texts.h"
#include "startup/model_table.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"
#include "ui/message_words.h"

namespace {

// Side picture of this page: placeholder and painted rectangles.
SysRect g_StartPageSource = {};
SysRect g_StartPageDest = {};

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
  return Answer(page, 0);
}

// Cancel: no question once the installation has begun; otherwise Resume vetoes.
intptr_t OnStartPageQueryCancel(WindowHandle page) {
  if (g_Settings.InstallStarted == 1) return Answer(page, 0);
  return Answer(page, ExitSetupDialog(page) != 0 ? 1 : 0);
}

// Next runs the installation once. A second press that arrives while it runs (a silent run can
// queue two presses: one from a page that passed itself by and the silent one) is vetoed; the
// running installation decides where the wizard goes.
intptr_t OnStartPageNext(WindowHandle page) {
  static int running = 0;
  if (running) return Answer(page, -1);
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
      return Answer(page, 0);
    case kPsnWizNext:
      return OnStartPageNext(page);
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
  WriteRegistryTextAt(kRegLocalMachine, kRegPathWindowsSetup, kRegValueSourcePath, path);
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
  return Answer(page, 0);
}

// How the driver and registry stages of one installation ended.
enum StagesOutcome {
  kStagesDone,      // every stage went on: finish
  kStagesFailed,    // a driver or registry stage returned 0: abandon
  kStagesNoDevice,  // the chosen model has no USB hardware id: stop before any driver stage
};

// The chosen model's number (field 3 of its product-list line), 0 when ModelId names no slot.
int32_t ChosenModelNumber() {
  const ModelRecord* model = ChosenModel();
  return model ? model->number : 0;
}

// With NewUI: HKEY_LOCAL_MACHINE ResourceDLL, "ID - " + the chosen model's extra text = its name.
void WriteChosenModelEntry() {
  const ModelRecord* model = ChosenModel();
  if (!model) return;
  char16_t name[kModelFieldSize + 8];
  TextCopy(name, kResourceDllValuePrefix);
  TextAppend(name, model->extra);
  WriteRegistryTextAt(kRegLocalMachine, kRegPathResourceDll, name, model->name);
}

// USBDriverName and USBPnPID from "Device_" n and "DEV_ID_" n of the USB install section
// (empty when missing).
void ReadUsbDevice(int32_t n) {
  SettingsRecord& s = g_Settings;
  char16_t key[32];
  TextFormat(key, 32, u"%s%d", kUsbDeviceNameKey, n);
  SysReadProfileString(s.USBInstallSection, key, u"", s.USBDriverName, kTextSize, s.ConfigFile);
  TextFormat(key, 32, u"%s%d", kUsbDeviceIdKey, n);
  SysReadProfileString(s.USBInstallSection, key, u"", s.USBPnPID, kTextSize, s.ConfigFile);
}

// Whether the USB devices come from the install section's numbered keys.
bool UsbDevicesListed() {
  return g_Settings.USBInstallSection[0] != 0 && g_Settings.InterfaceType == kInterfaceUSB;
}

// One driver stage: the install record of the current interface, then the stage dialog.
// Returns 0 when the stage stops the installation.
int RunDriverStage(WindowHandle page) {
  WriteInstallRecord();
  return SysDialogBoxParam(g_Settings.InstanceHandle, IDD_STAGE_WAIT, page, UpdatePnPDlgProc, 0) != 0;
}

// The registry stage dialog. Returns 0 when it stops the installation.
int RunRegistryStage(WindowHandle page) {
  return SysDialogBoxParam(g_Settings.InstanceHandle, IDD_STAGE_WAIT, page, UpdateRegistryDlgProc, 0) != 0;
}

// The driver stage of the chosen model: with listed USB devices its "Device_" and "DEV_ID_"
// keys name the device (shown with InstallTrace), and a missing id stops before the stage.
StagesOutcome RunChosenModelStage(WindowHandle page) {
  if (UsbDevicesListed()) {
    ReadUsbDevice(ChosenModelNumber());
    if (g_Settings.InstallTrace) SysMessageBox(nullptr, g_Settings.USBPnPID, kUsbPnPIdTraceCaption, kMbOk);
    if (g_Settings.USBPnPID[0] == 0) return kStagesNoDevice;
  }
  return RunDriverStage(page) ? kStagesDone : kStagesFailed;
}

// One driver stage per listed USB device (DEV_ID_1, DEV_ID_2, ... up to the first empty one),
// or a single stage for any other interface. With the outside driver installation program
// (Mode_DPInst, outside Windows 98 and Me) only the first device gets a stage of its own; in
// the one-interface sequence a match of the device list lifts that limit.
StagesOutcome RunDeviceLoop(WindowHandle page, bool consultDeviceList) {
  for (int32_t n = 1;; ++n) {
    const bool listed = UsbDevicesListed();
    if (listed) {
      ReadUsbDevice(n);
      if (g_Settings.USBPnPID[0] == 0) return kStagesDone;
    }
    if (!RunDriverStage(page)) return kStagesFailed;
    if (!listed) return kStagesDone;
    const bool listMatched = consultDeviceList && g_Settings.DeviceListMatch != 0;
    if (!listMatched && g_Settings.Mode_DPInst == 1 && !IsWin98OrMe()) return kStagesDone;
  }
}

// The driver and registry stages of the one chosen interface.
StagesOutcome RunOneInterface(WindowHandle page) {
  const SettingsRecord& s = g_Settings;
  if (s.ChooseMouse) {
    StagesOutcome outcome = RunChosenModelStage(page);
    if (outcome != kStagesDone) return outcome;
  } else {
    if (RunDeviceLoop(page, true) == kStagesFailed) return kStagesFailed;
    if (!s.NoInfMode) CopyOEMInf(s.USBInf);
  }
  if (!s.NoInfMode && s.USBInf01[0] != 0) InstallListedPackage();
  if (IsNT5OrLater() || IsWindowsMe()) RegisterPackageInf();
  return RunRegistryStage(page) ? kStagesDone : kStagesFailed;
}

// Every interface whose driver name is set: PS/2, USB (per device), Bluetooth, then one
// registry stage for all of them (InterfaceType 7).
StagesOutcome RunAllInterfaces(WindowHandle page) {
  SettingsRecord& s = g_Settings;
  s.Restart = 0;
  if (s.PS2DriverName[0] != 0) {
    s.CallConfigMg = 0;
    s.InterfaceType = kInterfacePS2;
    if (!RunDriverStage(page)) return kStagesFailed;
    s.Restart = 1;
  }
  s.CallConfigMg = 1;
  if (s.USBDriverName[0] != 0) {
    s.InterfaceType = kInterfaceUSB;
    if (s.USBInf[0] != 0) {
      TextCopy(s.InfPath, s.SourceDir);
      TextAppend(s.InfPath, u"\\");
      TextAppend(s.InfPath, s.USBInf);
    }
    StagesOutcome outcome = s.ChooseMouse ? RunChosenModelStage(page) : RunDeviceLoop(page, false);
    if (outcome != kStagesDone) return outcome;
    if (!s.NoInfMode && s.USBInf01[0] != 0) InstallListedPackage();
    if ((IsNT5OrLater() || IsWindowsMe()) && !s.NoInfMode) CopyOEMInf(s.USBInf);
  }
  if (s.BTDriverName[0] != 0) {
    s.InterfaceType = kInterfaceBluetooth;
    s.CallConfigMg = 1;
    if (!RunDriverStage(page)) return kStagesFailed;
  }
  s.InterfaceType = kInterfaceAll;
  return RunRegistryStage(page) ? kStagesDone : kStagesFailed;
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
  if (g_Settings.NewUI) WriteChosenModelEntry();
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
  StageDriverPackage();

  switch (g_Settings.InstallAllType ? RunAllInterfaces(page) : RunOneInterface(page)) {
    case kStagesFailed:
      return AbandonInstallation(page, 0);
    case kStagesNoDevice:
      // No driver or registry stage: the completion page finishes at once.
      g_Settings.InstallStarted = 1;
      return 0;
    case kStagesDone:
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
    case kWmPaint:
      return OnStartPagePaint(page, wParam, lParam);
    case kWmSettingChange:
    case kWmDisplayChange:
      return OnStartPageSettingsChanged(page);
    default:
      return 0;
  }
}
