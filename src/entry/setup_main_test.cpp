// Start-up from the command line to the main window, over machine profiles, package contents
// and command lines.
#include "entry/setup_main.h"

#include <string>
#include <utility>
#include <vector>

#include "resource_ids.h"
#include "settings/settings.h"
#include "wizard/background_window.h"
#include "support/sim_fixture.h"

namespace {

class SetupMainTest : public SimFixture {};

const char kAsk[] = "[Install]\r\nTitle=Glide\r\n[Default]\r\nAskType=TRUE\r\nAskPath=TRUE\r\n";
const char kUnsupported[] = "[Install]\r\nSupported=FALSE\r\n";
const char kNotSupportedText[] = "Current O.S. is not supported";
const char kTypeText[] = "Please specify the /type switch to tell setup installer which interface is going to be install!!";

struct StartupCase {
  const char* profile;
  std::vector<std::pair<const char16_t*, std::string>> files;
  const char* commandLine;
  char end;  // '-' goes on; 'T' ends for /S without /TYPE:; 'W' ends unsupported with a box, 'Q' quietly
  const char* expect;
};

TEST_F(SetupMainTest, StartupOverCommandLinesConfigurationsAndMachines) {
  const StartupCase cases[] = {
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/S", 'T', "SilentSwitchSeen=1;SilentMode=0"},
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/s /type:usb", '-',
       "SilentMode=1;InterfaceType=3;AskType=0;AskPath=0;Restart=0;InfPath=D:\\NHIDMou.INF;Platform=4;"
       "InstanceHandle=0x400000"},
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/H", '-', "HiddenMode=1;AskType=0"},
      {"win7", {{u"SETUP2K.INI", kAsk}, {u"NHIDMou.INF", ""}}, "/S", '-', "SilentMode=1;InfPresence=4"},
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/NR//S", '-', "NoRestart=1;SilentMode=0;AskType=1"},
      {"win7", {{u"SETUP2K.INI", kAsk}}, "S /NR", '-', "NoRestart=1;SilentMode=0"},
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/TYPE: BT", '-', "InterfaceType=2;InfPath=D:\\Nbtmouse.inf"},
      {"win7", {{u"SETUP2K.INI", kAsk}}, "/ID:3/11/0", '-', "ModelId=3;ModelIdGiven=3;ChooseMouse=1"},
      {"win98", {{u"SETUP95.INI", "[Install]\r\nTitle=Nine\r\n"}}, "", '-',
       "ConfigFile=D:\\SETUP95.INI;Title=Nine;Platform=14"},
      {"win7", {{u"SETUP95.INI", "[Install]\r\nTitle=Nine\r\n"}, {u"SETUP2K.INI", "[Install]\r\nTitle=Seven\r\n"}},
       "", '-', "ConfigFile=D:\\SETUP2K.INI;Title=Seven"},
      // Unsupported platform: a warning box only in interactive runs.
      {"win7", {{u"SETUP95.INI", "[Install]\r\n"}}, "", 'W', "ConfigFile="},
      {"win7", {{u"SETUP95.INI", "[Install]\r\n"}}, "/S /TYPE:USB", 'Q', "SilentMode=0"},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/NR", 'W', "NoRestart=0"},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/h", 'Q', ""},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/NOINF", 'Q', ""},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/F", 'Q', ""},
      {"win7", {{u"SETUP2K.INI", kUnsupported}}, "/NR//S", 'W', ""},
      {"win7", {{u"install.ini", "[LANGUAGE]\r\n"}}, "", 'Q', "SourceDir=D:"},  // no package at all
      // Especial always comes from SETUP2K.INI, before the language and the configuration.
      {"win98",
       {{u"SETUP95.INI", "[Install]\r\nTitle=Nine\r\nCH_Title=CT\r\n"}, {u"SETUP2K.INI", "[Especial]\r\nespecial=1\r\n"},
        {u"install.ini", "[LANGUAGE]\r\nLanguageid=2052\r\n"}},
       "", '-',
       "EspecialFile=D:\\SETUP2K.INI;Especial=1;LanguageName=CHINESE;TitleSuffix=\xE5\xAE\x89\xE8\xA3\x85;Title=CT"},
  };
  for (const StartupCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.profile << " " << c.files[0].second << " cmd=" << c.commandLine);
    StartMachine(c.profile);
    for (const auto& file : c.files) WritePackageFile(file.first, file.second);

    EXPECT_EQ(RunStartup(reinterpret_cast<ModuleHandle>(0x400000), c.commandLine), c.end == '-' ? 1 : 0);
    std::vector<std::string> boxes = JournalLines("msgbox: [Setup Warning] ");
    ASSERT_EQ(boxes.size(), c.end == 'W' ? 1u : 0u);
    if (c.end == 'W') {
      EXPECT_NE(boxes[0].find(kNotSupportedText), std::string::npos) << boxes[0];
    }
    // COM comes after the configuration; every early end leaves its reason in the trace.
    EXPECT_EQ(sim::ComInitialised(), c.end == '-' || c.end == 'T');
    if (c.end != '-') {
      EXPECT_TRUE(JournalHas(c.end == 'T' ? kTypeText : kNotSupportedText));
    }
    ExpectSettings(c.expect);
  }
}

TEST_F(SetupMainTest, EntryStartsFromAFreshRecordAndEndsWithZero) {
  WritePackageFile(u"SETUP2K.INI", "[Install]\r\nTitle=Glide\r\n");
  g_Settings.SilentMode = 1;
  // The user leaves at once: Cancel on the Welcome page, then "Exit Setup".
  sim::QueueDialogAnswer(IDD_PAGE_WELCOME, kIdCancel);
  sim::QueueDialogAnswer(IDD_EXIT_SETUP, kIdCancel);
  EXPECT_EQ(SetupWinMain(nullptr, nullptr, "/NR", 1), 0);
  ExpectSettings("SilentMode=0;NoRestart=1");
  // The run got as far as the message loop: the window, the wizard it started, and the end that
  // the window's destruction brought.
  const std::vector<std::string> journal = sim::Journal();
  const auto at = [&journal](const std::string& text) {
    for (size_t i = 0; i < journal.size(); ++i)
      if (journal[i].find(text) != std::string::npos) return static_cast<int>(i);
    return -1;
  };
  EXPECT_GE(at("window: NMSetup [Glide  install] created"), 0);
  EXPECT_GT(at("window: NMSetup [Glide  install] shown maximised"), at("window: NMSetup [Glide  install] created"));
  EXPECT_GT(at("wizard: cancelled"), at("shown maximised"));
  sim::WindowInfo window;
  ASSERT_TRUE(sim::GetWindowInfo(g_Background.window, &window));
  EXPECT_EQ(window.className, "NMSetup");
  uint32_t level = 0, flags = 0;
  ASSERT_TRUE(sim::ShutdownParameters(&level, &flags));
  EXPECT_EQ(level, 0x3FFu);
  EXPECT_EQ(flags, 1u);

  StartMachine("win7");  // an early end never gets that far
  EXPECT_EQ(SetupWinMain(nullptr, nullptr, "/S", 1), 0);
  EXPECT_FALSE(sim::ShutdownParameters(&level, &flags));
}

}  // namespace
