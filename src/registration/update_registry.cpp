// The registry stage and its please-wait dialog: the dialog starts one worker on its first
// paint; the worker applies the registry script sections and starts the program sections of the
// chosen interface, then ends the dialog.
#include "registration/update_registry.h"

#include "common/text.h"
#include "shared/delete_registry_tree.h"
#include "files/cleanup.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "files/copy_state.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "registration/program_sections.h"
#include "registration/registration_keys.h"
#include "services/registry_script.h"
#include "ui/stage_dialog.h"
#include "registration/write_mouse_type.h"
#include "startup/help_files.h"
#include "settings/settings.h"

namespace {

// The dialog's own message and worker, and the state of the open dialog.
StageDialogState g_UpdateRegistryStage = {kUpdateRegistryStartMessage, UpdateRegistryThread};
// The questions of the open dialog, from its creation parameter.
const RegistryStageQuestions* g_UpdateRegistryQuestions = nullptr;

// Whether a listed Bluetooth mouse is present, as the installation sequence answers it.
bool BluetoothMousePresent(const RegistryStageQuestions* questions) {
  return questions && questions->bluetoothMousePresent && questions->bluetoothMousePresent() != 0;
}

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

}  // namespace

int UpdateRegistry(WindowHandle, const RegistryStageQuestions* questions) {
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
  if (s.InterfaceType == kInterfaceBluetooth && !s.PreloadMode && !BluetoothMousePresent(questions)) RunBTPrograms();
  if (s.PreloadMode) RunPreloadPrograms();
  if (s.ChooseMouse) WriteMouseType();
  return 1;
}

intptr_t UpdateRegistryDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmInitDialog) g_UpdateRegistryQuestions = reinterpret_cast<const RegistryStageQuestions*>(lParam);
  return StageDialogMessage(&g_UpdateRegistryStage, dialog, message, wParam, lParam);
}

uint32_t UpdateRegistryThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  UpdateRegistry(dialog, g_UpdateRegistryQuestions);
  EndStageDialogWithSuccess(dialog);
  return 0;
}
