// Folder records, folder chains and the "Everyone" access entry on Windows 7 (and older systems
// for the calls they lack): the records and access lists left on the machine.
#include "files/folder_rights.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "support/sim_fixture.h"

namespace {

const char16_t kFolder[] = u"C:\\Data\\Box";

// The values under HKEY_LOCAL_MACHINE "Software\Norvik\Uninstall" as "name=data" lines, in the
// order they were first written; values that are not strings are marked.
std::vector<std::string> InstalledFolderRecords() {
  std::vector<std::string> lines;
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Uninstall", kKeyRead, &key) != 0) return lines;
  for (uint32_t i = 0;; ++i) {
    char16_t name[300];
    char16_t data[300];
    uint32_t nameLength = 300, dataBytes = sizeof(data), type = 0;
    if (SysRegEnumValue(key, i, name, &nameLength, &type, reinterpret_cast<uint8_t*>(data), &dataBytes) != 0) break;
    std::u16string text(data, dataBytes / 2);
    while (!text.empty() && text.back() == 0) text.pop_back();
    lines.push_back(sim::ToUtf8(std::u16string(name, nameLength)) + "=" + sim::ToUtf8(text) +
                    (type == kRegTypeSz ? "" : " (type " + std::to_string(type) + ")"));
  }
  SysRegCloseKey(key);
  return lines;
}

class FolderRightsTest : public SimFixture {
 protected:
  // Creates kFolder and gives it the access list `security`.
  void SeedFolder(const sim::PathSecurity& security) {
    ASSERT_TRUE(sim::WriteDiskFile(std::u16string(kFolder) + u"\\seed.txt", "x"));
    ASSERT_TRUE(sim::SetPathSecurity(kFolder, security));
  }
  static uint16_t Control(const char16_t* path) {
    sim::PathSecurity security;
    EXPECT_TRUE(sim::GetPathSecurity(path, &security));
    return security.control;
  }
};

using Lines = std::vector<std::string>;

TEST_F(FolderRightsTest, CreateFolderPathMakesAndRecordsOnlyTheMissingLevels) {
  struct ChainCase {
    const char* what;
    const char16_t* programDest;
    const char16_t* path;
    int failingCreation;  // which SysCreateDirectory call fails; 0 for none
    Lines records;
    const char* everyone;  // first access entry of the path afterwards
  };
  const ChainCase cases[] = {
      {"last level new: the drive and Program Files record the program destination",
       u"C:\\Program Files\\Dest", u"C:\\Program Files\\Norvik", 0,
       {"C:\\Program Files\\Dest=InstallPath", "C:\\Program Files\\Norvik=InstallPath"}, "Everyone 0x10000000 OI|CI"},
      {"three new levels, recorded from the top down, once each",
       u"C:\\Program Files\\Dest", u"C:\\Program Files\\Norvik\\Glidewave\\Data", 0,
       {"C:\\Program Files\\Dest=InstallPath", "C:\\Program Files\\Norvik=InstallPath",
        "C:\\Program Files\\Norvik\\Glidewave=InstallPath", "C:\\Program Files\\Norvik\\Glidewave\\Data=InstallPath"},
       "Everyone 0x10000000 OI|CI"},
      {"every level exists; no program destination yet: the key's default value", u"", u"C:\\Windows\\System32", 0,
       {"=InstallPath"}, "Everyone 0x10000000 OI|CI"},
      {"a level that cannot be made is not recorded, nor the ones below it",
       u"C:\\Program Files\\Dest", u"C:\\Program Files\\Norvik\\Glidewave\\Data", 2,
       {"C:\\Program Files\\Dest=InstallPath", "C:\\Program Files\\Norvik=InstallPath"}, nullptr},
  };
  for (const ChainCase& c : cases) {
    SCOPED_TRACE(c.what);
    StartMachine("win7");
    TextCopy(g_szProgramFileDest, c.programDest);
    if (c.failingCreation) sim::FailCall("SysCreateDirectory", c.failingCreation, kErrAccessDenied);
    CreateFolderPath(c.path);
    EXPECT_EQ(InstalledFolderRecords(), c.records);
    const Lines dacl = sim::DescribeDacl(c.path);
    if (!c.everyone) {
      EXPECT_TRUE(dacl.empty());
      EXPECT_TRUE(JournalHas("GetFileSecurity() failed. Error 3"));
      continue;
    }
    ASSERT_FALSE(dacl.empty());
    EXPECT_EQ(dacl[0], c.everyone);
  }
}

TEST_F(FolderRightsTest, NewEntryGoesAfterExplicitAndBeforeInheritedEntries) {
  const uint32_t full = 0x1F01FF, read = 0x1200A9;
  const uint8_t ci = 0x3, inh = 0x13;
  struct AclCase {
    const char* what;
    const char* profile;
    const char* missingExport;  // of advapi32.dll, "" for none
    sim::PathSecurity seed;
    Lines expected;
    uint16_t control;  // 0x400 auto-inherited and 0x1000 protected, afterwards
  };
  const sim::PathSecurity isProtected = {true, false, 0x4 | 0x1000, {{"Administrators", full, ci}}};
  const AclCase cases[] = {
      {"explicit Everyone replaced, inherited entries after the new one", "win7", "",
       {true, false, 0x4 | 0x400,
        {{"Administrators", full, ci}, {"Everyone", read, 0}, {"Users", read, ci}, {"SYSTEM", full, inh},
         {"Everyone", read, inh}}},
       {"Administrators 0x1f01ff OI|CI", "Users 0x1200a9 OI|CI", "Everyone 0x10000000 OI|CI",
        "SYSTEM 0x1f01ff OI|CI inherited", "Everyone 0x1200a9 OI|CI inherited"},
       0x400},
      {"out-of-order list: everything from the first inherited entry on is kept", "win7", "",
       {true, false, 0x4, {{"Administrators", full, ci}, {"SYSTEM", full, inh}, {"Everyone", read, 0}}},
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 OI|CI", "SYSTEM 0x1f01ff OI|CI inherited",
        "Everyone 0x1200a9 -"},
       0},
      {"deny entries keep their place, the account's own goes", "win7", "",
       {true, false, 0x4, {{"Users", 0x2, 0, 1}, {"Everyone", 0x10000, 0, 1}}},
       {"deny Users 0x2 -", "Everyone 0x10000000 OI|CI"}, 0},
      {"no access list at all", "win7", "", {false, false, 0, {}}, {"Everyone 0x10000000 OI|CI"}, 0},
      {"null access list", "win7", "", {true, true, 0x4, {}}, {"Everyone 0x10000000 OI|CI"}, 0},
      {"protected list stays protected", "win7", "", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 OI|CI"}, 0x1000},
      {"auto-inherited and protected: only auto-inheritance is kept", "win7", "",
       {true, false, 0x4 | 0x400 | 0x1000, {{"SYSTEM", full, inh}}},
       {"Everyone 0x10000000 OI|CI", "SYSTEM 0x1f01ff OI|CI inherited"}, 0x400},
      {"no AddAccessAllowedAceEx: not inheritable", "win7", "AddAccessAllowedAceEx", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 -"}, 0x1000},
      {"no SetSecurityDescriptorControl: protection lost", "win7", "SetSecurityDescriptorControl", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 OI|CI"}, 0},
      {"Windows NT 4 has neither", "nt4", "", isProtected,
       {"Administrators 0x1f01ff OI|CI", "Everyone 0x10000000 -"}, 0},
  };
  for (const AclCase& c : cases) {
    SCOPED_TRACE(c.what);
    StartMachine(c.profile);
    if (c.missingExport[0]) sim::SetExportMissing("advapi32.dll", c.missingExport);
    SeedFolder(c.seed);
    EXPECT_EQ(GrantFolderAccess(kFolder, u"Everyone", kGenericAll), 1);
    EXPECT_EQ(sim::DescribeDacl(kFolder), c.expected);
    EXPECT_EQ(Control(kFolder) & 0x1400, c.control);
  }
}

TEST_F(FolderRightsTest, EveryFailingStepIsReportedAndLeavesTheListAlone) {
  struct FaultCase {
    const char* function;  // "" for a failure without injection
    int nth;
    const char16_t* account;
    const char16_t* path;
    const char* report;
  };
  const FaultCase cases[] = {
      {"", 0, u"Nobody", kFolder, "LookupAccountName() failed. Error 1332"},
      {"", 0, u"Everyone", u"C:\\Data\\Missing", "GetFileSecurity() failed. Error 2"},
      {"SysAddAce", 2, u"Everyone", kFolder, "AddAce() failed. Error 5"},  // the inherited entry
      {"SysAddAccessAllowedAceEx", 1, u"Everyone", kFolder, "AddAccessAllowedAceEx() failed. Error 5"},
      {"SysSetSecurityDescriptorControl", 1, u"Everyone", kFolder, "SetSecurityDescriptorControl() failed.Error 5"},
      {"SysSetFileSecurity", 1, u"Everyone", kFolder, "SetFileSecurity() failed. Error 5"},
  };
  const sim::PathSecurity seed = {true, false, 0x4 | 0x400, {{"Users", 0x1200A9, 0x3}, {"SYSTEM", 0x1F01FF, 0x13}}};
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.report);
    StartMachine("win7");
    SeedFolder(seed);
    const Lines before = sim::DescribeDacl(kFolder);
    if (c.function[0]) sim::FailCall(c.function, c.nth, kErrAccessDenied);
    EXPECT_EQ(GrantFolderAccess(c.path, c.account, kGenericAll), 0);
    sim::ClearFaults();
    EXPECT_TRUE(JournalHas(c.report)) << c.report;
    EXPECT_EQ(sim::DescribeDacl(kFolder), before);
  }
}

}  // namespace
