// Platform detection from the version numbers the system reports.
#include "startup/platform_detect.h"

#include "common/text.h"
#include "shared/trace.h"
#include "platform/kernel.h"
#include "settings/config_keys.h"
#include "settings/settings.h"

int32_t DetectPlatform() {
  SysVersionInfo info = {};
  if (!SysGetVersionInfo(&info, 1)) return kPlatformOther;
  Trace(u"maj = %d, min = %d, 64OS = %d", static_cast<int32_t>(info.major), static_cast<int32_t>(info.minor), 0);
  if (info.major == 6) {
    if (info.minor == 0) return kPlatformVista;
    if (info.minor == 1) return kPlatformWin7;
    return kPlatformWin8;
  }
  if (info.major == 5) {
    if (info.minor == 0) return kPlatformWin2000;
    if (info.minor == 1) return kPlatformWinXP;
    if (info.minor == 2 && info.productType == kProductServer) return kPlatformServer2003;
  }
  return kPlatformOther;
}

// Plain version information; 0 when the system does not answer.
static int PlainVersion(SysVersionInfo* info) {
  *info = SysVersionInfo{};
  return SysGetVersionInfo(info, 0);
}

int IsNT5OrLater() {
  SysVersionInfo info;
  if (!PlainVersion(&info)) return 0;
  return info.platformId == kPlatformNT && info.major >= 5;
}

int IsNT5Minor1() {
  SysVersionInfo info;
  if (!PlainVersion(&info)) return 0;
  return info.platformId == kPlatformNT && info.major >= 5 && info.minor == 1;
}

int IsWindowsMe() {
  SysVersionInfo info;
  if (!PlainVersion(&info)) return 0;
  return info.major == 4 && info.minor == 90;
}

int IsWin98OrMe() {
  SysVersionInfo info;
  if (!PlainVersion(&info)) return 0;
  return info.platformId == kPlatform9x && (info.major > 4 || (info.major == 4 && info.minor > 0));
}

// Composes SourceDir + "\" + name into out.
static uint32_t ConfigPath(const char16_t* name, char16_t* out, uint32_t cap) {
  TextCopy(out, cap, g_Settings.SourceDir);
  TextAppend(out, cap, u"\\");
  return static_cast<uint32_t>(TextAppend(out, cap, name));
}

uint32_t ChooseConfigFile(char16_t* out, uint32_t cap) {
  if (!out || cap == 0) return 0;
  out[0] = 0;
  uint32_t word = SysGetVersionWord();
  SysVersionInfo info;
  int known = PlainVersion(&info);

  if (word & 0x80000000u) {
    if ((word & 0xFF) < 4) return 0;  // older than Windows 95: no configuration file applies
    // The family's row, newest first; the last name is taken whether it exists or not.
    const char16_t* row[3];
    int count = 0;
    uint32_t minor = known ? info.minor : 0;
    if (minor == 90) row[count++] = kFileSetupMe;
    if (minor == 90 || minor == 10) row[count++] = kFileSetup98;
    row[count++] = kFileSetup95;
    for (int i = 0; i + 1 < count; ++i) {
      ConfigPath(row[i], out, cap);
      if (SysPathExists(out)) return static_cast<uint32_t>(TextLength(out));
    }
    return ConfigPath(row[count - 1], out, cap);
  }

  uint32_t major = known ? info.major : (word & 0xFF);
  return ConfigPath(major >= 5 ? kFileSetup2K : kFileSetupNT, out, cap);
}
