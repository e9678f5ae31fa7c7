// The copy walk against the simulated machine: replace decisions on real version resources and
// file times, platform rules, locked targets, folders, where the walk stops, the percentage,
// cancelling and the clean-up of extracted files; folder sizes and help files; the cabinets, the
// platform driver files, replacement at the next start and the clean-up of an older version; the
// copy progress dialog (hidden runs, the path line, the cabinet worker with its temporary folder,
// the missing package cabinet).
#include "files/copy_engine.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "files/cabinet_extract.h"
#include "files/cleanup.h"
#include "files/copy_dialog.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "files/driver_files.h"
#include "files/replace_after_reboot.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "shared/path_macros.h"
#include "startup/help_files.h"
#include "startup/platform_detect.h"
#include "support/sim_fixture.h"
#include "ui/side_picture.h"

namespace {

constexpr uint64_t kDay = 864000000000ULL;  // FILETIME units
constexpr uint64_t kBaseTime = 132000000000000000ULL;
const std::u16string kDeleteFiles = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\DeleteFiles";
const std::u16string kFolders = u"Software\\Norvik\\Uninstall";

// The walk as the copy dialog runs it: the copy source measured, then every entry.
void Walk() {
  MeasureCopySource();
  CopyFileProc(nullptr, 0);
}

class CopyEngineTest : public SimFixture {
 protected:
  // Empty tables and figures; the package at D: with its files in D:\src.
  void Prepare() override {
    ResetCopyState();
    UseConfig("[Install]\r\n");
    TextCopy(g_Settings.SubFolder, u"src");
    TextCopy(g_Settings.UninstallKey, u"Glidewave");
    g_Settings.Platform = DetectPlatform();
  }
  CopyEntry& Add(const std::u16string& name, const std::u16string& dest, const std::u16string& sourceName = u"",
                 const std::u16string& subdir = u"") {
    CopyEntry& e = CopyTable[++CopyEntryCount];
    TextCopy(e.FileName, name.c_str());
    TextCopy(e.DestDir, dest.c_str());
    TextCopy(e.SourceName, sourceName.c_str());
    TextCopy(e.SourceSubdir, subdir.c_str());
    return e;
  }
  void Source(const std::u16string& name, const std::string& bytes) { WritePackageFile(u"src\\" + name, bytes); }
};

TEST_F(CopyEngineTest, VersionThenDateDecidesTheReplacement) {
  // source and target: fixture DLL or "text:<bytes>"; times in days after a base time.
  const struct { const char *source, *target;
      int sourceWrite, targetWrite, sourceCreation, targetCreation, versionChecked; bool copied; } cases[] = {
      {"v1_10.dll", "v1_9.dll", 5, 4, 0, 0, 0, true},  // fixed higher, text "1.10" < "1.9": dates
      {"v1_10.dll", "v1_9.dll", 4, 5, 0, 0, 0, false},
      {"v1_10.dll", "v1_10_text_1_9.dll", 9, 1, 9, 1, 0, false},  // fixed equal, text lower
      {"v1_10_text_1_9.dll", "v1_10.dll", 5, 4, 0, 0, 0, true},   // fixed equal, text higher: dates
      {"v1_10_text_1_9.dll", "v1_9.dll", 4, 5, 0, 0, 0, false},   // fixed higher, text equal: dates
      {"v2_0_german.dll", "v1_9.dll", 1, 9, 1, 9, 0, true},  // both higher (own translation asked)
      {"v1_9.dll", "v1_9.dll", 9, 1, 9, 1, 0, false},        // neither higher
      {"no_version.dll", "v1_9.dll", 3, 3, 2, 1, 0, true},   // no version: equal write, creation
      {"no_version.dll", "v1_9.dll", 3, 3, 1, 1, 0, false},
      {"v3_0_name2.dll", "v1_9.dll", 1, 2, 0, 0, 0, false},  // version under resource 2 only
      {"text:new", "text:old", 2, 1, 0, 0, 0, true},
      {"v1_9.dll", "v2_0_german.dll", 1, 9, 1, 9, 1, true},  // VersionChecked: always replaced
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " over " + c.target + " " + std::to_string(c.sourceWrite));
    auto bytesOf = [](const std::string& name) {
      return name.compare(0, 5, "text:") == 0 ? name.substr(5) : FixtureBytes(name);
    };
    std::string source = bytesOf(c.source), target = bytesOf(c.target);
    if (source.empty() || target.empty()) GTEST_SKIP() << "version fixtures not built";
    StartMachine("win7");
    g_Settings.VersionChecked = c.versionChecked;
    Source(u"m.dll", source);
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Gw\\m.dll", target));
    sim::SetFileTimes(PackagePath(u"src\\m.dll"), kBaseTime + c.sourceCreation * kDay, kBaseTime + c.sourceWrite * kDay);
    sim::SetFileTimes(u"C:\\Gw\\m.dll", kBaseTime + c.targetCreation * kDay, kBaseTime + c.targetWrite * kDay);
    Add(u"m.dll", u"C:\\Gw");
    Walk();
    EXPECT_EQ(JournalHas("t=C:\\Gw\\m.dll, copyfile"), c.copied);
    EXPECT_EQ(Disk(u"C:\\Gw\\m.dll") == source, c.copied || source == target);
    EXPECT_EQ(RegText(kRegLocalMachine, kDeleteFiles, u"m.dll"), "<none>");  // a present target is never recorded
  }
}

TEST_F(CopyEngineTest, MissingTargetsAndFoldersAreMadeAndRecorded) {
  Source(u"a.dll", "A");
  WritePackageFile(u"extra\\b.src", "B");
  Source(u"c.dll", "C");
  Add(u"a.dll", u"C:\\New");
  Add(u"b.dll", u"C:\\New", u"b.src", u"extra");  // from D:\extra, under another name
  Add(u"c.dll", u"C:\\Deep\\Er");  // two missing levels: only one is tried
  Walk();
  EXPECT_EQ(Disk(u"C:\\New\\a.dll") + Disk(u"C:\\New\\b.dll"), "AB");
  EXPECT_EQ(RegText(kRegLocalMachine, kDeleteFiles, u"a.dll"), "C:\\New");
  EXPECT_EQ(RegValues(kRegLocalMachine, kFolders), "C:\\New=InstallPath;C:\\Deep\\Er=InstallPath");
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\Deep"));  // recorded all the same
  EXPECT_EQ(PendingCount, 0);
}

TEST_F(CopyEngineTest, PlatformRulesForDriverFiles) {
  const struct { const char* profile; int32_t interfaceType; const char16_t *fileName, *sourceName;
      bool copied, duplicated, windowsFolderFails;  // the last: no duplicate is made
  } cases[] = {
      {"winxp", kInterfaceUSB, u"HID.SYS", u"NMHIDUSB.SYS", false, false, false},
      {"winxp", kInterfaceUSB, u"HID.SYS", u"nmhidusb.sys", true, false, false},  // compared with case
      {"win7", kInterfaceUSB, u"HID.SYS", u"NMHIDUSB.SYS", false, false, false},
      {"win2000", kInterfaceUSB, u"HID.SYS", u"NXHIDUSB.SYS", false, false, false},
      {"win2000", kInterfaceUSB, u"HID.SYS", u"NMHIDUSB.SYS", true, false, false},
      {"win98", kInterfaceUSB, u"HID.SYS", u"NXHIDUSB.SYS", false, false, false},
      {"win2000", kInterfacePS2, u"nvkps2m.sys", u"", true, true, false},
      {"win2000", kInterfacePS2, u"NVKMOUSE.SYS", u"", true, false, true},
      {"win2000", kInterfaceUSB, u"NVKMOUSE.SYS", u"", true, false, false},
      {"winxp", kInterfacePS2, u"NVKMOUSE.SYS", u"", true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + sim::ToUtf8(c.fileName) + " " + sim::ToUtf8(c.sourceName));
    StartMachine(c.profile);
    g_Settings.InterfaceType = c.interfaceType;
    Source(*c.sourceName ? c.sourceName : c.fileName, "drv");
    Source(u"z.dll", "zz");
    Add(c.fileName, u"C:\\Gw", c.sourceName);
    Add(u"z.dll", u"C:\\Gw");
    if (c.windowsFolderFails) sim::FailCall("SysGetWindowsDirectory", 1, kErrAccessDenied);
    Walk();
    EXPECT_TRUE(!c.windowsFolderFails || JournalHas("t=, PS2"));
    EXPECT_EQ(Disk(u"C:\\Gw\\" + std::u16string(c.fileName)) == "drv", c.copied);
    EXPECT_EQ(Disk(WindowsDir() + u"\\" + c.fileName) == "drv", c.duplicated);
    EXPECT_EQ(Disk(u"C:\\Gw\\z.dll"), "zz");
    EXPECT_EQ(_dwHasCopied, 5u);  // a left-out file still counts
  }
}

TEST_F(CopyEngineTest, ReadOnlyTargetsAreReplacedAndLockedOnesGetATemporaryCopy) {
  g_Settings.VersionChecked = 1;
  for (const char16_t* name : {u"ro.dll", u"one.dll", u"two.dll"}) {
    Source(name, "new");
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Gw\\" + std::u16string(name), "old"));
    Add(name, u"C:\\Gw");
  }
  ASSERT_EQ(SysSetFileAttributes(u"C:\\Gw\\ro.dll", kAttrReadOnly), 1);
  sim::LockFile(u"C:\\Gw\\one.dll", true);
  sim::LockFile(u"C:\\Gw\\two.dll", true);
  // one.dll: ten attempts fail (nine without a temporary name, then a failing copy); two.dll
  // then fills the same record.
  for (int n = 1; n <= 9; ++n) sim::FailCall("SysGetTempFileName", n, kErrAccessDenied);
  sim::FailCall("SysCopyFile", 3, kErrAccessDenied);  // 1 ro.dll, 2 one.dll, 3 its tenth attempt
  Walk();
  EXPECT_EQ(Disk(u"C:\\Gw\\ro.dll") + Disk(u"C:\\Gw\\one.dll") + Disk(u"C:\\Gw\\two.dll"), "newoldold");
  EXPECT_EQ(SysGetFileAttributes(u"C:\\Gw\\ro.dll") & kAttrReadOnly, 0u);
  ASSERT_EQ(PendingCount, 1);
  EXPECT_EQ(sim::ToUtf8(PendingTable[0].Target), "C:\\Gw\\two.dll");
  EXPECT_EQ(sim::ToUtf8(PendingTable[0].Temporary).rfind("C:\\Gw\\SET", 0), 0u);
  EXPECT_EQ(Disk(PendingTable[0].Temporary), "new");
}

TEST_F(CopyEngineTest, TheWalkEndsAtTheLastEntryOrAtOneHundredPercent) {
  // Entry n's bytes in D:\src, "-" for a file kept elsewhere; the targets made afterwards.
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"", "", ""}, "C:\\Gw\\f1.dll"},  // total 0
      {{"aaaa", "bbbb", "-"}, "C:\\Gw\\f1.dll C:\\Gw\\f2.dll"},
      {{"aaaa", "bbbb", "cccc"}, "C:\\Gw\\f1.dll C:\\Gw\\f2.dll C:\\Gw\\f3.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    StartMachine("win7");
    WritePackageFile(u"other\\f3.dll", "elsewhere");
    for (size_t i = 0; i < c.first.size(); ++i) {
      std::u16string name = u"f" + sim::FromUtf8(std::to_string(i + 1)) + u".dll";
      if (c.first[i] != "-") Source(name, c.first[i]);
      Add(name, u"C:\\Gw", u"", c.first[i] == "-" ? u"other" : u"");
    }
    Walk();
    EXPECT_EQ(PresentPaths({u"C:\\Gw\\f1.dll", u"C:\\Gw\\f2.dll", u"C:\\Gw\\f3.dll"}), c.second);
    EXPECT_EQ(_nCurPercent, 100);
  }
}

TEST_F(CopyEngineTest, PercentageIsComputedInUnsigned32Bits) {
  // Started at entry 2 with figures of its own (nothing measured). 50 000 000 x 100 wraps,
  // so the walk does not stop once everything is accounted for after entry 3.
  Source(u"e4.dll", "4");
  Add(u"e1.dll", u"C:\\Gw");
  Add(u"e2.dll", u"C:\\Gw").FileSize = 50000000;
  Add(u"e3.dll", u"C:\\Gw").FileSize = 50000000;
  Add(u"e4.dll", u"C:\\Gw").FileSize = 1;
  _dwTotalFileSize = 100000000;
  CopyFileProc(nullptr, 1);
  EXPECT_EQ(Disk(u"C:\\Gw\\e4.dll"), "4");
  EXPECT_TRUE(JournalHas("_dwHasCopied = 100000000,_dwTotalFileSize=100000000, _nCurPercent=14, name=e3.dll"));
  EXPECT_EQ(_nCurPercent, 100);
}

// Cabinet mode: entries a, b, c and a help file, all extracted into TempExtractDir.
class CabinetModeCopyTest : public CopyEngineTest {
 protected:
  void SetUp() override {
    CopyEngineTest::SetUp();
    g_Settings.CabFile = g_Settings.HelpFilesListed = 1;
    TextCopy(TempExtractDir, u"C:\\Windows\\_NorvikInstallTempDir0");
    for (const char16_t* name : {u"a.dll", u"b.dll", u"c.dll", u"Guide_en.hlp"}) {
      ASSERT_TRUE(sim::WriteDiskFile(Extracted(name), "x"));
      Add(name, u"C:\\Gw");
    }
    TextCopy(CopyTable[4].DestDir, u"C:\\Windows\\Help");
    HelpFileCount = 1;
    TextCopy(HelpFileEntries[1], u"Guide.hlp");
  }
  static std::u16string Extracted(const char16_t* name) { return std::u16string(TempExtractDir) + u"\\" + name; }
  static std::string ExtractedLeft() {
    return PresentPaths({Extracted(u"a.dll"), Extracted(u"b.dll"), Extracted(u"c.dll"), Extracted(u"Guide_en.hlp")});
  }
};

TEST_F(CabinetModeCopyTest, ExtractedFilesAreDeletedLastFirstExceptHelpFiles) {
  sim::FailCall("SysDeleteFile", 1, kErrAccessDenied);  // the first deletion is the last entry's
  Walk();
  EXPECT_EQ(Disk(u"C:\\Windows\\Help\\Guide.hlp"), "x");  // under the help file's own name
  // Guide_en.hlp is kept for CopyHelpFile.
  EXPECT_EQ(ExtractedLeft(), sim::ToUtf8(Extracted(u"c.dll") + u" " + Extracted(u"Guide_en.hlp")));
  EXPECT_EQ(JournalLines("trace: j = "), (std::vector<std::string>{"trace: j = 3", "trace: j = 2", "trace: j = 1"}));
  EXPECT_EQ(CopyHelpFile(3), 1);
  EXPECT_FALSE(sim::DiskPathExists(Extracted(u"Guide_en.hlp")));
}

TEST_F(CabinetModeCopyTest, CancelStopsAtTheNextCopy) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Gw\\a.dll", "kept"));  // newer: passed over without a copy
  sim::SetFileTimes(Extracted(u"a.dll"), kBaseTime, kBaseTime);
  sim::SetFileTimes(u"C:\\Gw\\a.dll", kBaseTime, kBaseTime + kDay);
  CancelRequested = 1;
  Walk();
  EXPECT_EQ(Disk(u"C:\\Gw\\a.dll"), "kept");
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\Gw\\b.dll"));
  // The entry before is finished.
  EXPECT_EQ(ExtractedLeft(), sim::ToUtf8(Extracted(u"b.dll") + u" " + Extracted(u"c.dll") + u" " +
                                         Extracted(u"Guide_en.hlp")));
  EXPECT_EQ(_dwHasCopied, 1u);
}

TEST_F(CopyEngineTest, FolderSizesGoToEveryMatchingEntry) {
  Source(u"A.DLL", "12345");
  Source(u"b.src", "123");
  WritePackageFile(u"src\\sub\\c.dll", "1234567");
  Add(u"a.dll", u"C:\\Gw");
  Add(u"a.dll", u"C:\\Other");  // the same name again counts again
  Add(u"b.dll", u"C:\\Gw", u"B.SRC");  // found by its source name
  Add(u"c.dll", u"C:\\Gw").FileSize = 9;  // only in a subfolder: unchanged
  EXPECT_EQ(SumFolderSizes((PackagePath(u"src") + u"\\").c_str()), 1);
  EXPECT_EQ(std::to_string(CopyTable[2].FileSize) + std::to_string(CopyTable[3].FileSize) +
                std::to_string(CopyTable[4].FileSize) + " " + std::to_string(_dwTotalFileSize),
            "539 13");
  EXPECT_EQ(SumFolderSizes(u""), 1);
  EXPECT_EQ(_dwTotalFileSize, 13u);
  EXPECT_EQ(SumFolderSizes(u"C:\\NoSuchFolder"), 0);
  EXPECT_EQ(_dwTotalFileSize, 0u);
}

TEST_F(CopyEngineTest, LockedHelpFileGetsAStandInWithADigitExtension) {
  Add(u"a.dll", u"C:\\Gw");
  Add(u"Tips_de.hlp", u"C:\\Windows\\Help");
  HelpFileCount = 1;
  TextCopy(HelpFileEntries[1], u"Tips.hlp");
  WritePackageFile(u"Tips_de.hlp", "tips");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\Help\\Tips.hlp", "old"));
  sim::LockFile(u"C:\\Windows\\Help\\Tips.hlp", true);
  sim::FailCall("SysCopyFile", 2, kErrAccessDenied);  // 1: Tips.hlp itself, 2: Tips.0
  EXPECT_EQ(CopyHelpFile(0), 0);  // not a help entry
  EXPECT_EQ(CopyHelpFile(1), 1);
  EXPECT_EQ(Disk(u"C:\\Windows\\Help\\Tips.hlp") + Disk(u"C:\\Windows\\Help\\Tips.1"), "oldtips");
  ASSERT_EQ(PendingCount, 1);
  EXPECT_EQ(sim::ToUtf8(PendingTable[0].Temporary), "C:\\Windows\\Help\\Tips.1");
}

const char16_t kTempDir[] = u"C:\\Windows\\_NorvikInstallTempDir0";

class CabinetExtractTest : public SimFixture {
 protected:
  // A fresh machine with the cabinets beside the program, the folders C:\A, C:\B, C:\Dest and
  // D:\src, an empty copy table and the temporary folder made.
  void Prepare() override {
    for (const char* name : {"normal.cab", "subfolder.cab", "truncated.cab", "corrupt.cab"}) {
      const std::string bytes = FixtureBytes(name);
      if (bytes.empty()) GTEST_SKIP() << "cabinet fixtures not built";
      WritePackageFile(sim::FromUtf8(name), bytes);
    }
    for (const char16_t* folder : {kTempDir, u"C:\\A", u"C:\\B", u"C:\\Dest", u"D:\\src"})
      ASSERT_EQ(SysCreateDirectory(folder), 1);
    ResetCopyState();
    _dwTotalFileSize = 5;
    TextCopy(TempExtractDir, kTempDir);
    UseConfig("");
    TextCopy(g_Settings.SubFolder, u"src");
    TextCopy(g_Settings.DestinationDir, u"C:\\Dest");
  }
  void Add(const char16_t* name) { TextCopy(CopyTable[++CopyEntryCount].FileName, name); }
  std::u16string Temp(const char16_t* name) const { return std::u16string(kTempDir) + u"\\" + name; }
};

TEST_F(CabinetExtractTest, PackageCabinetGoesIntoTheTemporaryFolderWithItsSizes) {
  Add(u"A.TXT");
  Add(u"a.txt");  // the same name again: only the first entry gets the size
  Add(u"big.txt");
  EXPECT_EQ(ExtractCabinet(PackagePath(u"normal.cab").c_str()), 1);
  EXPECT_EQ(Disk(Temp(u"a.txt")) + Disk(Temp(u"z.txt")), "alpha\r\nzulu\r\n");  // z.txt: not listed
  const uint32_t big = static_cast<uint32_t>(Disk(Temp(u"big.txt")).size());
  EXPECT_EQ(std::to_string(CopyTable[1].FileSize) + "/" + std::to_string(CopyTable[2].FileSize), "7/0");
  EXPECT_EQ(CopyTable[3].FileSize, big);
  EXPECT_EQ(_dwTotalFileSize, 5u + 7u + big);
  EXPECT_TRUE(JournalLines("msgbox: ").empty());
}

TEST_F(CabinetExtractTest, AnUnreadableCabinetIsReportedInAMessageBox) {
  // Folders stored in the package cabinet are not made: subfolder.cab fails until "sub" exists.
  for (const char16_t* cabinet : {u"corrupt.cab", u"truncated.cab", u"missing.cab", u"subfolder.cab"}) {
    SCOPED_TRACE(sim::ToUtf8(cabinet));
    sim::ClearJournal();
    EXPECT_EQ(ExtractCabinet(PackagePath(cabinet).c_str()), 0);
    std::vector<std::string> boxes = JournalLines("msgbox: ");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("msgbox: [SetupIterateCabinet() Error :] ", 0), 0u) << boxes[0];
  }
  ASSERT_EQ(SysCreateDirectory(Temp(u"sub").c_str()), 1);
  EXPECT_EQ(ExtractCabinet(PackagePath(u"subfolder.cab").c_str()), 1);
  EXPECT_EQ(Disk(Temp(u"sub\\b.txt")), "bravo in a folder\r\n");
}

TEST_F(CabinetExtractTest, CabPackDestinations) {
  const struct { const char* line;  // value of key "1"
      int askPath, cabFile;
      const char16_t *programFileDest, *lands, *recorded;  // where a.txt lands; the folder recorded, "" none
  } cases[] = {
      {"normal.cab,,,%Program Files%", 1, 0, u"", u"C:\\Dest\\a.txt", u""},
      {"normal.cab,Sub,,%program files%", 1, 0, u"", u"C:\\Dest\\Sub\\a.txt", u"C:\\Dest\\Sub"},
      {"normal.cab,,,%Program Files%", 0, 0, u"C:\\B", u"C:\\B\\a.txt", u""},
      {"normal.cab,,,%Program Files%", 0, 0, u"", u"C:\\Windows\\System32\\a.txt", u""},
      {"normal.cab,Pack,,%SYS_DIR%", 0, 0, u"", u"C:\\Windows\\System32\\Pack\\a.txt", u"C:\\Windows\\System32\\Pack"},
      {"normal.cab,,,%DefaultPath%", 0, 0, u"", u"D:\\src\\a.txt", u""},
      {"normal.cab,,,%DefaultPath%", 0, 1, u"", u"C:\\Windows\\_NorvikInstallTempDir0\\a.txt", u""},
      {"normal.cab,Sub,,%defaultpath%", 1, 0, u"", u"C:\\Dest\\Sub\\a.txt", u"C:\\Dest\\Sub"},
      {"normal.cab,Sub,,C:\\A", 0, 0, u"", u"C:\\A\\a.txt", u""},  // taken as it stands
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    StartMachine("win7");
    g_Settings.AskPath = c.askPath;
    g_Settings.CabFile = c.cabFile;
    TextCopy(g_szProgramFileDest, c.programFileDest);
    WritePackageFile(u"SETUP2K.INI", std::string("[Cab.list]\r\n1=") + c.line + "\r\n");
    EXPECT_EQ(ExtractCabPack(), 1);
    EXPECT_EQ(Disk(c.lands), "alpha\r\n");
    EXPECT_EQ(RegValues(kRegLocalMachine, kFolders), *c.recorded ? sim::ToUtf8(c.recorded) + "=InstallPath" : "<no key>");
  }
}

TEST_F(CabinetExtractTest, CabPackStopsAtAnEmptyNameOrAMissingCabinet) {
  const struct { const char* lines; int result; bool secondExtracted, failTraced;  // the line for C:\B was worked
  } cases[] = {
      {"1=normal.cab,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 1, true, false},
      {"1=,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 0, false, false},
      {"1=missing.cab,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 0, false, false},
      {"1=corrupt.cab,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 1, true, true},
      {"1=normal.cab,,,C:\\NotMade\r\n2=normal.cab,,,C:\\B\r\n", 1, true, true},
      {"1=normal.cab,,,C:\\A\r\n3=normal.cab,,,C:\\B\r\n", 1, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    StartMachine("win7");
    WritePackageFile(u"SETUP2K.INI", std::string("[Cab.list]\r\n") + c.lines);
    EXPECT_EQ(ExtractCabPack(), c.result);
    EXPECT_EQ(sim::DiskPathExists(u"C:\\B\\a.txt"), c.secondExtracted);
    EXPECT_FALSE(sim::DiskPathExists(u"C:\\NotMade"));
    EXPECT_EQ(JournalHas("trace: Fail!"), c.failTraced);
    EXPECT_TRUE(JournalLines("msgbox: ").empty());
  }
}

class DriverFilesTest : public CopyEngineTest {
 protected:
  // A fresh machine (the copy engine's settings), the configuration file, and D:\src\drv.sys.
  void Restart(const std::string& profile, const std::string& ini = "[Install]\r\n") {
    StartMachine(profile);
    WritePackageFile(u"SETUP2K.INI", ini);
    WritePackageFile(u"src\\drv.sys", "generic");
  }
};

TEST_F(DriverFilesTest, EachPlatformTakesItsFolderOrItsFallback) {
  // Folders below D:\SYS ("" itself), each with a drv.sys naming it; what D:\src\drv.sys holds after.
  const struct { const char* profile; std::vector<const char*> folders; int result; const char* taken; } cases[] = {
      {"win2000", {"Win2k", "W2k"}, 1, "Win2k"},
      {"win2000", {"W2k"}, 1, "W2k"},
      {"winxp", {"xp32", "vista32"}, 1, "xp32"},
      {"winxp", {"vista32"}, 0, "generic"},  // no fallback
      {"server2003", {"xp32", "vista32"}, 1, "vista32"},
      {"win7", {"win7_32", "vista32"}, 1, "win7_32"},
      {"win7", {"vista32"}, 1, "vista32"},
      {"win8", {"win7_32", "vista32"}, 1, "win7_32"},
      {"win8", {"vista32"}, 0, "generic"},  // the fallback is not followed further
      {"win98", {"", "win7_32"}, 1, ""},    // any other platform: the tree's own files
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + c.folders[0]);
    Restart(c.profile);
    for (const char* folder : c.folders)
      WritePackageFile(*folder ? u"SYS\\" + sim::FromUtf8(folder) + u"\\drv.sys" : u"SYS\\drv.sys", folder);
    EXPECT_EQ(GetDriverSysFile(), c.result);
    EXPECT_EQ(Disk(PackagePath(u"src\\drv.sys")), c.taken);
  }
}

TEST_F(DriverFilesTest, FilesOfTheFolderReplaceTheCopySource) {
  Restart("win7", "[Default]\r\nDriverFile=Drivers\r\n");
  WritePackageFile(u"Drivers\\win7_32\\drv.sys", "seven");
  WritePackageFile(u"Drivers\\win7_32\\new.inf", "inf");
  WritePackageFile(u"Drivers\\win7_32\\amd64\\drv.sys", "deeper");
  WritePackageFile(u"SYS\\win7_32\\drv.sys", "default tree");
  ASSERT_EQ(SysSetFileAttributes(PackagePath(u"Drivers\\win7_32\\new.inf").c_str(), kAttrReadOnly), 1);
  EXPECT_EQ(GetDriverSysFile(), 1);
  EXPECT_EQ(Disk(PackagePath(u"src\\drv.sys")), "seven");
  EXPECT_EQ(SysGetFileAttributes(PackagePath(u"src\\new.inf").c_str()) & kAttrReadOnly, 0u);
  EXPECT_FALSE(sim::DiskPathExists(PackagePath(u"src\\amd64")));
  // In cabinet mode they go over the extracted files.
  g_Settings.CabFile = 1;
  TextCopy(TempExtractDir, kTempDir);
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\_NorvikInstallTempDir0\\drv.sys", "extracted"));
  EXPECT_EQ(GetDriverSysFile(), 1);
  EXPECT_EQ(Disk(u"C:\\Windows\\_NorvikInstallTempDir0\\drv.sys"), "seven");
}

class ReplaceAfterRebootTest : public SimFixture {
 protected:
  // Adds a record whose target holds "old" and whose temporary file holds "new".
  void AddRecord(const std::u16string& target, const std::u16string& temporary) {
    ASSERT_TRUE(sim::WriteDiskFile(target, "old"));
    ASSERT_TRUE(sim::WriteDiskFile(temporary, "new"));
    TextCopy(PendingTable[PendingCount].Target, target.c_str());
    TextCopy(PendingTable[PendingCount].Temporary, temporary.c_str());
    ++PendingCount;
  }
};

TEST_F(ReplaceAfterRebootTest, NtFamilyDeletesThenMovesEachRecordAtTheRestart) {
  StartMachine("nt4");
  PendingCount = 0;
  const std::u16string sys = sim::Profile().systemDir;
  AddRecord(sys + u"\\nvk.dll", sys + u"\\SET1.tmp");
  sim::LockFile(sys + u"\\nvk.dll", true);
  ReplaceAfterReboot(0);
  EXPECT_EQ(Disk(sys + u"\\nvk.dll"), "old");  // nothing moves before the restart
  sim::ClearJournal();
  EXPECT_EQ(sim::ApplyPendingRenames(), 2);
  EXPECT_EQ(JournalLines("restart-").at(0), "restart-delete: " + sim::ToUtf8(sys) + "\\nvk.dll");
  EXPECT_EQ(Disk(sys + u"\\nvk.dll"), "new");
}

TEST_F(ReplaceAfterRebootTest, NineXFamilyPutsTheNewestLineUnderTheHeader) {
  const std::string lines = "C:\\WINDOWS\\b.dll=C:\\WINDOWS\\SET2.tmp\r\nC:\\WINDOWS\\a.dll=C:\\WINDOWS\\SET1.tmp\r\n";
  const std::pair<const char*, std::string> cases[] = {  // wininit.ini before (nullptr: none) and after
      {nullptr, "[Rename]\r\n" + lines},
      {"[Boot]\r\nx=1\r\n[Rename]\r\nNUL=C:\\old.tmp\r\n[Other]\r\ny=2\r\n",
       "[Boot]\r\nx=1\r\n[Rename]\r\n" + lines + "NUL=C:\\old.tmp\r\n[Other]\r\ny=2\r\n"},
      {"[Boot]\r\nx=1", "[Boot]\r\nx=1\r\n[Rename]\r\n" + lines},  // an unended last line is ended
  };
  for (const char* profile : {"win95", "winme"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(profile) + ": " + (c.first ? c.first : "no file"));
      StartMachine(profile);
      PendingCount = 0;
      if (c.first) sim::WriteDiskFile(u"C:\\WINDOWS\\wininit.ini", c.first);
      AddRecord(u"C:\\WINDOWS\\a.dll", u"C:\\WINDOWS\\SET1.tmp");
      AddRecord(u"C:\\WINDOWS\\b.dll", u"C:\\WINDOWS\\SET2.tmp");
      for (int32_t r = 0; r < PendingCount; ++r) ReplaceAfterReboot(r);
      EXPECT_EQ(Disk(u"C:\\WINDOWS\\wininit.ini"), c.second);
    }
  }
}

TEST_F(ReplaceAfterRebootTest, FailuresLeaveEverythingAsItWas) {
  const std::pair<const char*, const char*> cases[] = {
      {"win98", "SysCreateFile"}, {"win98", "SysCreateFileMapping"}, {"win98", "SysMapViewOfFile"},
      {"win7", "SysMoveFileEx"}};
  const std::string ini = "[Rename]\r\nNUL=C:\\old.tmp\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " " + c.second);
    StartMachine(c.first);
    PendingCount = 0;
    const std::u16string win = sim::Profile().windowsDir;
    ASSERT_TRUE(sim::WriteDiskFile(win + u"\\wininit.ini", ini));
    AddRecord(win + u"\\a.dll", win + u"\\SET1.tmp");
    sim::FailCall(c.second, 0, kErrAccessDenied);
    ReplaceAfterReboot(0);
    sim::ClearFaults();
    EXPECT_EQ(Disk(win + u"\\wininit.ini"), ini);
    EXPECT_EQ(sim::ApplyPendingRenames(), 0);
    EXPECT_EQ(Disk(win + u"\\SET1.tmp"), "new");  // the temporary copy stays beside the target
  }
}

class CleanupTest : public SimFixture {};

TEST_F(CleanupTest, DeletePreviousFilesResolvesEveryFolderForm) {
  const struct { const char *name, *data;  // value name; .reg text of its folder, nullptr: not listed
      const char16_t* file; bool deleted; } files[] = {
      {"a.dll", "", u"C:\\Windows\\System32\\a.dll", true},
      {"b.dll", "0", u"C:\\Windows\\System32\\b.dll", true},
      {"c.dll", "%SYS_DIR%", u"C:\\Windows\\System32\\c.dll", true},
      {"d.sys", "%SYS32_DIR%", u"C:\\Windows\\system32\\drivers\\d.sys", true},
      {"e.hlp", "%HELP_DIR%", u"C:\\Windows\\help\\e.hlp", true},
      {"f.ini", "%WIN_DIR%", u"C:\\Windows\\f.ini", true},
      {"g.inf", "%INF_DIR%", u"C:\\Windows\\inf\\g.inf", true},
      {"h.exe", "C:\\\\Program Files\\\\Norvik", u"C:\\Program Files\\Norvik\\h.exe", true},
      {"i.dll", "Nvk\\\\Old", u"C:\\Windows\\Nvk\\Old\\i.dll", true},
      // The macros compare with case: otherwise they are folder names below Windows.
      {"j.dll", "%sys_dir%", u"C:\\Windows\\%sys_dir%\\j.dll", true},
      {"j.dll", nullptr, u"C:\\Windows\\System32\\j.dll", false},
      {"l.dll", "%WIN_DIR%", u"C:\\Windows\\l.dll", false},  // in use: stays, the walk goes on
  };
  std::string reg = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\GlidewaveUn"
                    "\\DeleteFiles]\n";
  for (const auto& f : files) {
    ASSERT_TRUE(sim::WriteDiskFile(f.file, "old"));
    if (f.data) reg += "\"" + std::string(f.name) + "\"=\"" + f.data + "\"\n";
  }
  ImportReg(reg);
  sim::LockFile(u"C:\\Windows\\l.dll", true);
  const std::string before = sim::ExportRegText();
  TextCopy(g_Settings.UninstallKey, u"GlidewaveUn");
  DeletePreviousFiles();
  for (const auto& f : files) EXPECT_EQ(sim::DiskPathExists(f.file), !f.deleted) << sim::ToUtf8(f.file);
  EXPECT_EQ(sim::ExportRegText(), before);  // the list itself stays
}

TEST_F(CleanupTest, ClearVersionIfFlaggedNeedsTheMarker) {
  for (bool marker : {false, true}) {
    SCOPED_TRACE(marker);
    StartMachine("win7");
    ImportReg("[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n\"Version\"=\"2.10\"\n\"Other\"=\"x\"\n");
    if (marker) sim::WriteDiskFile(u"C:\\Windows\\GlidewaveFlag.txt", "");
    ClearVersionIfFlagged();
    EXPECT_EQ(RegValues(kRegLocalMachine, u"Software\\Norvik\\Glidewave 98"),
              marker ? "Other=x" : "Version=2.10;Other=x");
  }
}

TEST_F(CleanupTest, DeleteFolderTreeEmptiesButLeavesSubfolders) {
  const std::u16string top = u"C:\\Windows\\_Tmp1";
  for (const std::u16string& folder : {top, top + u"\\"}) {
    for (const char16_t* file : {u"\\a.txt", u"\\.keep", u"\\sub\\b.txt", u"\\sub\\deeper\\c.txt", u"\\z.txt"})
      ASSERT_TRUE(sim::WriteDiskFile(top + file, "x"));
    EXPECT_EQ(DeleteFolderTree(folder.c_str()), 1);
    // Names starting with a dot are skipped; the caller's removal of the folder fails.
    EXPECT_EQ(PresentPaths({top + u"\\a.txt", top + u"\\.keep", top + u"\\sub\\b.txt", top + u"\\sub\\deeper",
                            top + u"\\sub\\deeper\\c.txt", top + u"\\z.txt"}),
              "C:\\Windows\\_Tmp1\\.keep C:\\Windows\\_Tmp1\\sub\\deeper");
  }
  EXPECT_EQ(DeleteFolderTree(u"C:\\Windows\\_Missing"), 0);

  // A subfolder that cannot be listed is removed (here it is empty) and ends the walk.
  const std::u16string other = u"C:\\Windows\\_Tmp2";
  ASSERT_TRUE(sim::WriteDiskFile(other + u"\\a.txt", "x"));
  ASSERT_EQ(SysCreateDirectory((other + u"\\m").c_str()), 1);
  ASSERT_TRUE(sim::WriteDiskFile(other + u"\\z.txt", "x"));
  sim::FailCall("SysFindFirstFile", 2, kErrAccessDenied);
  EXPECT_EQ(DeleteFolderTree(other.c_str()), 0);
  EXPECT_EQ(PresentPaths({other + u"\\a.txt", other + u"\\m", other + u"\\z.txt"}), "C:\\Windows\\_Tmp2\\z.txt");
}

// WM_DESTROY messages received by the stand-ins for the background window and the wizard page.
int g_MainDestroys = 0;
int g_PageDestroys = 0;

// Like the background window, ends the message loop when it gets WM_DESTROY.
intptr_t MainWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmDestroy) return SysDefWindowProc(window, message, wParam, lParam);
  ++g_MainDestroys;
  SysPostQuitMessage(0);
  return 0;
}

intptr_t PageProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmDestroy) return SysDefWindowProc(window, message, wParam, lParam);
  ++g_PageDestroys;
  return 0;
}

class CopyDialogTest : public SimFixture {
 protected:
  void Prepare() override {
    ResetCopyState();
    g_MainDestroys = g_PageDestroys = 0;
    UseConfig("");
    TextCopy(g_Settings.SubFolder, u"files");
    TextCopy(g_Settings.CabFileName, u"Install.cab");
    TextCopy(g_Settings.Title, u"Glidewave 98");
    g_Settings.AskPath = 1;
    TextCopy(g_Settings.DestinationDir, u"C:\\GW");
    main_ = TopLevel(u"NMSetup", MainWindowProc);
    page_ = TopLevel(u"Page", PageProc);
    frame_ = TopLevel(u"Frame", nullptr);
    g_hMainWindow = main_;
  }

  static WindowHandle TopLevel(const char16_t* className, SysWindowProc proc) {
    sim::internal::WindowDescription desc;
    desc.className = className;
    desc.style = sim::kWsPopup | sim::kWsVisible;
    desc.width = 400;
    desc.height = 300;
    desc.windowProc = proc;
    return sim::internal::CreateWindowObject(desc);
  }

  // Builds the copy list from the given [CopyList] lines and runs the dialog as the
  // installation sequence does.
  intptr_t RunCopyDialog(const std::string& copyList) {
    WritePackageFile(u"SETUP2K.INI", "[CopyList]\r\n" + copyList);
    CopyEntryCount = BuildCopyList();
    CopyStage stage = {frame_, MeasureCopySource};
    return SysDialogBoxParam(nullptr, IDD_COPY_PROGRESS, page_, CopyDialogProc, reinterpret_cast<intptr_t>(&stage));
  }

  WindowHandle main_ = nullptr;
  WindowHandle page_ = nullptr;
  WindowHandle frame_ = nullptr;
};

TEST_F(CopyDialogTest, CopiesAndEndsByItself) {
  const struct { const char* name; int32_t hidden; std::string sourceBytes;
      const char* journal;  // how the dialog appeared
      bool copied; } cases[] = {
      {"hidden run", 1, "driver bytes", "dialog: 10301 [] hidden", true},
      {"visible run", 0, "driver bytes", "dialog: 10301 [] shown", true},
      {"nothing to copy: total size 0", 0, "", "dialog: 10301 [] shown", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    g_Settings.HiddenMode = c.hidden;
    WritePackageFile(u"files\\mouse.sys.txt", c.sourceBytes);
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\GW\\keep.txt", ""));
    EXPECT_EQ(RunCopyDialog("1=mouse.sys.txt,,,%Program Files%\r\n"), 1);
    EXPECT_TRUE(JournalHas(c.journal));
    EXPECT_EQ(_nCurPercent, 100);
    EXPECT_EQ(CopyStartPending, 0);
    EXPECT_EQ(Disk(u"C:\\GW\\mouse.sys.txt"), c.copied ? c.sourceBytes : "<missing>");
    sim::WindowInfo line;  // the path line names the last target
    ASSERT_TRUE(sim::GetWindowInfo(sim::FindControl(sim::FindDialog(IDD_COPY_PROGRESS), kPathLineId), &line));
    EXPECT_EQ(line.text, c.copied ? "C:\\GW\\mouse.sys.txt" : "");
    // The wizard frame is hidden while the dialog runs; the background window comes forward.
    sim::WindowInfo frame;
    ASSERT_TRUE(sim::GetWindowInfo(frame_, &frame));
    EXPECT_FALSE(frame.visible);
    WindowHandle bar = sim::FindControl(sim::FindDialog(IDD_COPY_PROGRESS), IDC_COPY_BAR);
    EXPECT_EQ(sim::PaintLog(bar).empty(), c.hidden == 1);
    EXPECT_EQ(sim::LiveGdiObjects(), 0u);
  }
}

TEST_F(CopyDialogTest, CabinetModeExtractsIntoTheNextFreeTempFolder) {
  const std::string cabBytes = FixtureBytes("normal.cab");
  if (cabBytes.empty()) GTEST_SKIP() << "cabinet fixtures not built";
  const struct { const char* name; const char16_t* cabFileName; bool windowsFolderFails;
      std::u16string tempRoot;  // where the numbered folders are made ("" = the Windows folder)
  } cases[] = {
      {"the cabinet named in the configuration", u"Install.cab", false, u""},
      {"no name configured: Install.cab", u"", false, u""},
      {"no Windows folder: the root of the current drive", u"Install.cab", true, u"\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    g_Settings.CabFile = 1;
    TextCopy(g_Settings.CabFileName, c.cabFileName);
    WritePackageFile(u"Install.cab", cabBytes);
    const std::u16string root = c.windowsFolderFails ? c.tempRoot : WindowsDir() + u"\\";
    ASSERT_TRUE(sim::WriteDiskFile(root + u"_NorvikInstallTempDir0\\left.txt", "earlier run"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\GW\\keep.txt", ""));
    if (c.windowsFolderFails) sim::FailCall("SysGetWindowsDirectory", 1, kErrAccessDenied);
    EXPECT_EQ(RunCopyDialog("1=a.txt,,,%Program Files%\r\n2=z.txt,,,%Program Files%\r\n"), 1);

    EXPECT_EQ(sim::ToUtf8(TempExtractDir), sim::ToUtf8(root + u"_NorvikInstallTempDir1"));
    EXPECT_EQ(ExtractionDone, 1);
    EXPECT_EQ(Disk(u"C:\\GW\\a.txt"), "alpha\r\n");
    EXPECT_NE(Disk(u"C:\\GW\\z.txt"), "<missing>");
    // The folder of this run is gone (the file left in it by the extraction too); the earlier
    // run's folder stays.
    EXPECT_FALSE(sim::DiskPathExists(root + u"_NorvikInstallTempDir1"));
    EXPECT_TRUE(sim::DiskPathExists(root + u"_NorvikInstallTempDir0\\left.txt"));
  }
}

TEST_F(CopyDialogTest, MissingPackageCabinetFailsSetup) {
  g_Settings.CabFile = 1;
  ASSERT_TRUE(sim::WriteDiskFile(WindowsDir() + u"\\_NorvikInstallTempDir0\\left.txt", ""));
  EXPECT_EQ(RunCopyDialog("1=a.txt,,,%Program Files%\r\n"), 0);
  // The background window's end already stopped the dialog; the worker may still be posting.
  while (sim::internal::RunningProgramThreads() > 0) std::this_thread::yield();
  SysMessage message;
  while (SysPeekMessage(&message)) SysDispatchMessage(&message);

  EXPECT_TRUE(JournalHas("dialog: 116 [Setup Failed!] shown"));
  EXPECT_TRUE(JournalHas("dialog: 116 press 1044 (OK)"));
  EXPECT_EQ(g_MainDestroys, 1);
  EXPECT_EQ(g_PageDestroys, 1);
  EXPECT_EQ(ExtractionDone, 0);
  EXPECT_EQ(sim::ToUtf8(TempExtractDir), sim::ToUtf8(WindowsDir() + u"\\_NorvikInstallTempDir1"));
  EXPECT_TRUE(sim::DiskPathExists(TempExtractDir));
}

}  // namespace
