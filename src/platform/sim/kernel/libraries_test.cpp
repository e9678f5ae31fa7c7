// Tests of the simulated machine's libraries.
#include <gtest/gtest.h>

#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using LibrariesTest = SimFixture;

// "ok" when the export is found, "no export" or "no library" otherwise.
std::string Lookup(const char16_t* library, const char* exportName) {
  ModuleHandle module = SysLoadLibrary(library);
  if (!module) return SysGetLastError() == kErrModNotFound ? "no library" : "?";
  void* address = SysGetProcAddress(module, exportName);
  const ErrorCode error = SysGetLastError();
  SysFreeLibrary(module);
  if (address) return "ok";
  return error == kErrProcNotFound ? "no export" : "?";
}

TEST_F(LibrariesTest, ProfilesOfferTheLibrariesOfTheirWindowsVersion) {
  struct Case {
    const char16_t* library;
    const char* exportName;
    // win98, nt4, win2000, win7
    const char* expected[4];
  };
  const char* const kProfiles[] = {"win98", "nt4", "win2000", "win7"};
  const Case cases[] = {
      {u"kernel32.dll", "ExitProcess", {"ok", "ok", "ok", "ok"}},
      {u"KERNEL32", "CreateToolhelp32Snapshot", {"ok", "no export", "ok", "ok"}},
      {u"advapi32.dll", "AddAccessAllowedAceEx", {"no export", "no export", "ok", "ok"}},
      {u"advapi32.dll", "setsecuritydescriptorcontrol", {"no export", "no export", "no export", "no export"}},
      {u"newdev.dll", "UpdateDriverForPlugAndPlayDevicesW", {"no library", "no library", "ok", "ok"}},
      {u"psapi.dll", "EnumProcesses", {"no library", "ok", "ok", "ok"}},
      {u"kernel32.dll", "NoSuchFunction", {"no export", "no export", "no export", "no export"}},
      {u"nosuch.dll", "Anything", {"no library", "no library", "no library", "no library"}},
  };
  for (int p = 0; p < 4; ++p) {
    StartMachine(kProfiles[p]);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kProfiles[p]) + " " + sim::ToUtf8(c.library) + "!" + c.exportName);
      EXPECT_EQ(Lookup(c.library, c.exportName), c.expected[p]);
    }
  }
}

TEST_F(LibrariesTest, TestsCanRemoveLibrariesAndExports) {
  StartMachine("winxp");
  sim::SetLibraryMissing("NEWDEV");
  sim::SetExportMissing("Advapi32.dll", "AddAccessAllowedAceEx");
  EXPECT_EQ(Lookup(u"newdev.dll", "UpdateDriverForPlugAndPlayDevicesW"), "no library");
  EXPECT_EQ(Lookup(u"advapi32.dll", "AddAccessAllowedAceEx"), "no export");
  EXPECT_EQ(Lookup(u"advapi32.dll", "SetSecurityDescriptorControl"), "ok");
  EXPECT_EQ(JournalLines("load-library: "),
            (std::vector<std::string>{"load-library: newdev.dll -> missing", "load-library: advapi32.dll -> ok",
                                      "load-library: advapi32.dll -> ok"}));
  // A fresh machine has them again.
  StartMachine("winxp");
  EXPECT_EQ(Lookup(u"newdev.dll", "UpdateDriverForPlugAndPlayDevicesW"), "ok");
}

TEST_F(LibrariesTest, LibraryFilesOfTheDiskLoadButExportNothing) {
  WritePackageFile(u"nvkmenu.dll", "MZ");
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\System32\\helper.dll", "MZ"));
  struct Case {
    const char16_t* name;
    bool loads;
  };
  // Beside the program, with ".dll" added, in the system folder, by path.
  const Case cases[] = {{u"NVKMENU", true}, {u"helper.dll", true}, {u"D:\\nvkmenu.dll", true},
                        {u"C:\\nvkmenu.dll", false}, {u"missing.dll", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.name));
    ModuleHandle module = SysLoadLibrary(c.name);
    EXPECT_EQ(module != nullptr, c.loads);
    if (!module) continue;
    EXPECT_EQ(SysGetProcAddress(module, "NvkCreateMenu"), nullptr);
    EXPECT_EQ(SysGetLastError(), kErrProcNotFound);
    EXPECT_EQ(SysFreeLibrary(module), 1);
  }
}

}  // namespace
