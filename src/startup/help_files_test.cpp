// Choice of help-file language versions by the user's locale.
#include "startup/help_files.h"

#include <string>

#include "common/text.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class HelpFilesTest : public SimFixture {};

struct HelpCase {
  const char* profile;
  uint32_t userLocale;
  const char* reg;       // registry text merged after the reset, "" for none
  const char* sections;  // after "[HelpFileList]\r\n1=Guide.hlp\r\n"
  int result;
  const char* choices;  // "entry=choice;..." for entries 1..n
};

TEST_F(HelpFilesTest, ChoosesTheVersionForTheLocale) {
#define INTL "[HKEY_CURRENT_USER\\Control Panel\\International]\n"
  const HelpCase cases[] = {
      {"win7", 0x0807, "", "[Guide.hlp]\r\n00000409=en\r\n00000407=de\r\n", 1, "Guide.hlp=de"},
      {"win7", 0x0807, "", "[Guide.hlp]\r\n00000407=de\r\n00000807=ch\r\n", 1, "Guide.hlp=ch"},
      {"win7", 0x0807, "", "[Guide.hlp]\r\n00000407=\r\n00000C07=at\r\n00000409=en\r\n", 1, "Guide.hlp=at"},
      {"win7", 0x0411, "", "[Guide.hlp]\r\n00000407=de\r\n00000409=en\r\n", 1, "Guide.hlp=en"},
      {"win7", 0x0411, "", "[Guide.hlp]\r\n00000407=de\r\n", 1, "Guide.hlp=Guide.hlp"},
      {"win7", 0x0409, "[-HKEY_CURRENT_USER\\Control Panel\\International]\n",  // unreadable: English
       "[Guide.hlp]\r\n00000407=de\r\n00000409=en\r\n", 1, "Guide.hlp=en"},
      {"win7", 0x0409, INTL "\"Locale\"=\"0000080c\"\n",  // upper-cased before use
       "[Guide.hlp]\r\n00000409=en\r\n0000040C=fr\r\n", 1, "Guide.hlp=fr"},
      {"win98", 0x0407, INTL "\"Locale\"=\"00000409\"\n",  // 9x: ResourceLocale
       "[Guide.hlp]\r\n00000409=en\r\n00000407=de\r\n", 1, "Guide.hlp=de"},
      {"win7", 0x0409, "", "2=B.hlp\r\n4=D.hlp\r\n[Guide.hlp]\r\n00000409=en\r\n", 1, "Guide.hlp=en;B.hlp=B.hlp"},
      {"win7", 0x0409, "", "2=\r\n3=C.hlp\r\n", 1, "Guide.hlp=Guide.hlp"},
  };
#undef INTL
  for (const HelpCase& c : cases) {
    SCOPED_TRACE(c.sections);
    sim::MachineProfile profile = Builtin(c.profile);
    profile.userLocale = c.userLocale;
    StartMachine(profile);
    if (*c.reg) ImportReg(c.reg);
    WritePackageFile(u"SETUP2K.INI", std::string("[HelpFileList]\r\n1=Guide.hlp\r\n") + c.sections);
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());

    EXPECT_EQ(SelectHelpFiles(), c.result);
    std::string got;
    for (int n = 1; n <= HelpFileCount; ++n)
      got += (n > 1 ? ";" : "") + sim::ToUtf8(HelpFileEntries[n]) + "=" + sim::ToUtf8(HelpFileChoices[n]);
    EXPECT_EQ(got, c.choices);
  }
}

TEST_F(HelpFilesTest, ListLimits) {
  TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
  WritePackageFile(u"SETUP2K.INI", "[Install]\r\n");
  EXPECT_EQ(SelectHelpFiles(), 0);
  EXPECT_EQ(HelpFileCount, 0);

  std::string ini = "[HelpFileList]\r\n";
  for (int n = 1; n <= 70; ++n) ini += std::to_string(n) + "=F" + std::to_string(n) + "\r\n";
  WritePackageFile(u"SETUP2K.INI", ini);
  EXPECT_EQ(SelectHelpFiles(), 1);
  EXPECT_EQ(HelpFileCount, kHelpFileMax);
  EXPECT_EQ(sim::ToUtf8(HelpFileChoices[63]), "F63");
}

}  // namespace
