// The copy walk against the simulated machine: replace decisions on real version resources and
// file times, platform rules, locked targets, folders, where the walk stops, the percentage,
// cancelling and the clean-up of extracted files; folder sizes and help files.
#include "files/copy_engine.h"

#include <cstring>
#include <string>

#include "common/text.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "files/replace_after_reboot.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "startup/help_files.h"
#include "startup/platform_detect.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

constexpr uint64_t kDay = 864000000000ULL;  // FILETIME units
constexpr uint64_t kBaseTime = 132000000000000000ULL;
const std::u16string kDeleteFiles = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glidewave\\DeleteFiles";
const std::u16string kFolders = u"Software\\Norvik\\Uninstall";

// A text value under HKEY_LOCAL_MACHINE, "<none>" when missing.
std::string RegText(const std::u16string& path, const std::u16string& name) {
  RegKey key = nullptr;
  char16_t data[512] = {};
  uint32_t size = sizeof data - 2, type = 0;
  if (SysRegOpenKey(kRegLocalMachine, path.c_str(), kKeyRead, &key) != 0) return "<none>";
  int32_t err = SysRegQueryValue(key, name.c_str(), &type, reinterpret_cast<uint8_t*>(data), &size);
  SysRegCloseKey(key);
  return err == 0 ? sim::ToUtf8(data) : "<none>";
}

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
    WritePackageFile(u"SETUP2K.INI", "[Install]\r\n");
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
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
  bool Copied(const std::string& target) const { return JournalHas("t=" + target + ", copyfile"); }
};

struct DecisionCase {
  const char* source;  // fixture DLL, or "text:<bytes>"
  const char* target;
  int sourceWrite, targetWrite, sourceCreation, targetCreation;  // days after a base time
  int versionChecked;
  bool copied;
};

TEST_F(CopyEngineTest, VersionThenDateDecidesTheReplacement) {
  const DecisionCase cases[] = {
      {"v1_10.dll", "v1_9.dll", 5, 4, 0, 0, 0, true},  // fixed higher, text "1.10" < "1.9": dates
      {"v1_10.dll", "v1_9.dll", 4, 5, 0, 0, 0, false},
      {"v1_10.dll", "v1_10_text_1_9.dll", 9, 1, 9, 1, 0, false},  // fixed equal, text lower
      {"v1_10_text_1_9.dll", "v1_10.dll", 5, 4, 0, 0, 0, true},   // fixed equal, text higher: dates
      {"v1_10_text_1_9.dll", "v1_9.dll", 4, 5, 0, 0, 0, false},   // fixed higher, text equal: dates
      {"v1_10_text_1_9.dll", "v1_9.dll", 5, 4, 0, 0, 0, true},
      {"v2_0_german.dll", "v1_9.dll", 1, 9, 1, 9, 0, true},  // both higher (own translation asked)
      {"v1_9.dll", "v1_9.dll", 9, 1, 9, 1, 0, false},        // neither higher
      {"no_version.dll", "v1_9.dll", 3, 3, 2, 1, 0, true},   // no version: equal write, creation
      {"no_version.dll", "v1_9.dll", 3, 3, 1, 1, 0, false},
      {"v3_0_name2.dll", "v1_9.dll", 1, 2, 0, 0, 0, false},  // version under resource 2 only
      {"text:new", "text:old", 2, 1, 0, 0, 0, true},
      {"v1_9.dll", "v2_0_german.dll", 1, 9, 1, 9, 1, true},  // VersionChecked: always replaced
  };
  for (const DecisionCase& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " over " + c.target + " written " + std::to_string(c.sourceWrite) + "/" +
                 std::to_string(c.targetWrite));
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
    EXPECT_EQ(Copied("C:\\Gw\\m.dll"), c.copied);
    EXPECT_EQ(Disk(u"C:\\Gw\\m.dll") == source, c.copied || source == target);
    EXPECT_EQ(RegText(kDeleteFiles, u"m.dll"), "<none>");  // a present target is never recorded
  }
}

TEST_F(CopyEngineTest, MissingTargetsAndFoldersAreMadeAndRecorded) {
  Source(u"a.dll", "A");
  WritePackageFile(u"extra\\b.src", "B");
  Source(u"c.dll", "C");
  Add(u"a.dll", u"C:\\New");
  Add(u"b.dll", u"C:\\New", u"b.src", u"extra");  // from D:\extra, under another name
  Add(u"c.dll", u"C:\\Deep\\Er");                 // two missing levels: only one is tried
  Walk();
  EXPECT_EQ(Disk(u"C:\\New\\a.dll"), "A");
  EXPECT_EQ(Disk(u"C:\\New\\b.dll"), "B");
  EXPECT_EQ(RegText(kDeleteFiles, u"a.dll"), "C:\\New");
  EXPECT_EQ(RegText(kFolders, u"C:\\New"), "InstallPath");
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\Deep"));
  EXPECT_EQ(RegText(kFolders, u"C:\\Deep\\Er"), "InstallPath");  // recorded all the same
  EXPECT_EQ(PendingCount, 0);
}

struct PlatformCase {
  const char* profile;
  int32_t interfaceType;
  const char16_t* fileName;
  const char16_t* sourceName;
  bool copied, duplicated;
  bool windowsFolderFails = false;  // the Windows folder query fails: no duplicate is made
};

TEST_F(CopyEngineTest, PlatformRulesForDriverFiles) {
  const PlatformCase cases[] = {
      {"winxp", kInterfaceUSB, u"HID.SYS", u"NMHIDUSB.SYS", false, false},
      {"winxp", kInterfaceUSB, u"HID.SYS", u"nmhidusb.sys", true, false},  // compared with case
      {"win7", kInterfaceUSB, u"HID.SYS", u"NMHIDUSB.SYS", false, false},
      {"win2000", kInterfaceUSB, u"HID.SYS", u"NXHIDUSB.SYS", false, false},
      {"win2000", kInterfaceUSB, u"HID.SYS", u"NMHIDUSB.SYS", true, false},
      {"win98", kInterfaceUSB, u"HID.SYS", u"NXHIDUSB.SYS", false, false},
      {"win2000", kInterfacePS2, u"nvkps2m.sys", u"", true, true},
      {"win2000", kInterfacePS2, u"NVKMOUSE.SYS", u"", true, false, true},
      {"win2000", kInterfaceUSB, u"NVKMOUSE.SYS", u"", true, false},
      {"winxp", kInterfacePS2, u"NVKMOUSE.SYS", u"", true, false},
  };
  for (const PlatformCase& c : cases) {
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

  EXPECT_EQ(Disk(u"C:\\Gw\\ro.dll"), "new");
  EXPECT_EQ(SysGetFileAttributes(u"C:\\Gw\\ro.dll") & kAttrReadOnly, 0u);
  EXPECT_EQ(Disk(u"C:\\Gw\\one.dll"), "old");
  EXPECT_EQ(Disk(u"C:\\Gw\\two.dll"), "old");
  ASSERT_EQ(PendingCount, 1);
  EXPECT_EQ(sim::ToUtf8(PendingTable[0].Target), "C:\\Gw\\two.dll");
  EXPECT_EQ(sim::ToUtf8(PendingTable[0].Temporary).rfind("C:\\Gw\\SET", 0), 0u);
  EXPECT_EQ(Disk(PendingTable[0].Temporary), "new");
}

struct StopCase {
  const char* name;
  std::vector<std::string> sources;  // entry n's bytes in D:\src, "-" for a file kept elsewhere
  std::vector<bool> copied;
};

TEST_F(CopyEngineTest, TheWalkEndsAtTheLastEntryOrAtOneHundredPercent) {
  const StopCase cases[] = {
      {"total 0", {"", "", ""}, {true, false, false}},
      {"total reached early", {"aaaa", "bbbb", "-"}, {true, true, false}},
      {"last entry", {"aaaa", "bbbb", "cccc"}, {true, true, true}},
  };
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    WritePackageFile(u"other\\f3.dll", "elsewhere");
    for (size_t i = 0; i < c.sources.size(); ++i) {
      std::u16string name = u"f" + sim::FromUtf8(std::to_string(i + 1)) + u".dll";
      if (c.sources[i] != "-") Source(name, c.sources[i]);
      Add(name, u"C:\\Gw", u"", c.sources[i] == "-" ? u"other" : u"");
    }
    Walk();
    for (size_t i = 0; i < c.copied.size(); ++i)
      EXPECT_EQ(sim::DiskPathExists(u"C:\\Gw\\f" + sim::FromUtf8(std::to_string(i + 1)) + u".dll"), c.copied[i]) << i;
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
  EXPECT_TRUE(JournalHas("_dwHasCopied = 50000000,_dwTotalFileSize=100000000, _nCurPercent=7, name=e2.dll"));
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
};

TEST_F(CabinetModeCopyTest, ExtractedFilesAreDeletedLastFirstExceptHelpFiles) {
  sim::FailCall("SysDeleteFile", 1, kErrAccessDenied);  // the first deletion is the last entry's
  Walk();
  EXPECT_EQ(Disk(u"C:\\Windows\\Help\\Guide.hlp"), "x");  // under the help file's own name
  EXPECT_FALSE(sim::DiskPathExists(Extracted(u"a.dll")));
  EXPECT_FALSE(sim::DiskPathExists(Extracted(u"b.dll")));
  EXPECT_TRUE(sim::DiskPathExists(Extracted(u"c.dll")));
  EXPECT_TRUE(sim::DiskPathExists(Extracted(u"Guide_en.hlp")));  // kept for CopyHelpFile
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
  EXPECT_FALSE(sim::DiskPathExists(Extracted(u"a.dll")));  // the entry before is finished
  EXPECT_TRUE(sim::DiskPathExists(Extracted(u"b.dll")));
  EXPECT_EQ(_dwHasCopied, 1u);
}

TEST_F(CopyEngineTest, FolderSizesGoToEveryMatchingEntry) {
  Source(u"A.DLL", "12345");
  Source(u"b.src", "123");
  WritePackageFile(u"src\\sub\\c.dll", "1234567");
  Add(u"a.dll", u"C:\\Gw");
  Add(u"a.dll", u"C:\\Other");             // the same name again counts again
  Add(u"b.dll", u"C:\\Gw", u"B.SRC");      // found by its source name
  Add(u"c.dll", u"C:\\Gw").FileSize = 9;  // only in a subfolder: unchanged
  EXPECT_EQ(SumFolderSizes((PackagePath(u"src") + u"\\").c_str()), 1);
  EXPECT_EQ(CopyTable[2].FileSize, 5u);
  EXPECT_EQ(CopyTable[3].FileSize, 3u);
  EXPECT_EQ(CopyTable[4].FileSize, 9u);
  EXPECT_EQ(_dwTotalFileSize, 13u);
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
  EXPECT_EQ(CopyHelpFile(0), 0);                      // not a help entry
  EXPECT_EQ(CopyHelpFile(1), 1);
  EXPECT_EQ(Disk(u"C:\\Windows\\Help\\Tips.hlp"), "old");
  EXPECT_EQ(Disk(u"C:\\Windows\\Help\\Tips.1"), "tips");
  ASSERT_EQ(PendingCount, 1);
  EXPECT_EQ(sim::ToUtf8(PendingTable[0].Temporary), "C:\\Windows\\Help\\Tips.1");
}

}  // namespace
