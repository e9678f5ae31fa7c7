// Delayed moves on the simulated machine: the restart carries them out in order, and the 9x
// family has none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using MoveFileTest = SimFixture;
using Lines = std::vector<std::string>;

// In order; a plain move does not overwrite, a missing file is skipped, and what was in use
// is free after the restart.
TEST_F(MoveFileTest, TheRestartCarriesOutDelayedMoves) {
  for (const char* file : {"a.dll", "a.tmp", "keep.dll", "keep.tmp", "swap.dll", "swap.tmp"})
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\R\\" + sim::FromUtf8(file), file));
  sim::LockFile(u"C:\\R\\a.dll", true);
  const uint32_t later = kMoveFileDelayUntilReboot;
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\a.dll", nullptr, later), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\a.tmp", u"C:\\R\\a.dll", later), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\keep.tmp", u"C:\\R\\keep.dll", later), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\swap.tmp", u"C:\\R\\swap.dll", later | kMoveFileReplaceExisting), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\gone.tmp", nullptr, later), 1);
  EXPECT_EQ(JournalLines("delayed-move: ").size(), 5u);
  sim::ClearJournal();
  EXPECT_EQ(sim::ApplyPendingRenames(), 3);
  EXPECT_EQ(sim::Journal(), (Lines{"restart-delete: C:\\R\\a.dll", "restart-move: C:\\R\\a.tmp -> C:\\R\\a.dll",
                                   "restart-move: C:\\R\\swap.tmp -> C:\\R\\swap.dll"}));
  EXPECT_EQ(Disk(u"C:\\R\\a.dll") + Disk(u"C:\\R\\keep.dll") + Disk(u"C:\\R\\swap.dll") + Disk(u"C:\\R\\keep.tmp"),
            "a.tmpkeep.dllswap.tmpkeep.tmp");
  EXPECT_EQ(sim::ApplyPendingRenames(), 0);
  EXPECT_EQ(SysDeleteFile(u"C:\\R\\a.dll"), 1);

  for (const char* profile : {"win95", "win98", "winme"}) {
    SCOPED_TRACE(profile);
    StartMachine(profile);
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\App\\a.tmp", "new"));
    EXPECT_EQ(SysMoveFileEx(u"C:\\App\\a.tmp", u"C:\\App\\a.dll", kMoveFileDelayUntilReboot), 0);
    EXPECT_EQ(SysGetLastError(), 120u);  // ERROR_CALL_NOT_IMPLEMENTED
    EXPECT_TRUE(JournalLines("delayed-move: ").empty());
    EXPECT_EQ(SysMoveFileEx(u"C:\\App\\a.tmp", u"C:\\App\\b.dll", 0), 1);
  }
}

}  // namespace
