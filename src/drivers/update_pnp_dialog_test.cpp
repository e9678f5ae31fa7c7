// The driver-stage dialog: its worker starts on the first paint, also when the dialog is
// hidden, and the dialog ends with the stage's verdict.
#include "drivers/update_pnp_dialog.h"

#include "resource_ids.h"
#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

class UpdatePnPDialogTest : public DriverStageFixture {
 protected:
  intptr_t Open() { return SysDialogBoxParam(nullptr, IDD_STAGE_WAIT, nullptr, UpdatePnPDlgProc, 0); }
};

TEST_F(UpdatePnPDialogTest, EndsWithTheStageVerdict) {
  const struct {
    const char* name;
    int32_t hidden, noInf;
    uint32_t result;
    intptr_t expected;
    bool failedShown;
    bool programRuns;
  } rows[] = {
      {"success", 0, 0, 0, 1, false, true},
      {"hidden failure", 1, 0, 3, 0, true, true},
      {"no INF stage", 1, 1, 3, 1, false, false},
  };
  for (const auto& row : rows) {
    StartMachine("win7");
    SeedRecord(u"mouse.inf", "*PNP0F13");
    AddSetupProgram("SetupNT.exe", row.result);
    g_Settings.InterfaceType = kInterfacePS2;
    g_Settings.PS2DriverNameIsProductName = 1;
    g_Settings.HiddenMode = row.hidden;
    g_Settings.NoInfMode = row.noInf;

    EXPECT_EQ(Open(), row.expected) << row.name;
    const std::vector<std::string> dialogs = JournalLines("dialog: 12012");
    ASSERT_FALSE(dialogs.empty()) << row.name;
    EXPECT_EQ(dialogs[0].substr(dialogs[0].size() - 6), row.hidden ? "hidden" : " shown") << row.name;
    EXPECT_EQ(!JournalLines("dialog: 116").empty(), row.failedShown) << row.name;
    EXPECT_EQ(!sim::StartedPrograms().empty(), row.programRuns) << row.name;
  }
}

TEST_F(UpdatePnPDialogTest, ASecondStageStartsItsOwnWorker) {
  SeedRecord(u"mouse.inf", "*PNP0F13");
  AddSetupProgram("SetupNT.exe", 0);
  g_Settings.InterfaceType = kInterfacePS2;
  g_Settings.PS2DriverNameIsProductName = 1;
  EXPECT_EQ(Open(), 1);
  EXPECT_EQ(Open(), 1);
  EXPECT_EQ(sim::StartedPrograms().size(), 2u);
}

}  // namespace
