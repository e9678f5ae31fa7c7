// Platform driver files and device metadata on the simulated machine: the driver-tree folder each
// platform takes, where its files go, and the metadata copy into the store.
#include "files/driver_files.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "files/copy_state.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

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

TEST_F(DriverFilesTest, MetadataGoesIntoTheStore) {
  const std::u16string store = u"C:\\ProgramData\\Microsoft\\Windows\\DeviceMetadataStore\\EN-US";
  WritePackageFile(u"Metadata\\abc.devicemetadata-ms", "meta");
  EXPECT_EQ(MetadataPackageCopy(), 1);
  EXPECT_EQ(Disk(store + u"\\abc.devicemetadata-ms"), "meta");
  EXPECT_EQ(RegText(u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\DeleteFiles",
                    u"abc.devicemetadata-ms"),
            sim::ToUtf8(store));
  // Without the package folder nothing is made (and no registry section is due).
  Restart("win7");
  EXPECT_EQ(MetadataPackageCopy(), 0);
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\ProgramData\\Microsoft\\Windows\\DeviceMetadataStore"));
}

}  // namespace
