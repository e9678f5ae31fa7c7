// The program's entry: start-up in its fixed order, from the command line to the main window
// and the message loop that runs until the window ends the program.
#include "entry/setup_main.h"

#include "common/text.h"
#include "shared/trace.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "startup/command_line.h"
#include "settings/config_keys.h"
#include "startup/config_loader.h"
#include "startup/language.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"
#include "wizard/background_window.h"

#include "resource_ids.h"

namespace {

// Texts of the start-up warnings; the unsupported-platform pair is taken from the string table
// (IDS_SETUP_WARNING, IDS_OS_NOT_SUPPORTED) when the program has it.
const char16_t kWarningCaption[] = u"Setup Warning";
const char16_t kUnsupportedPlatformText[] =
    u"Current O.S. is not supported by this software, please refer to the user's manual or readme.txt for more "
    u"information.";
const char16_t kTypeSwitchMissingText[] =
    u"Please specify the /type switch to tell setup installer which interface is going to be install!!";

// SetProcessShutdownParameters: among the first processes shut down, no retry box.
constexpr uint32_t kShutdownLevel = 0x3FF;
constexpr uint32_t kShutdownNoRetry = 1;

// Every configuration file name of the Windows families.
const char16_t* const kConfigFileNames[] = {kFileSetup95, kFileSetup98, kFileSetupMe, kFileSetupNT, kFileSetup2K};

// EspecialFile = folder of the program file + "SETUP2K.INI"; Especial = its [Especial] "especial".
void ReadEspecial() {
  SettingsRecord& s = g_Settings;
  char16_t module[260] = {};
  SysGetModulePath(module, 260);
  long cut = TextFindLastChar(module, u'\\');
  module[cut + 1] = 0;
  TextCopy(s.EspecialFile, module);
  TextAppend(s.EspecialFile, kFileSetup2K);
  s.Especial = static_cast<int32_t>(SysReadProfileInt(kSectionEspecial, kKeyEspecial, 0, s.EspecialFile));
}

// True when a configuration file of any Windows family lies in SourceDir.
bool AnyConfigFileBesideProgram() {
  for (const char16_t* name : kConfigFileNames) {
    char16_t path[2 * kTextSize];
    TextCopy(path, 2 * kTextSize, g_Settings.SourceDir);
    TextAppend(path, 2 * kTextSize, u"\\");
    TextAppend(path, 2 * kTextSize, name);
    if (SysPathExists(path)) return true;
  }
  return false;
}

// The end after a failed configuration load. The warning goes to the trace; it is shown in a
// message box only when the package is there but does not support this platform (a configuration
// file of another family, or Supported=FALSE) and the run is interactive: an unattended run
// (/S, /H, /F, /NoInf) must never wait for a button.
void EndUnsupported(ModuleHandle instance, const char16_t* commandLine) {
  char16_t caption[128], text[512];
  if (!SysLoadString(instance, IDS_SETUP_WARNING, caption, 128)) TextCopy(caption, kWarningCaption);
  if (!SysLoadString(instance, IDS_OS_NOT_SUPPORTED, text, 512)) TextCopy(text, kUnsupportedPlatformText);
  Trace(u"%s: %s", caption, text);
  if (!AnyConfigFileBesideProgram()) return;

  SwitchSlot switches[kSwitchSlots];
  SplitCommandLine(commandLine, switches);
  if (HasUnattendedSwitch(switches)) return;
  SysMessageBox(nullptr, text, caption, kMbOk | kMbIconExclamation);
}

}  // namespace

int RunStartup(ModuleHandle instance, const char* commandLine) {
  SettingsRecord& s = g_Settings;

  // 1. The command line as UTF-16.
  char16_t line[kCommandLineSize] = {};
  SysAnsiToWide(commandLine ? commandLine : "", line, kCommandLineSize);

  // 2. Platform; 3. Especial from SETUP2K.INI; 4. language.
  s.Platform = DetectPlatform();
  ReadEspecial();
  SelectLanguage();

  // 5. The setup configuration.
  if (!LoadSetupConfiguration()) {
    EndUnsupported(instance, line);
    return 0;
  }

  // 6. COM for the shortcuts; 7. the instance handle.
  SysInitCom();
  s.InstanceHandle = instance;

  // 8. Switches; 9. the interface-type rule for silent runs; 10. the switches win over the file.
  SplitCommandLine(line, g_SwitchTable);
  if (!PrescanSwitches(g_SwitchTable)) {
    Trace(u"%s: %s", kWarningCaption, kTypeSwitchMissingText);
    return 0;
  }
  ApplySwitches(g_SwitchTable);
  return 1;
}

int SetupWinMain(ModuleHandle instance, ModuleHandle previous, const char* commandLine, int showCommand) {
  (void)previous;
  ResetSettings();
  if (!RunStartup(instance, commandLine)) return 0;

  // 11. The main window class; 12. shut down early at a system shutdown, without a retry box.
  RegisterBackgroundClass(instance);
  SysSetProcessShutdownParameters(kShutdownLevel, kShutdownNoRetry);

  // 13. The background window, which starts the wizard; without it there is nothing to run.
  if (!CreateBackgroundWindow(instance, showCommand)) return 0;

  // 14. The message loop, until the window's end posts the quit message.
  SysMessage message = {};
  while (SysGetMessage(&message)) {
    SysTranslateMessage(&message);
    SysDispatchMessage(&message);
  }
  return static_cast<int>(message.wParam);
}
