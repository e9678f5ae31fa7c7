// The OEM INF copy on simulated Windows XP: the drive the setup runs from, the older copy that
// goes first, the name Windows gives the copy and the uninstall entry that records it.
#include "drivers/oem_inf_copy.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class OemInfCopyTest : public SimFixture {};

TEST_F(OemInfCopyTest, CopiesFromAFixedDiskIntoTheNextFreeName) {
  struct Case {
    const char* name;
    uint8_t driveType;
    bool exportMissing, sourcePresent;
    bool olderDeleted, copied;
    std::vector<std::string> boxes;  // with InstallTrace
  };
  const Case cases[] = {
      {"fixed disk", 3, false, true, true, true,
       {"msgbox: [SetupCopyOEMInf2] D:\\nhidmou.inf -> 1", "msgbox: [SetupCopyOEMInf2] C:\\WINDOWS\\INF\\oem1.inf -> 1"}},
      {"CD-ROM", 5, false, true, false, false, {}},
      {"network share", 4, false, true, false, false, {}},
      {"no SetupCopyOEMInfW", 3, true, true, false, false, {}},
      {"INF missing beside the setup", 3, false, false, true, false,
       {"msgbox: [SetupCopyOEMInf2] D:\\nhidmou.inf -> 1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::MachineProfile profile = Builtin("winxp");
    profile.driveTypes['D' - 'A'] = c.driveType;
    StartMachine(profile);
    TextCopy(g_Settings.SourceDir, PackageDir().c_str());
    TextCopy(g_Settings.InfPath, PackagePath(u"nhidmou.inf").c_str());
    TextCopy(g_Settings.UninstallKey, u"GlidewaveUn");
    g_Settings.InstallTrace = 1;
    if (c.exportMissing) sim::SetExportMissing("setupapi.dll", "SetupCopyOEMInfW");
    if (c.sourcePresent) WritePackageFile(u"nhidmou.inf", "new inf");
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\WINDOWS\\inf\\nhidmou.inf", "old inf"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\WINDOWS\\inf\\oem0.inf", "another maker's inf"));
    CopyOEMInf(u"nhidmou.inf");
    EXPECT_EQ(sim::DiskPathExists(u"C:\\WINDOWS\\inf\\nhidmou.inf"), !c.olderDeleted);
    EXPECT_EQ(Disk(u"C:\\WINDOWS\\INF\\oem1.inf"), c.copied ? "new inf" : "<missing>");
    // The uninstaller learns the name Windows chose, not the source name.
    const std::string reg = sim::ExportRegText();
    EXPECT_EQ(reg.find("\"oem1.inf\"=\"C:\\\\WINDOWS\\\\INF\"") != std::string::npos, c.copied);
    EXPECT_EQ(reg.find("DeleteFiles") != std::string::npos, c.copied);
    EXPECT_EQ(JournalLines("msgbox: "), c.boxes);
  }
}

}  // namespace
