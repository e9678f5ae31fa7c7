// The folder chooser's proposals for a selected folder, the typed folder taken as it is, and
// Cancel leaving the destination alone.
#include "wizard/choose_folder.h"

#include <string>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class ChooseFolderTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.MfgName, u"Norvik Electronics Ltd.");
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.DestinationDir, u"C:\\Before");
  }
};

TEST_F(ChooseFolderTest, ProposesTheMakersFolderInsideTheSelection) {
  struct Case {
    const char* name;
    std::u16string folder, typed;
    bool ok;
    int result;
    const char* destination;
    const char* browsePath;
  };
  const Case cases[] = {
      {"a folder", u"D:\\Apps", u"", true, 1, "D:\\Apps\\Norvik Electronics Ltd.\\Glidewave 98", "D:\\Apps"},
      {"the Windows drive's root", u"C:\\", u"", true, 1, "C:\\Norvik Electronics Ltd.\\Glidewave 98", "C:\\"},
      {"another drive's root", u"D:\\", u"", true, 1, "D:\\Norvik Electronics Ltd.\\Glidewave 98", "D:\\"},
      {"the folder already proposed stays", u"c:\\program files\\norvik electronics ltd.\\glidewave 98", u"", true, 1,
       "c:\\program files\\norvik electronics ltd.\\glidewave 98",
       "c:\\program files\\norvik electronics ltd.\\glidewave 98"},
      {"a typed folder is taken as it is", u"D:\\Apps", u"E:\\Mine", true, 1, "E:\\Mine", "D:\\Apps"},
      {"Cancel", u"D:\\Apps", u"", false, 0, "C:\\Before", "C:\\Program Files"},
      {"a folder without a path keeps OK disabled", u"", u"", true, 0, "C:\\Before", "C:\\Program Files"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    char16_t browsePath[kBrowsePathSize] = u"C:\\Program Files";
    sim::QueueFolderChoice(c.folder, c.typed, c.ok);
    EXPECT_EQ(ChooseFolder(nullptr, browsePath), c.result);
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), c.destination);
    EXPECT_EQ(sim::ToUtf8(browsePath), c.browsePath);
  }
  // The browser opened centred on the screen.
  sim::WindowInfo info;
  ASSERT_TRUE(sim::GetWindowInfo(sim::LastFolderBrowser(), &info));
  EXPECT_EQ(info.left, (1024 - info.clientWidth) / 2);
  EXPECT_EQ(info.top, (768 - info.clientHeight) / 2);
}

}  // namespace
