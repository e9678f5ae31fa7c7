// Loading the setup configuration into the settings record (Windows 7: SETUP2K.INI on D:), the
// language name and caption suffix from install.ini or the thread's locale, and the help-file
// language versions chosen by the user's locale.
#include "startup/config_loader.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "settings/settings.h"
#include "startup/help_files.h"
#include "startup/language.h"
#include "support/sim_fixture.h"

namespace {

class ConfigLoaderTest : public SimFixture {};

struct LoadCase { const char* ini;  // SETUP2K.INI
    std::vector<const char16_t*> infFiles;  // driver INF files beside the program
    const char* expect;  // "Field=value;..."
};

TEST_F(ConfigLoaderTest, KeysDefaultsAndLookupOrder) {
  const LoadCase cases[] = {
      {"[Install]\r\nSupported=TRUE\r\n", {}, "SourceDir=D:;ConfigFile=D:\\SETUP2K.INI;ConfirmInfo=1;InterfaceType=3;InfPath=D:\\NHIDMou.INF;" "Title=Glidewave 98;DefaultAppPath=C:\\Windows\\System32;DefaultTypeChoice=3;InfPresence=0"},
      {"[Install]\r\nDefaultType=ps2\r\n[Default]\r\nCALLCONFIGMG=TRUE\r\nRestart=TRUE\r\n", {}, "InterfaceType=1;CallConfigMg=0;Restart=1;InfPath=D:\\Nmouse.inf"},
      {"[Install]\r\nDefaultType=Bluetooth\r\nRestart=TRUE\r\n", {}, "InterfaceType=2;InfPath=D:\\Nbtmouse.inf;Restart=0"},
      {"[Install]\r\nDefaultType=Serial\r\n", {}, "InterfaceType=3"},
      {"[Install]\r\nDefaultType=b\r\nBTInf=\r\n", {}, "InterfaceType=2;InfPath=D:\\Nmouse.inf"},
      // DefaultType and USBInf: [Default] only when [Install] holds the key empty.
      {"[Install]\r\nDefaultType=\r\n[Default]\r\nDefaultType=PS2\r\n", {}, "InterfaceType=1"},
      {"[Install]\r\nDefaultType=\r\nPS2DriverName=Named\r\n", {}, "InterfaceType=3"},
      {"[Default]\r\nDefaultType=PS2\r\nUSBInf=Other.inf\r\n", {}, "InterfaceType=3;USBInf=NHIDMou.INF"},
      {"[Install]\r\nUSBInf=\r\n[Default]\r\nUSBInf=Other.inf\r\n", {}, "USBInf=Other.inf;InfPath=D:\\Other.inf"},
      {"[Install]\r\nUSBInf=\r\n[Default]\r\nUSBInf=\r\n", {}, "USBInf=;InfPath=D:\\Nmouse.inf"},
      // DefaultType empty everywhere: the driver names decide.
      {"[Install]\r\nDefaultType=\r\n[Default]\r\nDefaultType=\r\n", {}, "InterfaceType=1"},
      {"[Install]\r\nDefaultType=\r\nPS2DriverName=\r\nBTDriverName=B\r\n[Default]\r\nDefaultType=\r\n", {}, "InterfaceType=2"},
      {"[Install]\r\nDefaultType=\r\nPS2DriverName=\r\n[Default]\r\nDefaultType=\r\n", {}, "InterfaceType=3"},
      // [Default] first, [Install] when [Default] is empty.
      {"[Install]\r\nAskType=FALSE\r\nDefaultType=BT\r\n[Default]\r\nAskType=TRUE\r\n", {}, "AskType=1;InterfaceType=3;DefaultTypeChoice=2"},
      {"[Install]\r\nAskType=true\r\nCabFile=TRUE\r\nCabFileName=i.cab\r\n[Default]\r\nAskType=\r\nCabFileName=d.cab", {}, "AskType=1;CabFile=1;CabFileName=d.cab"},
      {"[Default]\r\nCabFile=FALSE\r\nCabFileName=d.cab\r\n", {}, "CabFile=0;CabFileName="},
      // One driver INF beside the program: no interface question.
      {"[Install]\r\nDefaultType=BT\r\n[Default]\r\nAskType=TRUE\r\n", {u"Nbtmouse.inf"}, "AskType=0;InfPresence=2;InterfaceType=2"},
      {"[Default]\r\nAskType=TRUE\r\n", {u"NMOUSE.INF", u"nhidmou.inf"}, "AskType=1;InfPresence=5"},
      {"[Install]\r\nDefaultType=BT\r\nAskType=TRUE\r\nInstallAllType=TRUE\r\nRestart=TRUE\r\n", {}, "AskType=0;InstallAllType=1;InterfaceType=3;DefaultTypeChoice=2;Restart=1"},
      // The three boolean forms.
      {"[Install]\r\nCALLCONFIGMG=1\r\nInfNoFileCopy=true\r\nConfirmInfo=no\r\nRestart=1\r\n", {}, "CallConfigMg=1;InfNoFileCopy=1;ConfirmInfo=1;Restart=0"},
      {"[Install]\r\nCALLCONFIGMG=yes\r\nUninstallConflictSoftware=False\r\n[Default]\r\nConfirmInfo=false\r\n", {}, "CallConfigMg=0;UninstallConflictSoftware=0;ConfirmInfo=0"},
      {"[Default]\r\nChooseMouse=TRUE\r\nForceReBoot=TRUE\r\nAskMousePosition=TRUE\r\nDeleteINFIndex=TRUE\r\n" "CompareSubVer=TRUE\r\nMode_DPInst=TRUE\r\nUnShowWarning=TRUE\r\nReplace=yes\r\nCanUninstall=false\r\n" "[Product.List.PS2]\r\nNewUI=true\r\nDefault=4x\r\n", {}, "ChooseMouse=1;ForceReBoot=1;AskMousePosition=1;DeleteINFIndex=1;CompareSubVer=1;Mode_DPInst=1;" "ShowWarning=0;Replace=0;CanUninstall=0;NewUI=1;DefaultPS2Model=4"},
      // Keys of [Default] alone ignore [Install].
      {"[Install]\r\nSubFolder=x\r\nUnShowWarning=TRUE\r\nReplace=FALSE\r\nCanUninstall=FALSE\r\nSleep1Sec=TRUE\r\n" "[Product.List.PS2]\r\nDefault=-3\r\n", {}, "SubFolder=gw98;ShowWarning=1;Replace=1;CanUninstall=1;Sleep1Sec=0;DefaultPS2Model=0"},
      // Version macros: expanded when a value ends with a percent name; an empty expansion is kept.
      {"[Install]\r\nVersion=%VER%\r\nSubVersion=2.0\r\n[Strings]\r\nVER=2.5\r\n", {}, "Version=2.5;SubVersion=2.0"},
      {"[Install]\r\nVersion=1,5\r\nSubVersion=%NOPE%\r\n", {}, "Version=1;SubVersion=%NOPE%"},
      {"[Install]\r\nVersion=%VER%x\r\nSubVersion=1,2\r\n[Strings]\r\nVER=2.5\r\n", {}, "Version=%VER%x;SubVersion=1,2"},
      {"[Install]\r\nTitle=My Mouse\r\n[Default]\r\nAskPath=TRUE\r\n", {}, "AskPath=1;DefaultDestination=\\Program Files\\Norvik Electronics Ltd.\\My Mouse"},
      {"[Install]\r\nMfgName=\r\nAskPath=TRUE\r\nDefaultAppPath=E:\\Apps\r\n[HelpFileList]\r\n1=G.hlp\r\n", {}, "DefaultDestination=\\Program Files\\;DefaultAppPath=E:\\Apps;HelpFilesListed=1"},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.ini);
    StartMachine("win7");
    WritePackageFile(u"SETUP2K.INI", c.ini);
    for (const char16_t* name : c.infFiles) WritePackageFile(name, "");
    EXPECT_EQ(LoadSetupConfiguration(), 1);
    ExpectSettings(c.expect);
  }
}

TEST_F(ConfigLoaderTest, CreateFolderTraceAndInstallTrace) {
  WritePackageFile(u"SETUP2K.INI", "[Install]\r\nBTInf=Custom.inf\r\nTitle=" + std::string(400, 'T') +
                                       "\r\n[CreateFolder]\r\n1=Nvk\r\n2=Deep\\Er\r\n3=Nvk\\Sub\r\n5=Five\r\n");
  WritePackageFile(u"custom.INF", "");
  ImportReg("[HKEY_LOCAL_MACHINE\\Software\\Norvik]\n\"InstallTrace\"=dword:00000001\n");
  ASSERT_EQ(LoadSetupConfiguration(), 1);
  // Folders up to the first gap; a failed one (missing parent) does not end the list.
  EXPECT_TRUE(sim::DiskPathExists(u"C:\\Windows\\System32\\Nvk\\Sub"));
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\Windows\\System32\\Deep"));
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\Windows\\System32\\Five"));
  // A missing INF file is traced with its full path.
  EXPECT_TRUE(JournalHas("D:\\Nmouse.inf"));
  EXPECT_FALSE(JournalHas("D:\\Custom.inf"));
  ExpectSettings("InfPresence=2;InstallTrace=1;Title=" + std::string(255, 'T'));

  // InstallTrace needs the 32-bit number 1.
  for (const char* value : {"dword:00000002", "\"1\"", "hex:01,00,00,00"}) {
    StartMachine("win7");
    WritePackageFile(u"SETUP2K.INI", "[Install]\r\n");
    ImportReg(std::string("[HKEY_LOCAL_MACHINE\\Software\\Norvik]\n\"InstallTrace\"=") + value + "\n");
    ASSERT_EQ(LoadSetupConfiguration(), 1);
    EXPECT_EQ(g_Settings.InstallTrace, 0) << value;
  }
}

class LanguageTest : public SimFixture {};

struct LanguageCase { const char* languageId;  // value of [LANGUAGE] Languageid; nullptr: no install.ini
    uint32_t threadLocale; int32_t especial; const char* language;
    const char* suffix;  // TitleSuffix starts as "~" to show whether it was written
};

TEST_F(LanguageTest, NameAndSuffixFromIdOrLocale) {
  const char* chinese = "\xE5\xAE\x89\xE8\xA3\x85";
  const LanguageCase cases[] = {
      {"1031", 0x0409, 0, "GERMAN", "~"},       {nullptr, 0x0407, 0, "GERMAN", "~"},
      {"0", 0x0411, 0, "JAPANESE", "~"},        {"2052", 0x0409, 1, "CHINESE", chinese},
      {"1033", 0x0407, 0, "ENGLISH", " Setup"}, {nullptr, 0x10407, 0, "ENGLISH", "~"},
      {"6156", 0x0407, 0, "ENGLISH", "~"},      {"21514", 0x0409, 0, "ENGLISH", "~"},
  };
  for (const LanguageCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.languageId ? c.languageId : "-") << " locale " << std::hex << c.threadLocale);
    sim::MachineProfile profile = Builtin("win7");
    profile.threadLocale = c.threadLocale;
    StartMachine(profile);
    if (c.languageId) WritePackageFile(u"install.ini", std::string("[LANGUAGE]\r\nLanguageid=") + c.languageId);
    // The Windows folder's install.ini is not the package's.
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\install.ini", "[LANGUAGE]\r\nLanguageid=1043\r\n"));
    g_Settings.Especial = c.especial;
    TextCopy(g_Settings.TitleSuffix, u"~");
    SelectLanguage();
    ExpectSettings(std::string("LanguageName=") + c.language + ";TitleSuffix=" + c.suffix);
  }
}

class HelpFilesTest : public SimFixture {};

struct HelpCase { const char* profile; uint32_t userLocale;
    const char* reg;  // registry text merged after the reset, "" for none
    const char* sections;  // after "[HelpFileList]\r\n1=Guide.hlp\r\n"
    int result; const char* choices;  // "entry=choice;..." for entries 1..n
};

TEST_F(HelpFilesTest, ChoosesTheVersionForTheLocale) {
#define INTL "[HKEY_CURRENT_USER\\Control Panel\\International]\n"
  const HelpCase cases[] = {
      {"win7", 0x0807, "", "[Guide.hlp]\r\n00000409=en\r\n00000407=de\r\n", 1, "Guide.hlp=de"},
      {"win7", 0x0807, "", "[Guide.hlp]\r\n00000407=de\r\n00000807=ch\r\n", 1, "Guide.hlp=ch"},
      {"win7", 0x0807, "", "[Guide.hlp]\r\n00000407=\r\n00000C07=at\r\n00000409=en\r\n", 1, "Guide.hlp=at"},
      {"win7", 0x0411, "", "[Guide.hlp]\r\n00000407=de\r\n00000409=en\r\n", 1, "Guide.hlp=en"},
      {"win7", 0x0411, "", "[Guide.hlp]\r\n00000407=de\r\n", 1, "Guide.hlp=Guide.hlp"},
      {"win7", 0x0409, "[-HKEY_CURRENT_USER\\Control Panel\\International]\n",  // unreadable: English
       "[Guide.hlp]\r\n00000407=de\r\n00000409=en\r\n", 1, "Guide.hlp=en"},
      {"win7", 0x0409, INTL "\"Locale\"=\"0000080c\"\n",  // upper-cased before use
       "[Guide.hlp]\r\n00000409=en\r\n0000040C=fr\r\n", 1, "Guide.hlp=fr"},
      {"win98", 0x0407, INTL "\"Locale\"=\"00000409\"\n",  // 9x: ResourceLocale
       "[Guide.hlp]\r\n00000409=en\r\n00000407=de\r\n", 1, "Guide.hlp=de"},
      {"win7", 0x0409, "", "2=B.hlp\r\n4=D.hlp\r\n[Guide.hlp]\r\n00000409=en\r\n", 1, "Guide.hlp=en;B.hlp=B.hlp"},
      {"win7", 0x0409, "", "2=\r\n3=C.hlp\r\n", 1, "Guide.hlp=Guide.hlp"},
  };
#undef INTL
  for (const HelpCase& c : cases) {
    SCOPED_TRACE(c.sections);
    sim::MachineProfile profile = Builtin(c.profile);
    profile.userLocale = c.userLocale;
    StartMachine(profile);
    if (*c.reg) ImportReg(c.reg);
    UseConfig(std::string("[HelpFileList]\r\n1=Guide.hlp\r\n") + c.sections);

    EXPECT_EQ(SelectHelpFiles(), c.result);
    std::string got;
    for (int n = 1; n <= HelpFileCount; ++n)
      got += (n > 1 ? ";" : "") + sim::ToUtf8(HelpFileEntries[n]) + "=" + sim::ToUtf8(HelpFileChoices[n]);
    EXPECT_EQ(got, c.choices);
  }
}

TEST_F(HelpFilesTest, ListLimits) {
  UseConfig("[Install]\r\n");
  EXPECT_EQ(SelectHelpFiles(), 0);
  EXPECT_EQ(HelpFileCount, 0);

  std::string ini = "[HelpFileList]\r\n";
  for (int n = 1; n <= 70; ++n) ini += std::to_string(n) + "=F" + std::to_string(n) + "\r\n";
  WritePackageFile(u"SETUP2K.INI", ini);
  EXPECT_EQ(SelectHelpFiles(), 1);
  EXPECT_EQ(HelpFileCount, kHelpFileMax);
  EXPECT_EQ(sim::ToUtf8(HelpFileChoices[63]), "F63");
}

}  // namespace
