// Other programs running on the simulated machine: how each answers a close request and which
// of two same windows is found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

using ProcessesTest = SimFixture;
using sim::CloseBehaviour;

constexpr uint32_t kCloseRequest = 1296;

TEST_F(ProcessesTest, EachBehaviourAnswersCloseRequestsAsModelled) {
  const struct {
    CloseBehaviour behaviour;
    uint32_t message;
    bool ends;
  } cases[] = {
      {CloseBehaviour::kClosesOnRequest, kWmClose, true},           {CloseBehaviour::kClosesOnRequest, kWmPaint, false},
      {CloseBehaviour::kIgnoresCloseRequest, kCloseRequest, false}, {CloseBehaviour::kIgnoresCloseRequest, kWmDestroy, true},
      {CloseBehaviour::kOnlyRemoteExit, kWmDestroy, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.behaviour) << " <- " << c.message);
    StartMachine("winxp");
    const uint32_t older = sim::AddRunningProcess(u"C:\\Old\\old.exe", u"NvkTray", u"Mouse Tray", c.behaviour);
    const uint32_t id = sim::AddRunningProcess(u"C:\\Old\\tray.exe", u"NvkTray", u"Mouse Tray", c.behaviour);
    WindowHandle window = sim::internal::FindForeignWindow(u"nvktray", u"MOUSE TRAY");  // the newest
    ASSERT_EQ(window, sim::ProcessWindow(id));
    sim::ClearJournal();
    sim::internal::DeliverToForeignWindow(window, c.message, 0, 0);
    EXPECT_EQ(sim::ProcessRunning(id), !c.ends);
    EXPECT_EQ(sim::internal::IsForeignWindow(window), !c.ends);
    EXPECT_EQ(sim::internal::FindForeignWindow(u"NvkTray", u"Mouse Tray"), sim::ProcessWindow(c.ends ? older : id));
    std::vector<std::string> expected = {"foreign-message: C:\\Old\\tray.exe <- " + std::to_string(c.message)};
    if (c.ends) expected.push_back("process-exit: C:\\Old\\tray.exe code 0");
    EXPECT_EQ(sim::Journal(), expected);
  }
  uint32_t processId = 7;
  EXPECT_EQ(sim::internal::ForeignWindowProcess(reinterpret_cast<WindowHandle>(0x1234), &processId), 0u);
  EXPECT_EQ(processId, 0u);
}

}  // namespace
