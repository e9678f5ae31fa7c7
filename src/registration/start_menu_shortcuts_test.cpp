// Start-menu shortcuts: the menu section chosen by interface, platform and language, the
// shortcuts of a section on the shell-link and the menu-library routes, the menu-folder record
// and the removal of an older model's folder.
#include "registration/start_menu_shortcuts.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "shared/path_macros.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

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
  // The menu-folder records: "<title>=<folder>".
  static std::vector<std::string> MenuRecords() {
    std::vector<std::string> records;
    RegKey key = nullptr;
    if (SysRegOpenKey(kRegLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\MenuTitle",
                      kKeyRead, &key) != 0)
      return records;
    for (uint32_t i = 0;; ++i) {
      char16_t name[300];
      uint32_t nameLength = 300;
      char16_t data[300] = {};
      uint32_t size = sizeof(data) - 2;
      if (SysRegEnumValue(key, i, name, &nameLength, nullptr, reinterpret_cast<uint8_t*>(data), &size) != 0) break;
      records.push_back(sim::ToUtf8(name) + "=" + sim::ToUtf8(data));
    }
    SysRegCloseKey(key);
    return records;
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
  struct Case {
    int32_t interfaceType;
    int32_t platform;
    const char16_t* btDriver;
    const char16_t* language;
    int32_t especial;
    const char* title;
  };
  const Case cases[] = {
      {kInterfacePS2, kPlatformWin7, u"", u"ENGLISH", 0, "Plain"},
      {kInterfaceUSB, kPlatformWin8, u"", u"ENGLISH", 0, "Win8"},
      {kInterfaceBluetooth, kPlatformWinXP, u"", u"ENGLISH", 0, "Bt"},
      {kInterfaceBluetooth, kPlatformWin8, u"", u"ENGLISH", 0, "Win8Bt"},
      {kInterfaceAll, kPlatformWin7, u"nvkbt.sys", u"ENGLISH", 0, "Bt"},
      {kInterfaceAll, kPlatformWin8, u"", u"ENGLISH", 0, "Win8"},
      {kInterfaceBluetooth, kPlatformWin8, u"", u"CHINESE", 1, "Chinese"},
      {kInterfaceUSB, kPlatformWin7, u"", u"chinese", 1, "Chinese"},
      {kInterfaceUSB, kPlatformWin7, u"", u"CHINESE", 0, "Plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.title) + " " + std::to_string(c.interfaceType) + "/" + std::to_string(c.platform));
    StartMachine("win7");
    WritePackageFile(u"SETUP2K.INI", config);
    g_Settings.InterfaceType = c.interfaceType;
    g_Settings.Platform = c.platform;
    TextCopy(g_Settings.BTDriverName, c.btDriver);
    TextCopy(g_Settings.LanguageName, c.language);
    g_Settings.Especial = c.especial;
    CreateStartMenuShortcuts();
    EXPECT_EQ(MenuRecords(), std::vector<std::string>{std::string(c.title) + "=" + sim::ToUtf8(kPrograms7) + "\\" +
                                                      c.title});
  }
}

TEST_F(StartMenuTest, ShellLinksOfTheMenuSection) {
  const std::string config =
      "[StartMenu]\r\nMenuTitle=Norvik\\Glidewave\r\nItem1=Mouse Settings\r\nItem2=Gone\r\nItem3=Help\r\n"
      "Item4=Broken\r\n[MenuItem]\r\nMouse Settings=nvkcpl.exe,/p x,%SYS_DIR%\r\nHelp=mouse.hlp,,%win_dir%\\help\r\n"
      "Broken=tool.exe,%SYS_DIR%\r\n";
  struct Case {
    const char* profile;
    int32_t askPath;
    std::u16string programs;
    std::string settingsLink;
    std::string helpLink;
  };
  const Case cases[] = {
      {"win98", 0, u"C:\\WINDOWS\\Start Menu\\Programs", "C:\\WINDOWS\\SYSTEM\\nvkcpl.exe|/p x",
       "C:\\WINDOWS\\HELP\\mouse.hlp|"},
      {"winxp", 0, u"C:\\Documents and Settings\\All Users\\Start Menu\\Programs",
       "C:\\WINDOWS\\system32\\nvkcpl.exe|/p x", "C:\\WINDOWS\\HELP\\mouse.hlp|"},
      {"win7", 1, kPrograms7, "C:\\Dest\\nvkcpl.exe|/p x", "C:\\Dest\\mouse.hlp|"},
  };
  for (const Case& c : cases) {
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
    EXPECT_EQ(MenuRecords(), std::vector<std::string>{"Norvik\\Glidewave=" + sim::ToUtf8(menu)});
  }
}

TEST_F(StartMenuTest, WindowsEightHandsShortcutsToTheMenuLibrary) {
  struct Case {
    const char* pinLine;  // [Default] line of SETUP2K.INI
    bool library;
    const char* journal;  // "" when the library is not called
  };
  const std::string link = sim::ToUtf8(kPrograms7) + "\\Glidewave\\Mouse.lnk";
  const Case cases[] = {
      {"", true, " C:\\Windows\\System32\\nvkcpl.exe -s pin=1"},
      {"Win8StartMenuPin=false\r\n", true, " C:\\Windows\\System32\\nvkcpl.exe -s pin=0"},
      {"Win8StartMenuPin=no\r\n", true, " C:\\Windows\\System32\\nvkcpl.exe -s pin=1"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
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
  struct Case {
    const char* name;
    int32_t enabled;
    std::vector<std::u16string> files;
    std::vector<bool> remaining;
    bool folderRemains;
  };
  const Case cases[] = {
      {"two shortcuts: folder gone", 1, {u"Mouse Settings.lnk", u"Uninstall Glidewave.lnk"}, {false, false}, false},
      {"three entries: the last stays", 1, {u"Aaaaaaaaa.lnk", u"Bbbbbbbbb.lnk", u"Ccccccccc.lnk"},
       {false, false, true}, true},
      {"8.3 names have no short name and stay", 1, {u"A.LNK", u"Help Topics.lnk"}, {true, false}, true},
      {"switched off", 0, {u"Mouse Settings.lnk"}, {true}, true},
  };
  for (const Case& c : cases) {
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
