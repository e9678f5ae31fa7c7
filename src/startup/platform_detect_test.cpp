// Platform code, version tests and configuration-file choice on the simulated Windows families.
#include "startup/platform_detect.h"

#include "common/text.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class PlatformDetectTest : public SimFixture {};

struct VersionCase {
  const char* profile;
  uint32_t major, minor;  // 0.0: as the profile has it
  int productType;        // -1: as the profile has it
  bool extended;
  int32_t code;
  const char* tests;  // IsNT5OrLater, IsNT5Minor1, IsWindowsMe, IsWin98OrMe
};

TEST_F(PlatformDetectTest, CodeAndVersionTests) {
  const VersionCase cases[] = {
      {"win95", 0, 0, -1, false, 14, "0000"},  {"win98", 0, 0, -1, false, 14, "0001"},
      {"winme", 0, 0, -1, false, 14, "0011"},  {"nt4", 0, 0, -1, false, 14, "0000"},
      {"win2000", 0, 0, -1, true, 1, "1000"},  {"winxp", 0, 0, -1, true, 2, "1100"},
      {"winxp64", 0, 0, -1, true, 14, "1000"}, {"server2003", 0, 0, -1, true, 6, "1000"},
      {"vista", 0, 0, -1, true, 3, "1000"},    {"win7", 0, 0, -1, true, 4, "1100"},
      {"win8", 0, 0, -1, true, 5, "1000"},     {"win8", 6, 3, -1, true, 5, "1000"},
      {"win8", 10, 0, -1, true, 14, "1000"},   {"winxp", 5, 2, 2, true, 14, "1000"},
      {"winxp", 0, 0, -1, false, 14, "1100"},  // no extended version information
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.profile << " " << c.major << "." << c.minor);
    sim::MachineProfile profile = Builtin(c.profile);
    if (c.major) profile.major = c.major, profile.minor = c.minor;
    if (c.productType >= 0) profile.productType = static_cast<uint8_t>(c.productType);
    profile.hasExtendedVersion = c.extended;
    StartMachine(profile);
    EXPECT_EQ(DetectPlatform(), c.code);
    std::string tests = {char('0' + IsNT5OrLater()), char('0' + IsNT5Minor1()), char('0' + IsWindowsMe()),
                         char('0' + IsWin98OrMe())};
    EXPECT_EQ(tests, c.tests);
    std::string trace = "trace: maj = " + std::to_string(profile.major) + ", min = " + std::to_string(profile.minor) +
                        ", 64OS = 0";
    EXPECT_EQ(JournalHas(trace), c.extended);
  }
}

struct ConfigCase {
  const char* profile;
  std::vector<const char16_t*> present;
  const char16_t* chosen;
};

TEST_F(PlatformDetectTest, ConfigFileFollowsTheFamilyRow) {
  const ConfigCase cases[] = {
      {"winme", {u"SETUPME.INI", u"SETUP98.INI"}, u"SETUPME.INI"}, {"winme", {u"SETUP98.INI"}, u"SETUP98.INI"},
      {"winme", {u"SETUP95.INI"}, u"SETUP95.INI"},                  {"winme", {}, u"SETUP95.INI"},
      {"win98", {u"SETUPME.INI"}, u"SETUP95.INI"},                  {"win98", {u"SETUP98.INI"}, u"SETUP98.INI"},
      {"win95", {u"SETUP98.INI"}, u"SETUP95.INI"},                  {"nt4", {u"SETUP2K.INI"}, u"SETUPNT.INI"},
      {"win2000", {u"SETUPNT.INI"}, u"SETUP2K.INI"},                {"win7", {}, u"SETUP2K.INI"},
  };
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.profile << " -> " << sim::ToUtf8(c.chosen));
    StartMachine(c.profile);
    for (const char16_t* name : c.present) WritePackageFile(name, "[Install]\r\n");
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    char16_t path[256];
    EXPECT_EQ(ChooseConfigFile(path, 256), PackagePath(c.chosen).size());
    EXPECT_EQ(std::u16string(path), PackagePath(c.chosen));
  }

  // Before Windows 95 no file applies.
  sim::MachineProfile old = Builtin("win95");
  old.major = 3;
  StartMachine(old);
  WritePackageFile(u"SETUP95.INI", "[Install]\r\n");
  char16_t path[256] = u"x";
  EXPECT_EQ(ChooseConfigFile(path, 256), 0u);
  EXPECT_EQ(path[0], 0);
}

}  // namespace
