// The simulated wizard sheet: a page's answers to Next and to leaving, answers reported as not
// handled, jumps by template, removal of the active page, and the guard against a sheet that
// nobody can end.
#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

constexpr uint32_t kFirst = 12006, kSecond = 10203, kThird = 12030;
constexpr uint32_t kWmNotifyMessage = 0x004E;
constexpr uint32_t kRemovePage = 0x466;
constexpr int32_t kSetActive = -200, kKillActive = -201, kWizNext = -207;

struct NotifyHeader {
  WindowHandle hwndFrom;
  uintptr_t idFrom;
  int32_t code;
};

// How one page answers one notification; pages answer everything else with 0, handled.
struct Rule {
  uint32_t templateId;
  int32_t code;
  intptr_t handled;
  intptr_t result;
  bool removeSelf;  // the page queues its own removal (index 1)
};
std::vector<Rule> g_rules;

intptr_t RulePage(WindowHandle page, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == kWmInitDialog) return 1;
  if (message != kWmNotifyMessage) return 0;
  const NotifyHeader* header = reinterpret_cast<const NotifyHeader*>(lParam);
  for (const Rule& rule : g_rules) {
    if (rule.templateId != sim::internal::DialogTemplateOf(page) || rule.code != header->code) continue;
    if (rule.removeSelf) SysPostMessage(SysGetParent(page), kRemovePage, 1, 0);
    SysSetDialogResult(page, rule.result);
    return rule.handled;
  }
  SysSetDialogResult(page, 0);
  return 1;
}

class PropertySheetTest : public SimFixture {};

TEST_F(PropertySheetTest, PageAnswersDecideTheWalk) {
  struct Case {
    const char* name;
    std::vector<Rule> rules;
    intptr_t result;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"-1 keeps the page until the guard ends the sheet", {{kFirst, kWizNext, 1, -1, false}}, -1, {"12006"}},
      {"not handled moves on whatever the result holds", {{kFirst, kWizNext, 0, -1, false}}, 0,
       {"12006", "10203", "12030"}},
      {"a veto on leaving keeps the page", {{kFirst, kKillActive, 1, 1, false}}, -1, {"12006"}},
      {"an answer naming a template goes there", {{kFirst, kWizNext, 1, kThird, false}}, 0, {"12006", "12030"}},
      {"the active page removed: the one before comes back", {{kSecond, kSetActive, 1, 0, true}}, 0,
       {"12006", "10203", "12006", "12030"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    g_rules = c.rules;
    sim::QueueDialogAnswer(kThird, kIdCancel);
    const SysWizardPage pages[] = {{kFirst, u"One", RulePage}, {kSecond, u"Two", RulePage}, {kThird, u"Three", RulePage}};
    EXPECT_EQ(SysRunWizardSheet(nullptr, nullptr, pages, 3), c.result);
    std::vector<std::string> shown;
    for (const std::string& line : JournalLines("wizard: page "))
      if (line.find("] shown") != std::string::npos) shown.push_back(line.substr(13, 5));
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(JournalHas("still open after 10 presses"), c.result == -1);
    EXPECT_EQ(sim::ActiveWizardPage(), nullptr);
  }
}

}  // namespace
