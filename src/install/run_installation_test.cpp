// The installation sequence's own steps: destination folders created level by level and
// recorded for the uninstaller.
#include "install/run_installation.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class RunInstallationTest : public SimFixture {
 protected:
  // The folders recorded for the uninstaller, sorted.
  static std::vector<std::string> RecordedFolders() {
    std::vector<std::string> folders;
    RegKey key = nullptr;
    if (SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Uninstall", kKeyRead, &key) != 0) return folders;
    for (uint32_t index = 0;; ++index) {
      char16_t name[512];
      uint32_t length = 512;
      if (SysRegEnumValue(key, index, name, &length, nullptr, nullptr, nullptr) != 0) break;
      folders.push_back(sim::ToUtf8(name));
    }
    SysRegCloseKey(key);
    std::sort(folders.begin(), folders.end());
    return folders;
  }
};

TEST_F(RunInstallationTest, DestinationFoldersLevelByLevel) {
  struct Case {
    const char* name;
    std::vector<std::u16string> existing;
    const char16_t* destination;
    const char* destinationAfter;
    std::vector<std::string> recorded;
    std::vector<std::u16string> created;
  };
  const Case cases[] = {
      {"three new levels", {}, u"C:\\A\\B\\C", "C:\\A\\B\\C", {"C:\\A\\", "C:\\A\\B\\", "C:\\A\\B\\C"},
       {u"C:\\A", u"C:\\A\\B", u"C:\\A\\B\\C"}},
      {"trailing backslash on a new folder", {}, u"D:\\Tools\\Mouse\\", "D:\\Tools\\Mouse",
       {"D:\\Tools\\", "D:\\Tools\\Mouse"}, {u"D:\\Tools", u"D:\\Tools\\Mouse"}},
      {"existing levels are not recorded", {u"C:\\Program Files\\Norvik"}, u"C:\\Program Files\\Norvik\\Glide",
       "C:\\Program Files\\Norvik\\Glide", {"C:\\Program Files\\Norvik\\Glide"},
       {u"C:\\Program Files\\Norvik\\Glide"}},
      {"an existing destination is only recorded", {u"C:\\Tools\\Mouse"}, u"C:\\Tools\\Mouse\\",
       "C:\\Tools\\Mouse\\", {"C:\\Tools\\Mouse\\"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    for (const std::u16string& folder : c.existing) ASSERT_TRUE(sim::WriteDiskFile(folder + u"\\keep.txt", ""));
    TextCopy(g_Settings.DestinationDir, c.destination);
    CreateDestinationFolders();
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), c.destinationAfter);
    std::vector<std::string> expected = c.recorded;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(RecordedFolders(), expected);
    for (const std::u16string& folder : c.created) EXPECT_TRUE(sim::DiskPathExists(folder)) << sim::ToUtf8(folder);
  }
}

}  // namespace
