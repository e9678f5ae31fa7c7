// The copy list on Windows 7 (C:\Windows, C:\Windows\System32, C:\Program Files) with the
// package on D:: destinations per macro and per AskPath, source folders and sizes, the list's
// reading rules, help files with their companions, the 128-entry table, and the folder records,
// chains and the "Everyone" access entry of new folders.
#include "files/copy_list.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/text.h"
#include "files/copy_progress.h"
#include "files/folder_rights.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "shared/path_macros.h"
#include "startup/help_files.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class CopyListTest : public SimFixture {
 protected:
  void Prepare() override {
    ResetCopyState();
    _dwTotalFileSize = 12345;
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.SubFolder, u"gw98");
  }
  // [CopyList] with keys 1..n from the given values.
  static std::string CopyListSection(const std::vector<std::string>& values) {
    std::string text = "[CopyList]\r\n";
    for (size_t i = 0; i < values.size(); ++i) text += std::to_string(i + 1) + "=" + values[i] + "\r\n";
    return text;
  }
  void AddHelpFile(const char16_t* ownName, const char16_t* sourceName) {
    ++HelpFileCount;
    TextCopy(HelpFileEntries[HelpFileCount], ownName);
    TextCopy(HelpFileChoices[HelpFileCount], sourceName);
    g_Settings.HelpFilesListed = 1;
  }
  static std::string Dest(int n) { return sim::ToUtf8(CopyTable[n].DestDir); }
  // "FileName|SourceName|SourceSubdir|size" of entry n.
  static std::string Entry(int n) {
    const CopyEntry& e = CopyTable[n];
    return sim::ToUtf8(e.FileName) + "|" + sim::ToUtf8(e.SourceName) + "|" + sim::ToUtf8(e.SourceSubdir) + "|" +
           (e.FileSize == kInvalidFileSize ? std::string("invalid") : std::to_string(e.FileSize));
  }
};

struct DestCase { int askPath;  // with DestinationDir E:\Mouse
    std::string line; std::string dest; };

TEST_F(CopyListTest, DestinationsByMacroAndAskPath) {
  const std::string longTail = "\\" + std::string(120, 'L');
  const DestCase cases[] = {
      {0, "a.dll,,,%SYS_DIR%", "C:\\Windows\\System32"},
      {0, "a.sys,,,%sys32_dir%", "C:\\Windows\\System32\\Drivers"},
      {0, "a.lnk,,,%WIN_DIR%\\DESKTOP", "C:\\Windows\\Desktop"},
      {0, "a.dll,,,%sys_dir%\\deskhub\\001", "C:\\Windows\\System32\\Deskhub\\001"},
      {0, "a.txt,,,C:", "c:\\"},
      {0, "a.dll,,,%SYS_DIR%\\Other", "C:\\Windows\\%SYS_DIR%\\Other"},  // forms match whole values only
      {0, "a.dll,,,\"%10%\"", "C:\\Windows\\\"%10%\""},                  // quotes and names kept
      {0, "a.dll", "C:\\Windows\\"},                                       // missing fields are empty
      {1, "NVKMOUSE.SYS,,,%SYS32_DIR%", "C:\\Windows\\System32\\Drivers"},  // system files keep theirs
      {1, "drv\\nvk.sys,,,%SYS_DIR%", "C:\\Windows\\System32"},
      {1, "alias.dll,drv\\nvk.sys,,%SYS_DIR%", "E:\\Mouse"},  // only field 1's extension counts
      {1, "nvk.sys.bak,,,%SYS_DIR%", "E:\\Mouse"},
      {1, "nvk.dll,,,%SYS_DIR%\\Deskhub", "E:\\Mouse\\Deskhub"},
      {1, "nvk.dat,,,%SYS_DIR%" + longTail, "E:\\Mouse" + longTail.substr(0, 100)},
  };
  for (int askPath : {0, 1}) {
    SCOPED_TRACE(askPath ? "AskPath" : "no AskPath");
    std::memset(CopyTable, 0, sizeof(CopyTable));
    std::vector<const DestCase*> rows;
    std::vector<std::string> lines;
    for (const auto& c : cases) {
      if (c.askPath != askPath) continue;
      rows.push_back(&c);
      lines.push_back(c.line);
    }
    UseConfig(CopyListSection(lines) + "[Strings]\r\nProgram Files=Norvik\\Glidewave\r\n");
    g_Settings.AskPath = askPath;
    TextCopy(g_Settings.DestinationDir, u"E:\\Mouse");
    ASSERT_EQ(BuildCopyList(), static_cast<int32_t>(rows.size()));
    for (size_t n = 1; n <= rows.size(); ++n) EXPECT_EQ(Dest(static_cast<int>(n)), rows[n - 1]->dest) << rows[n - 1]->line;
    EXPECT_EQ(Dest(static_cast<int>(rows.size()) + 1), "");  // the end mark
    // Neither list has a Program Files destination: nothing composed, nothing created.
    EXPECT_EQ(std::u16string(g_szProgramFileDest), u"");
    EXPECT_FALSE(sim::DiskPathExists(u"C:\\Program Files\\Norvik"));
  }
}

TEST_F(CopyListTest, FolderDestinationsCreateAndRecordTheirChains) {
  const struct { const char* what; std::string ini; const char* dest; const char* programDest; } cases[] = {
      {"Program Files, any case, from [Strings], with a subpath",
       CopyListSection({"a.exe,,,%program files%\\Tools\\Bin"}) + "[Strings]\r\nProgram Files=Norvik\\Glidewave\r\n",
       "C:\\Program Files\\Norvik\\Glidewave\\Tools\\Bin", "C:\\Program Files\\Norvik\\Glidewave"},
      {"the system folder's named subfolder, any case",
       CopyListSection({"a.dat,,,%sys_dir%\\%FOLDER%"}) + "[Strings]\r\nFolder=NvkData\\Sub\r\n",
       "C:\\Windows\\System32\\NvkData\\Sub", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StartMachine("win7");
    UseConfig(c.ini);
    ASSERT_EQ(BuildCopyList(), 1);
    EXPECT_EQ(Dest(1), c.dest);
    EXPECT_EQ(sim::ToUtf8(g_szProgramFileDest), c.programDest);
    // The new folder was made, recorded for the uninstaller and opened to everyone.
    EXPECT_EQ(RegText(kRegLocalMachine, u"Software\\Norvik\\Uninstall", sim::FromUtf8(c.dest)), "InstallPath");
    EXPECT_EQ(sim::DescribeDacl(sim::FromUtf8(c.dest)).at(0), "Everyone 0x10000000 OI|CI");
  }
}

TEST_F(CopyListTest, ListLinesSourcesAndSizes) {
  WritePackageFile(u"gw98\\plain.dll", std::string(10, 'p'));
  WritePackageFile(u"gw98\\src.bin", std::string(7, 's'));
  WritePackageFile(u"sub\\a.dll", std::string(5, 'a'));
  WritePackageFile(u"drv\\x64\\real.sys", std::string(3, 'r'));
  WritePackageFile(u"gw98\\we,ird.dll", std::string(2, 'w'));
  // Key 2 of the fallback section is shadowed, key 3 comes from it, key 9 lies beyond the gap.
  UseConfig("[CopyList]\r\n1=plain.dll,,,%WIN_DIR%\r\n2=inst.dll,src.bin,ignored,%WIN_DIR%\r\n"
            "4=alias.sys,drv\\x64\\real.sys,,%SYS_DIR%\r\n5=\"we,ird.dll\",,,%WIN_DIR%\r\n6=gone.dll,,,%WIN_DIR%\r\n"
            "7=sub\\gone.dll,,,%WIN_DIR%\r\n9=never.dll,,,%WIN_DIR%\r\n"
            "[Copy List]\r\n2=other.dll,,,%WIN_DIR%\r\n3=sub\\a.dll,,,%WIN_DIR%\r\n");
  const struct { int cabFile; std::vector<std::string> entries;  // "FileName|SourceName|SourceSubdir|size"
      uint32_t total; } modes[] = {
      {0,
       {"plain.dll|||10", "inst.dll|src.bin||7", "a.dll||sub|5", "alias.sys|real.sys|drv\\x64|3", "we,ird.dll|||2",
        "gone.dll|||invalid", "gone.dll||sub|invalid"},
       0},
      // In cabinet mode only files in a source folder of their own are sized, and counted in the total.
      {1,
       {"plain.dll|||0", "inst.dll|src.bin||0", "a.dll||sub|5", "alias.sys|real.sys|drv\\x64|3", "we,ird.dll|||0",
        "gone.dll|||0", "gone.dll||sub|invalid"},
       5 + 3 + kInvalidFileSize},
  };
  for (const auto& m : modes) {
    SCOPED_TRACE(m.cabFile ? "cabinet" : "folder");
    g_Settings.CabFile = m.cabFile;
    ASSERT_EQ(BuildCopyList(), 7);
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(Entry(n), m.entries[n - 1]);
    EXPECT_EQ(Dest(8), "");
    EXPECT_EQ(_dwTotalFileSize, m.total);
  }
}

TEST_F(CopyListTest, HelpFilesAndCompanionsFollowTheList) {
  WritePackageFile(u"nvk_de.hlp", std::string(12, 'h'));
  WritePackageFile(u"nvk_de.cnt", std::string(4, 'c'));
  WritePackageFile(u"tips_de.hlp", std::string(6, 't'));
  WritePackageFile(u"tips_de.cnt", std::string(9, 'c'));
  WritePackageFile(u"gw98\\first.dll", "1");
  const struct { const char* what; int cabFile;
      std::vector<std::string> entries;  // entries 2.. (entry 1 is the list line)
      std::vector<std::string> helpList;  // "own name|source name" of the help-file tables
  } cases[] = {
      {"companions after all help files", 0,
       {"nvk_de.hlp|||12", "mouse_fr.chm|||invalid", "tips_de.hlp|||6", "nvk_de.cnt|||4", "tips_de.cnt|||9"},
       {"NVK.HLP|nvk_de.hlp", "Mouse.chm|mouse_fr.chm", "Tips.hlp|tips_de.hlp", "NVK.cnt|nvk_de.cnt",
        "Tips.cnt|tips_de.cnt"}},
      {"cabinet mode: neither sizes nor companions", 1,
       {"nvk_de.hlp|||0", "mouse_fr.chm|||0", "tips_de.hlp|||0"},
       {"NVK.HLP|nvk_de.hlp", "Mouse.chm|mouse_fr.chm", "Tips.hlp|tips_de.hlp"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    HelpFileCount = 0;
    AddHelpFile(u"NVK.HLP", u"nvk_de.hlp");
    AddHelpFile(u"Mouse.chm", u"mouse_fr.chm");  // no such source, so no companion either
    AddHelpFile(u"Tips.hlp", u"tips_de.hlp");
    g_Settings.CabFile = c.cabFile;
    UseConfig(CopyListSection({"first.dll,,,%WIN_DIR%"}));
    ASSERT_EQ(BuildCopyList(), static_cast<int32_t>(1 + c.entries.size()));
    for (size_t i = 0; i < c.entries.size(); ++i) {
      EXPECT_EQ(Entry(static_cast<int>(i + 2)), c.entries[i]);
      EXPECT_EQ(Dest(static_cast<int>(i + 2)), "C:\\Windows\\Help");
    }
    std::vector<std::string> helpList;
    for (int32_t n = 1; n <= HelpFileCount; ++n)
      helpList.push_back(sim::ToUtf8(HelpFileEntries[n]) + "|" + sim::ToUtf8(HelpFileChoices[n]));
    EXPECT_EQ(helpList, c.helpList);
  }
}

TEST_F(CopyListTest, TheTableRefusesEntriesBeyondItsEnd) {
  const struct { int lines; int helpFiles;  // each with a companion in the package
      int32_t count; int32_t helpCount;  // HelpFileCount afterwards
  } cases[] = {
      {130, 0, 128, 0},   // lines 129 and 130 are not taken
      {128, 2, 128, 0},   // no room for help files
      {127, 2, 128, 1},   // one help file fits, its companion does not
      {125, 1, 127, 2},   // a help file and its companion
      {126, 2, 128, 2},   // both help files, no companion
  };
  for (int i = 1; i <= 2; ++i) {
    WritePackageFile(u"help" + sim::FromUtf8(std::to_string(i)) + u".hlp", "h");
    WritePackageFile(u"help" + sim::FromUtf8(std::to_string(i)) + u".cnt", "c");
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.lines) + " lines, " + std::to_string(c.helpFiles) + " help files");
    std::memset(CopyTable, 0, sizeof(CopyTable));
    HelpFileCount = 0;
    for (int i = 1; i <= c.helpFiles; ++i) {
      const std::u16string name = u"help" + sim::FromUtf8(std::to_string(i)) + u".hlp";
      AddHelpFile(name.c_str(), name.c_str());
    }
    g_Settings.HelpFilesListed = c.helpFiles > 0;
    std::vector<std::string> lines;
    for (int n = 1; n <= c.lines; ++n) lines.push_back("f" + std::to_string(n) + ".dll,,,%WIN_DIR%");
    UseConfig(CopyListSection(lines));
    EXPECT_EQ(BuildCopyList(), c.count);
    EXPECT_EQ(HelpFileCount, c.helpCount);
    // The help entries are the last HelpFileCount entries, in the order of the help-file list.
    for (int32_t h = 1; h <= HelpFileCount; ++h)
      EXPECT_EQ(std::u16string(CopyTable[c.count - HelpFileCount + h].FileName), std::u16string(HelpFileChoices[h]));
    EXPECT_EQ(Dest(kCopyEntryMax + 1), "");
  }
}

const char16_t kFolder[] = u"C:\\Data\\Box";

// The folder records for the uninstaller, in the order they were first written.
std::string InstalledFolderRecords() { return RegValues(kRegLocalMachine, u"Software\\Norvik\\Uninstall"); }

class FolderRightsTest : public SimFixture {
 protected:
  // Creates kFolder and gives it the access list `security`.
  void SeedFolder(const sim::PathSecurity& security) {
    ASSERT_TRUE(sim::WriteDiskFile(std::u16string(kFolder) + u"\\seed.txt", "x"));
    ASSERT_TRUE(sim::SetPathSecurity(kFolder, security));
  }
};

using Lines = std::vector<std::string>;

TEST_F(FolderRightsTest, CreateFolderPathMakesAndRecordsOnlyTheMissingLevels) {
  const struct { const char* what; const char16_t* programDest; const char16_t* path;
      int failingCreation;  // which SysCreateDirectory call fails; 0 for none (the path is then opened to everyone)
      const char* records; } cases[] = {
      {"last level new: the drive and Program Files record the program destination",
       u"C:\\Program Files\\Dest", u"C:\\Program Files\\Norvik", 0,
       "C:\\Program Files\\Dest=InstallPath;C:\\Program Files\\Norvik=InstallPath"},
      {"three new levels, recorded from the top down, once each",
       u"C:\\Program Files\\Dest", u"C:\\Program Files\\Norvik\\Glidewave\\Data", 0,
       "C:\\Program Files\\Dest=InstallPath;C:\\Program Files\\Norvik=InstallPath;"
       "C:\\Program Files\\Norvik\\Glidewave=InstallPath;C:\\Program Files\\Norvik\\Glidewave\\Data=InstallPath"},
      {"every level exists; no program destination yet: the key's default value", u"", u"C:\\Windows\\System32", 0,
       "=InstallPath"},
      {"a level that cannot be made is not recorded, nor the ones below it",
       u"C:\\Program Files\\Dest", u"C:\\Program Files\\Norvik\\Glidewave\\Data", 2,
       "C:\\Program Files\\Dest=InstallPath;C:\\Program Files\\Norvik=InstallPath"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StartMachine("win7");
    TextCopy(g_szProgramFileDest, c.programDest);
    if (c.failingCreation) sim::FailCall("SysCreateDirectory", c.failingCreation, kErrAccessDenied);
    CreateFolderPath(c.path);
    EXPECT_EQ(InstalledFolderRecords(), c.records);
    const Lines dacl = sim::DescribeDacl(c.path);
    EXPECT_EQ(dacl.empty() ? "" : dacl[0], c.failingCreation ? "" : "Everyone 0x10000000 OI|CI");
    EXPECT_EQ(JournalHas("GetFileSecurity() failed. Error 3"), c.failingCreation != 0);
  }
}

TEST_F(FolderRightsTest, NewEntryGoesAfterExplicitAndBeforeInheritedEntries) {
  const uint32_t full = 0x1F01FF, read = 0x1200A9;
  const uint8_t ci = 0x3, inh = 0x13;
  struct AclCase { const char* what; const char* profile; const char* missingExport;  // of advapi32.dll, "" for none
      sim::PathSecurity seed; Lines expected;
      uint16_t control;  // 0x400 auto-inherited and 0x1000 protected, afterwards
  };
  const sim::PathSecurity isProtected = {true, false, 0x4 | 0x1000, {{"Administrators", full, ci}}};
  const AclCase cases[] = {
      {"explicit Everyone replaced, inherited entries after the new one", "win7", "",
       {true, false, 0x4 | 0x400,
        {{"Administrators", full, ci}, {"Everyone", read, 0}, {"Users", read, ci}, {"SYSTEM", full, inh},
         {"Everyone", read, inh}}},
       {"Administrators 0x1f01ff OI|CI", "Users 0x1200a9 OI|CI", "Everyone 0x10000000 OI|CI",
        "SYSTEM 0x1f01ff OI|CI inherited", "Everyone 0x1200a9 OI|CI inherited"},
       0x400},
      {"out-of-order list: everything from the first inherited entry on is kept", "win7", "",
       {true, false, 0x4, {{"Administrators", full, ci}, {"SYSTEM", full, inh}, {"Everyone", read, 0}}},
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 OI|CI", "SYSTEM 0x1f01ff OI|CI inherited",
        "Everyone 0x1200a9 -"},
       0},
      {"deny entries keep their place, the account's own goes", "win7", "",
       {true, false, 0x4, {{"Users", 0x2, 0, 1}, {"Everyone", 0x10000, 0, 1}}},
       {"deny Users 0x2 -", "Everyone 0x10000000 OI|CI"}, 0},
      {"no access list at all", "win7", "", {false, false, 0, {}}, {"Everyone 0x10000000 OI|CI"}, 0},
      {"null access list", "win7", "", {true, true, 0x4, {}}, {"Everyone 0x10000000 OI|CI"}, 0},
      {"protected list stays protected", "win7", "", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 OI|CI"}, 0x1000},
      {"auto-inherited and protected: only auto-inheritance is kept", "win7", "",
       {true, false, 0x4 | 0x400 | 0x1000, {{"SYSTEM", full, inh}}},
       {"Everyone 0x10000000 OI|CI", "SYSTEM 0x1f01ff OI|CI inherited"}, 0x400},
      {"no AddAccessAllowedAceEx: not inheritable", "win7", "AddAccessAllowedAceEx", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 -"}, 0x1000},
      {"no SetSecurityDescriptorControl: protection lost", "win7", "SetSecurityDescriptorControl", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 OI|CI"}, 0},
      {"Windows NT 4 has neither", "nt4", "", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 -"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StartMachine(c.profile);
    if (c.missingExport[0]) sim::SetExportMissing("advapi32.dll", c.missingExport);
    SeedFolder(c.seed);
    EXPECT_EQ(GrantFolderAccess(kFolder, u"Everyone", kGenericAll), 1);
    EXPECT_EQ(sim::DescribeDacl(kFolder), c.expected);
    sim::PathSecurity after;
    EXPECT_TRUE(sim::GetPathSecurity(kFolder, &after));
    EXPECT_EQ(after.control & 0x1400, c.control);
  }
}

TEST_F(FolderRightsTest, EveryFailingStepIsReportedAndLeavesTheListAlone) {
  const struct { const char* function;  // "" for a failure without injection
      int nth; const char16_t* account; const char16_t* path; const char* report; } cases[] = {
      {"", 0, u"Nobody", kFolder, "LookupAccountName() failed. Error 1332"},
      {"", 0, u"Everyone", u"C:\\Data\\Missing", "GetFileSecurity() failed. Error 2"},
      {"SysAddAce", 2, u"Everyone", kFolder, "AddAce() failed. Error 5"},  // the inherited entry
      {"SysAddAccessAllowedAceEx", 1, u"Everyone", kFolder, "AddAccessAllowedAceEx() failed. Error 5"},
      {"SysSetSecurityDescriptorControl", 1, u"Everyone", kFolder, "SetSecurityDescriptorControl() failed.Error 5"},
      {"SysSetFileSecurity", 1, u"Everyone", kFolder, "SetFileSecurity() failed. Error 5"},
  };
  const sim::PathSecurity seed = {true, false, 0x4 | 0x400, {{"Users", 0x1200A9, 0x3}, {"SYSTEM", 0x1F01FF, 0x13}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.report);
    StartMachine("win7");
    SeedFolder(seed);
    const Lines before = sim::DescribeDacl(kFolder);
    if (c.function[0]) sim::FailCall(c.function, c.nth, kErrAccessDenied);
    EXPECT_EQ(GrantFolderAccess(c.path, c.account, kGenericAll), 0);
    sim::ClearFaults();
    EXPECT_TRUE(JournalHas(c.report)) << c.report;
    EXPECT_EQ(sim::DescribeDacl(kFolder), before);
  }
}

}  // namespace
