// Shell start with wait: the call returns once the started program has ended, and at once when
// nothing could be started.
#include "shared/shellexecute_and_wait.h"

#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

class ShellexecuteAndWaitTest : public SimFixture {};

TEST_F(ShellexecuteAndWaitTest, WaitsForTheProgramToEnd) {
  WritePackageFile(u"difxapp32.exe", "MZ");
  sim::ProgramBehaviour slow;
  slow.runMilliseconds = 20;
  slow.exitCode = 3;
  sim::SetProgramBehaviour("difxapp32.exe", slow);
  ShellexecuteExAndWait(u"open", u"D:\\difxapp32.exe", u"/i x.inf setup2k.ini", kSwHide);
  EXPECT_EQ(JournalLines("process"),
            (std::vector<std::string>{"process: shell open D:\\difxapp32.exe /i x.inf setup2k.ini",
                                      "process-exit: D:\\difxapp32.exe code 3"}));

  ShellexecuteExAndWait(u"open", u"D:\\missing.exe", nullptr, kSwShow);
  EXPECT_TRUE(JournalHas("process: failed D:\\missing.exe (2)"));
}

}  // namespace
