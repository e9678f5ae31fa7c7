// Newer-version check against the installed product's registry key, with the "Warning" dialog
// answered on the simulated window manager.
#include "conflicts/newer_version.h"

#include <string>

#include "common/text.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "platform/sim/ui/window_manager.h"
#include "support/sim_fixture.h"

namespace {

class NewerVersionTest : public SimFixture {};

TEST_F(NewerVersionTest, InstalledVersionDecides) {
  struct Case {
    const char* name;
    std::string registry;  // below HKLM\Software\Norvik\Glidewave 98; "" for no product key
    const char* version;
    const char* subVersion;
    int32_t interfaceType, compareSubVer, replace, showWarning;
    int result;
    int32_t newerPackage;
    const char* dialog;  // "shown", "hidden" or "" (no dialog)
  };
  const char* kProduct = "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n";
  const char* kInterfaces = "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98\\Interface]\n";
  const std::string v20 = std::string(kProduct) + "\"Version\"=\"2.0\"\n";
  const std::string v15 = std::string(kProduct) + "\"Version\"=\"1.5\"\n";
  const std::string equalAll = v15 + kInterfaces + "\"All\"=dword:00000007\n";
  const std::string equalPS2 = v15 + kInterfaces + "\"PS2\"=dword:00000001\n";
  const std::string subB = std::string(kProduct) + "\"Version\"=\"1.5\"\n\"SubVersion\"=\"B\"\n" + kInterfaces +
                           "\"PS2\"=dword:00000001\n";
  const Case cases[] = {
      {"installed 2.0, package 1.5", v20, "1.5", "", 3, 0, 1, 1, 1, 0, "shown"},
      {"installed 1.5, package 2.0", v15, "2.0", "", 3, 0, 1, 1, 0, 1, ""},
      {"1.10 is older than 1.9", (std::string(kProduct) + "\"Version\"=\"1.9\"\n"), "1.10", "", 3, 0, 1, 1, 1, 0,
       "shown"},
      {"1.9 is newer than 1.10", (std::string(kProduct) + "\"Version\"=\"1.10\"\n"), "1.9", "", 3, 0, 1, 1, 0,
       1, ""},
      {"case is ignored", (std::string(kProduct) + "\"Version\"=\"1.5A\"\n"), "1.5a", "", 3, 0, 1, 1, 0, 0,
       ""},
      {"equal, installed for every interface", equalAll, "1.5", "", 3, 0, 1, 1, 1, 0, "shown"},
      {"equal, installed for PS/2 only, USB chosen", equalPS2, "1.5", "", 3, 0, 1, 1, 0, 0, ""},
      {"equal, installed for PS/2, PS/2 chosen", equalPS2, "1.5", "", 1, 0, 1, 1, 1, 0, "shown"},
      {"equal, older sub-version", subB, "1.5", "A", 3, 1, 1, 1, 1, 0, "shown"},
      {"equal, newer sub-version, same interface", subB, "1.5", "C", 1, 1, 1, 1, 0, 0, ""},
      {"equal sub-versions, same interface", subB, "1.5", "b", 1, 1, 1, 1, 1, 0, "shown"},
      {"equal sub-versions, other interface", subB, "1.5", "B", 3, 1, 1, 1, 0, 0, ""},
      {"no installed sub-version, Replace 0", equalPS2, "1.5", "", 1, 1, 0, 1, 0, 0, ""},
      {"no installed sub-version, Replace 1: empty text", equalPS2, "1.5", "", 1, 1, 1, 1, 1, 0, "shown"},
      {"no installed sub-version, Replace 1, package has one", equalPS2, "1.5", "1", 1, 1, 1, 1, 0, 0, ""},
      {"warning switched off", v20, "1.5", "", 3, 0, 1, 0, 1, 0, "hidden"},
      {"an interface value that is no number ends the list",
       (std::string(kProduct) + "\"Version\"=\"1.5\"\n" + kInterfaces + "\"Text\"=\"7\"\n\"USB\"=dword:00000003\n"),
       "1.5", "", 3, 0, 1, 1, 0, 0, ""},
      {"no installed product", "", "1.5", "", 3, 0, 1, 1, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("winxp");
    if (!c.registry.empty()) ImportReg(c.registry);
    TextCopy(g_Settings.Version, sim::FromUtf8(c.version).c_str());
    TextCopy(g_Settings.SubVersion, sim::FromUtf8(c.subVersion).c_str());
    g_Settings.InterfaceType = c.interfaceType;
    g_Settings.CompareSubVer = c.compareSubVer;
    g_Settings.Replace = c.replace;
    g_Settings.ShowWarning = c.showWarning;

    EXPECT_EQ(CheckNewerVersion(nullptr), c.result);
    EXPECT_EQ(g_Settings.NewerPackage, c.newerPackage);
    EXPECT_EQ(g_Settings.VersionChecked, 1);
    const bool shown = JournalHas("dialog: 12033 [Warning] shown");
    const bool hidden = JournalHas("dialog: 12033 [Warning] hidden");
    EXPECT_EQ(shown, std::string(c.dialog) == "shown");
    EXPECT_EQ(hidden, std::string(c.dialog) == "hidden");
    // A shown warning is left with its Exit Setup button.
    if (shown) {
      EXPECT_TRUE(JournalHas("dialog: 12033 press 1012 (Exit Setup)"));
    }
  }
}

}  // namespace
