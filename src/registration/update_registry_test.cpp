// The registration writes on simulated Windows 7: the registry stage (which script and program
// sections run for each interface and mode, its please-wait dialog), the install record, the
// chosen model's mouse-type values, the uninstall entry, and the program sections.
#include "registration/update_registry.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "registration/install_record.h"
#include "registration/program_sections.h"
#include "services/uninstall_entry.h"
#include "registration/write_mouse_type.h"
#include "resource_ids.h"
#include "settings/model_table.h"
#include "settings/settings.h"
#include "shared/path_macros.h"
#include "support/sim_fixture.h"

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
  const struct {
    const char* name;
    int (*run)();
    std::string config;
    const char* settings;  // "skip", "silent", "askpath" or ""
    int lines;
    std::vector<std::string> starts;
    const char* folderAfter;
  } cases[] = {
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

}  // namespace
