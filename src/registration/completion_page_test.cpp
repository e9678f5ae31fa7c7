// The Setup Complete page: the registration work of its creation, the restart offer, Finish with
// and without the restart, the abandoned installation, and the page inside a wizard sheet.
#include "registration/completion_page.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "registration/start_menu_shortcuts.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "ui/wizard_messages.h"

namespace {

const char kInstallRecord[] = "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave]\n\"InfFile\"=\"x.inf\"\n";
const char kProductKey[] =
    "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n\"RunAutoUpdate\"=\"FALSE\"\n\"Version\"=\"2.1\"\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce]\n\"Run Daemon\"=\"x\"\n"
    "\"Glidewave 98 Daemon\"=\"y\"\n\"Other\"=\"z\"\n";

class CompletionPageTest : public PageFixture {
 protected:
  void Prepare() override {
    ResetMenuShortcutRun();
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.EspecialFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.UninstallKey, u"Glidewave");
    g_Settings.InterfaceType = kInterfaceUSB;
    WritePackageFile(u"SETUP2K.INI",
                     "[StartMenu]\r\nMenuTitle=Glidewave\r\nItem1=Mouse\r\n[BTStartMenu]\r\nMenuTitle=Glidewave\r\nItem1=Mouse\r\n[MenuItem]\r\nMouse=nvkcpl.exe,,%SYS_DIR%\r\n"
                     "[Run.AutoUpdate]\r\n1=update.exe\r\n");
    WritePackageFile(u"update.exe", "MZ");
    ImportReg(std::string(kInstallRecord) + kProductKey);
  }
  void CreatePage() { PageFixture::CreatePage(IDD_PAGE_COMPLETE, CompletionPageProc); }
};

const FrameRequest kPressFinish = {kPsmPressButton, kPsbtnFinish, 0};

TEST_F(CompletionPageTest, CreationRegistersAndOffersTheRestart) {
  struct Case {
    const char* name;
    int32_t noRestart, forceReBoot, askMouse, leftHanded, interfaceType;
    bool offersRestart;
    const char* swapLine;
  };
  const Case cases[] = {
      {"restart offered, left-handed", 0, 0, 1, 1, kInterfaceUSB, true,
       "\"SwapButton\"=dword:00000001"},
      {"no restart: success text only", 1, 0, 1, 0, kInterfacePS2, false,
       "\"SwapButton\"=dword:00000000"},
      {"forced restart wins over no restart", 1, 1, 0, 1, kInterfaceAll, true, ""},
      {"Bluetooth", 0, 0, 0, 0, kInterfaceBluetooth, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.NoRestart = c.noRestart;
    g_Settings.ForceReBoot = c.forceReBoot;
    g_Settings.AskMousePosition = c.askMouse;
    g_Settings.LeftHanded = c.leftHanded;
    g_Settings.InterfaceType = c.interfaceType;
    CreatePage();
    EXPECT_EQ(Visible(IDC_COMPLETE_RESTART), c.offersRestart);
    EXPECT_EQ(Visible(IDC_COMPLETE_TEXT), c.offersRestart);
    EXPECT_EQ(Visible(IDC_COMPLETE_DONE_TEXT), !c.offersRestart);
    if (c.offersRestart) {
      EXPECT_EQ(SysIsDlgButtonChecked(page_, IDC_COMPLETE_RESTART), kBstChecked);
      EXPECT_EQ(SysIsDlgButtonChecked(page_, IDC_COMPLETE_LATER), kBstUnchecked);
    } else {
      char16_t text[600];
      SysGetDlgItemText(page_, IDC_COMPLETE_DONE_TEXT, text, 600);
      const std::string done = sim::ToUtf8(text);
      EXPECT_NE(done.find("Glidewave 98"), std::string::npos) << done;
      EXPECT_EQ(done.find("%s"), std::string::npos) << done;
    }
    EXPECT_EQ(RegLine("RunAutoUpdate"), "");
    EXPECT_EQ(RegLine("Run Daemon"), "");
    EXPECT_EQ(RegLine("Glidewave 98 Daemon"), "");
    EXPECT_EQ(RegLine("Other"), "\"Other\"=\"z\"");
    EXPECT_EQ(RegLine("SwapButton"), c.swapLine);
    EXPECT_EQ(RegLine("FirstTime"), c.askMouse ? "\"FirstTime\"=\"1\"" : "");
    EXPECT_TRUE(sim::DiskPathExists(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Glidewave\\Mouse.lnk"));
    EXPECT_FALSE(sim::RestartRequested(nullptr));
  }
}

// The interface record: one DWORD per installed interface under its own name, and the chosen
// one as the record's type; successive installations add to it. The uninstall entry's note
// names the record's key so that the uninstaller deletes it.
TEST_F(CompletionPageTest, InterfaceRecordAndItsRemovalNote) {
  // The record's values as name=number, in the order the registry enumerates them.
  auto record = []() {
    std::vector<std::pair<std::string, uint32_t>> values;
    RegKey key = nullptr;
    if (SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Glidewave 98\\Interface", kKeyRead, &key) != 0)
      return values;
    for (uint32_t i = 0;; ++i) {
      char16_t name[64];
      uint32_t nameLength = 64, type = 0, number = 0, size = 4;
      if (SysRegEnumValue(key, i, name, &nameLength, &type, reinterpret_cast<uint8_t*>(&number), &size) != 0) break;
      EXPECT_EQ(type, kRegTypeDword);
      values.emplace_back(sim::ToUtf8(name), number);
    }
    SysRegCloseKey(key);
    return values;
  };
  std::vector<std::string> names;  // of every case
  for (int32_t type : {kInterfacePS2, kInterfaceBluetooth, kInterfaceUSB, kInterfaceAll, 0}) {
    SCOPED_TRACE(type);
    StartMachine("win7");
    g_Settings.InterfaceType = type;
    CreatePage();
    const auto values = record();
    // A known interface has its own value beside the type; an unknown one only the type.
    ASSERT_EQ(values.size(), type ? 2u : 1u);
    for (const auto& value : values) EXPECT_EQ(value.second, static_cast<uint32_t>(type)) << value.first;
    for (const auto& value : values) names.push_back(value.first);
    RegKey note = nullptr;
    ASSERT_EQ(SysRegOpenKey(kRegLocalMachine,
                            u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\DeleteKey",
                            kKeyRead, &note), 0);
    char16_t root[64] = {};
    uint32_t size = sizeof(root) - 2, valueType = 0;
    EXPECT_EQ(SysRegQueryValue(note, u"Software\\Norvik\\Glidewave 98\\Interface", &valueType,
                               reinterpret_cast<uint8_t*>(root), &size), 0);
    SysRegCloseKey(note);
    EXPECT_EQ(sim::ToUtf8(root), "HKEY_LOCAL_MACHINE");
  }
  // One name (the type) in every case, and four distinct names of the interfaces.
  std::vector<size_t> counts;
  std::sort(names.begin(), names.end());
  for (auto at = names.begin(); at != names.end();) {
    auto end = std::upper_bound(at, names.end(), *at);
    counts.push_back(static_cast<size_t>(end - at));
    at = end;
  }
  std::sort(counts.begin(), counts.end());
  EXPECT_EQ(counts, (std::vector<size_t>{1, 1, 1, 1, 5}));

  // A later installation for another interface keeps the earlier one's value.
  StartMachine("win7");
  g_Settings.InterfaceType = kInterfacePS2;
  CreatePage();
  g_Settings.InterfaceType = kInterfaceUSB;
  CreatePage();
  const auto values = record();
  ASSERT_EQ(values.size(), 3u);
  size_t ps2 = 0, usb = 0;
  for (const auto& value : values) (value.second == kInterfacePS2 ? ps2 : usb) += 1;
  EXPECT_EQ(ps2, 1u);  // the PS/2 value stays; the type and the USB value name USB
  EXPECT_EQ(usb, 2u);
}

TEST_F(CompletionPageTest, FinishRestartsOrAppliesTheMouseButtons) {
  struct Case {
    const char* name;
    const char* profile;
    int32_t noRestart, silent, askMouse, leftHanded;
    bool later;  // "I will restart my computer later." chosen
    sim::FloppyDisk floppy;
    bool restart;
    size_t floppyMessages;
    int swap;  // -1: not set
  };
  const Case cases[] = {
      {"restart, no disk in A:", "win7", 0, 0, 1, 1, false, sim::FloppyDisk::kNoDisk, true, 0, 1},
      {"restart, disk with files", "winxp", 0, 0, 0, 0, false, sim::FloppyDisk::kDiskWithFiles, true, 1, -1},
      {"restart, empty disk", "win98", 0, 0, 1, 0, false, sim::FloppyDisk::kEmptyDisk, true, 1, 0},
      {"restart, no floppy drive", "win7", 0, 0, 0, 0, false, sim::FloppyDisk::kNoDrive, true, 0, -1},
      {"silent restart asks nothing", "win7", 0, 1, 0, 0, false, sim::FloppyDisk::kDiskWithFiles, true, 0, -1},
      {"later: buttons still swapped", "win7", 0, 0, 1, 1, true, sim::FloppyDisk::kDiskWithFiles, false, 0, 1},
      {"no restart offered", "win7", 1, 0, 1, 0, false, sim::FloppyDisk::kDiskWithFiles, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.profile);
    sim::SetFloppyDisk(c.floppy);
    g_Settings.NoRestart = c.noRestart;
    g_Settings.SilentMode = c.silent;
    g_Settings.AskMousePosition = c.askMouse;
    g_Settings.LeftHanded = c.leftHanded;
    CreatePage();
    if (c.later) {  // what a click on the second radio button leaves
      SysCheckDlgButton(page_, IDC_COMPLETE_RESTART, kBstUnchecked);
      SysCheckDlgButton(page_, IDC_COMPLETE_LATER, kBstChecked);
    }
    Requests();
    sim::ClearJournal();
    Notify(kPsnWizFinish);
    EXPECT_FALSE(KeyExists(kRegLocalMachine, u"Software\\Norvik\\Install"));
    ASSERT_EQ(sim::StartedPrograms().size(), 1u);
    EXPECT_EQ(sim::ToUtf8(sim::StartedPrograms()[0].commandLine), "D:\\update.exe");
    uint32_t flags = 0;
    EXPECT_EQ(sim::RestartRequested(&flags), c.restart);
    if (c.restart) {
      EXPECT_EQ(flags, 2u);
    }
    const std::vector<std::string> boxes = JournalLines("msgbox: ");
    EXPECT_EQ(boxes.size(), c.floppyMessages);
    if (!boxes.empty()) {
      char16_t warning[256];
      SysLoadString(g_Settings.InstanceHandle, IDS_RESTART_REMOVE_DISKS, warning, 256);
      EXPECT_NE(boxes[0].find("] " + sim::ToUtf8(warning)), std::string::npos) << boxes[0];
    }
    bool swapped = false;
    EXPECT_EQ(sim::MouseButtonSwap(&swapped), c.swap >= 0);
    if (c.swap >= 0) {
      EXPECT_EQ(swapped, c.swap == 1);
    }
  }
}

TEST_F(CompletionPageTest, AbandonedInstallationOnlyPressesFinish) {
  g_Settings.InstallStarted = 1;
  g_Settings.AskMousePosition = 1;
  g_Settings.LeftHanded = 1;
  CreatePage();
  EXPECT_EQ(Requests(), std::vector<FrameRequest>{kPressFinish});
  Notify(kPsnWizFinish);
  EXPECT_EQ(RegLine("RunAutoUpdate"), "");
  EXPECT_EQ(RegLine("Run Daemon"), "\"Run Daemon\"=\"x\"");
  EXPECT_TRUE(KeyExists(kRegLocalMachine, u"Software\\Norvik\\Install\\Glidewave"));
  EXPECT_FALSE(KeyExists(kRegLocalMachine, u"Software\\Norvik\\Glidewave 98\\Interface"));
  EXPECT_EQ(RegLine("SwapButton"), "");
  EXPECT_TRUE(sim::StartedPrograms().empty());
  EXPECT_FALSE(sim::RestartRequested(nullptr));
  EXPECT_FALSE(sim::MouseButtonSwap(nullptr));
}

TEST_F(CompletionPageTest, InsideAWizardSheet) {
  struct Case {
    const char* name;
    int32_t silent;
    bool later;
    bool restart;
  };
  const Case cases[] = {
      {"silent run presses Finish and restarts", 1, false, true},
      {"the user chooses to restart later", 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.SilentMode = c.silent;
    if (c.later) sim::QueueDialogAnswer(IDD_PAGE_COMPLETE, IDC_COMPLETE_LATER);
    const SysWizardPage pages[] = {{IDD_PAGE_COMPLETE, u"Setup Complete", CompletionPageProc}};
    EXPECT_GT(SysRunWizardSheet(g_Settings.InstanceHandle, nullptr, pages, 1), 0);
    EXPECT_TRUE(JournalHas("wizard: finished"));
    EXPECT_EQ(sim::RestartRequested(nullptr), c.restart);
    EXPECT_FALSE(KeyExists(kRegLocalMachine, u"Software\\Norvik\\Install"));
  }
}

}  // namespace
