// Platform driver files and device metadata on the simulated machine: the driver-tree folder each
// platform takes, where its files go, and the metadata copy that only Windows 7 and 8 get.
#include "files/driver_files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/text.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "startup/help_files.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

const char kMetadataIni[] = "[Add Registry.Metadata]\r\n1=HKLM,Software\\Norvik\\Metadata,Applied,0,yes\r\n";

std::string RegText(const std::u16string& path, const std::u16string& name) {
  RegKey key = nullptr;
  char16_t data[512] = {};
  uint32_t size = sizeof data - 2, type = 0;
  if (SysRegOpenKey(kRegLocalMachine, path.c_str(), kKeyRead, &key) != 0) return "<none>";
  int32_t err = SysRegQueryValue(key, name.c_str(), &type, reinterpret_cast<uint8_t*>(data), &size);
  SysRegCloseKey(key);
  return err == 0 ? sim::ToUtf8(data) : "<none>";
}

class DriverFilesTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    Restart("win7");
  }
  // A fresh machine, the configuration file, and the generic D:\src\drv.sys.
  void Restart(const std::string& profile, const std::string& ini = "[Install]\r\n") {
    StartMachine(profile);
    std::memset(CopyTable, 0, sizeof CopyTable);
    CopyEntryCount = HelpFileCount = CancelRequested = 0;
    _dwHasCopied = _dwTotalFileSize = 0;
    TempExtractDir[0] = 0;
    WritePackageFile(u"SETUP2K.INI", ini);
    WritePackageFile(u"src\\drv.sys", "generic");
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.SubFolder, u"src");
    TextCopy(g_Settings.UninstallKey, u"Glidewave");
    g_Settings.Platform = DetectPlatform();
  }
};

struct FolderCase {
  const char* profile;
  std::vector<const char*> folders;  // folders below D:\SYS ("" itself), each with a drv.sys naming it
  int result;
  const char* taken;  // what D:\src\drv.sys holds afterwards
};

TEST_F(DriverFilesTest, EachPlatformTakesItsFolderOrItsFallback) {
  const FolderCase cases[] = {
      {"win2000", {"Win2k", "W2k"}, 1, "Win2k"},
      {"win2000", {"W2k"}, 1, "W2k"},
      {"winxp", {"xp32", "vista32"}, 1, "xp32"},
      {"winxp", {"vista32"}, 0, "generic"},  // no fallback
      {"server2003", {"xp32", "vista32"}, 1, "vista32"},
      {"win7", {"win7_32", "vista32"}, 1, "win7_32"},
      {"win7", {"vista32"}, 1, "vista32"},
      {"win8", {"win7_32", "vista32"}, 1, "win7_32"},
      {"win8", {"vista32"}, 0, "generic"},  // the fallback is not followed further
      {"win98", {"", "win7_32"}, 1, ""},    // any other platform: the tree's own files
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + c.folders[0]);
    Restart(c.profile);
    for (const char* folder : c.folders)
      WritePackageFile(*folder ? u"SYS\\" + sim::FromUtf8(folder) + u"\\drv.sys" : u"SYS\\drv.sys", folder);
    EXPECT_EQ(GetDriverSysFile(), c.result);
    EXPECT_EQ(Disk(PackagePath(u"src\\drv.sys")), c.taken);
  }
}

TEST_F(DriverFilesTest, FilesOfTheFolderReplaceTheCopySource) {
  Restart("win7", "[Default]\r\nDriverFile=Drivers\r\n");
  WritePackageFile(u"Drivers\\win7_32\\drv.sys", "seven");
  WritePackageFile(u"Drivers\\win7_32\\new.inf", "inf");
  WritePackageFile(u"Drivers\\win7_32\\amd64\\drv.sys", "deeper");
  WritePackageFile(u"SYS\\win7_32\\drv.sys", "default tree");
  ASSERT_EQ(SysSetFileAttributes(PackagePath(u"Drivers\\win7_32\\new.inf").c_str(), kAttrReadOnly), 1);
  EXPECT_EQ(GetDriverSysFile(), 1);
  EXPECT_EQ(Disk(PackagePath(u"src\\drv.sys")), "seven");
  EXPECT_EQ(SysGetFileAttributes(PackagePath(u"src\\new.inf").c_str()) & kAttrReadOnly, 0u);
  EXPECT_FALSE(sim::DiskPathExists(PackagePath(u"src\\amd64")));

  // In cabinet mode they go over the extracted files.
  g_Settings.CabFile = 1;
  TextCopy(TempExtractDir, u"C:\\Windows\\_NorvikInstallTempDir0");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\_NorvikInstallTempDir0\\drv.sys", "extracted"));
  EXPECT_EQ(GetDriverSysFile(), 1);
  EXPECT_EQ(Disk(u"C:\\Windows\\_NorvikInstallTempDir0\\drv.sys"), "seven");
}

TEST_F(DriverFilesTest, MetadataGoesIntoTheStoreOnWindows7And8Only) {
  const std::u16string store = u"C:\\ProgramData\\Microsoft\\Windows\\DeviceMetadataStore\\EN-US";
  for (const char* profile : {"win7", "win8", "vista", "winxp"}) {
    SCOPED_TRACE(profile);
    Restart(profile, kMetadataIni);
    WritePackageFile(u"Metadata\\abc.devicemetadata-ms", "meta");
    CopyFileProc(nullptr, 0);  // its first call runs it; an empty list ends at once
    const bool written = std::string(profile) == "win7" || std::string(profile) == "win8";
    EXPECT_EQ(RegText(u"Software\\Norvik\\Metadata", u"Applied"), written ? "yes" : "<none>");
    EXPECT_EQ(Disk(store + u"\\abc.devicemetadata-ms"), written ? "meta" : "<missing>");
    EXPECT_EQ(RegText(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\DeleteFiles",
                      u"abc.devicemetadata-ms"),
              written ? sim::ToUtf8(store) : "<none>");
    EXPECT_EQ(_nCurPercent, 100);
  }
  // Without the package folder nothing is made and the section is not applied.
  Restart("win7", kMetadataIni);
  MetadataPackageCopy();
  EXPECT_EQ(RegText(u"Software\\Norvik\\Metadata", u"Applied"), "<none>");
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\ProgramData\\Microsoft\\Windows\\DeviceMetadataStore"));
}

TEST_F(DriverFilesTest, FirstCallPreparesInOrderBeforeMeasuring) {
  // The cabinet pack puts a.txt into the copy source and the driver tree replaces drv.sys before
  // the copy source is measured.
  std::ifstream in(std::string(SETUP_FIXTURE_DIR) + "/normal.cab", std::ios::binary);
  if (!in) GTEST_SKIP() << "cabinet fixtures not built";
  Restart("win7", std::string(kMetadataIni) + "[Cab.list]\r\n1=normal.cab,,,%DefaultPath%\r\n");
  WritePackageFile(u"normal.cab", std::string(std::istreambuf_iterator<char>(in), {}));
  WritePackageFile(u"SYS\\win7_32\\drv.sys", "seven!");
  WritePackageFile(u"Metadata\\abc.devicemetadata-ms", "meta");
  for (const char16_t* name : {u"a.txt", u"drv.sys"}) {
    TextCopy(CopyTable[++CopyEntryCount].FileName, name);
    TextCopy(CopyTable[CopyEntryCount].DestDir, u"C:\\Gw");
  }
  CopyFileProc(nullptr, 0);
  EXPECT_EQ(Disk(u"C:\\Gw\\a.txt"), "alpha\r\n");
  EXPECT_EQ(Disk(u"C:\\Gw\\drv.sys"), "seven!");
  EXPECT_EQ(_dwTotalFileSize, 13u);
  const std::vector<std::string> steps = {"trace: ExtractCabPack", "trace: GetDriverSysFile",
                                          "trace: MetadataPackageCopy START",
                                          "trace: size = 0xd, src = D:\\src, fun = CopyFileProc, cab = 0"};
  std::vector<std::string> order;
  for (const std::string& line : JournalLines("trace: "))
    if (std::find(steps.begin(), steps.end(), line) != steps.end()) order.push_back(line);
  EXPECT_EQ(order, steps);
}

}  // namespace
