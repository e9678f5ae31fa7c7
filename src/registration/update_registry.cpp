// The registry stage and its please-wait dialog: the dialog starts one worker on its first
// paint; the worker runs the stage's work (the installation sequence's, else UpdateRegistry:
// the registry script sections and the program sections of the chosen interface), then ends the
// dialog.
#include "registration/update_registry.h"

#include "common/text.h"
#include "shared/delete_registry_tree.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "registration/program_sections.h"
#include "registration/registration_keys.h"
#include "services/registry_script.h"
#include "ui/stage_dialog.h"
#include "registration/write_mouse_type.h"
#include "settings/settings.h"

namespace {

// The dialog's own message and worker, the state of the open dialog, and the work it was given.
StageDialogState g_UpdateRegistryStage = {kUpdateRegistryStartMessage, UpdateRegistryThread};
// The registry work alone, asking nothing (no listed Bluetooth mouse counts as present).
int UpdateRegistryAlone(WindowHandle dialog) { return UpdateRegistry(dialog, nullptr); }

// Whether a listed Bluetooth mouse is present, as the installation sequence answers it.
bool BluetoothMousePresent(const RegistryStageQuestions* questions) {
  return questions && questions->bluetoothMousePresent && questions->bluetoothMousePresent() != 0;
}

int (*g_RegistryStageWork)(WindowHandle dialog) = UpdateRegistryAlone;

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
  if (message == kWmInitDialog) {
    const RegistryStage* stage = reinterpret_cast<const RegistryStage*>(lParam);
    g_RegistryStageWork = stage && stage->work ? stage->work : UpdateRegistryAlone;
  }
  return StageDialogMessage(&g_UpdateRegistryStage, dialog, message, wParam, lParam);
}

uint32_t UpdateRegistryThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  g_RegistryStageWork(dialog);
  EndStageDialogWithSuccess(dialog);
  return 0;
}
