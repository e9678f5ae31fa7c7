// The Start Installation page: the installation sequence and its abandon rule, driven with
// wizard notifications on the real page template.
#include "install/start_install_page.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/text.h"
#include "files/copy_dialog.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "startup/help_files.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "ui/side_picture.h"
#include "ui/wizard_messages.h"

namespace {

const FrameRequest kButtonsBackNext = {kPsmSetWizButtons, 0, kPswizbBack | kPswizbNext};
const FrameRequest kPressNext = {kPsmPressButton, kPsbtnNext, 0};
const FrameRequest kPressFinish = {kPsmPressButton, kPsbtnFinish, 0};
const FrameRequest kPressCancel = {kPsmPressButton, kPsbtnCancel, 0};

class StartInstallPageTest : public PageFixture {
 protected:
  // A package with one file to copy, the copy stage not yet started, and the page on a plain
  // visible window standing in for the wizard frame.
  void Prepare() override {
    PrepareState();
    if (createPage_) CreatePage();
  }
  void PrepareState() {
    ResetCopyState();
    TextCopy(g_Settings.SubFolder, u"files");
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.Version, u"2.1");
    g_Settings.AskPath = 1;
    TextCopy(g_Settings.DestinationDir, u"C:\\Tools\\Mouse\\");
    WritePackageFile(u"files\\mouse.txt", "pointer");
    WriteConfig("");
  }
  void CreatePage() {
    PageFixture::CreatePage(IDD_PAGE_START, StartInstallPageProc);
    Requests();  // what the page's creation queued is not part of the case
  }
  // The setup configuration file: the copy list and any further sections.
  void WriteConfig(const std::string& more) {
    UseConfig("[CopyList]\r\n1=mouse.txt,,,%WIN_DIR%\r\n\r\n" + more);
  }

  bool FrameVisible() const {
    sim::WindowInfo info;
    return sim::GetWindowInfo(frame_, &info) && info.visible;
  }
  bool createPage_ = true;
};

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
