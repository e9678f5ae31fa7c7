// Splitting the command line and applying the switches to the settings record.
#include "startup/command_line.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class CommandLineTest : public SimFixture {};

TEST_F(CommandLineTest, SplitsIntoSlots) {
  std::u16string many, longOnes;
  for (char16_t c = u'A'; c <= u'Q'; ++c) many += std::u16string(u"/") + c;  // 17 switches
  for (int i = 0; i < 20; ++i) longOnes += u"/ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"/S /TYPE:USB", u"S|TYPE:USB"}, {u"/TYPE: BT", u"TYPE:BT"}, {u"S /NR", u"NR"},
      {u"/NR//S", u"NR||S"},            {u"/S/", u"S|"},            {u"\t/S\t", u"S\t"},
      {u"setup", u""},                  {many, u"A|B|C|D|E|F|G|H|I|J|K|L|M|N|O|P"},
      {longOnes, u"ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|"
                 u"ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|"
                 u"ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO|ABCDEFGHIJKLMNO"},
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

struct SwitchCase {
  const char16_t* line;
  bool infNames;  // BTInf and USBInf named by the configuration
  int goOn;       // pre-scan result
  const char* expect;
};

TEST_F(CommandLineTest, SwitchesOverrideTheConfiguration) {
  const SwitchCase cases[] = {
      {u"/s /type:usb", true, 1,
       "SilentMode=1;SilentSwitchSeen=1;TypeSwitchSeen=1;InterfaceType=3;InfPath=D:\\NHIDMou.INF;Restart=0;"
       "AskType=0;AskPath=0;AskMousePosition=0;ChooseMouse=0;HiddenMode=0"},
      {u"/S", true, 0, "SilentSwitchSeen=1;TypeSwitchSeen=0;SilentMode=0"},
      {u"/S /TYPE:PS2", true, 1, "SilentMode=1;InterfaceType=1;CallConfigMg=0;Restart=1;InfPath=D:\\Nmouse.inf"},
      {u"/H", true, 1, "HiddenMode=1;SilentMode=1;SilentSwitchSeen=0;AskType=0;AskPath=0;ChooseMouse=0"},
      {u"/NoInf", true, 1, "NoInfMode=1;HiddenMode=1;SilentMode=1;AskType=0;AskMousePosition=0;ChooseMouse=1"},
      {u"/F", true, 1, "SilentMode=1;UseSetupNtHelper=1;NoRestart=1;HiddenMode=0;AskPath=0;ChooseMouse=1"},
      {u"/NR//S", true, 1, "NoRestart=1;SilentMode=0;SilentSwitchSeen=0;AskType=1"},
      {u"/TYPE: BT", true, 1, "InterfaceType=2;InfPath=D:\\Nbtmouse.inf;Restart=1;AskType=0;TypeSwitchSeen=1"},
      {u"/TYPE:BT", false, 1, "InterfaceType=2;InfPath=D:\\Nmouse.inf"},
      {u"/TYPE:USB", false, 1, "InterfaceType=3;InfPath=D:\\Nmouse.inf;Restart=0"},
      {u"/TYPE:ALL /TYPE:PS2", true, 1, "InterfaceType=1;InstallAllType=0;Restart=0;CallConfigMg=0"},
      {u"/TYPE:ALL", true, 1, "InterfaceType=7;InstallAllType=1;Restart=0;AskType=0;InfPath=D:\\Nmouse.inf"},
      {u"/P /U /NI", true, 1,
       "PreloadMode=1;Restart=0;AskType=0;AskPath=1;PS2DriverNameIsProductName=1;ShowTaskBarIcon=0"},
      {u"/ID:3/11/0", true, 1, "ModelId=3;ModelIdGiven=3;AskType=0;ChooseMouse=1"},
      {u"/ID:10", true, 1, "ModelId=10;ModelIdGiven=10"},
      {u"/ID:3 /ID:11", true, 1, "ModelId=3;ModelIdGiven=0"},
      {u"/ID:0", true, 1, "ModelId=1;ModelIdGiven=0;AskType=1"},
      {u"/ID:", true, 1, "ModelId=1;ModelIdGiven=0"},
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

}  // namespace
