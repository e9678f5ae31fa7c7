// Program sections: command lines and current folders of each section, the skip rules, the
// daemon's two places, the service installer's version rule and the VxD loader.
#include "registration/program_sections.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "shared/path_macros.h"
#include "platform/sim/machine/machine.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class ProgramSectionsTest : public SimFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
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
  struct Case {
    const char* name;
    int (*run)();
    std::string config;
    const char* settings;  // "skip", "silent", "askpath" or ""
    int lines;
    std::vector<std::string> starts;
    const char* folderAfter;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
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
  struct Case {
    const char* profile;
    std::vector<std::string> starts;
  };
  const Case cases[] = {
      {"win7", {"C:\\Windows\\System32\\svcinst.exe -i | C:\\Windows\\System32 | hidden"}},
      {"winxp", {}},
  };
  for (const Case& c : cases) {
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
