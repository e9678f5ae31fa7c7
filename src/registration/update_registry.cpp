// The registry stage and its please-wait dialog: the dialog starts one worker on its first
// paint; the worker applies the registry script sections and starts the program sections of the
// chosen interface, then ends the dialog.
#include "registration/update_registry.h"

#include "common/text.h"
#include "conflicts/delete_registry_tree.h"
#include "drivers/find_btuid_device.h"
#include "files/cleanup.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "files/copy_state.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "registration/program_sections.h"
#include "registration/registration_keys.h"
#include "registration/registry_script.h"
#include "resource_ids.h"
#include "startup/help_files.h"
#include "startup/settings.h"
#include "wizard/localised_texts.h"
#include "wizard/side_picture.h"

namespace {

// The worker while the dialog lives, and whether the next paint starts it.
SysHandle g_hRegistryThread = nullptr;
int32_t g_RegistryFirstPaint = 1;

uint32_t LowWord(uintptr_t value) { return static_cast<uint32_t>(value & 0xFFFF); }
uint32_t HighWord(uintptr_t value) { return static_cast<uint32_t>((value >> 16) & 0xFFFF); }

// The help files are the last HelpFileCount entries of the copy table; in cabinet mode they were
// left in the temporary folder, which goes once they are copied.
void CopyRemainingHelpFiles() {
  for (int32_t index = CopyEntryCount - HelpFileCount; index < CopyEntryCount; ++index) CopyHelpFile(index);
  if (!g_Settings.CabFile) return;
  if (!SysRemoveDirectory(TempExtractDir)) {
    DeleteFolderTree(TempExtractDir);
    SysRemoveDirectory(TempExtractDir);
  }
}

// Whether [Default] "Usexmousecpl" (default "TRUE") switches the control-panel section on.
bool UsesOwnControlPanel() {
  char16_t value[kTextSize];
  SysReadProfileString(kSectionDefault, kKeyUseXmouseCpl, kUseXmouseCplDefault, value, kTextSize,
                       g_Settings.ConfigFile);
  return TextEqualNoCase(value, kUseXmouseCplOff);
}

intptr_t OnRegistryDialogInit(WindowHandle dialog) {
  if (g_Settings.HiddenMode) {
    SysSetWindowPos(dialog, kHwndBottom, 0, 0, 0, 0, kSwpNoMove | kSwpNoActivate | kSwpHideWindow);
    SysShowWindow(dialog, kSwHide);
    SysPostMessage(dialog, kWmPaint, 0, 0);
  }
  ApplyLocalisedTexts(dialog, IDD_STAGE_WAIT, nullptr);
  return 0;
}

intptr_t OnRegistryDialogPaint(WindowHandle dialog) {
  SysPaint paint = {};
  SysBeginPaint(dialog, &paint);
  SysEndPaint(dialog, &paint);
  if (g_RegistryFirstPaint == 1) {
    g_RegistryFirstPaint = 0;
    SysPostMessage(dialog, kUpdateRegistryStartMessage, 0, 0);
  }
  return 1;
}

// The wait cursor while the pointer moves over the dialog's own client area.
intptr_t OnRegistryDialogSetCursor(WindowHandle dialog, WindowHandle under, intptr_t lParam) {
  uintptr_t codes = static_cast<uintptr_t>(lParam);
  if (under != dialog || LowWord(codes) != kHtClient || HighWord(codes) != kWmMouseMove) return 0;
  SysSetCursorShape(kCursorWait);
  SysSetDialogResult(dialog, 1);
  return 1;
}

intptr_t OnRegistryStart(WindowHandle dialog) {
  g_hRegistryThread = SysCreateThread(UpdateRegistryThread, dialog);
  return 1;
}

intptr_t OnRegistryDialogDestroy() {
  if (g_hRegistryThread != nullptr) {
    SysCloseHandle(g_hRegistryThread);
    g_hRegistryThread = nullptr;
  }
  g_RegistryFirstPaint = 1;
  return 0;
}

}  // namespace

int UpdateRegistry(WindowHandle) {
  const SettingsRecord& s = g_Settings;
  if (s.HelpFilesListed && HelpFileCount > 0) CopyRemainingHelpFiles();
  if (UsesOwnControlPanel()) AddRegistrySection(s.ConfigFile, kSectionCplRegistry);
  AddRegistrySection(s.ConfigFile, kSectionAddRegistry);
  if (TextEqualNoCase(s.LanguageName, kRegistryStageLanguage) && s.Especial)
    AddRegistrySection(s.ConfigFile, kSectionAddChRegistry);

  if (s.InterfaceType == kInterfaceUSB) {
    if (!s.PreloadMode) RunUSBPrograms();
    if (!s.NoInfMode) StartVxDs();
  }
  if (s.InterfaceType == kInterfacePS2) {
    AddRegistrySection(s.ConfigFile, kSectionAddRegistryPS2);
    if (!s.PreloadMode) {
      RunPS2Programs();
      DeleteRegistryTree(kRegCurrentUser, kRegPathCoInstaller);
    }
  }
  if (s.InterfaceType == kInterfaceBluetooth && !s.PreloadMode && FindBTUIDDevice() == 0) RunBTPrograms();
  if (s.PreloadMode) RunPreloadPrograms();
  // With ChooseMouse the chosen model's mouse-type values follow here (WriteMouseType): waiting
  // for the model table.
  return 1;
}

intptr_t UpdateRegistryDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnRegistryDialogInit(dialog);
    case kWmPaint:
      return OnRegistryDialogPaint(dialog);
    case kWmSetCursor:
      return OnRegistryDialogSetCursor(dialog, reinterpret_cast<WindowHandle>(wParam), lParam);
    case kUpdateRegistryStartMessage:
      return OnRegistryStart(dialog);
    case kWmDestroy:
      return OnRegistryDialogDestroy();
    default:
      return 0;
  }
}

uint32_t UpdateRegistryThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  UpdateRegistry(dialog);
  SysEndDialog(dialog, 1);
  SysSetWindowPos(g_hMainWindow, nullptr, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove | kSwpNoZOrder);
  return 0;
}
