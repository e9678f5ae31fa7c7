// Start-up over machine profiles, package contents and command lines; the command line's split
// and switches; the platform code and version tests on the simulated Windows families.
#include "entry/setup_main.h"

#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "settings/settings.h"
#include "startup/command_line.h"
#include "startup/platform_detect.h"
#include "support/sim_fixture.h"

namespace {

class SetupMainTest : public SimFixture {};

const char kAsk[] = "[Install]\r\nTitle=Glide\r\n[Default]\r\nAskType=TRUE\r\nAskPath=TRUE\r\n";
const char kUnsupported[] = "[Install]\r\nSupported=FALSE\r\n";
const char kNotSupportedText[] = "Current O.S. is not supported";
const char kTypeText[] = "Please specify the /type switch to tell setup installer which interface is going to be install!!";

struct StartupCase { const char* profile; std::vector<std::pair<const char16_t*, std::string>> files;
    const char* commandLine;
    char end;  // '-' goes on; 'T' ends for /S without /TYPE:; 'W' ends unsupported with a box, 'Q' quietly
    const char* expect; };

TEST_F(SetupMainTest, StartupOverCommandLinesConfigurationsAndMachines) {
  const StartupCase cases[] = {
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/S", 'T', "SilentSwitchSeen=1;SilentMode=0"},
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/s /type:usb", '-', "SilentMode=1;InterfaceType=3;AskType=0;AskPath=0;Restart=0;InfPath=D:\\NHIDMou.INF;Platform=4;" "InstanceHandle=0x400000"},
      {"win7", {{u"SETUP2K.INI", kAsk}, {u"NHIDMou.INF", ""}}, "/S", '-', "SilentMode=1;InfPresence=4"},
      {"win98", {{u"SETUP95.INI", "[Install]\r\nTitle=Nine\r\n"}}, "", '-', "ConfigFile=D:\\SETUP95.INI;Title=Nine;Platform=14"},
      {"win7", {{u"SETUP95.INI", "[Install]\r\nTitle=Nine\r\n"}, {u"SETUP2K.INI", "[Install]\r\nTitle=Seven\r\n"}}, "", '-', "ConfigFile=D:\\SETUP2K.INI;Title=Seven"},
      // Unsupported platform: a warning box only in interactive runs.
      {"win7", {{u"SETUP95.INI", "[Install]\r\n"}}, "", 'W', "ConfigFile="},
      {"win7", {{u"SETUP95.INI", "[Install]\r\n"}}, "/S /TYPE:USB", 'Q', "SilentMode=0"},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/NR", 'W', "NoRestart=0"},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/h", 'Q', ""},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/F", 'Q', ""},
      // Especial always comes from SETUP2K.INI, before the language and the configuration.
      {"win98", {{u"SETUP95.INI", "[Install]\r\nTitle=Nine\r\nCH_Title=CT\r\n"}, {u"SETUP2K.INI", "[Especial]\r\nespecial=1\r\n"}, {u"install.ini", "[LANGUAGE]\r\nLanguageid=2052\r\n"}}, "", '-', "EspecialFile=D:\\SETUP2K.INI;Especial=1;LanguageName=CHINESE;TitleSuffix=\xE5\xAE\x89\xE8\xA3\x85;Title=CT"},
  };
  for (const StartupCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.profile << " " << c.files[0].second << " cmd=" << c.commandLine);
    StartMachine(c.profile);
    for (const auto& file : c.files) WritePackageFile(file.first, file.second);

    EXPECT_EQ(RunStartup(reinterpret_cast<ModuleHandle>(0x400000), c.commandLine), c.end == '-' ? 1 : 0);
    std::vector<std::string> boxes = JournalLines("msgbox: [Setup Warning] ");
    ASSERT_EQ(boxes.size(), c.end == 'W' ? 1u : 0u);
    if (c.end == 'W') { EXPECT_NE(boxes[0].find(kNotSupportedText), std::string::npos) << boxes[0]; }
    // COM comes after the configuration; every early end leaves its reason in the trace.
    EXPECT_EQ(sim::ComInitialised(), c.end == '-' || c.end == 'T');
    if (c.end != '-') { EXPECT_TRUE(JournalHas(c.end == 'T' ? kTypeText : kNotSupportedText)); }
    ExpectSettings(c.expect);
  }
}

class CommandLineTest : public SimFixture {};

TEST_F(CommandLineTest, SplitsIntoSlots) {
  std::u16string many, longOnes;
  for (char16_t c = u'A'; c <= u'Q'; ++c) many += std::u16string(u"/") + c;  // 17 switches
  for (int i = 0; i < 20; ++i) longOnes += u"/ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"/S /TYPE:USB", u"S|TYPE:USB"}, {u"/TYPE: BT", u"TYPE:BT"}, {u"S /NR", u"NR"},
      {u"/NR//S", u"NR||S"},            {u"/S/", u"S|"},            {u"\t/S\t", u"S\t"},
      {u"setup", u""},                  {many, u"A|B|C|D|E|F|G|H|I|J|K|L|M|N|O|P"},
      {longOnes, u"ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|" u"ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|" u"ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.first.substr(0, 40)));
    SwitchSlot table[kSwitchSlots + 1];
    TextCopy(table[kSwitchSlots], kSwitchSize, u"guard");
    int opened = SplitCommandLine(c.first.c_str(), table);
    std::u16string got;
    for (int i = 0; i < opened; ++i) got += (i ? u"|" : u"") + std::u16string(table[i]);
    EXPECT_EQ(sim::ToUtf8(got), sim::ToUtf8(c.second));
    for (int i = opened; i < kSwitchSlots; ++i) EXPECT_EQ(table[i][0], 0);
    EXPECT_EQ(std::u16string(table[kSwitchSlots]), u"guard");
  }
}

struct SwitchCase { const char16_t* line; bool infNames;  // BTInf and USBInf named by the configuration
    int goOn;  // pre-scan result
    const char* expect; };

TEST_F(CommandLineTest, SwitchesOverrideTheConfiguration) {
  const SwitchCase cases[] = {
      {u"/s /type:usb", true, 1, "SilentMode=1;SilentSwitchSeen=1;TypeSwitchSeen=1;InterfaceType=3;InfPath=D:\\NHIDMou.INF;Restart=0;" "AskType=0;AskPath=0;AskMousePosition=0;ChooseMouse=0;HiddenMode=0"},
      {u"/S", true, 0, "SilentSwitchSeen=1;TypeSwitchSeen=0;SilentMode=0"},
      {u"/S /TYPE:PS2", true, 1, "SilentMode=1;InterfaceType=1;CallConfigMg=0;Restart=1;InfPath=D:\\Nmouse.inf"},
      {u"/H", true, 1, "HiddenMode=1;SilentMode=1;SilentSwitchSeen=0;AskType=0;AskPath=0;ChooseMouse=0"},
      {u"/NoInf", true, 1, "NoInfMode=1;HiddenMode=1;SilentMode=1;AskType=0;AskMousePosition=0;ChooseMouse=1"},
      {u"/F", true, 1, "SilentMode=1;UseSetupNtHelper=1;NoRestart=1;HiddenMode=0;AskPath=0;ChooseMouse=1"},
      {u"/TYPE:BT", false, 1, "InterfaceType=2;InfPath=D:\\Nmouse.inf"},
      {u"/TYPE:USB", false, 1, "InterfaceType=3;InfPath=D:\\Nmouse.inf;Restart=0"},
      {u"/TYPE:ALL /TYPE:PS2", true, 1, "InterfaceType=1;InstallAllType=0;Restart=0;CallConfigMg=0"},
      {u"/TYPE:ALL", true, 1, "InterfaceType=7;InstallAllType=1;Restart=0;AskType=0;InfPath=D:\\Nmouse.inf"},
      {u"/P /U /NI", true, 1, "PreloadMode=1;Restart=0;AskType=0;AskPath=1;PS2DriverNameIsProductName=1;ShowTaskBarIcon=0"},
      {u"/ID:3/11/0", true, 1, "ModelId=3;ModelIdGiven=3;AskType=0;ChooseMouse=1"},
      {u"/ID:3 /ID:11", true, 1, "ModelId=3;ModelIdGiven=0"},
      {u"/ID:0", true, 1, "ModelId=1;ModelIdGiven=0;AskType=1"},
      {u"/id:3", true, 1, "ModelId=1;ModelIdGiven=0;AskType=1"},  // the /ID: row wants capitals
      {u"/ID:5 /S /TYPE:USB", true, 1, "ChooseMouse=0;ModelId=5"},
      {u"/X /SS /TYPE:USB2 /nrx", true, 1, "AskType=1;NoRestart=0;InfPath=D:\\Nmouse.inf;SilentMode=0"},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.line));
    ResetSettings();
    SettingsRecord& s = g_Settings;  // as the loader leaves a configuration that asks everything
    TextCopy(s.SourceDir, u"D:");
    TextCopy(s.InfPath, u"D:\\Nmouse.inf");
    TextCopy(s.BTInf, c.infNames ? u"Nbtmouse.inf" : u"");
    TextCopy(s.USBInf, c.infNames ? u"NHIDMou.INF" : u"");
    s.AskType = s.AskPath = s.AskMousePosition = s.ChooseMouse = s.Restart = s.CallConfigMg = 1;

    SwitchSlot table[kSwitchSlots];
    SplitCommandLine(c.line, table);
    int goOn = PrescanSwitches(table);
    EXPECT_EQ(goOn, c.goOn);
    if (goOn) ApplySwitches(table);
    ExpectSettings(c.expect);
  }
}

class PlatformDetectTest : public SimFixture {};

struct VersionCase { const char* profile; uint32_t major, minor;  // 0.0: as the profile has it
    int productType;  // -1: as the profile has it
    bool extended; int32_t code; const char* tests;  // IsNT5OrLater, IsNT5Minor1, IsWindowsMe, IsWin98OrMe
};

TEST_F(PlatformDetectTest, CodeAndVersionTests) {
  const VersionCase cases[] = {
      {"win98", 0, 0, -1, false, 14, "0001"},  {"winme", 0, 0, -1, false, 14, "0011"},
      {"nt4", 0, 0, -1, false, 14, "0000"},    {"winxp", 0, 0, -1, true, 2, "1100"},
      {"winxp64", 0, 0, -1, true, 14, "1000"}, {"server2003", 0, 0, -1, true, 6, "1000"},
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

struct ConfigCase { const char* profile; std::vector<const char16_t*> present; const char16_t* chosen; };

}  // namespace
