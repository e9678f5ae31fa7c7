// The registry stage and its please-wait dialog: the dialog starts one worker on its first
// paint; the worker runs the stage's work (the installation sequence's, else UpdateRegistry:
// the registry script sections and the program sections of the chosen interface), then ends the
// dialog.
#include "registration/update_registry.h"

#include "common/text.h"
#include "shared/delete_registry_tree.h"
#include "drivers/find_btuid_device.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "registration/program_sections.h"
#include "registration/registration_keys.h"
#include "registration/registry_script.h"
#include "ui/stage_dialog.h"
#include "registration/write_mouse_type.h"
#include "startup/settings.h"

namespace {

// The dialog's own message and worker, the state of the open dialog, and the work it was given.
StageDialogState g_UpdateRegistryStage = {kUpdateRegistryStartMessage, UpdateRegistryThread};
int (*g_RegistryStageWork)(WindowHandle dialog) = UpdateRegistry;

// Whether [Default] "Usexmousecpl" (default "TRUE") switches the control-panel section on.
bool UsesOwnControlPanel() {
  char16_t value[kTextSize];
  SysReadProfileString(kSectionDefault, kKeyUseXmouseCpl, kUseXmouseCplDefault, value, kTextSize,
                       g_Settings.ConfigFile);
  return TextEqualNoCase(value, kUseXmouseCplOff);
}

}  // namespace

int UpdateRegistry(WindowHandle) {
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
  if (s.InterfaceType == kInterfaceBluetooth && !s.PreloadMode && FindBTUIDDevice() == 0) RunBTPrograms();
  if (s.PreloadMode) RunPreloadPrograms();
  if (s.ChooseMouse) WriteMouseType();
  return 1;
}

intptr_t UpdateRegistryDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmInitDialog) {
    const RegistryStage* stage = reinterpret_cast<const RegistryStage*>(lParam);
    g_RegistryStageWork = stage && stage->work ? stage->work : UpdateRegistry;
  }
  return StageDialogMessage(&g_UpdateRegistryStage, dialog, message, wParam, lParam);
}

uint32_t UpdateRegistryThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  g_RegistryStageWork(dialog);
  EndStageDialogWithSuccess(dialog);
  return 0;
}
