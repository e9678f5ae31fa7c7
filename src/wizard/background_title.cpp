// Caption composition of the main background window.
#include "wizard/background_title.h"

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "settings/config_keys.h"
#include "settings/settings.h"
#include "ui/text_keys.h"

namespace {

constexpr uint32_t kTitleSuffixSize = sizeof(SettingsRecord::TitleSuffix) / sizeof(char16_t);
const char16_t kDefaultSuffix[] = u" install";

// install.ini beside the program.
void LanguageFilePath(char16_t* out, uint32_t cap) {
  SysGetModulePath(out, cap);
  long cut = TextFindLastChar(out, u'\\');
  out[cut + 1] = 0;
  TextAppend(out, cap, kFileLanguage);
}

}  // namespace

void ComposeBackgroundTitle(char16_t* out, uint32_t cap) {
  SettingsRecord& s = g_Settings;
  if (!out || cap == 0) return;
  TextCopy(out, cap, s.Title);

  if (s.Especial != 0) {
    char16_t title[kTextSize];
    if (TextEqualNoCase(s.LanguageName, kLanguageChinese)) {
      SysReadProfileString(kSectionSetupTitle, kKeyChineseSetupTitle, s.Title, title, kTextSize, kFileSetup2KNoFolder);
      TextCopy(out, cap, title);
    } else {
      SysReadProfileString(kSectionSetupTitle, kKeySetupTitle, s.Title, title, kTextSize, kFileSetup2KNoFolder);
      TextCopy(out, cap, title);
      TextAppend(out, cap, u" ");
    }
  }

  char16_t languageFile[260];
  LanguageFilePath(languageFile, 260);
  SysReadProfileString(s.LanguageName, kKeyStringInstall, kDefaultSuffix, s.TitleSuffix, kTitleSuffixSize,
                       languageFile);
  TextAppend(out, cap, u" ");
  TextAppend(out, cap, s.TitleSuffix);
}
