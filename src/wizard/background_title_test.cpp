// The background window's caption: Especial builds, Chinese, and the caption word of install.ini.
#include "wizard/background_title.h"

#include <string>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class BackgroundTitleTest : public SimFixture {};

TEST_F(BackgroundTitleTest, CaptionFromTitleEspecialAndLanguage) {
  const std::string kWindowsIni = "[Install]\r\nSetupTite=Special\r\nCH_SetupTite=ZhongWen\r\n";
  const struct {
    const char* name;
    int especial;
    const char16_t* language;
    std::string windowsIni;  // SETUP2K.INI in the Windows folder ("" = none)
    std::string installIni;  // install.ini beside the program ("" = none)
    const char* caption;
    const char* suffix;
  } cases[] = {
      {"defaults: title, two blanks, install", 0, u"ENGLISH", "", "", "Glide  install", " install"},
      {"caption word of the language", 0, u"ENGLISH", "", "[ENGLISH]\r\nIDS_STRING_INSTALL=Setup\r\n", "Glide Setup",
       "Setup"},
      {"another language's word is not used", 0, u"GERMAN", "", "[ENGLISH]\r\nIDS_STRING_INSTALL=Setup\r\n",
       "Glide  install", " install"},
      {"Especial off ignores SetupTite", 0, u"ENGLISH", kWindowsIni, "", "Glide  install", " install"},
      {"Especial: SetupTite and a blank", 1, u"ENGLISH", kWindowsIni, "", "Special   install", " install"},
      {"Especial without the key: Title and a blank", 1, u"ENGLISH", "", "", "Glide   install", " install"},
      {"Especial Chinese: CH_SetupTite, no extra blank", 1, u"chinese", kWindowsIni,
       "[chinese]\r\nIDS_STRING_INSTALL=AnZhuang\r\n", "ZhongWen AnZhuang", "AnZhuang"},
      {"Especial Chinese without the key", 1, u"CHINESE", "", "", "Glide  install", " install"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    // The package's own SETUP2K.INI is not the one read: only the Windows folder's counts.
    WritePackageFile(u"SETUP2K.INI", "[Install]\r\nSetupTite=Package\r\nCH_SetupTite=Package\r\n");
    if (!c.windowsIni.empty()) sim::WriteDiskFile(WindowsDir() + u"\\SETUP2K.INI", c.windowsIni);
    if (!c.installIni.empty()) WritePackageFile(u"install.ini", c.installIni);
    TextCopy(g_Settings.Title, u"Glide");
    TextCopy(g_Settings.LanguageName, c.language);
    g_Settings.Especial = c.especial;

    char16_t caption[kBackgroundTitleSize];
    ComposeBackgroundTitle(caption, kBackgroundTitleSize);
    EXPECT_EQ(sim::ToUtf8(caption), c.caption);
    EXPECT_EQ(SettingsField("TitleSuffix"), c.suffix);
  }
}

}  // namespace
