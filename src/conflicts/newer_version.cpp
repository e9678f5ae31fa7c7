// Newer-version check: installed version and interfaces from the registry, compared as text
// with this package's version (so 1.10 counts as older than 1.9).
#include "conflicts/newer_version.h"

#include "common/text.h"
#include "shared/trace.h"
#include "conflicts/conflict_keys.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "resource_ids.h"
#include "ui/text_keys.h"
#include "ui/message_words.h"

namespace {

constexpr uint32_t kVersionSize = 256;
constexpr uint32_t kValueNameSize = 256;

// 1 when the installed copy lists the chosen interface, or all interfaces (7).
int InstalledInterfaceMatches() {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kRegPathInterface, kKeyRead, &key) != 0) return 0;
  int match = 0;
  for (uint32_t index = 0;; ++index) {
    char16_t name[kValueNameSize];
    uint32_t nameLength = kValueNameSize;
    uint32_t type = 0;
    uint32_t number = 0;
    uint32_t size = sizeof(number);
    if (SysRegEnumValue(key, index, name, &nameLength, &type, reinterpret_cast<uint8_t*>(&number), &size) != 0)
      break;
    if (type != kRegTypeDword || size != sizeof(number)) break;
    if (static_cast<int32_t>(number) == g_Settings.InterfaceType || number == kInterfaceAll) {
      match = 1;
      break;
    }
  }
  SysRegCloseKey(key);
  return match;
}

// Reads a text value into out (kVersionSize characters). 1 when it was read.
int ReadVersionText(RegKey key, const char16_t* name, char16_t* out) {
  uint32_t type = 0;
  uint32_t size = (kVersionSize - 1) * sizeof(char16_t);
  out[0] = 0;
  if (SysRegQueryValue(key, name, &type, reinterpret_cast<uint8_t*>(out), &size) != 0) {
    out[0] = 0;
    return 0;
  }
  out[size / sizeof(char16_t)] = 0;
  return 1;
}

intptr_t OnNewerVersionInit(WindowHandle dialog) {
  if (g_Settings.ShowWarning == 0) {
    SysEndDialog(dialog, 1);
    return 1;
  }
  ApplyLocalisedTexts(dialog, IDD_NEWER_VERSION, nullptr);
  return 1;
}

// Exit Setup ends the dialog with 1 (stop), Continue with 0.
intptr_t OnNewerVersionCommand(WindowHandle dialog, int id) {
  if (id == IDC_NEWER_EXIT) {
    SysEndDialog(dialog, 1);
    return 1;
  }
  if (id == IDC_NEWER_CONTINUE) {
    SysEndDialog(dialog, 0);
    return 1;
  }
  return 0;
}

// Shows the "Warning" and returns 1 when setup must stop.
int AskAboutNewerVersion(WindowHandle owner) {
  intptr_t answer =
      SysDialogBoxParam(g_Settings.InstanceHandle, IDD_NEWER_VERSION, owner, NewerVersionDlgProc, 0);
  return answer != 0 ? 1 : 0;
}

// Equal versions: the sub-versions (when compared) and the installed interfaces decide.
// Returns 1 when the warning must be shown.
int EqualVersionNeedsWarning(RegKey product, int interfaceMatch) {
  if (g_Settings.CompareSubVer == 0) return interfaceMatch;
  char16_t installed[kVersionSize];
  if (!ReadVersionText(product, kRegValueInstalledSubVersion, installed) && g_Settings.Replace == 0) return 0;
  int order = TextCompareNoCase(g_Settings.SubVersion, installed);
  if (order < 0) return 1;
  if (order > 0) return 0;
  return interfaceMatch;
}

}  // namespace

intptr_t NewerVersionDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      return OnNewerVersionInit(dialog);
    case kWmCommand:
      return OnNewerVersionCommand(dialog, static_cast<int>(LowWord(wParam)));
    default:
      return 0;
  }
}

int CheckNewerVersion(WindowHandle owner) {
  RegKey product = nullptr;
  SysRegOpenKey(kRegLocalMachine, kRegPathProduct, kKeyRead, &product);
  int result = 0;
  int interfaceMatch = InstalledInterfaceMatches();

  char16_t installed[kVersionSize];
  if (product != nullptr && ReadVersionText(product, kRegValueInstalledVersion, installed)) {
    Trace(u"version = %s", installed);
    if (g_Settings.Replace == 0) Trace(u"version = %s, ProductVersion = %s", installed, g_Settings.Version);
    int order = TextCompareNoCase(g_Settings.Version, installed);
    if (order > 0) {
      g_Settings.NewerPackage = 1;
    } else if (order < 0 || EqualVersionNeedsWarning(product, interfaceMatch)) {
      result = AskAboutNewerVersion(owner);
    }
  }

  g_Settings.VersionChecked = 1;
  if (product != nullptr) SysRegCloseKey(product);
  return result;
}
