// Cabinet extraction with real cabinets on the simulated machine: the package cabinet into the
// temporary folder with its sizes and failures, the cabinet pack's destinations and stops.
#include "files/cabinet_extract.h"

#include <cstring>
#include <string>

#include "common/text.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

const char16_t kTempDir[] = u"C:\\Windows\\_NorvikInstallTempDir0";

// Whether HKLM\Software\Norvik\Uninstall records the folder.
bool Recorded(const std::u16string& folder) {
  RegKey key = nullptr;
  uint32_t size = 0, type = 0;
  if (SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Uninstall", kKeyRead, &key) != 0) return false;
  bool found = SysRegQueryValue(key, folder.c_str(), &type, nullptr, &size) == 0;
  SysRegCloseKey(key);
  return found;
}

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
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
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
  EXPECT_EQ(Disk(Temp(u"a.txt")), "alpha\r\n");
  EXPECT_EQ(Disk(Temp(u"z.txt")), "zulu\r\n");  // not listed, extracted all the same
  const uint32_t big = static_cast<uint32_t>(Disk(Temp(u"big.txt")).size());
  EXPECT_EQ(CopyTable[1].FileSize, 7u);
  EXPECT_EQ(CopyTable[2].FileSize, 0u);
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

struct PackCase {
  const char* line;  // value of key "1"
  int askPath, cabFile;
  const char16_t* programFileDest;
  const char16_t* lands;     // where a.txt is extracted
  const char16_t* recorded;  // the folder recorded for the uninstaller, "" for none
};

TEST_F(CabinetExtractTest, CabPackDestinations) {
  const PackCase cases[] = {
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
  for (const PackCase& c : cases) {
    SCOPED_TRACE(c.line);
    StartMachine("win7");
    g_Settings.AskPath = c.askPath;
    g_Settings.CabFile = c.cabFile;
    TextCopy(g_szProgramFileDest, c.programFileDest);
    WritePackageFile(u"SETUP2K.INI", std::string("[Cab.list]\r\n1=") + c.line + "\r\n");
    EXPECT_EQ(ExtractCabPack(), 1);
    EXPECT_EQ(Disk(c.lands), "alpha\r\n");
    EXPECT_EQ(Recorded(c.recorded), *c.recorded != 0);
    EXPECT_FALSE(Recorded(u"C:\\Dest"));
  }
}

struct StopCase {
  const char* lines;
  int result;
  bool secondExtracted;  // the line for C:\B was worked
  bool failTraced;
};

TEST_F(CabinetExtractTest, CabPackStopsAtAnEmptyNameOrAMissingCabinet) {
  const StopCase cases[] = {
      {"1=normal.cab,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 1, true, false},
      {"1=,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 0, false, false},
      {"1=missing.cab,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 0, false, false},
      {"1=corrupt.cab,,,C:\\A\r\n2=normal.cab,,,C:\\B\r\n", 1, true, true},
      {"1=normal.cab,,,C:\\NotMade\r\n2=normal.cab,,,C:\\B\r\n", 1, true, true},
      {"1=normal.cab,,,C:\\A\r\n3=normal.cab,,,C:\\B\r\n", 1, false, false},
  };
  for (const StopCase& c : cases) {
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

TEST_F(CabinetExtractTest, PackFilesInAFolderGetTheFolderMadeForEveryone) {
  WritePackageFile(u"SETUP2K.INI", "[Cab.list]\r\n1=subfolder.cab,,,C:\\A\r\n");
  EXPECT_EQ(ExtractCabPack(), 1);
  EXPECT_EQ(Disk(u"C:\\A\\sub\\b.txt"), "bravo in a folder\r\n");
  EXPECT_TRUE(Recorded(u"C:\\A\\sub"));
  bool everyone = false;
  for (const std::string& entry : sim::DescribeDacl(u"C:\\A\\sub")) everyone |= entry.rfind("Everyone ", 0) == 0;
  EXPECT_TRUE(everyone);
  EXPECT_TRUE(JournalHas("trace: Target = C:\\A\\sub\\b.txt"));
}

}  // namespace
