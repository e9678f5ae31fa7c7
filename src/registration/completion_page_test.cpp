// The Setup Complete page: the registration work of its creation (the start-menu shortcuts among
// it), the restart offer, Finish with and without the restart, the abandoned installation, and the
// page inside a wizard sheet.
#include "registration/completion_page.h"

#include <algorithm>
#include <set>
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
#include "shared/path_macros.h"
#include "startup/platform_detect.h"
#include "support/page_fixture.h"
#include "support/sim_fixture.h"
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
    TextCopy(g_Settings.EspecialFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.UninstallKey, u"Glidewave");
    g_Settings.InterfaceType = kInterfaceUSB;
    UseConfig("[StartMenu]\r\nMenuTitle=Glidewave\r\nItem1=Mouse\r\n[BTStartMenu]\r\nMenuTitle=Glidewave\r\nItem1=Mouse\r\n[MenuItem]\r\nMouse=nvkcpl.exe,,%SYS_DIR%\r\n"
              "[Run.AutoUpdate]\r\n1=update.exe\r\n");
    WritePackageFile(u"update.exe", "MZ");
    ImportReg(std::string(kInstallRecord) + kProductKey);
  }
  void CreatePage() { PageFixture::CreatePage(IDD_PAGE_COMPLETE, CompletionPageProc); }
};

const FrameRequest kPressFinish = {kPsmPressButton, kPsbtnFinish, 0};

TEST_F(CompletionPageTest, CreationRegistersAndOffersTheRestart) {
  const struct { const char* name; int32_t noRestart, forceReBoot, askMouse, leftHanded, interfaceType;
      bool offersRestart; const char* swapLine; } cases[] = {
      {"restart offered, left-handed", 0, 0, 1, 1, kInterfaceUSB, true, "\"SwapButton\"=dword:00000001"},
      {"no restart: success text only", 1, 0, 1, 0, kInterfacePS2, false, "\"SwapButton\"=dword:00000000"},
      {"forced restart wins over no restart", 1, 1, 0, 1, kInterfaceAll, true, ""},
      {"Bluetooth", 0, 0, 0, 0, kInterfaceBluetooth, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.NoRestart = c.noRestart;
    g_Settings.ForceReBoot = c.forceReBoot;
    g_Settings.AskMousePosition = c.askMouse;
    g_Settings.LeftHanded = c.leftHanded;
    g_Settings.InterfaceType = c.interfaceType;
    CreatePage();
    const bool o = c.offersRestart;
    EXPECT_EQ(std::vector<bool>({Visible(IDC_COMPLETE_RESTART), Visible(IDC_COMPLETE_TEXT), Visible(IDC_COMPLETE_DONE_TEXT),
                                 Checked(IDC_COMPLETE_RESTART), Checked(IDC_COMPLETE_LATER)}),
              std::vector<bool>({o, o, !o, o, false}));
    char16_t text[600];
    SysGetDlgItemText(page_, IDC_COMPLETE_DONE_TEXT, text, 600);
    const std::string done = sim::ToUtf8(text);
    EXPECT_TRUE(o || (done.find("%s") == std::string::npos && done.find("Glidewave 98") != std::string::npos)) << done;
    EXPECT_EQ(RegLine("RunAutoUpdate"), "");
    EXPECT_EQ(RegValues(kRegLocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"), "Other=z");
    EXPECT_EQ(RegLine("SwapButton"), c.swapLine);
    EXPECT_EQ(RegLine("FirstTime"), c.askMouse ? "\"FirstTime\"=\"1\"" : "");
    EXPECT_TRUE(sim::DiskPathExists(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Glidewave\\Mouse.lnk"));
    EXPECT_FALSE(sim::RestartRequested(nullptr));
  }
}

// The interface record: one DWORD per installed interface under its own name, and the chosen
// one as the record's type; successive installations add to it.
TEST_F(CompletionPageTest, InterfaceRecordKeepsEveryInstalledInterface) {
  const std::u16string kInterface = u"Software\\Norvik\\Glidewave 98\\Interface";
  // The record's values as "name=#number", sorted by name.
  auto record = [&kInterface]() {
    std::vector<std::string> values;
    for (const std::string& name : RegValueNames(kRegLocalMachine, kInterface))
      values.push_back(name + "=" + RegText(kRegLocalMachine, kInterface, sim::FromUtf8(name)));
    return values;
  };
  std::set<std::string> names;  // of every case
  for (int32_t type : {kInterfacePS2, kInterfaceBluetooth, kInterfaceUSB, kInterfaceAll, 0}) {
    SCOPED_TRACE(type);
    StartMachine("win7");
    g_Settings.InterfaceType = type;
    CreatePage();
    // A known interface has its own value beside the type; an unknown one only the type.
    const auto values = record();
    ASSERT_EQ(values.size(), type ? 2u : 1u);
    for (const std::string& value : values) {
      EXPECT_EQ(value.substr(value.find('=')), "=#" + std::to_string(type));
      names.insert(value.substr(0, value.find('=')));
    }
  }
  EXPECT_EQ(names.size(), 5u);  // the type's one name and one of its own for each of the four interfaces
  // A later installation for another interface keeps the earlier one's value.
  StartMachine("win7");
  g_Settings.InterfaceType = kInterfacePS2;
  CreatePage();
  g_Settings.InterfaceType = kInterfaceUSB;
  CreatePage();
  std::string numbers;
  for (const std::string& value : record()) numbers += value.substr(value.find('#'));
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(numbers, "###" + std::to_string(kInterfacePS2) + std::to_string(kInterfaceUSB) + std::to_string(kInterfaceUSB));
}

TEST_F(CompletionPageTest, FinishRestartsOrAppliesTheMouseButtons) {
  const struct { const char* name; const char* profile; int32_t noRestart, silent, askMouse, leftHanded;
      bool later;  // "I will restart my computer later." chosen
      sim::FloppyDisk floppy; bool restart; size_t floppyMessages; int swap;  // -1: not set
  } cases[] = {
      {"restart, no disk in A:", "win7", 0, 0, 1, 1, false, sim::FloppyDisk::kNoDisk, true, 0, 1},
      {"restart, disk with files", "winxp", 0, 0, 0, 0, false, sim::FloppyDisk::kDiskWithFiles, true, 1, -1},
      {"restart, empty disk", "win98", 0, 0, 1, 0, false, sim::FloppyDisk::kEmptyDisk, true, 1, 0},
      {"restart, no floppy drive", "win7", 0, 0, 0, 0, false, sim::FloppyDisk::kNoDrive, true, 0, -1},
      {"later: buttons still swapped", "win7", 0, 0, 1, 1, true, sim::FloppyDisk::kDiskWithFiles, false, 0, 1},
      {"no restart offered", "win7", 1, 0, 1, 0, false, sim::FloppyDisk::kDiskWithFiles, false, 0, 0},
  };
  for (const auto& c : cases) {
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
    EXPECT_EQ(flags, c.restart ? 2u : 0u);
    const std::vector<std::string> boxes = JournalLines("msgbox: ");
    EXPECT_EQ(boxes.size(), c.floppyMessages);
    if (!boxes.empty()) {
      char16_t warning[256];
      SysLoadString(g_Settings.InstanceHandle, IDS_RESTART_REMOVE_DISKS, warning, 256);
      EXPECT_NE(boxes[0].find("] " + sim::ToUtf8(warning)), std::string::npos) << boxes[0];
    }
    bool swapped = false;
    EXPECT_EQ(sim::MouseButtonSwap(&swapped) ? int(swapped) : -1, c.swap);
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
  EXPECT_FALSE(sim::RestartRequested(nullptr) || sim::MouseButtonSwap(nullptr));
}

const std::u16string kMenuTitles = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\MenuTitle";
const std::u16string kPrograms7 = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";

class StartMenuTest : public SimFixture {
 protected:
  void Prepare() override {
    ResetMenuShortcutRun();
    TextCopy(g_Settings.EspecialFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.UninstallKey, u"Glidewave");
    TextCopy(g_Settings.DestinationDir, u"C:\\Dest");
    TextCopy(g_szProgramFileDest, u"C:\\Program Files\\Norvik");
    g_Settings.Platform = kPlatformWin7;
    g_Settings.InterfaceType = kInterfaceUSB;
  }
  // A link as "<target>|<arguments>", "<none>" when the path holds no link.
  static std::string Link(const std::u16string& path) {
    sim::ShellLinkInfo info;
    if (!sim::ReadShellLink(path, &info)) return "<none>";
    return sim::ToUtf8(info.target) + "|" + sim::ToUtf8(info.arguments) + (info.pinned ? "|pinned" : "");
  }
};

TEST_F(StartMenuTest, MenuSectionByInterfacePlatformAndLanguage) {
  const std::string config =
      "[StartMenu]\r\nMenuTitle=Plain\r\nItem1=A\r\n[BTStartMenu]\r\nMenuTitle=Bt\r\nItem1=A\r\n"
      "[Win8StartMenu]\r\nMenuTitle=Win8\r\nItem1=A\r\n[Win8BTStartMenu]\r\nMenuTitle=Win8Bt\r\nItem1=A\r\n"
      "[CH_StartMenu]\r\nMenuTitle=Chinese\r\nItem1=A\r\n[MenuItem]\r\nA=a.exe,,%WIN_DIR%\r\n"
      "[CH_MenuItem]\r\nA=a.exe,,%WIN_DIR%\r\n";
  const struct { int32_t interfaceType; int32_t platform; const char16_t* btDriver; const char16_t* language;
      int32_t especial; const char* title; } cases[] = {
      {kInterfacePS2, kPlatformWin7, u"", u"ENGLISH", 0, "Plain"},
      {kInterfaceBluetooth, kPlatformWinXP, u"", u"ENGLISH", 0, "Bt"},
      {kInterfaceBluetooth, kPlatformWin8, u"", u"ENGLISH", 0, "Win8Bt"},
      {kInterfaceAll, kPlatformWin7, u"nvkbt.sys", u"ENGLISH", 0, "Bt"},
      {kInterfaceAll, kPlatformWin8, u"", u"ENGLISH", 0, "Win8"},
      {kInterfaceBluetooth, kPlatformWin8, u"", u"CHINESE", 1, "Chinese"},
      {kInterfaceUSB, kPlatformWin7, u"", u"chinese", 1, "Chinese"},
      {kInterfaceUSB, kPlatformWin7, u"", u"CHINESE", 0, "Plain"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.title) + " " + std::to_string(c.interfaceType) + "/" + std::to_string(c.platform));
    StartMachine("win7");
    WritePackageFile(u"SETUP2K.INI", config);
    g_Settings.InterfaceType = c.interfaceType;
    g_Settings.Platform = c.platform;
    TextCopy(g_Settings.BTDriverName, c.btDriver);
    TextCopy(g_Settings.LanguageName, c.language);
    g_Settings.Especial = c.especial;
    CreateStartMenuShortcuts();
    EXPECT_EQ(RegValues(kRegLocalMachine, kMenuTitles),
              std::string(c.title) + "=" + sim::ToUtf8(kPrograms7) + "\\" + c.title);
  }
}

TEST_F(StartMenuTest, ShellLinksOfTheMenuSection) {
  const std::string config =
      "[StartMenu]\r\nMenuTitle=Norvik\\Glidewave\r\nItem1=Mouse Settings\r\nItem2=Gone\r\nItem3=Help\r\n"
      "Item4=Broken\r\n[MenuItem]\r\nMouse Settings=nvkcpl.exe,/p x,%SYS_DIR%\r\nHelp=mouse.hlp,,%win_dir%\\help\r\n"
      "Broken=tool.exe,%SYS_DIR%\r\n";
  const struct { const char* profile; int32_t askPath; std::u16string programs; std::string settingsLink;
      std::string helpLink; } cases[] = {
      {"win98", 0, u"C:\\WINDOWS\\Start Menu\\Programs", "C:\\WINDOWS\\SYSTEM\\nvkcpl.exe|/p x",
       "C:\\WINDOWS\\HELP\\mouse.hlp|"},
      {"win7", 1, kPrograms7, "C:\\Dest\\nvkcpl.exe|/p x", "C:\\Dest\\mouse.hlp|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    StartMachine(c.profile);
    WritePackageFile(u"SETUP2K.INI", config);
    g_Settings.AskPath = c.askPath;
    CreateStartMenuShortcuts();
    const std::u16string menu = c.programs + u"\\Norvik\\Glidewave";
    EXPECT_EQ(Link(menu + u"\\Mouse Settings.lnk"), c.settingsLink);
    EXPECT_EQ(Link(menu + u"\\Help.lnk"), c.helpLink);
    EXPECT_FALSE(sim::DiskPathExists(menu + u"\\Gone.lnk"));
    EXPECT_FALSE(sim::DiskPathExists(menu + u"\\Broken.lnk"));
    // Only the run's first shortcut records the menu folder.
    EXPECT_TRUE(CreateMenuShortcut(u"Other", u"Extra", u"C:\\x.exe", u""));
    EXPECT_EQ(RegValues(kRegLocalMachine, kMenuTitles), "Norvik\\Glidewave=" + sim::ToUtf8(menu));
  }
}

TEST_F(StartMenuTest, WindowsEightHandsShortcutsToTheMenuLibrary) {
  struct Case { const char* pinLine;  // [Default] line of SETUP2K.INI
      bool library; const char* journal;  // "" when the library is not called
  };
  const std::string link = sim::ToUtf8(kPrograms7) + "\\Glidewave\\Mouse.lnk";
  const Case cases[] = {
      {"", true, " C:\\Windows\\System32\\nvkcpl.exe -s pin=1"},
      {"Win8StartMenuPin=false\r\n", true, " C:\\Windows\\System32\\nvkcpl.exe -s pin=0"},
      {"Win8StartMenuPin=no\r\n", true, " C:\\Windows\\System32\\nvkcpl.exe -s pin=1"},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pinLine) + (c.library ? "library" : "no library"));
    StartMachine("win8");
    g_Settings.Platform = kPlatformWin8;
    WritePackageFile(u"SETUP2K.INI", std::string("[Default]\r\n") + c.pinLine +
                                         "[Win8StartMenu]\r\nItem1=Mouse\r\n[MenuItem]\r\nMouse=nvkcpl.exe,-s,%SYS_DIR%\r\n");
    if (c.library) WritePackageFile(u"nvkmenu.dll", "MZ");
    CreateStartMenuShortcuts();
    const std::vector<std::string> calls = JournalLines("menu-library: ");
    if (!c.library) {
      EXPECT_TRUE(calls.empty());
      EXPECT_EQ(Link(kPrograms7 + u"\\Glidewave\\Mouse.lnk"), "<none>");
      continue;
    }
    EXPECT_EQ(calls, std::vector<std::string>{"menu-library: InstallShortCut " + link + c.journal});
    EXPECT_EQ(Link(kPrograms7 + u"\\Glidewave\\Mouse.lnk"),
              std::string("C:\\Windows\\System32\\nvkcpl.exe|-s") + (std::string(c.journal).back() == '1' ? "|pinned" : ""));
  }
}

TEST_F(StartMenuTest, OldMenuFolderLosesTwoEntriesByShortName) {
  const std::u16string old = u"C:\\Menu\\Qx410";
  const struct { const char* name; int32_t enabled; std::vector<std::u16string> files; std::vector<bool> remaining;
      bool folderRemains; } cases[] = {
      {"two shortcuts: folder gone", 1, {u"Mouse Settings.lnk", u"Uninstall Glidewave.lnk"}, {false, false}, false},
      {"three entries: the last stays", 1, {u"Aaaaaaaaa.lnk", u"Bbbbbbbbb.lnk", u"Ccccccccc.lnk"},
       {false, false, true}, true},
      {"8.3 names have no short name and stay", 1, {u"A.LNK", u"Help Topics.lnk"}, {true, false}, true},
      {"switched off", 0, {u"Mouse Settings.lnk"}, {true}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    g_Settings.DelQx410MenuTitle = c.enabled;
    ImportReg("[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n\"MenuTitle\"=\"C:\\\\Menu\\\\Qx410\"\n");
    for (const std::u16string& file : c.files) ASSERT_TRUE(sim::WriteDiskFile(old + u"\\" + file, "link"));
    DeleteOldMenuFolder();
    for (size_t i = 0; i < c.files.size(); ++i)
      EXPECT_EQ(sim::DiskPathExists(old + u"\\" + c.files[i]), c.remaining[i]) << sim::ToUtf8(c.files[i]);
    EXPECT_EQ(sim::DiskPathExists(old), c.folderRemains);
  }
}

}  // namespace
