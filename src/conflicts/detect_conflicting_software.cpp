// DetectConflictingSoftware: the driver's key by Windows family, then its uninstall entry.
#include "conflicts/detect_conflicting_software.h"

#include <vector>

#include "common/text.h"
#include "conflicts/conflict_keys.h"
#include "platform/kernel.h"
#include "platform/registry.h"

// The name shown until an uninstall entry gives one, and the entry looked at first.
int32_t ConflictFound = 0;
int32_t ConflictUninstallEntryFound = 0;
char16_t ConflictDisplayName[kConflictTextSize] = u"Logitech Mouse Driver";
char16_t ConflictUninstallKey[kConflictTextSize] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MouseWare";
int32_t UninstallerRunning = 0;

namespace {

// Opens an uninstall entry and takes its display name. 1 when the entry exists.
int TakeUninstallEntry(const char16_t* path) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, path, kKeyAllAccess, &key) != 0) return 0;
  ConflictUninstallEntryFound = 1;
  std::vector<char16_t> name;
  ReadConflictText(key, kRegValueDisplayName, &name);
  TextCopy(ConflictDisplayName, kConflictTextSize, name.data());
  SysRegCloseKey(key);
  return 1;
}

}  // namespace

int ReadConflictText(RegKey key, const char16_t* name, std::vector<char16_t>* out) {
  out->assign(1, 0);
  uint32_t type = 0, size = 0;
  if (SysRegQueryValue(key, name, &type, nullptr, &size) != 0) return 0;
  std::vector<uint8_t> data(size, 0);
  uint32_t got = size;
  if (SysRegQueryValue(key, name, &type, data.data(), &got) != 0) return 0;
  out->assign(got / 2 + 1, 0);
  for (uint32_t i = 0; i < got / 2; ++i) (*out)[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  return 1;
}

void DetectConflictingSoftware() {
  ConflictFound = 0;
  ConflictUninstallEntryFound = 0;
  SysVersionInfo version;
  if (!SysGetVersionInfo(&version, 0)) return;

  const char16_t* driverKey = nullptr;
  if (version.platformId == kPlatform9x)
    driverKey = kRegPathConflictVxD;
  else if (version.platformId == kPlatformNT && version.major < 5)
    driverKey = kRegPathConflictService;
  if (!driverKey) return;
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, driverKey, kKeyAllAccess, &key) != 0) return;
  SysRegCloseKey(key);
  ConflictFound = 1;

  if (TakeUninstallEntry(ConflictUninstallKey)) return;
  if (TakeUninstallEntry(kRegPathConflictUninstallAlternate))
    TextCopy(ConflictUninstallKey, kConflictTextSize, kRegPathConflictUninstallAlternate);
}
