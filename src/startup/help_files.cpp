// Help-file selection by the user's locale.
#include "startup/help_files.h"

#include <cstring>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "settings/config_keys.h"
#include "settings/settings.h"

char16_t HelpFileEntries[kHelpFileMax + 1][kHelpFileTextSize];
char16_t HelpFileChoices[kHelpFileMax + 1][kHelpFileTextSize];
int32_t HelpFileCount;

namespace {

constexpr uint32_t kLocaleSize = 16;
constexpr uint32_t kKeyListSize = 512;  // key names of one section: at most 512 characters

// The user's locale as upper-case hexadecimal text, "00000409" when it cannot be read: the value
// "Locale" of Control Panel\International on the NT family, the default value of
// Control Panel\Desktop\ResourceLocale on the 9x family.
void ReadUserLocale(char16_t* out) {
  TextCopy(out, kLocaleSize, kDefaultLocale);
  bool family9x = (SysGetVersionWord() & 0x80000000u) != 0;
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegCurrentUser, family9x ? kRegPathResourceLocale : kRegPathInternational, kKeyRead, &key) != 0)
    return;
  char16_t data[kLocaleSize] = {};
  uint32_t type = 0;
  uint32_t size = (kLocaleSize - 1) * sizeof(char16_t);  // room kept for a terminator
  int32_t status = SysRegQueryValue(key, family9x ? u"" : kRegValueLocale, &type, reinterpret_cast<uint8_t*>(data), &size);
  SysRegCloseKey(key);
  if (status != 0 || (type != kRegTypeSz && type != kRegTypeExpandSz)) return;
  uint32_t chars = size / sizeof(char16_t);
  if (chars > kLocaleSize - 1) chars = kLocaleSize - 1;
  data[chars] = 0;
  if (!data[0]) return;
  TextCopy(out, kLocaleSize, data);
  TextUpper(out);
}

// True when characters 7 and 8 of the key name (the primary language) equal those of the locale.
bool SameLanguage(const char16_t* keyName, size_t keyLength, const char16_t* locale) {
  if (keyLength < 8 || TextLength(locale) < 8) return false;
  return CharUpper(keyName[6]) == locale[6] && CharUpper(keyName[7]) == locale[7];
}

// Chooses the language version of entry n into HelpFileChoices[n].
void ChooseHelpFile(int n, const char16_t* locale) {
  const char16_t* file = g_Settings.ConfigFile;
  const char16_t* section = HelpFileEntries[n];
  char16_t* choice = HelpFileChoices[n];

  SysReadProfileString(section, locale, u"", choice, kHelpFileTextSize, file);
  if (choice[0]) return;

  // Any key of the same primary language with a value.
  char16_t names[kKeyListSize];
  std::memset(names, 0, sizeof(names));
  SysReadProfileString(section, nullptr, u"", names, kKeyListSize, file);
  names[kKeyListSize - 2] = 0;
  names[kKeyListSize - 1] = 0;
  for (size_t at = 0; at < kKeyListSize && names[at];) {
    const char16_t* name = names + at;
    size_t length = TextLength(name);
    if (SameLanguage(name, length, locale)) {
      SysReadProfileString(section, name, u"", choice, kHelpFileTextSize, file);
      if (choice[0]) return;
    }
    at += length + 1;
  }

  SysReadProfileString(section, kDefaultLocale, u"", choice, kHelpFileTextSize, file);
  if (choice[0]) return;
  TextCopy(choice, kHelpFileTextSize, section);
}

}  // namespace

int SelectHelpFiles() {
  std::memset(HelpFileEntries, 0, sizeof(HelpFileEntries));
  std::memset(HelpFileChoices, 0, sizeof(HelpFileChoices));
  HelpFileCount = 0;

  char16_t locale[kLocaleSize];
  ReadUserLocale(locale);

  int n = 1;
  for (; n <= kHelpFileMax; ++n) {
    char16_t key[16];
    TextFormat(key, 16, u"%d", n);
    SysReadProfileString(kSectionHelpFileList, key, u"", HelpFileEntries[n], kHelpFileTextSize, g_Settings.ConfigFile);
    if (!HelpFileEntries[n][0]) break;
    ChooseHelpFile(n, locale);
  }
  HelpFileCount = n - 1;
  return HelpFileCount > 0 ? 1 : 0;
}
