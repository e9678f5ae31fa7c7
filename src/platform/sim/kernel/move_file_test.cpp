// Tests of delayed moves on the simulated machine: the journal and the restart that carries them out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using MoveFileTest = SimFixture;
using Lines = std::vector<std::string>;

TEST_F(MoveFileTest, DelayedMovesAreJournaledAndCarriedOutAtTheRestart) {
  StartMachine("win7");
  for (const char* file : {"a.dll", "a.tmp", "keep.dll", "keep.tmp", "swap.dll", "swap.tmp"})
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\R\\" + sim::FromUtf8(file), file));
  sim::LockFile(u"C:\\R\\a.dll", true);
  const uint32_t later = kMoveFileDelayUntilReboot;
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\a.dll", nullptr, later), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\a.tmp", u"C:\\R\\a.dll", later), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\keep.tmp", u"C:\\R\\keep.dll", later), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\swap.tmp", u"C:\\R\\swap.dll", later | kMoveFileReplaceExisting), 1);
  ASSERT_EQ(SysMoveFileEx(u"C:\\R\\gone.tmp", nullptr, later), 1);
  EXPECT_EQ(Disk(u"C:\\R\\a.dll"), "a.dll");
  EXPECT_EQ(JournalLines("delayed-move: "),
            (Lines{"delayed-move: C:\\R\\a.dll -> (delete)", "delayed-move: C:\\R\\a.tmp -> C:\\R\\a.dll",
                   "delayed-move: C:\\R\\keep.tmp -> C:\\R\\keep.dll",
                   "delayed-move: C:\\R\\swap.tmp -> C:\\R\\swap.dll", "delayed-move: C:\\R\\gone.tmp -> (delete)"}));

  // In order; a plain move does not overwrite, a missing file is skipped.
  sim::ClearJournal();
  EXPECT_EQ(sim::ApplyPendingRenames(), 3);
  EXPECT_EQ(sim::Journal(), (Lines{"restart-delete: C:\\R\\a.dll", "restart-move: C:\\R\\a.tmp -> C:\\R\\a.dll",
                                   "restart-move: C:\\R\\swap.tmp -> C:\\R\\swap.dll"}));
  EXPECT_EQ(Disk(u"C:\\R\\a.dll") + Disk(u"C:\\R\\keep.dll") + Disk(u"C:\\R\\swap.dll"),
            "a.tmpkeep.dllswap.tmp");
  EXPECT_EQ(Disk(u"C:\\R\\keep.tmp"), "keep.tmp");
  EXPECT_EQ(sim::ApplyPendingRenames(), 0);
  EXPECT_EQ(SysDeleteFile(u"C:\\R\\a.dll"), 1);  // no longer in use after the restart
}

TEST_F(MoveFileTest, NineXFamilyHasNoDelayedMoves) {
  for (const char* profile : {"win95", "win98", "winme"}) {
    SCOPED_TRACE(profile);
    StartMachine(profile);
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\App\\a.tmp", "new"));
    EXPECT_EQ(SysMoveFileEx(u"C:\\App\\a.tmp", u"C:\\App\\a.dll", kMoveFileDelayUntilReboot), 0);
    EXPECT_EQ(SysGetLastError(), 120u);
    EXPECT_TRUE(JournalLines("delayed-move: ").empty());
    EXPECT_EQ(SysMoveFileEx(u"C:\\App\\a.tmp", u"C:\\App\\b.dll", 0), 1);
  }
}

}  // namespace
