// Language name and caption suffix from install.ini or the thread's locale.
#include "startup/language.h"

#include "common/text.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class LanguageTest : public SimFixture {};

struct LanguageCase {
  const char* languageId;  // value of [LANGUAGE] Languageid; nullptr: no install.ini
  uint32_t threadLocale;
  int32_t especial;
  const char* language;
  const char* suffix;  // TitleSuffix starts as "~" to show whether it was written
};

TEST_F(LanguageTest, NameAndSuffixFromIdOrLocale) {
  const char* chinese = "\xE5\xAE\x89\xE8\xA3\x85";
  const LanguageCase cases[] = {
      {"1031", 0x0409, 0, "GERMAN", "~"},       {nullptr, 0x0407, 0, "GERMAN", "~"},
      {"0", 0x0411, 0, "JAPANESE", "~"},        {"5132", 0x0409, 0, "FRENCH", "~"},
      {"2052", 0x0409, 0, "CHINESE", "~"},      {"2052", 0x0409, 1, "CHINESE", chinese},
      {"1028", 0x0409, 1, "TAIWAN", "~"},       {"1033", 0x0407, 0, "ENGLISH", " Setup"},
      {nullptr, 0x10407, 0, "ENGLISH", "~"},    {"6156", 0x0407, 0, "ENGLISH", "~"},
      {"20490", 0x0409, 0, "SPANISH", "~"},     {"21514", 0x0409, 0, "ENGLISH", "~"},
      {"1546", 0x0409, 0, "ENGLISH", "~"},      {"1038", 0x0409, 0, "HUNGARY", "~"},
  };
  for (const LanguageCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.languageId ? c.languageId : "-") << " locale " << std::hex << c.threadLocale);
    sim::MachineProfile profile = Builtin("win7");
    profile.threadLocale = c.threadLocale;
    StartMachine(profile);
    if (c.languageId) WritePackageFile(u"install.ini", std::string("[LANGUAGE]\r\nLanguageid=") + c.languageId);
    // The Windows folder's install.ini is not the package's.
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\install.ini", "[LANGUAGE]\r\nLanguageid=1043\r\n"));
    g_Settings.Especial = c.especial;
    TextCopy(g_Settings.TitleSuffix, u"~");
    SelectLanguage();
    ExpectSettings(std::string("LanguageName=") + c.language + ";TitleSuffix=" + c.suffix);
  }
}

}  // namespace
