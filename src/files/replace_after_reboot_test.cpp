// Replacement at the next start: the delayed moves the NT family carries out at restart, and the
// [Rename] section of wininit.ini on Windows 95, 98 and Me.
#include "files/replace_after_reboot.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "support/sim_fixture.h"

namespace {

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

TEST_F(ReplaceAfterRebootTest, NtFamilyDeletesThenMovesEachRecordInOrder) {
  for (const char* profile : {"nt4", "win7"}) {
    SCOPED_TRACE(profile);
    StartMachine(profile);
    PendingCount = 0;
    const std::u16string sys = sim::Profile().systemDir;
    const std::string s = sim::ToUtf8(sys);
    AddRecord(sys + u"\\nvk.dll", sys + u"\\SET1.tmp");
    AddRecord(sys + u"\\drivers\\nvk.sys", sys + u"\\drivers\\SET2.tmp");
    sim::LockFile(sys + u"\\nvk.dll", true);
    for (int32_t i = 0; i < PendingCount; ++i) ReplaceAfterReboot(i);
    EXPECT_TRUE(JournalHas(s + "\\SET1.tmp, " + s + "\\nvk.dll, After Reboot to copy!!!"));
    EXPECT_EQ(Disk(sys + u"\\nvk.dll"), "old");  // nothing moves before the restart

    sim::ClearJournal();
    EXPECT_EQ(sim::ApplyPendingRenames(), 4);
    EXPECT_EQ(JournalLines("restart-"),
              (std::vector<std::string>{"restart-delete: " + s + "\\nvk.dll",
                                        "restart-move: " + s + "\\SET1.tmp -> " + s + "\\nvk.dll",
                                        "restart-delete: " + s + "\\drivers\\nvk.sys",
                                        "restart-move: " + s + "\\drivers\\SET2.tmp -> " + s + "\\drivers\\nvk.sys"}));
    EXPECT_EQ(Disk(sys + u"\\nvk.dll"), "new");
  }
}

TEST_F(ReplaceAfterRebootTest, NineXFamilyPutsTheNewestLineUnderTheHeader) {
  const std::string lines = "C:\\WINDOWS\\b.dll=C:\\WINDOWS\\SET2.tmp\r\nC:\\WINDOWS\\a.dll=C:\\WINDOWS\\SET1.tmp\r\n";
  const struct {
    const char* before;  // nullptr: no wininit.ini
    std::string after;
  } cases[] = {
      {nullptr, "[Rename]\r\n" + lines},
      {"[Boot]\r\nx=1\r\n[Rename]\r\nNUL=C:\\old.tmp\r\n[Other]\r\ny=2\r\n",
       "[Boot]\r\nx=1\r\n[Rename]\r\n" + lines + "NUL=C:\\old.tmp\r\n[Other]\r\ny=2\r\n"},
      {"[Boot]\r\nx=1\r\n", "[Boot]\r\nx=1\r\n[Rename]\r\n" + lines},
      {"[Boot]\r\nx=1", "[Boot]\r\nx=1\r\n[Rename]\r\n" + lines},  // an unended last line is ended
  };
  for (const char* profile : {"win95", "winme"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(profile) + ": " + (c.before ? c.before : "no file"));
      StartMachine(profile);
      PendingCount = 0;
      if (c.before) {
        ASSERT_TRUE(sim::WriteDiskFile(u"C:\\WINDOWS\\wininit.ini", c.before));
      }
      AddRecord(u"C:\\WINDOWS\\a.dll", u"C:\\WINDOWS\\SET1.tmp");
      AddRecord(u"C:\\WINDOWS\\b.dll", u"C:\\WINDOWS\\SET2.tmp");
      for (int32_t r = 0; r < PendingCount; ++r) ReplaceAfterReboot(r);
      EXPECT_EQ(Disk(u"C:\\WINDOWS\\wininit.ini"), c.after);
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

}  // namespace
