// The destination page: the default folder on the Windows drive shown in the page, and what
// Browse leaves in the settings and the page for a confirmed or cancelled choice.
#include "wizard/destination_page.h"

#include <string>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "wizard/choose_folder.h"

namespace {

class DestinationPageTest : public PageFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.MfgName, u"Norvik");
    TextCopy(g_Settings.DefaultDestination, u"\\Tools\\Glidewave");
    TextCopy(g_szBrowsePath, kBrowsePathSize, u"C:\\Program Files");
  }
  std::string Shown() const {
    char16_t text[260];
    SysGetDlgItemText(page_, IDC_DEST_FOLDER, text, 260);
    return sim::ToUtf8(text);
  }
};

TEST_F(DestinationPageTest, DefaultOnTheWindowsDriveAndBrowse) {
  struct Case {
    const char* name;
    const char* profile;
    bool browse, ok;
    const char* destination;
  };
  sim::MachineProfile onE = Builtin("win7");
  onE.windowsDir = u"E:\\WINNT";
  onE.systemDir = u"E:\\WINNT\\system32";
  const Case cases[] = {
      {"default on C:", "win7", false, false, "C:\\Tools\\Glidewave"},
      {"default on the Windows drive E:", "", false, false, "E:\\Tools\\Glidewave"},
      {"Browse confirmed", "win7", true, true, "D:\\Apps\\Norvik\\Glidewave 98"},
      {"Browse cancelled keeps the default", "win7", true, false, "C:\\Tools\\Glidewave"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.profile[0])
      StartMachine(c.profile);
    else
      StartMachine(onE);
    TextCopy(g_Settings.DestinationDir, u"X:\\stale");
    CreatePage(IDD_PAGE_DESTINATION, DestinationPageProc);
    if (c.browse) {
      sim::QueueFolderChoice(u"D:\\Apps", u"", c.ok);
      Click(IDC_DEST_BROWSE);
    }
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), c.destination);
    EXPECT_EQ(Shown(), c.destination);
  }
}

}  // namespace
