// The installation sequence's own steps: destination folders created level by level and
// recorded for the uninstaller, and the copy stage's preparation in its order.
#include "install/run_installation.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/text.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "startup/platform_detect.h"
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

TEST_F(RunInstallationTest, CopyPreparationInOrderBeforeMeasuring) {
  // The cabinet pack puts a.txt into the copy source and the driver tree replaces drv.sys before
  // the measuring; Windows 7 and 8 take the device metadata and its registry section between.
  std::ifstream in(std::string(SETUP_FIXTURE_DIR) + "/normal.cab", std::ios::binary);
  if (!in) GTEST_SKIP() << "cabinet fixtures not built";
  const std::string cabinet(std::istreambuf_iterator<char>(in), {});
  for (const std::string profile : {"win7", "win8", "vista"}) {
    SCOPED_TRACE(profile);
    StartMachine(profile);
    ResetCopyState();
    WritePackageFile(u"SETUP2K.INI", "[Cab.list]\r\n1=normal.cab,,,%DefaultPath%\r\n[Add Registry.Metadata]\r\n"
                                     "1=HKLM,Software\\Norvik\\Metadata,Applied,0,yes\r\n");
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.SubFolder, u"src");
    g_Settings.Platform = DetectPlatform();
    WritePackageFile(u"normal.cab", cabinet);
    WritePackageFile(u"src\\drv.sys", "generic");
    for (const char16_t* tree : {u"SYS\\win7_32\\drv.sys", u"SYS\\vista32\\drv.sys"}) WritePackageFile(tree, "seven!");
    WritePackageFile(u"Metadata\\abc.devicemetadata-ms", "meta");
    for (const char16_t* name : {u"a.txt", u"drv.sys"}) TextCopy(CopyTable[++CopyEntryCount].FileName, name);
    PrepareCopySource();
    EXPECT_EQ(_dwTotalFileSize, 13u);
    const bool metadata = profile != "vista";
    std::vector<std::string> steps = {"trace: ExtractCabPack", "trace: GetDriverSysFile"};
    if (metadata) steps.insert(steps.end(), {"trace: MetadataPackageCopy START", "trace: MetadataPackageCopy end"});
    steps.push_back("trace: size = 0xd, src = D:\\src, fun = CopyFileProc, cab = 0");
    std::vector<std::string> order;
    for (const std::string& line : JournalLines("trace: "))
      if (std::find(steps.begin(), steps.end(), line) != steps.end()) order.push_back(line);
    EXPECT_EQ(order, steps);
    RegKey key = nullptr;
    EXPECT_EQ(SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Metadata", kKeyRead, &key) == 0, metadata);
    if (key) SysRegCloseKey(key);
  }
}

}  // namespace
