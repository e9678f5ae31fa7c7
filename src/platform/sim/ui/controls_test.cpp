// Tests of the built-in buttons.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "support/ui_test_support.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"

namespace {

using ControlsTest = ui_test::WindowFixture;
using ui_test::kCheckId;
using ui_test::kRadioBt;
using ui_test::kRadioPs2;
using ui_test::kRadioUsb;

std::vector<std::string> g_commands;

intptr_t CommandRecorder(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == kWmCommand) {
    const int id = ui_test::LowWord(wParam);
    const bool fromControl = reinterpret_cast<WindowHandle>(lParam) == SysGetDlgItem(dialog, id);
    g_commands.push_back(std::to_string(id) + "/" + std::to_string(ui_test::HighWord(wParam)) +
                         (fromControl ? "" : " (no control)"));
    return 1;
  }
  return 0;
}

TEST_F(ControlsTest, ClicksChangeButtonStatesAndNotifyTheDialog) {
  struct Case {
    const char* what;
    std::map<int, uint32_t> before;  // check states set first
    int hidden;                      // control hidden first (0: none)
    int disabled;                    // control disabled first (0: none)
    int clicked;
    std::map<int, uint32_t> after;
    std::vector<std::string> commands;
  };
  const Case cases[] = {
      {"radio clears its group, not the next group",
       {{kCheckId, 1}},
       0,
       0,
       kRadioBt,
       {{kRadioPs2, 0}, {kRadioBt, 1}, {kRadioUsb, 0}, {kCheckId, 1}},
       {"302/0"}},
      {"radio replaces the checked one",
       {{kRadioPs2, 1}},
       0,
       0,
       kRadioUsb,
       {{kRadioPs2, 0}, {kRadioBt, 0}, {kRadioUsb, 1}},
       {"303/0"}},
      {"a hidden member keeps its check",
       {{kRadioBt, 1}},
       kRadioBt,
       0,
       kRadioPs2,
       {{kRadioPs2, 1}, {kRadioBt, 1}, {kRadioUsb, 0}},
       {"301/0"}},
      {"a disabled member keeps its check",
       {{kRadioBt, 1}},
       0,
       kRadioBt,
       kRadioUsb,
       {{kRadioPs2, 0}, {kRadioBt, 1}, {kRadioUsb, 1}},
       {"303/0"}},
      {"check box toggles",
       {{kCheckId, 1}, {kRadioPs2, 1}},
       0,
       0,
       kCheckId,
       {{kCheckId, 0}, {kRadioPs2, 1}},
       {"410/0"}},
      {"disabled button takes no click",
       {{kRadioPs2, 1}},
       0,
       kRadioUsb,
       kRadioUsb,
       {{kRadioPs2, 1}, {kRadioUsb, 0}},
       {}},
      {"push button only notifies", {}, 0, 0, kIdOk, {{kIdOk, 0}}, {"1/0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_commands.clear();
    WindowHandle dialog =
        sim::internal::CreateDialogFromTemplate(ui_test::kFullDialog, nullptr, false, CommandRecorder, 0);
    ASSERT_NE(dialog, nullptr);
    for (const auto& state : c.before) SysCheckDlgButton(dialog, state.first, state.second);
    if (c.hidden) SysShowWindow(SysGetDlgItem(dialog, c.hidden), kSwHide);
    if (c.disabled) SysEnableWindow(SysGetDlgItem(dialog, c.disabled), 0);
    SysSendDlgItemMessage(dialog, c.clicked, sim::kBmClick, 0, 0);
    for (const auto& state : c.after)
      EXPECT_EQ(SysIsDlgButtonChecked(dialog, state.first), state.second) << "control " << state.first;
    EXPECT_EQ(g_commands, c.commands);
    SysDestroyWindow(dialog);
  }
}

TEST_F(ControlsTest, SetCheckKeepsOnlyTheStatesOfTheButtonType) {
  WindowHandle dialog = sim::internal::CreateDialogFromTemplate(ui_test::kFullDialog, nullptr, false, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  struct Case {
    int id;
    uint32_t set;
    uint32_t read;
  };
  const Case cases[] = {
      {kIdOk, kBstChecked, kBstUnchecked},  // push buttons have no check state
      {kRadioPs2, sim::kBstIndeterminate, kBstChecked},
      {kCheckId, sim::kBstIndeterminate, kBstChecked},
      {kCheckId, kBstUnchecked, kBstUnchecked},
  };
  for (const Case& c : cases) {
    SysSendDlgItemMessage(dialog, c.id, kBmSetCheck, c.set, 0);
    EXPECT_EQ(SysSendDlgItemMessage(dialog, c.id, kBmGetCheck, 0, 0), static_cast<intptr_t>(c.read)) << c.id;
  }
  // Setting a radio button's state directly leaves the rest of its group alone.
  SysCheckDlgButton(dialog, kRadioBt, kBstChecked);
  EXPECT_EQ(SysIsDlgButtonChecked(dialog, kRadioPs2), kBstChecked);
  EXPECT_EQ(SysIsDlgButtonChecked(dialog, kRadioBt), kBstChecked);
  EXPECT_EQ(SysCheckDlgButton(dialog, 9999, kBstChecked), 0);
}

}  // namespace
