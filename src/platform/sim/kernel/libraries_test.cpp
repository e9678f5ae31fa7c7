// Libraries on the simulated machine: files of the disk load by the search order but export
// nothing; tests can take libraries and exports away until the next machine.
#include <gtest/gtest.h>

#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using LibrariesTest = SimFixture;

TEST_F(LibrariesTest, DiskFilesLoadAndRemovedLibrariesDoNot) {
  WritePackageFile(u"nvkmenu.dll", "MZ");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\System32\\helper.dll", "MZ"));
  sim::SetLibraryMissing("NEWDEV");
  sim::SetExportMissing("Advapi32.dll", "AddAccessAllowedAceEx");
  const struct {
    const char16_t* name;
    const char* exportName;
    const char* result;  // "export", "no export" (127) or "no library" (126)
  } cases[] = {
      // Beside the program, with ".dll" added, in the system folder, by path.
      {u"NVKMENU", "NvkCreateMenu", "no export"},
      {u"helper.dll", "NvkCreateMenu", "no export"},
      {u"D:\\nvkmenu.dll", "NvkCreateMenu", "no export"},
      {u"C:\\nvkmenu.dll", "NvkCreateMenu", "no library"},
      {u"newdev.dll", "UpdateDriverForPlugAndPlayDevicesW", "no library"},
      {u"advapi32.dll", "AddAccessAllowedAceEx", "no export"},
      {u"advapi32.dll", "SetSecurityDescriptorControl", "export"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.name));
    ModuleHandle module = SysLoadLibrary(c.name);
    std::string result = module ? "no export" : SysGetLastError() == kErrModNotFound ? "no library" : "?";
    if (module && SysGetProcAddress(module, c.exportName)) result = "export";
    if (module && result == "no export" && SysGetLastError() != kErrProcNotFound) result = "?";
    if (module) {
      EXPECT_EQ(SysFreeLibrary(module), 1);
    }
    EXPECT_EQ(result, c.result);
  }
  EXPECT_EQ(JournalLines("load-library: newdev"), std::vector<std::string>{"load-library: newdev.dll -> missing"});
  StartMachine("win7");  // a fresh machine has them again
  ModuleHandle newdev = SysLoadLibrary(u"newdev.dll");
  EXPECT_NE(newdev, nullptr);
  SysFreeLibrary(newdev);
}

}  // namespace
