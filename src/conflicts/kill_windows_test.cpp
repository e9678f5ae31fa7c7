// Closing listed windows over modelled programs: close requests, remote exit, the destroy
// message for programs that cannot be opened, and the limit of passes per entry.
#include "conflicts/kill_windows.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/kernel.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class KillWindowsTest : public SimFixture {
 protected:
  void WriteConfig(const std::string& text) {
    WritePackageFile(u"SETUP2K.INI", text);
    TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
  }
  size_t JournalCount(const std::string& text) const {
    size_t count = 0;
    for (const std::string& line : sim::Journal())
      if (line == text) ++count;
    return count;
  }
};

const char kConfig[] =
    "[KillWindow]\r\n1=Utility\r\n2=ClassOnly\r\n\r\n"
    "[Utility]\r\nClass=NvkUtil\r\nCaption=Glidewave Utility\r\n\r\n"
    "[ClassOnly]\r\nClass=NvkTray\r\n";

struct Program {
  const char16_t* image;
  const char16_t* windowClass;
  const char16_t* caption;
  sim::CloseBehaviour behaviour;
  bool canBeOpened;
  bool runsAfter;
  size_t closeRequests;    // journal lines "foreign-message: <image> <- 1296"
  size_t destroyMessages;  // journal lines "foreign-message: <image> <- 2"
};

TEST_F(KillWindowsTest, ListedWindowsAreClosed) {
  using B = sim::CloseBehaviour;
  struct Case {
    const char* name;
    std::vector<Program> programs;
  };
  const Case cases[] = {
      {"closes on request", {{u"util.exe", u"NvkUtil", u"Glidewave Utility", B::kClosesOnRequest, true, false, 1, 0}}},
      {"ignores the request: ended by remote exit",
       {{u"util.exe", u"NvkUtil", u"Glidewave Utility", B::kIgnoresCloseRequest, true, false, 1, 0}}},
      {"cannot be opened: gets the destroy message",
       {{u"util.exe", u"NvkUtil", u"Glidewave Utility", B::kIgnoresCloseRequest, false, false, 1, 1}}},
      {"cannot be opened and survives: 100 passes",
       {{u"util.exe", u"NvkUtil", u"Glidewave Utility", B::kOnlyRemoteExit, false, true, 100, 100}}},
      {"two windows of the same class and caption",
       {{u"one.exe", u"NvkUtil", u"Glidewave Utility", B::kIgnoresCloseRequest, true, false, 1, 0},
        {u"two.exe", u"NvkUtil", u"Glidewave Utility", B::kOnlyRemoteExit, true, false, 1, 0}}},
      {"entry without caption is skipped",
       {{u"tray.exe", u"NvkTray", u"", B::kClosesOnRequest, true, true, 0, 0},
        {u"tray2.exe", u"NvkTray", u"Tray", B::kClosesOnRequest, true, true, 0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    WriteConfig(kConfig);
    std::vector<uint32_t> ids;
    for (const Program& p : c.programs)
      ids.push_back(sim::AddRunningProcess(p.image, p.windowClass, p.caption, p.behaviour, p.canBeOpened));
    KillListedWindows();
    for (size_t i = 0; i < c.programs.size(); ++i) {
      const Program& p = c.programs[i];
      const std::string image = sim::ToUtf8(p.image);
      SCOPED_TRACE(image);
      EXPECT_EQ(sim::ProcessRunning(ids[i]), p.runsAfter);
      uint32_t exitCode = 99;
      if (!p.runsAfter) {
        ASSERT_TRUE(sim::ProcessExitCode(ids[i], &exitCode));
        EXPECT_EQ(exitCode, 0u);
      }
      EXPECT_EQ(JournalCount("foreign-message: " + image + " <- 1296"), p.closeRequests);
      EXPECT_EQ(JournalCount("foreign-message: " + image + " <- 2"), p.destroyMessages);
    }
  }
}

TEST_F(KillWindowsTest, EndProcessOfWindowResults) {
  struct Case {
    const char* name;
    bool canBeOpened;
    const char* failing;  // platform function made to fail once, or ""
    ErrorCode failure;
    int result;
    ErrorCode lastError;
    bool runsAfter;
  };
  const Case cases[] = {
      {"ended with its own ExitProcess", true, "", 0, 1, 0, false},
      {"duplicate refused: the handle first opened serves", true, "SysDuplicateHandle", kErrAccessDenied, 1, 0, false},
      {"cannot be opened", false, "", 0, 0, kErrAccessDenied, true},
      {"exit code unreadable: taken as ended", true, "SysGetExitCodeProcess", kErrAccessDenied, 0,
       kErrProcessAborted, true},
      {"no remote thread", true, "SysCreateRemoteThread", kErrNotEnoughMemory, 0, kErrNotEnoughMemory, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    uint32_t id = sim::AddRunningProcess(u"util.exe", u"NvkUtil", u"Glidewave Utility",
                                         sim::CloseBehaviour::kOnlyRemoteExit, c.canBeOpened);
    if (c.failing[0]) sim::FailCall(c.failing, 1, c.failure);
    SysSetLastError(0);
    EXPECT_EQ(EndProcessOfWindow(sim::ProcessWindow(id), 7), c.result);
    if (c.result == 0) {
      EXPECT_EQ(SysGetLastError(), c.lastError);
    }
    EXPECT_EQ(sim::ProcessRunning(id), c.runsAfter);
    uint32_t exitCode = 0;
    if (!c.runsAfter) {
      ASSERT_TRUE(sim::ProcessExitCode(id, &exitCode));
      EXPECT_EQ(exitCode, 7u);
    }
  }
}

}  // namespace
