// The warning on the Welcome page's Next: shown once per press whichever button ends it, and
// not at all when the configuration does not ask for the check.
#include "conflicts/conflict_warning_dialog.h"

#include <string>

#include "common/text.h"
#include "conflicts/detect_conflicting_software.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "wizard/run_wizard.h"

namespace {

class ConflictWarningTest : public SimFixture {
 protected:
  void TearDown() override {
    ConflictFound = ConflictUninstallEntryFound = 0;
    SimFixture::TearDown();
  }
};

TEST_F(ConflictWarningTest, WelcomeNextWarnsOncePerPress) {
  const struct {
    const char* name;
    const char* machine;
    int32_t check;
    int button;
    size_t warnings;
    bool driverLeft;
  } cases[] = {
      {"Continue: on to the next page, the driver stays", "win98", 1, IDC_CONFLICT_CONTINUE, 1, true},
      {"Uninstall It: cleaned up, then on without a second warning", "win98", 1, IDC_CONFLICT_UNINSTALL, 1, false},
      {"the check not asked for", "win98", 0, IDC_CONFLICT_UNINSTALL, 0, true},
      {"Windows XP finds nothing", "winxp", 1, IDC_CONFLICT_UNINSTALL, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.machine);
    ConflictFound = 0;
    ImportReg("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\LMOUSE]\n");
    TextCopy(g_Settings.ConfigFile, kTextSize, PackagePath(u"SETUP98.INI").c_str());
    WritePackageFile(u"SETUP98.INI", "[CopyList]\r\n");
    g_Settings.AskType = g_Settings.ChooseMouse = g_Settings.AskMousePosition = g_Settings.AskPath = 0;
    g_Settings.UninstallConflictSoftware = c.check;
    sim::QueueDialogAnswer(IDD_CONFLICT_WARNING, c.button);
    sim::QueueDialogAnswer(IDD_PAGE_START, kIdCancel);
    sim::QueueDialogAnswer(IDD_EXIT_SETUP, kIdCancel);
    RunWizard(nullptr);
    EXPECT_EQ(JournalCount("dialog: 130 [Warning] shown"), c.warnings);
    EXPECT_TRUE(JournalHas("wizard: page 12030 [Start Installation] shown"));
    EXPECT_EQ(ConflictFound, c.driverLeft && c.check && c.warnings ? 1 : 0);
  }
}

}  // namespace
