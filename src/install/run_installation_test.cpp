// The installation sequence: the Start Installation page driven with wizard notifications (the
// stages before the copy, the copy, the driver and registry stages, the abandon rule), and its
// own steps: destination folders created level by level and recorded for the uninstaller, the
// copy stage's preparation in its order, and driver package staging on simulated Windows 7.
#include "install/run_installation.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/text.h"
#include "files/copy_dialog.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "install/driver_package_staging.h"
#include "install/start_install_page.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "shared/path_macros.h"
#include "startup/help_files.h"
#include "startup/platform_detect.h"
#include "support/page_fixture.h"
#include "support/sim_fixture.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"

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

TEST_F(DriverPackageStagingTest, RegistersTheStagedInfQuietly) {
  for (bool staged : {true, false}) {
    SCOPED_TRACE(staged);
    StartMachine("win7");
    g_Settings.AskPath = 1;
    TextCopy(g_Settings.DestinationDir, u"C:\\Dest");
    TextCopy(g_Settings.InfPath, u"D:\\drivers\\usb.inf");
    TextCopy(g_Settings.USBInf, u"usb.inf");
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\inf\\usb.inf", "old"));
    if (staged) { ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dest\\usb.inf", "staged")); }
    RegisterPackageInf();
    EXPECT_EQ(Disk(u"C:\\Windows\\INF\\oem0.inf"), staged ? "staged" : "<missing>");
    EXPECT_FALSE(sim::DiskPathExists(u"C:\\Windows\\inf\\usb.inf"));
    EXPECT_EQ(RegistryHas("\"oem0.inf\"=\"C:\\\\Windows\\\\INF\""), staged);
    EXPECT_TRUE(JournalLines("msgbox: ").empty());  // a failure is silent without the trace
  }
}

const FrameRequest kPressFinish = {kPsmPressButton, kPsbtnFinish, 0};
const FrameRequest kPressCancel = {kPsmPressButton, kPsbtnCancel, 0};

class StartInstallPageTest : public PageFixture {
 protected:
  // A package with one file to copy, the copy stage not yet started, and the page on a plain
  // visible window standing in for the wizard frame.
  void Prepare() override {
    ResetCopyState();
    TextCopy(g_Settings.SubFolder, u"files");
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.Version, u"2.1");
    g_Settings.AskPath = 1;
    TextCopy(g_Settings.DestinationDir, u"C:\\Tools\\Mouse\\");
    WritePackageFile(u"files\\mouse.txt", "pointer");
    WriteConfig("");
    CreatePage(IDD_PAGE_START, StartInstallPageProc);
    Requests();  // what the page's creation queued is not part of the case
  }
  // The setup configuration file: the copy list and any further sections.
  void WriteConfig(const std::string& more) { UseConfig("[CopyList]\r\n1=mouse.txt,,,%WIN_DIR%\r\n\r\n" + more); }
  bool FrameVisible() const {
    sim::WindowInfo info;
    return sim::GetWindowInfo(frame_, &info) && info.visible;
  }
};

TEST_F(StartInstallPageTest, HiddenRunHidesTheFrameAndWritesTheTaskBarSwitch) {
  EXPECT_EQ(RegLine("Show Task Bar Icon"), "");
  g_Settings.ShowTaskBarIcon = 0, g_Settings.HiddenMode = 1;
  CreatePage(IDD_PAGE_START, StartInstallPageProc);
  EXPECT_EQ(RegLine("Show Task Bar Icon"), "\"Show Task Bar Icon\"=dword:00000000");
  EXPECT_FALSE(FrameVisible());
}

TEST_F(StartInstallPageTest, InstallationCopiesAndMovesOn) {
  struct Case { const char* name; int32_t askPath; const char16_t* programFileDest; const char* packageDir;
      const char* target; };
  const Case cases[] = {
      {"chosen folder", 1, u"", "C:\\Tools\\Mouse\\", "C:\\Tools\\Mouse\\mouse.txt"},
      {"program destination first", 1, u"C:\\Program Files\\Norvik", "C:\\Program Files\\Norvik\\",
       "C:\\Tools\\Mouse\\mouse.txt"},
      {"no folder question: the system folder", 0, u"", "C:\\WINDOWS\\system32\\", "C:\\WINDOWS\\mouse.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    g_Settings.AskPath = c.askPath;
    TextCopy(g_szProgramFileDest, c.programFileDest);
    EXPECT_EQ(Notify(kPsnWizNext), 0);
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(g_Settings.InstallStarted, 0);
    EXPECT_TRUE(JournalHas("dialog: 10301 [] shown"));
    EXPECT_EQ(sim::ToUtf8(g_Settings.PackageDir), c.packageDir);
    EXPECT_TRUE(JournalHas(std::string("trace: PackageDir = ") + c.packageDir));
    EXPECT_EQ(Disk(sim::FromUtf8(c.target)), "pointer");
    EXPECT_TRUE(!c.askPath || sim::ToUtf8(g_Settings.DestinationDir) == "C:\\Tools\\Mouse");
    // The copy dialog hid the wizard; it is back for the completion page.
    EXPECT_TRUE(FrameVisible());
  }
}

TEST_F(StartInstallPageTest, CancelledCopyAbandonsTheInstallation) {
  // The user leaves Setup from the copy dialog before any file was copied.
  CopyStartPending = 0;
  sim::QueueDialogAnswer(IDD_COPY_PROGRESS, kIdCancel);
  sim::QueueDialogAnswer(IDD_EXIT_SETUP, kIdCancel);
  EXPECT_EQ(Notify(kPsnWizNext), -1);
  EXPECT_EQ(g_Settings.InstallStarted, 1);
  EXPECT_EQ(CancelRequested, 1);
  EXPECT_EQ(Requests(), std::vector<FrameRequest>{kPressCancel});
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\Tools\\Mouse\\mouse.txt"));
  EXPECT_FALSE(JournalHas("trace: PackageDir = "));
  // The queued Cancel then closes the wizard without asking again.
  EXPECT_EQ(Notify(kPsnQueryCancel), 0);
  EXPECT_EQ(JournalCount("dialog: 10300 [Exit Setup] shown"), 1u);
}

TEST_F(StartInstallPageTest, NewerInstalledVersionEndsTheWizard) {
  const struct { const char* name; int32_t askType; bool stops; } cases[] = {
      {"checked here when the interface was asked", 1, true},
      {"not checked here otherwise", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    ImportReg("[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n\"Version\"=\"9.0\"\n");
    g_Settings.AskType = c.askType;
    EXPECT_EQ(Notify(kPsnWizNext), c.stops ? 1 : 0);
    EXPECT_EQ(Requests(), c.stops ? std::vector<FrameRequest>{kPressFinish} : std::vector<FrameRequest>{});
    EXPECT_EQ(JournalHas("dialog: 12033 [Warning] shown"), c.stops);
    EXPECT_EQ(JournalHas("dialog: 10301"), !c.stops);
    EXPECT_EQ(g_Settings.VersionChecked, c.stops ? 1 : 0);
  }
}

TEST_F(StartInstallPageTest, StagesBeforeTheCopy) {
  const struct { const char* name; const char* profile; int32_t deleteIndex, interfaceType, newerPackage;
      const char* sourcePath;  // the registry line of "SourcePath"
      bool otherInfDeleted; bool previousFileDeleted; } cases[] = {
      {"Windows Me, PS/2 with the old index", "winme", 1, 1, 0,
       "\"SourcePath\"=\"C:\\\\WINDOWS\\\\OPTIONS\\\\INSTALL\"", true, false},
      {"Windows 98, USB", "win98", 1, 3, 0, "", false, false},
      {"index kept", "winxp", 0, 1, 0, "", false, false},
      {"older version installed: its files go first", "winxp", 0, 1, 1, "", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.profile);
    const std::u16string win = WindowsDir();
    g_Settings.DeleteINFIndex = c.deleteIndex;
    g_Settings.InterfaceType = c.interfaceType;
    g_Settings.NewerPackage = c.newerPackage;
    TextCopy(g_Settings.Provider, u"Norvik");
    TextCopy(g_Settings.InfFile, u"Nmouse.inf");
    TextCopy(g_Settings.UninstallKey, u"Glidewave");
    ASSERT_TRUE(sim::WriteDiskFile(win + u"\\INF\\DRVIDX.BIN", "index"));
    ASSERT_TRUE(sim::WriteDiskFile(win + u"\\INF\\DRVDATA.BIN", "data"));
    ASSERT_TRUE(sim::WriteDiskFile(win + u"\\INF\\Other\\NorvikNmouse.inf", "inf"));
    SysSetFileAttributes((win + u"\\INF\\Other\\NorvikNmouse.inf").c_str(), kAttrReadOnly);
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Old\\old.dll", "old"));
    ImportReg(
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\DeleteFiles]\n"
        "\"old.dll\"=\"C:\\\\Old\"\n");
    // A program of the older version is still running.
    WriteConfig("[KillWindow]\r\n1=Utility\r\n\r\n[Utility]\r\nClass=NvkUtil\r\nCaption=Glidewave Utility\r\n");
    uint32_t utility = sim::AddRunningProcess(u"util.exe", u"NvkUtil", u"Glidewave Utility",
                                              sim::CloseBehaviour::kIgnoresCloseRequest);

    EXPECT_EQ(Notify(kPsnWizNext), 0);
    EXPECT_EQ(RegLine("SourcePath"), c.sourcePath);
    EXPECT_EQ(sim::DiskPathExists(win + u"\\INF\\DRVIDX.BIN"), c.deleteIndex == 0);
    EXPECT_EQ(sim::DiskPathExists(win + u"\\INF\\DRVDATA.BIN"), c.deleteIndex == 0);
    EXPECT_EQ(sim::DiskPathExists(win + u"\\INF\\Other\\NorvikNmouse.inf"), !c.otherInfDeleted);
    EXPECT_EQ(sim::DiskPathExists(u"C:\\Old\\old.dll"), !c.previousFileDeleted);
    EXPECT_FALSE(sim::ProcessRunning(utility));
    EXPECT_TRUE(sim::DiskPathExists(u"C:\\Tools\\Mouse\\mouse.txt"));
  }
}

// ---- Driver and registry stages ----

// What the driver setup program found in the install record at each start: "PnPID/CallConfigMg" (RegText's forms).
std::vector<std::string> g_RecordsSeen;

// A value of the install record (RegText's forms).
std::string RecordValue(const char16_t* name) {
  return RegText(kRegLocalMachine, u"Software\\Norvik\\Install\\Glidewave", name);
}

class InstallationStagesTest : public StartInstallPageTest {
 protected:
  // The package's driver setup programs note the record they are given.
  void Prepare() override {
    StartInstallPageTest::Prepare();
    SettingsRecord& s = g_Settings;
    TextCopy(s.ProductKey, u"Glidewave");
    TextCopy(s.USBInstallSection, u"USB.Install");
    TextCopy(s.PS2PnPID, u"*PNP0F13");
    TextCopy(s.SerialPnPID, u"NVK0002");
    s.PS2DriverNameIsProductName = 1;
    WritePackageFile(u"SetupNT.exe", "");
    WritePackageFile(u"Setup9x.exe", "");
    g_RecordsSeen.clear();
    SetVerdict(0);
  }
  // From now on the driver setup programs leave this verdict in the record.
  static void SetVerdict(uint32_t verdict) {
    sim::ProgramBehaviour behaviour;
    behaviour.effect = [verdict](const sim::ProgramStart&) {
      g_RecordsSeen.push_back(RecordValue(u"PnPID") + "/" + RecordValue(u"CallConfigMg"));
      RegKey key = nullptr;
      if (SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Install\\Glidewave", kKeyAllAccess, &key) != 0) return;
      SysRegSetValue(key, u"Result", kRegTypeDword, reinterpret_cast<const uint8_t*>(&verdict), 4);
      SysRegCloseKey(key);
    };
    sim::SetProgramBehaviour("setupnt.exe", behaviour);
    sim::SetProgramBehaviour("setup9x.exe", behaviour);
  }
  void WriteStagesConfig(const std::string& usbSection) {
    WriteConfig("[USB.Install]\r\n" + usbSection + "\r\n[Add Registry]\r\n1=HKLM,Software\\T,Done,0,1\r\n");
  }
  static bool RegistryStageRan() { return !RegLine("Done").empty(); }
};

TEST_F(InstallationStagesTest, OneDriverStagePerListedUsbDevice) {
  const struct { const char* name; const char* profile; int32_t dpInst; std::vector<std::string> seen; } cases[] = {
      {"every listed device", "win7", 0, {"HID\\VID_1/<none>", "HID\\VID_2/<none>"}},
      {"outside driver program on XP: the first only", "winxp", 1, {"HID\\VID_1/<none>"}},
      {"outside driver program on Windows 98: every device", "win98", 1, {"HID\\VID_1/<none>", "HID\\VID_2/<none>"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.profile);
    g_Settings.InterfaceType = kInterfaceUSB;
    g_Settings.Mode_DPInst = c.dpInst;
    WriteStagesConfig("Device_1=Mouse One\r\nDEV_ID_1=HID\\VID_1\r\nDevice_2=Mouse Two\r\nDEV_ID_2=HID\\VID_2\r\n");
    EXPECT_EQ(Notify(kPsnWizNext), 0);
    EXPECT_EQ(g_RecordsSeen, c.seen);
    // A loop that ran to the end read the empty third device last.
    EXPECT_EQ(sim::ToUtf8(g_Settings.USBDriverName), c.seen.size() == 2 ? "" : "Mouse One");
    EXPECT_TRUE(RegistryStageRan());
    EXPECT_EQ(g_Settings.InstallStarted, 0);
  }
}

TEST_F(InstallationStagesTest, AllInterfacesInOrderThenOneRegistryStage) {
  SettingsRecord& s = g_Settings;
  s.InstallAllType = 1;
  TextCopy(s.PS2DriverName, u"PS/2 Mouse");
  TextCopy(s.USBDriverName, u"USB Mouse");
  TextCopy(s.USBPnPID, u"HID\\VID_9");
  TextCopy(s.BTDriverName, u"BT Mouse");
  TextCopy(s.USBInstallSection, u"");
  TextCopy(s.USBInf, u"usb.inf");
  WriteStagesConfig("");
  EXPECT_EQ(Notify(kPsnWizNext), 0);
  EXPECT_EQ(g_RecordsSeen, (std::vector<std::string>{"*PNP0F13/<none>", "HID\\VID_9/#1", "NVK0002/#1"}));
  EXPECT_EQ(s.InterfaceType, kInterfaceAll);
  EXPECT_EQ(s.Restart, 1);
  EXPECT_EQ(sim::ToUtf8(s.InfPath), "D:\\usb.inf");
  EXPECT_EQ(RecordValue(u"PnPID"), "NVK0002");  // the registry stage keeps the last record
  EXPECT_TRUE(RegistryStageRan());
}

TEST_F(InstallationStagesTest, StagesThatStopTheInstallation) {
  const struct { const char* name; int32_t interfaceType, chooseMouse, modelId; uint32_t verdict;
      size_t stageDialogs;  // please-wait dialogs opened
  } cases[] = {
      {"failed PS/2 driver stage", kInterfacePS2, 0, 0, 0xFFFFFFFF, 1},
      {"chosen model without a hardware id", kInterfaceUSB, 1, 2, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.InterfaceType = c.interfaceType;
    g_Settings.ChooseMouse = c.chooseMouse;
    g_Settings.ModelId = c.modelId;
    g_Settings.InstallTrace = c.chooseMouse;
    SetVerdict(c.verdict);
    WriteStagesConfig("Device_1=Mouse One\r\nDEV_ID_1=HID\\VID_1\r\n");
    // The answer is left alone: the wizard moves on to the completion page, which finishes.
    EXPECT_EQ(Notify(kPsnWizNext), 0);
    EXPECT_EQ(g_Settings.InstallStarted, 1);
    EXPECT_EQ(JournalCount("dialog: 12012 [] shown"), c.stageDialogs);
    EXPECT_FALSE(RegistryStageRan());
    EXPECT_EQ(Requests(), c.verdict ? std::vector<FrameRequest>{kPressCancel} : std::vector<FrameRequest>{});
    EXPECT_EQ(JournalHas("msgbox: [_szUSBPnPID]  -> 1"), c.chooseMouse == 1);
  }
}

}  // namespace
