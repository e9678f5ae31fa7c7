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

TEST_F(MoveFileTest, DelayedMovesAreJournaledAndCarriedOutAtTheRestart) {
  StartMachine("winxp");
  SeedInUse(u"C:\\App\\a.dll", "old a", u"C:\\App\\SET1.tmp", "new a");
  SeedInUse(u"C:\\App\\b.dll", "old b", u"C:\\App\\SET2.tmp", "new b");
  // Two pending replacements, each: delete the target, then move the copy onto it.
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\a.dll", nullptr, kMoveFileDelayUntilReboot), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\SET1.tmp", u"C:\\App\\a.dll", kMoveFileDelayUntilReboot), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\b.dll", nullptr, kMoveFileDelayUntilReboot), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\App\\SET2.tmp", u"C:\\App\\b.dll", kMoveFileDelayUntilReboot), 1);

  // Nothing moved yet (the recorded value is the platform contract's business).
  EXPECT_EQ(Contents(u"C:\\App\\a.dll"), "old a");
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

}  // namespace
