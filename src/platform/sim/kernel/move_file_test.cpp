// Tests of MoveFileEx on the simulated machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using MoveFileTest = SimFixture;

const char16_t kSessionManager[] = u"System\\CurrentControlSet\\Control\\Session Manager";
const char16_t kPending[] = u"PendingFileRenameOperations";

std::string Contents(const std::u16string& path) {
  std::string bytes;
  if (!sim::ReadDiskFile(path, &bytes)) return "<missing>";
  return bytes;
}

// The pending-operations value as text units ("" when missing), its type in *type.
std::u16string PendingValue(uint32_t* type = nullptr) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kSessionManager, kKeyRead, &key) != 0) return u"";
  uint8_t data[4096];
  uint32_t size = sizeof(data);
  uint32_t valueType = 0;
  int32_t status = SysRegQueryValue(key, kPending, &valueType, data, &size);
  SysRegCloseKey(key);
  if (status != 0) return u"";
  if (type) *type = valueType;
  std::u16string units;
  for (uint32_t i = 0; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return units;
}

// Writes a file and marks it in use.
void SeedInUse(const std::u16string& target, const std::string& old, const std::u16string& temporary,
               const std::string& fresh) {
  ASSERT_TRUE(sim::WriteDiskFile(target, old));
  ASSERT_TRUE(sim::WriteDiskFile(temporary, fresh));
  sim::LockFile(target, true);
}

TEST_F(MoveFileTest, PlainMovesFollowWindowsRules) {
  struct Case {
    const char* label;
    const char16_t* source;
    const char16_t* target;
    uint32_t flags;
    ErrorCode error;           // 0: the move happens
  };
  const Case cases[] = {
      {"missing source", u"C:\\M\\none.txt", u"C:\\M\\x.txt", 0, kErrFileNotFound},
      {"source folder missing", u"C:\\NoDir\\a.txt", u"C:\\M\\x.txt", 0, kErrPathNotFound},
      {"target exists", u"C:\\M\\a.txt", u"C:\\M\\b.txt", 0, kErrAlreadyExists},
      {"target folder missing", u"C:\\M\\a.txt", u"C:\\NoDir\\a.txt", 0, kErrPathNotFound},
      {"replace read-only target", u"C:\\M\\a.txt", u"C:\\M\\ro.txt", kMoveFileReplaceExisting, kErrAccessDenied},
      {"replace target in use", u"C:\\M\\a.txt", u"C:\\M\\locked.txt", kMoveFileReplaceExisting, kErrSharingViolation},
      {"source in use", u"C:\\M\\locked.txt", u"C:\\M\\y.txt", 0, kErrSharingViolation},
      {"other drive", u"C:\\M\\a.txt", u"D:\\a.txt", 0, 17},
      {"no target without delay", u"C:\\M\\a.txt", nullptr, 0, kErrInvalidParameter},
      {"unknown flag", u"C:\\M\\a.txt", u"C:\\M\\z.txt", 0x100, kErrInvalidParameter},
      {"replace existing", u"C:\\M\\a.txt", u"C:\\M\\b.txt", kMoveFileReplaceExisting, 0},
      {"rename a folder", u"C:\\M\\Sub", u"C:\\M\\Renamed", 0, 0},
      {"other drive, copy allowed", u"C:\\M\\c.txt", u"D:\\c.txt", 0x2, 0},
  };
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\M\\a.txt", "A"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\M\\b.txt", "B"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\M\\c.txt", "C"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\M\\ro.txt", "R"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\M\\locked.txt", "L"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\M\\Sub\\inner.txt", "I"));
  ASSERT_EQ(SysSetFileAttributes(u"C:\\M\\ro.txt", kAttrReadOnly | kAttrHidden), 1);
  sim::LockFile(u"C:\\M\\locked.txt", true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SysSetLastError(0);
    EXPECT_EQ(SysMoveFileEx(c.source, c.target, c.flags), c.error == 0 ? 1 : 0);
    EXPECT_EQ(SysGetLastError(), c.error);
  }
  EXPECT_EQ(Contents(u"C:\\M\\b.txt"), "A");
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\M\\a.txt"));
  EXPECT_EQ(Contents(u"C:\\M\\Renamed\\inner.txt"), "I");
  EXPECT_EQ(Contents(u"D:\\c.txt"), "C");
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\M\\c.txt"));
  EXPECT_EQ(Contents(u"C:\\M\\ro.txt"), "R");
  EXPECT_EQ(Contents(u"C:\\M\\locked.txt"), "L");
  EXPECT_TRUE(sim::Journal().empty());  // plain moves are no restart business
}

TEST_F(MoveFileTest, MovedFilesKeepTheirAttributesAndTimes) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\M\\a.txt", "A"));
  ASSERT_EQ(SysSetFileAttributes(u"C:\\M\\a.txt", kAttrHidden), 1);
  sim::SetFileTimes(u"C:\\M\\a.txt", 125000000000000000ULL, 126000000000000000ULL);
  ASSERT_EQ(SysMoveFileEx(u"C:\\M\\a.txt", u"C:\\M\\A2.TXT", 0), 1);
  EXPECT_EQ(SysGetFileAttributes(u"C:\\M\\a2.txt"), kAttrHidden);
  SysFindData data;
  SysHandle find = SysFindFirstFile(u"C:\\M\\a2.txt", &data);
  ASSERT_NE(find, kInvalidHandle);
  SysFindClose(find);
  EXPECT_EQ(sim::ToUtf8(data.name), "A2.TXT");
  EXPECT_EQ(data.lastWriteTime, 126000000000000000ULL);
  // A change of case alone renames the file.
  ASSERT_EQ(SysMoveFileEx(u"C:\\M\\A2.TXT", u"C:\\M\\a2.txt", 0), 1);
  find = SysFindFirstFile(u"C:\\M\\*.txt", &data);
  ASSERT_NE(find, kInvalidHandle);
  SysFindClose(find);
  EXPECT_EQ(sim::ToUtf8(data.name), "a2.txt");
}

TEST_F(MoveFileTest, DelayedMovesAreRecordedAsWindowsNtRecordsThem) {
  StartMachine("winxp");
  SeedInUse(u"C:\\App\\a.dll", "old a", u"C:\\App\\SET1.tmp", "new a");
  SeedInUse(u"C:\\App\\b.dll", "old b", u"C:\\App\\SET2.tmp", "new b");
  // Two pending replacements, each: delete the target, then move the copy onto it.
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\a.dll", nullptr, kMoveFileDelayUntilReboot), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\SET1.tmp", u"C:\\App\\a.dll", kMoveFileDelayUntilReboot), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\b.dll", nullptr, kMoveFileDelayUntilReboot), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\SET2.tmp", u"C:\\App\\b.dll", kMoveFileDelayUntilReboot), 1);

  // Nothing moved yet.
  EXPECT_EQ(Contents(u"C:\\App\\a.dll"), "old a");
  EXPECT_EQ(Contents(u"C:\\App\\SET2.tmp"), "new b");
  uint32_t type = 0;
  const std::u16string expected = std::u16string(u"\\??\\C:\\App\\a.dll\0", 17) + u'\0' +
                                  std::u16string(u"\\??\\C:\\App\\SET1.tmp\0\\??\\C:\\App\\a.dll\0", 37) +
                                  std::u16string(u"\\??\\C:\\App\\b.dll\0", 17) + u'\0' +
                                  std::u16string(u"\\??\\C:\\App\\SET2.tmp\0\\??\\C:\\App\\b.dll\0", 37) + u'\0';
  EXPECT_EQ(PendingValue(&type), expected);
  EXPECT_EQ(type, kRegTypeMultiSz);
  EXPECT_EQ(JournalLines("delayed-move: "),
            (std::vector<std::string>{"delayed-move: C:\\App\\a.dll -> (delete)",
                                      "delayed-move: C:\\App\\SET1.tmp -> C:\\App\\a.dll",
                                      "delayed-move: C:\\App\\b.dll -> (delete)",
                                      "delayed-move: C:\\App\\SET2.tmp -> C:\\App\\b.dll"}));

  // The restart carries out the four operations in order and clears the value.
  sim::ClearJournal();
  EXPECT_EQ(sim::ApplyPendingRenames(), 4);
  EXPECT_EQ(Contents(u"C:\\App\\a.dll"), "new a");
  EXPECT_EQ(Contents(u"C:\\App\\b.dll"), "new b");
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\App\\SET1.tmp"));
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\App\\SET2.tmp"));
  EXPECT_EQ(sim::Journal(), (std::vector<std::string>{"restart-delete: C:\\App\\a.dll",
                                                      "restart-move: C:\\App\\SET1.tmp -> C:\\App\\a.dll",
                                                      "restart-delete: C:\\App\\b.dll",
                                                      "restart-move: C:\\App\\SET2.tmp -> C:\\App\\b.dll"}));
  EXPECT_EQ(PendingValue(), u"");
  EXPECT_EQ(sim::ApplyPendingRenames(), 0);
  EXPECT_EQ(SysDeleteFile(u"C:\\App\\a.dll"), 1);  // no longer in use after the restart
}

TEST_F(MoveFileTest, DelayedMoveRecordsFollowTheFlagsAndTheExistingList) {
  struct Case {
    const char* label;
    const char16_t* source;
    const char16_t* target;
    uint32_t flags;
    const char16_t* appended;   // the units the call adds ("" for a failure)
    size_t appendedLength;
    ErrorCode error;
  };
  const Case cases[] = {
      {"replace existing", u"C:\\T\\n.tmp", u"C:\\T\\f.dll", kMoveFileDelayUntilReboot | kMoveFileReplaceExisting,
       u"\\??\\C:\\T\\n.tmp\0!\\??\\C:\\T\\f.dll\0", 31, 0},
      {"deletion", u"C:\\T\\f.dll", nullptr, kMoveFileDelayUntilReboot, u"\\??\\C:\\T\\f.dll\0\0", 16, 0},
      {"relative and dotted paths made full", u"..\\T\\.\\n.tmp", u"/T/f.dll", kMoveFileDelayUntilReboot,
       u"\\??\\C:\\T\\n.tmp\0\\??\\C:\\T\\f.dll\0", 30, 0},
      {"with copy allowed", u"C:\\T\\n.tmp", u"C:\\T\\f.dll", kMoveFileDelayUntilReboot | 0x2, u"", 0,
       kErrInvalidParameter},
      {"drive the machine lacks", u"Q:\\n.tmp", nullptr, kMoveFileDelayUntilReboot, u"", 0, kErrPathNotFound},
  };
  // A list left by an earlier program: its entries stay first.
  ImportReg(
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager]\n"
      "\"PendingFileRenameOperations\"=hex(7):5c,00,3f,00,3f,00,5c,00,43,00,3a,00,5c,00,6f,00,00,00,00,00,00,00\n");
  sim::SetModulePath(u"C:\\Setup\\setup.exe");  // relative paths start in the program's folder
  std::u16string expected = std::u16string(u"\\??\\C:\\o\0\0", 10);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SysSetLastError(0);
    EXPECT_EQ(SysMoveFileEx(c.source, c.target, c.flags), c.error == 0 ? 1 : 0);
    EXPECT_EQ(SysGetLastError(), c.error);
    expected += std::u16string(c.appended, c.appendedLength);
    EXPECT_EQ(PendingValue(), expected + u'\0');
  }
}

TEST_F(MoveFileTest, RestartReplacesOnlyWhereTheRecordAllowsIt) {
  StartMachine("win7");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\R\\keep.dll", "old keep"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\R\\k.tmp", "new keep"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\R\\swap.dll", "old swap"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\R\\s.tmp", "new swap"));
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\k.tmp", u"C:\\R\\keep.dll", kMoveFileDelayUntilReboot), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\s.tmp", u"C:\\R\\swap.dll", kMoveFileDelayUntilReboot | kMoveFileReplaceExisting),
            1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\gone.tmp", nullptr, kMoveFileDelayUntilReboot), 1);  // nothing to delete
  EXPECT_EQ(sim::ApplyPendingRenames(), 1);
  EXPECT_EQ(Contents(u"C:\\R\\keep.dll"), "old keep");  // a plain move does not overwrite
  EXPECT_EQ(Contents(u"C:\\R\\k.tmp"), "new keep");
  EXPECT_EQ(Contents(u"C:\\R\\swap.dll"), "new swap");
}

TEST_F(MoveFileTest, NineXFamilyHasNoDelayedMoves) {
  for (const char* profile : {"win95", "win98", "winme"}) {
    SCOPED_TRACE(profile);
    StartMachine(profile);
    SeedInUse(u"C:\\App\\a.dll", "old", u"C:\\App\\SET1.tmp", "new");
    EXPECT_EQ(SysMoveFileEx(u"C:\\App\\SET1.tmp", u"C:\\App\\a.dll", kMoveFileDelayUntilReboot), 0);
    EXPECT_EQ(SysGetLastError(), 120u);
    EXPECT_EQ(PendingValue(), u"");
    EXPECT_TRUE(JournalLines("delayed-move: ").empty());
    // Plain moves work there.
    EXPECT_EQ(SysMoveFileEx(u"C:\\App\\SET1.tmp", u"C:\\App\\b.dll", 0), 1);
  }
}

TEST_F(MoveFileTest, InjectedFaultRecordsNothing) {
  StartMachine("winxp");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\a.txt", "A"));
  sim::FailCall("SysMoveFileEx", 1, kErrAccessDenied);
  EXPECT_EQ(SysMoveFileEx(u"C:\\a.txt", nullptr, kMoveFileDelayUntilReboot), 0);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  EXPECT_EQ(PendingValue(), u"");
  EXPECT_TRUE(sim::Journal().empty());
  EXPECT_EQ(SysMoveFileEx(u"C:\\a.txt", nullptr, kMoveFileDelayUntilReboot), 1);
}

}  // namespace
