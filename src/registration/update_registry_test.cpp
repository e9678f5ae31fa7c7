// The registration writes on simulated Windows 7: the registry stage (which script and program
// sections run for each interface and mode), the install record, the mouse-type values, the
// uninstall entry, the program sections; the Setup Complete page (the registration work of its
// creation, the restart offer, Finish with and without the restart, the abandoned installation)
// and the start-menu shortcuts.
#include "registration/update_registry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "registration/completion_page.h"
#include "registration/install_record.h"
#include "registration/program_sections.h"
#include "registration/start_menu_shortcuts.h"
#include "registration/write_mouse_type.h"
#include "resource_ids.h"
#include "services/uninstall_entry.h"
#include "settings/model_table.h"
#include "settings/settings.h"
#include "shared/path_macros.h"
#include "startup/platform_detect.h"
#include "support/page_fixture.h"
#include "support/sim_fixture.h"
#include "ui/wizard_messages.h"

namespace {

class UpdateRegistryTest : public SimFixture {
 protected:
  // Each registry section writes a value of its own name under HKLM\Software\T; each program
  // section starts a program of its own.
  void Prepare() override {
    UseConfig("");
    for (const char16_t* program : {u"usb.exe", u"ps2.exe", u"bt.exe", u"pre.exe"}) WritePackageFile(program, "");
    ImportReg("[HKEY_CURRENT_USER\\SOFTWARE\\Norvik\\CoInstaller\\Class]\n\"x\"=\"y\"\n");
  }
  void WriteConfig(const char* useXmouseCpl) {
    WritePackageFile(u"SETUP2K.INI", std::string("[Default]\r\nUsexmousecpl=") + useXmouseCpl +
                                         "\r\n[CPL Registry]\r\n1=HKLM,Software\\T,Cpl,0,1\r\n"
                                         "[Add Registry]\r\n1=HKLM,Software\\T,Add,0,1\r\n"
                                         "[Add CH_Registry]\r\n1=HKLM,Software\\T,Ch,0,1\r\n"
                                         "[Add Registry.ps2]\r\n1=HKLM,Software\\T,Ps2,0,1\r\n"
                                         "[Run]\r\n1=usb.exe\r\n[Run.PS2]\r\n1=ps2.exe\r\n"
                                         "[Run.BT]\r\n1=bt.exe\r\n[Run.Preload]\r\n1=pre.exe\r\n");
  }
  // The section programs started, in order.
  static std::vector<std::string> Programs() {
    std::vector<std::string> started;
    for (const sim::ProgramStart& start : sim::StartedPrograms()) {
      std::string program = sim::ToUtf8(start.program);
      program = program.substr(program.find_last_of('\\') + 1);
      if (program != "nvkmiced.exe") started.push_back(program);
    }
    return started;
  }
};

TEST_F(UpdateRegistryTest, SectionsFollowInterfaceAndMode) {
  const struct { const char* name; int32_t interfaceType, preload, especial; const char16_t* language;
      const char* useXmouseCpl; std::vector<std::string> values; std::vector<std::string> programs;
      bool coInstallerKept; } cases[] = {
      {"USB", kInterfaceUSB, 0, 1, u"ENGLISH", "TRUE", {"Add"}, {"usb.exe"}, true},
      {"PS/2", kInterfacePS2, 0, 0, u"ENGLISH", "TRUE", {"Add", "Ps2"}, {"ps2.exe"}, false},
      {"PS/2 preloaded", kInterfacePS2, 1, 0, u"ENGLISH", "TRUE", {"Add", "Ps2"}, {"pre.exe"}, true},
      {"all interfaces, own control panel, Chinese", kInterfaceAll, 0, 1, u"chinese", "false", {"Add", "Ch", "Cpl"},
       {}, true},
      {"Chinese without Especial", kInterfaceAll, 0, 0, u"CHINESE", "TRUE", {"Add"}, {}, true},
      {"all interfaces preloaded", kInterfaceAll, 1, 0, u"ENGLISH", "TRUE", {"Add"}, {"pre.exe"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    WriteConfig(c.useXmouseCpl);
    g_Settings.InterfaceType = c.interfaceType;
    g_Settings.PreloadMode = c.preload;
    g_Settings.Especial = c.especial;
    TextCopy(g_Settings.LanguageName, c.language);
    EXPECT_EQ(UpdateRegistry(nullptr, nullptr), 1);
    EXPECT_EQ(RegValueNames(kRegLocalMachine, u"Software\\T"), c.values);
    EXPECT_EQ(Programs(), c.programs);
    EXPECT_EQ(KeyExists(kRegCurrentUser, u"SOFTWARE\\Norvik\\CoInstaller"), c.coInstallerKept);
  }
}

class InstallRecordTest : public SimFixture {};

TEST_F(InstallRecordTest, ValuesFollowTheInterfaceAndFlags) {
  const struct { const char* name; int32_t interfaceType, callConfigMg, preload, noRestart; const char* values;
  } cases[] = {
      {"USB", kInterfaceUSB, 0, 0, 0,
       "SetupAction=Install;InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK;"
       "DriverName=USB Mouse;DeviceName=USB Mouse;PnPID=USB_1;Class=HIDClass"},
      {"Bluetooth: the serial hardware id", kInterfaceBluetooth, 1, 0, 1,
       "NoRestart=#1;CallConfigMg=#1;InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK;"
       "DriverName=BT Mouse;DeviceName=BT Mouse;PnPID=NVK0002"},
      {"PS/2 preloaded: no CallConfigMg", kInterfacePS2, 1, 1, 0,
       "InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK;"
       "DriverName=PS/2 Mouse;DeviceName=PS/2 Mouse;PnPID=*PNP0F13"},
      {"all interfaces: no device values", kInterfaceAll, 1, 0, 0,
       "CallConfigMg=#1;InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    SettingsRecord& s = g_Settings;
    const struct { char16_t* field; const char16_t* text;
    } texts[] = {{s.ProductKey, u"Glidewave"},   {s.InfPath, u"nhidmou.inf"},    {s.Version, u"2.1"},
                 {s.SubVersion, u"7"},           {s.MfgName, u"Norvik"},         {s.Provider, u"NVK"},
                 {s.DrvSetupAction, u"Install"}, {s.USBDriverName, u"USB Mouse"}, {s.USBPnPID, u"USB_1"},
                 {s.BTDriverName, u"BT Mouse"},  {s.SerialPnPID, u"NVK0002"},    {s.PS2DriverName, u"PS/2 Mouse"},
                 {s.PS2PnPID, u"*PNP0F13"},      {s.USBClass, u"HIDClass"}};
    for (const auto& text : texts) TextCopy(text.field, kTextSize, text.text);
    s.InterfaceType = c.interfaceType;
    s.CallConfigMg = c.callConfigMg;
    s.PreloadMode = c.preload;
    s.NoRestart = c.noRestart;
    // An earlier stage's verdict and subkey never survive.
    ImportReg(
        "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave\\Old]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave]\n\"Result\"=dword:ffffffff\n");
    WriteInstallRecord();
    EXPECT_EQ(RegValues(kRegLocalMachine, u"Software\\Norvik\\Install\\Glidewave"), c.values);
    EXPECT_EQ(RegValues(kRegLocalMachine, u"Software\\Norvik\\Install\\Glidewave\\Old"), "<no key>");
    EXPECT_EQ(RegValues(kRegLocalMachine, u"Software\\Norvik\\Glidewave 98"), "RunAutoUpdate=FALSE");
  }
}

TEST_F(InstallRecordTest, ChosenPs2ModelNamesTheDriverWhenAskedTo) {
  const struct { const char* name; int32_t chooseMouse, nameIsProduct; const char16_t* modelName; const char* driver;
  } cases[] = {
      {"chosen model named as the product", 1, 1, u"Glide Optical", "Glide Optical"},
      {"an empty model name keeps the driver name", 1, 1, u"", "PS/2 Mouse"},
      {"no model chosen", 0, 1, u"Glide Optical", "PS/2 Mouse"},
      {"the driver keeps its own name", 1, 0, u"Glide Optical", "PS/2 Mouse"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    SettingsRecord& s = g_Settings;
    TextCopy(s.ProductKey, kTextSize, u"Glidewave");
    TextCopy(s.PS2DriverName, kTextSize, u"PS/2 Mouse");
    s.InterfaceType = kInterfacePS2;
    s.ChooseMouse = c.chooseMouse;
    s.PS2DriverNameIsProductName = c.nameIsProduct;
    ClearModelTable();
    s.ModelId = 6;
    TextCopy(ModelTable[6].name, c.modelName);
    WriteInstallRecord();
    const std::string values = RegValues(kRegLocalMachine, u"Software\\Norvik\\Install\\Glidewave");
    EXPECT_NE(values.find(std::string("DriverName=") + c.driver + ";DeviceName=" + c.driver + ";"), std::string::npos)
        << values;
    EXPECT_EQ(sim::ToUtf8(s.PS2DriverName), c.driver);  // kept for the rest of the run
  }
}

const std::u16string kProduct = u"Software\\Norvik\\Glidewave 98";

class WriteMouseTypeTest : public SimFixture {
 protected:
  void ChooseModel(const char16_t* type) {
    ClearModelTable();
    g_Settings.ModelId = 3;
    TextCopy(ModelTable[3].name, u"Glide Ergo");
    TextCopy(ModelTable[3].file, u"gwergo.dll");
    TextCopy(ModelTable[3].resource, type);
  }
  void TearDown() override {
    ClearModelTable();
    SimFixture::TearDown();
  }
};

TEST_F(WriteMouseTypeTest, NothingIsWrittenWithoutTheUserProductKey) {
  ChooseModel(u"2Dmouse");
  const std::string before = sim::ExportRegText();
  sim::FailCall("SysRegCreateKey", 1, 5);
  WriteMouseType();
  EXPECT_EQ(sim::ExportRegText(), before);

  // A later key that cannot be made skips only its own value.
  sim::FailCall("SysRegCreateKey", 2, 5);
  WriteMouseType();
  EXPECT_EQ(RegText(kRegCurrentUser, kProduct + u"\\Mouse\\2Dmouse", u"DefaultProductName"), "<none>");
  EXPECT_EQ(RegText(kRegCurrentUser, kProduct, u"2DExternalResourceDll"), "gwergo.dll");
  EXPECT_EQ(RegText(kRegLocalMachine, kProduct + u"\\ResourceDLL", u"EnableSelect"), "0");
}

const std::u16string kEntry = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\GlidewaveUn";
const std::u16string kDeleteFiles = kEntry + u"\\DeleteFiles";
const std::u16string kShared = u"Software\\Norvik\\Uninstall\\SharedFile\\";

class UninstallEntryTest : public SimFixture {};

TEST_F(UninstallEntryTest, EntryAndFileListsFollowTheSettings) {
  const struct { const char* what; int canUninstall; const char16_t* productKey;
      std::vector<std::u16string> files;  // placed in this order
      std::vector<std::vector<std::u16string>> values;  // {key, value name, data or "<none>"}
  } cases[] = {
      {"registered product", 1, u"Glidewave", {u"C:\\Windows\\System32\\nvk.dll"},
       {{kEntry, u"UninstallString", u"Nmuninst.exe GlidewaveUn"}, {kEntry, u"DisplayName", u"Glidewave"},
        {kDeleteFiles, u"nvk.dll", u"C:\\Windows\\System32"},
        {kShared + u"nvk.dll", u"GlidewaveUn", u"C:\\Windows\\System32"}}},
      {"not removable: files are still listed", 0, u"Glidewave", {u"C:\\Windows\\System32\\nvk.dll"},
       {{kEntry, u"UninstallString", u"<none>"}, {kEntry, u"DisplayName", u"<none>"},
        {kDeleteFiles, u"nvk.dll", u"C:\\Windows\\System32"},
        {kShared + u"nvk.dll", u"GlidewaveUn", u"C:\\Windows\\System32"}}},
      {"no product key: the title is shown", 1, u"", {u"C:\\Windows\\nvk.ini"},
       {{kEntry, u"DisplayName", u"Glidewave 98"}}},
      {"a path ending in a backslash names the default value", 1, u"Glidewave", {u"C:\\Program Files\\Norvik\\"},
       {{kDeleteFiles, u"", u"C:\\Program Files\\Norvik"}}},
      {"the same name in two folders keeps the second", 1, u"Glidewave",
       {u"C:\\Windows\\System32\\nvk.dll", u"C:\\Program Files\\Norvik\\nvk.dll"},
       {{kDeleteFiles, u"nvk.dll", u"C:\\Program Files\\Norvik"},
        {kShared + u"nvk.dll", u"GlidewaveUn", u"C:\\Program Files\\Norvik"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StartMachine("win7");
    TextCopy(g_Settings.UninstallKey, u"GlidewaveUn");
    g_Settings.CanUninstall = c.canUninstall;
    TextCopy(g_Settings.ProductKey, c.productKey);
    TextCopy(g_Settings.Title, u"Glidewave 98");
    for (const std::u16string& file : c.files) EXPECT_EQ(WriteUninstallEntry(file.c_str()), 1);
    for (const auto& v : c.values)
      EXPECT_EQ(RegText(kRegLocalMachine, v[0], v[1]), sim::ToUtf8(v[2])) << sim::ToUtf8(v[1]);
  }
}

TEST_F(UninstallEntryTest, NoUninstallKeyWritesNothing) {
  g_Settings.CanUninstall = 1;
  const std::string before = sim::ExportRegText();
  EXPECT_EQ(WriteUninstallEntry(u"C:\\Windows\\System32\\nvk.dll"), 1);
  EXPECT_EQ(sim::ExportRegText(), before);
}

class ProgramSectionsTest : public SimFixture {
 protected:
  void Prepare() override {
    UseConfig("");
    TextCopy(g_Settings.EspecialFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.DestinationDir, u"C:\\Dest");
    TextCopy(g_szProgramFileDest, u"C:\\Program Files\\Norvik\\Glidewave");
  }
  // Each start as "<command line> | <folder>", with " | shell" for starts through the shell.
  static std::vector<std::string> Starts() {
    std::vector<std::string> lines;
    for (const sim::ProgramStart& s : sim::StartedPrograms())
      lines.push_back(sim::ToUtf8(s.commandLine) + " | " + sim::ToUtf8(s.currentDir) + (s.viaShell ? " | shell" : "") +
                      (s.hidden ? " | hidden" : ""));
    return lines;
  }
};

TEST_F(ProgramSectionsTest, SectionsBuildCommandLinesAndFolders) {
  const std::string kDaemon = "C:\\Dest\\nvkmiced.exe | D:\\";
  const struct { const char* name; int (*run)(); std::string config;
      const char* settings;  // "skip", "silent", "askpath" or ""
      int lines; std::vector<std::string> starts; const char* folderAfter; } cases[] = {
      {"system folder line: runs there, folder restored", RunUSBPrograms,
       "[Run]\r\n1=%SYS_DIR%\\tool.exe /x\r\n", "", 1,
       {"C:\\Windows\\System32\\tool.exe /x | C:\\Windows\\System32", kDaemon}, "D:\\"},
      {"package-relative line", RunPS2Programs, "[Run.PS2]\r\n1=helper.exe -q\r\n2=\r\n3=tool.exe\r\n", "", 1,
       {"D:\\helper.exe -q | D:\\"}, "D:\\"},
      {"skipped lines still set their folder, the daemon still starts", RunUSBPrograms,
       "[Run]\r\n1=%WIN_DIR%\\upd.exe\r\n2=helper.exe\r\n", "skip", 2, {kDaemon}, "D:\\"},
      {"automatic update keeps the folder", RunAutoUpdatePrograms, "[Run.AutoUpdate]\r\n1=%WIN_DIR%\\upd.exe\r\n",
       "", 1, {"C:\\Windows\\upd.exe | C:\\Windows"}, "C:\\Windows"},
      {"Bluetooth lines go through the shell", RunBTPrograms, "[Run.BT]\r\n1=helper.exe\r\n", "", 1,
       {"D:\\helper.exe | D:\\ | shell", kDaemon}, "D:\\"},
      {"Bluetooth lines skipped with /S", RunBTPrograms, "[Run.BT]\r\n1=helper.exe\r\n", "silent", 1, {kDaemon},
       "D:\\"},
      {"preload knows no Program Files folder", RunPreloadPrograms,
       "[Run.Preload]\r\n1=%Program Files%\\tool.exe\r\n2=%INF_DIR%\\inf.exe\r\n", "", 2,
       {"C:\\Windows\\Inf\\inf.exe | C:\\Windows\\Inf"}, "D:\\"},
      {"Program Files is the chosen folder with AskPath", RunPS2Programs,
       "[Run.PS2]\r\n1=%program files%\\tool.exe\r\n2=%SYS32_DIR%\\drv.exe\r\n", "askpath", 2,
       {"C:\\Dest\\tool.exe | C:\\Dest", "C:\\Windows\\System32\\Drivers\\drv.exe | C:\\Windows\\System32\\Drivers"},
       "D:\\"},
      {"a line without a closing percent runs nothing", RunPS2Programs, "[Run.PS2]\r\n1=%SYS_DIR\\tool.exe\r\n", "",
       1, {}, "D:\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    for (const char16_t* file : {u"C:\\Windows\\System32\\tool.exe", u"C:\\Windows\\upd.exe", u"C:\\Dest\\tool.exe",
                                 u"C:\\Dest\\nvkmiced.exe", u"C:\\Windows\\Inf\\inf.exe",
                                 u"C:\\Windows\\System32\\Drivers\\drv.exe"})
      ASSERT_TRUE(sim::WriteDiskFile(file, "MZ"));
    WritePackageFile(u"helper.exe", "MZ");
    WritePackageFile(u"SETUP2K.INI", c.config);
    const std::string settings = c.settings;
    g_Settings.SkipRunPrograms = settings == "skip";
    g_Settings.SilentSwitchSeen = settings == "silent";
    g_Settings.AskPath = settings == "askpath";
    EXPECT_EQ(c.run(), c.lines);
    EXPECT_EQ(Starts(), c.starts);
    EXPECT_EQ(sim::ToUtf8(sim::CurrentDirectory()), c.folderAfter);
  }
}

TEST_F(ProgramSectionsTest, DaemonFallsBackToProgramDestination) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Program Files\\Norvik\\Glidewave\\Nvkmiced.exe", "MZ"));
  StartDaemon(g_Settings.DestinationDir, u"Nvkmiced.exe");
  ASSERT_EQ(sim::StartedPrograms().size(), 1u);
  EXPECT_EQ(sim::ToUtf8(sim::StartedPrograms()[0].program), "C:\\Program Files\\Norvik\\Glidewave\\Nvkmiced.exe");
}

TEST_F(ProgramSectionsTest, ServiceInstallerOnlyFromVersionSix) {
  const struct { const char* profile; std::vector<std::string> starts; } cases[] = {
      {"win7", {"C:\\Windows\\System32\\svcinst.exe -i | C:\\Windows\\System32 | hidden"}},
      {"winxp", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    StartMachine(c.profile);
    ASSERT_TRUE(sim::WriteDiskFile(sim::Profile().systemDir + u"\\svcinst.exe", "MZ"));
    WritePackageFile(u"SETUP2K.INI", "[Run.Svc]\r\nSvc=%SYS_DIR%\\svcinst.exe -i\r\n");
    InstallService();
    EXPECT_EQ(Starts(), c.starts);
    EXPECT_EQ(JournalHas("trace: InstallService"), !c.starts.empty());
  }
}

TEST_F(ProgramSectionsTest, VxDsLoadedFromTheSystemFolder) {
  StartMachine("win98");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\WINDOWS\\SYSTEM\\nvkmouse.vxd", "LE"));
  WritePackageFile(u"SETUP2K.INI", "[Start VxD]\r\n1=nvkmouse.vxd\r\n2=missing.vxd\r\n");
  EXPECT_EQ(StartVxDs(), 2);
  EXPECT_EQ(JournalLines("vxd: "), std::vector<std::string>{"vxd: loaded C:\\WINDOWS\\SYSTEM\\nvkmouse.vxd"});

  WritePackageFile(u"SETUP2K.INI", "[Start VxD]\r\n1=\r\n2=nvkmouse.vxd\r\n");
  EXPECT_EQ(StartVxDs(), 0);
  EXPECT_EQ(StartVxD(u"missing.vxd"), 0);
  // The loaded VxD keeps its handle: it stays loaded for as long as setup runs.
  expectedOpen_.kernelHandles = 1;
}

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

// The interface record over successive installations: each adds a DWORD of its type under its
// interface's own name (none for an unknown type) and rewrites "Type".
TEST_F(CompletionPageTest, InterfaceRecordKeepsEveryInstalledInterface) {
  const std::u16string kInterface = u"Software\\Norvik\\Glidewave 98\\Interface";
  for (int32_t type : {kInterfacePS2, kInterfaceBluetooth, kInterfaceUSB, kInterfaceAll, 0}) {
    g_Settings.InterfaceType = type;
    CreatePage();
    EXPECT_EQ(RegText(kRegLocalMachine, kInterface, u"Type"), "#" + std::to_string(type));
  }
  std::string numbers;  // of every value, sorted: the four interfaces' own and the last type
  for (const std::string& name : RegValueNames(kRegLocalMachine, kInterface))
    numbers += RegText(kRegLocalMachine, kInterface, sim::FromUtf8(name)).substr(1);
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(numbers, "01237");
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
