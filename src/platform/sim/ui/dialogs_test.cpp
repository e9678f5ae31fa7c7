// Modal dialogs on the simulated machine: scripted answers and the default button, and the
// guard against a dialog nobody ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/ui_test_support.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"

namespace {

using DialogsTest = ui_test::WindowFixture;
using ui_test::kCentredDialog;
using ui_test::kFullDialog;
using ui_test::kPlainDialog;
using Lines = std::vector<std::string>;

// Ends the dialog on push buttons, Enter and Escape, noting the radio button checked then;
// radio buttons just change. With commandsEnd false nothing ends it.
struct Answers {
  Lines checkedAtEnd;
  bool commandsEnd = true;
} g_answers;

intptr_t EndOnCommandProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != kWmCommand || !g_answers.commandsEnd) return 0;
  const int id = ui_test::LowWord(wParam);
  const WindowHandle control = reinterpret_cast<WindowHandle>(lParam);
  if (control && SysGetDlgItem(dialog, id) == control && id != kIdOk && id != kIdCancel && id != ui_test::kGoId)
    return 1;
  for (int radio : {ui_test::kRadioPs2, ui_test::kRadioBt, ui_test::kRadioUsb})
    if (SysIsDlgButtonChecked(dialog, radio)) g_answers.checkedAtEnd.push_back(std::to_string(radio));
  SysEndDialog(dialog, id);
  return 1;
}

TEST_F(DialogsTest, DialogsTakeScriptedAnswersElseTheDefaultButton) {
  struct Case {
    uint32_t templateId;
    std::vector<int> answers;
    bool commandsEnd;
    intptr_t result;
    Lines journal;  // after the "shown" line
    Lines checked;
  };
  Lines neverEnds(10, "100 press 1 (OK)");
  neverEnds.push_back("100 [Full Dialog] still open after 10 presses, ended with -1");
  const Case cases[] = {
      {kFullDialog, {}, true, kIdOk, {"100 press 1 (OK)"}, {}},
      {kFullDialog, {ui_test::kRadioBt, kIdCancel}, true, kIdCancel, {"100 press 302 (Blue&tooth)", "100 press 2 (Cancel)"}, {"302"}},
      {kFullDialog, {-1}, true, kIdOk, {"100 press -1 (x) ignored: disabled", "100 press 1 (OK)"}, {}},
      {kFullDialog, {999}, true, kIdOk, {"100 press 999 () ignored: no such control", "100 press 1 (OK)"}, {}},
      // No default push button: Escape, which reaches the dialog without a control.
      {kPlainDialog, {}, true, kIdCancel, {"200 press 2 ()"}, {}},
      {kFullDialog, {}, false, -1, neverEnds, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.journal[0]);
    sim::ClearJournal();
    g_answers = Answers();
    g_answers.commandsEnd = c.commandsEnd;
    for (int answer : c.answers) sim::QueueDialogAnswer(c.templateId, answer);
    sim::QueueDialogAnswer(kCentredDialog, kIdOk);  // another template's answer stays queued
    EXPECT_EQ(SysDialogBoxParam(nullptr, c.templateId, nullptr, EndOnCommandProc, 0), c.result);
    Lines journal = {c.templateId == kFullDialog ? "dialog: 100 [Full Dialog] shown" : "dialog: 200 [Plain] shown"};
    for (const std::string& line : c.journal) journal.push_back("dialog: " + line);
    EXPECT_EQ(JournalLines("dialog: "), journal);
    EXPECT_EQ(g_answers.checkedAtEnd, c.checked);
    int left = 0;
    EXPECT_TRUE(sim::internal::TakeDialogAnswer(kCentredDialog, &left));
    EXPECT_FALSE(sim::internal::TakeDialogAnswer(c.templateId, &left));
  }
  sim::ClearJournal();  // a missing template: -1 too, and no dialog at all
  EXPECT_EQ(SysDialogBoxParam(nullptr, 4242, nullptr, EndOnCommandProc, 0), -1);
  EXPECT_EQ(SysGetLastError(), 1814u);
  EXPECT_TRUE(JournalLines("dialog: ").empty());
}

}  // namespace
