// The Welcome page: the pages it removes for the questions not asked, the default destination,
// and what activation asks of the frame in normal, silent and hidden runs.
#include "wizard/welcome_page.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/page_fixture.h"
#include "ui/wizard_messages.h"
#include "wizard/run_wizard.h"

namespace {

class WelcomePageTest : public PageFixture {
 protected:
  void Prepare() override {
    TextCopy(g_Settings.Title, u"Glidewave 98");
    TextCopy(g_Settings.DefaultDestination, u"\\Tools\\Glidewave");
    TextCopy(g_Settings.DestinationDir, u"X:\\stale");
  }
  bool FrameVisible() const {
    sim::WindowInfo info;
    return sim::GetWindowInfo(frame_, &info) && info.visible;
  }
};

FrameRequest Removal(uintptr_t index) { return {kPsmRemovePage, index, 0}; }

TEST_F(WelcomePageTest, RemovalsAndDefaultDestination) {
  struct Case {
    const char* name;
    int32_t askPath, askMouse, chooseMouse, modelIdGiven, askType;
    std::vector<FrameRequest> removals;  // highest index first
    const char* destination;
  };
  const Case cases[] = {
      {"no questions", 0, 0, 0, 0, 0,
       {Removal(kPageIndexDestination), Removal(kPageIndexLocation), Removal(kPageIndexMouseModel),
        Removal(kPageIndexInterface)},
       "C:\\Windows\\System32"},
      {"every question", 1, 1, 1, 0, 1, {}, "C:\\Tools\\Glidewave"},
      {"a given model removes the model page", 1, 1, 1, 1, 1, {Removal(kPageIndexMouseModel)},
       "C:\\Tools\\Glidewave"},
      {"any other path setting keeps the destination", 2, 1, 0, 0, 1, {Removal(kPageIndexMouseModel)}, "X:\\stale"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.AskPath = c.askPath;
    g_Settings.AskMousePosition = c.askMouse;
    g_Settings.ChooseMouse = c.chooseMouse;
    g_Settings.ModelIdGiven = c.modelIdGiven;
    g_Settings.AskType = c.askType;
    CreatePage(IDD_PAGE_WELCOME, WelcomePageProc);
    EXPECT_EQ(Requests(), c.removals);
    EXPECT_EQ(sim::ToUtf8(g_Settings.DestinationDir), c.destination);
  }
}

TEST_F(WelcomePageTest, ActivationInNormalSilentAndHiddenRuns) {
  struct Case {
    const char* name;
    int32_t silent, hidden;
    bool pressesNext, frameVisible;
  };
  const Case cases[] = {
      {"normal", 0, 0, false, true},
      {"silent", 1, 0, true, true},
      {"hidden", 1, 1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_Settings.AskPath = g_Settings.AskMousePosition = g_Settings.ChooseMouse = g_Settings.AskType = 1;
    g_Settings.SilentMode = c.silent;
    g_Settings.HiddenMode = c.hidden;
    CreatePage(IDD_PAGE_WELCOME, WelcomePageProc);
    Requests();
    Notify(kPsnSetActive);
    std::vector<FrameRequest> expected = {{kPsmSetWizButtons, 0, kPswizbNext}};
    if (c.pressesNext) expected.push_back({kPsmPressButton, kPsbtnNext, 0});
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(FrameVisible(), c.frameVisible);
  }
}

}  // namespace
