// The installation sequence's own steps: destination folders created level by level and
// recorded for the uninstaller, the copy stage's preparation in its order, and driver package
// staging on simulated Windows 7 (which package files are staged, the DIFx install with its
// preinstall fallback and the listed device updates, and the registration of the staged INF).
#include "install/run_installation.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "install/driver_package_staging.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "startup/platform_detect.h"
#include "support/sim_fixture.h"

namespace {

class RunInstallationTest : public SimFixture {};

TEST_F(RunInstallationTest, DestinationFoldersLevelByLevel) {
  const struct { const char* name; std::vector<std::u16string> existing; const char16_t* destination;
      const char* destinationAfter; std::vector<std::string> recorded; std::vector<std::u16string> created;
  } cases[] = {
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    for (const std::u16string& folder : c.existing) ASSERT_TRUE(sim::WriteDiskFile(folder + u"\\keep.txt", ""));
    TextCopy(g_Settings.DestinationDir, c.destination);
    CreateDestinationFolders();
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), c.destinationAfter);
    EXPECT_EQ(RegValueNames(kRegLocalMachine, u"Software\\Norvik\\Uninstall"), c.recorded);  // sorted
    for (const std::u16string& folder : c.created) EXPECT_TRUE(sim::DiskPathExists(folder)) << sim::ToUtf8(folder);
  }
}

TEST_F(RunInstallationTest, CopyPreparationInOrderBeforeMeasuring) {
  // The cabinet pack puts a.txt into the copy source and the driver tree replaces drv.sys before
  // the measuring; Windows 7 and 8 take the device metadata and its registry section between.
  const std::string cabinet = FixtureBytes("normal.cab");
  if (cabinet.empty()) GTEST_SKIP() << "cabinet fixtures not built";
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
    EXPECT_EQ(KeyExists(kRegLocalMachine, u"Software\\Norvik\\Metadata"), metadata);
  }
}

class DriverPackageStagingTest : public SimFixture {
 protected:
  void Prepare() override {
    SettingsRecord& s = g_Settings;
    TextCopy(s.SourceDir, PackageDir().c_str());
    TextCopy(s.PackageDir, u"C:\\Pkg\\");
    TextCopy(s.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(s.UninstallKey, u"GlidewaveUn");
    TextCopy(s.USBInstallSection, u"USB.Install");
    TextCopy(s.USBInf01, u"D:\\usb01.inf");
    for (const char16_t* name : {u"gw98.cab", u"nhidmou.inf", u"gw99.cat", u"a.inf", u"b.cat"})
      WritePackageFile(name, sim::ToUtf8(name));
  }
  static bool RegistryHas(const std::string& text) { return sim::ExportRegText().find(text) != std::string::npos; }
};

TEST_F(DriverPackageStagingTest, StagesTheListedOrTheFixedFiles) {
  const struct { const char* name; const char* presetup;  // nullptr: no Presetup.ini
      std::vector<std::string> staged;
      std::vector<std::string> boxes;  // with InstallTrace: source as text, target as caption
  } cases[] = {
      {"fixed files, a read-only copy replaced", nullptr, {"gw98.cab", "nhidmou.inf", "gw99.cat"},
       {"msgbox: [C:\\Pkg\\nhidmou.inf] D:\\nhidmou.inf -> 1"}},
      {"listed files: first non-empty field", "[CopyList]\r\n1=a.inf, more text\r\n2=,b.cat\r\n", {"a.inf", "b.cat"},
       {"msgbox: [C:\\Pkg\\a.inf] D:\\a.inf -> 1", "msgbox: [C:\\Pkg\\b.cat] D:\\b.cat -> 1"}},
      {"list ends at a gap", "[CopyList]\r\n1=a.inf\r\n3=b.cat\r\n", {"a.inf"}, {"msgbox: [C:\\Pkg\\a.inf] D:\\a.inf -> 1"}},
      {"empty list: nothing at all", "[Other]\r\n1=a.inf\r\n", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.InstallTrace = 1;
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Pkg\\gw98.cab", "old"));
    SysSetFileAttributes(u"C:\\Pkg\\gw98.cab", kAttrReadOnly);
    if (c.presetup) WritePackageFile(u"Presetup.ini", c.presetup);
    StageDriverPackage();
    std::vector<std::string> staged;  // files whose staged copy holds the package's bytes
    for (const char* name : {"gw98.cab", "nhidmou.inf", "gw99.cat", "a.inf", "b.cat"})
      if (Disk(u"C:\\Pkg\\" + sim::FromUtf8(name)) == name) staged.push_back(name);
    EXPECT_EQ(staged, c.staged);
    for (const std::string& name : c.staged) EXPECT_TRUE(RegistryHas("\"" + name + "\"=\"C:\\\\Pkg\"")) << name;
    EXPECT_EQ(JournalLines("msgbox: "), c.boxes);
  }
}

TEST_F(DriverPackageStagingTest, PreinstallsOnlyAfterTheNoDeviceResults) {
  const struct { uint32_t installResult; bool preinstalls;
  } cases[] = {{0, false}, {0xE0000301, true}, {0xE000020B, true}, {0xE0000203, false}, {5, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.installResult);
    StartMachine("win7");
    sim::SetDriverPackageInstallResult(c.installResult);
    InstallListedPackage();
    EXPECT_EQ(JournalCount("driver-store: DriverPackageInstall D:\\usb01.inf flags=0x14"), 1u);
    EXPECT_EQ(JournalCount("driver-store: DriverPackagePreinstall D:\\usb01.inf flags=0x14"), c.preinstalls ? 1u : 0u);
  }
}

TEST_F(DriverPackageStagingTest, UpdatesListedDevicesUpToTheFirstGap) {
  WritePackageFile(u"SETUP2K.INI",
                   "[USB.Install]\r\nDEV_ID_1=HID\\VID_1\r\nDEV_ID_2=HID\\VID_2\r\nDEV_ID_3=HID\\VID_3\r\n"
                   "DEV_ID_5=HID\\VID_5\r\n");
  WritePackageFile(u"usb01.inf", "inf");
  InstallListedPackage();
  std::vector<std::string> updates = JournalLines("driver: UpdateDriverForPlugAndPlayDevices ");
  ASSERT_EQ(updates.size(), 3u);
  EXPECT_EQ(updates[2].rfind("driver: UpdateDriverForPlugAndPlayDevices HID\\VID_3 D:\\usb01.inf", 0), 0u);
  EXPECT_TRUE(JournalHas("trace: ******UpdateDriverForPlugAndPlayDevices = 0xe000020b, HID\\VID_1****"));
}

TEST_F(DriverPackageStagingTest, RegistersTheStagedInf) {
  const struct { const char* name; int32_t trace; bool sourceStaged; std::vector<std::string> boxes; } cases[] = {
      {"registered quietly", 0, true, {}},
      {"failure is silent without trace", 0, false, {}},
      {"failure shown with trace", 1, false,
       {"msgbox: [Error] UpdateDriverThread -> 1", "msgbox: [SetupCopyOEMInf] C:\\Dest\\usb.inf -> 1",
        "msgbox: [Error] SetupCopyOemInf failed with error 2: The system cannot find the file specified.\\n -> 1",
        "msgbox: [Error]  -> 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.InstallTrace = c.trace;
    g_Settings.AskPath = 1;
    TextCopy(g_Settings.DestinationDir, u"C:\\Dest");
    TextCopy(g_Settings.InfPath, u"D:\\drivers\\usb.inf");
    TextCopy(g_Settings.USBInf, u"usb.inf");
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\inf\\usb.inf", "old"));
    if (c.sourceStaged) {
      ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dest\\usb.inf", "staged"));
    }
    RegisterPackageInf();
    EXPECT_EQ(Disk(u"C:\\Windows\\INF\\oem0.inf"), c.sourceStaged ? "staged" : "<missing>");
    EXPECT_FALSE(sim::DiskPathExists(u"C:\\Windows\\inf\\usb.inf"));
    EXPECT_EQ(RegistryHas("\"oem0.inf\"=\"C:\\\\Windows\\\\INF\""), c.sourceStaged);
    EXPECT_EQ(JournalLines("msgbox: "), c.boxes);
  }
}

}  // namespace
