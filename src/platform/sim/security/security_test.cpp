// The simulated machine's security services: what created folders and files inherit on each
// family, the 9x family's refusal of every call, and the recorded shutdown privilege.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/security.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using SecurityTest = SimFixture;

TEST_F(SecurityTest, CreatedFoldersInheritTheirParentsList) {
  const struct {
    const char* profile;
    std::vector<std::string> dacl;
    uint16_t control;
  } cases[] = {
      {"winxp",
       {"Administrators 0x1f01ff OI|CI inherited", "SYSTEM 0x1f01ff OI|CI inherited", "Users 0x1200a9 OI|CI inherited"},
       0x404},
      // NT 4 copies inheritable entries without marking them and knows no automatic inheritance.
      {"nt4", {"Administrators 0x1f01ff OI|CI", "SYSTEM 0x1f01ff OI|CI", "Users 0x1200a9 OI|CI"}, 0x4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    StartMachine(c.profile);
    ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
    EXPECT_EQ(sim::DescribeDacl(u"C:\\Product"), c.dacl);
    sim::PathSecurity security;
    ASSERT_TRUE(sim::GetPathSecurity(u"C:\\Product", &security));
    EXPECT_TRUE(security.daclPresent);
    EXPECT_EQ(security.control, c.control);
    // Files inherit only what objects inherit, without inheritance flags of their own.
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Product\\file.txt", "x"));
    const std::vector<std::string> fileDacl = sim::DescribeDacl(u"C:\\Product\\file.txt");
    EXPECT_EQ(fileDacl.size(), 3u);
    EXPECT_EQ(fileDacl.at(0), std::string("Administrators 0x1f01ff -") + (c.control & 0x400 ? " inherited" : ""));
  }
}

TEST_F(SecurityTest, NineXFamilyRefusesEverySecurityCall) {
  for (const char* profile : {"win95", "win98", "winme"}) {
    SCOPED_TRACE(profile);
    StartMachine(profile);
    ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
    alignas(8) uint8_t descriptor[kSecurityDescriptorBufferSize] = {1};
    uint8_t acl[64] = {};
    uint8_t sid[68] = {1, 1, 0, 0, 0, 0, 0, 1};
    uint32_t sidSize = sizeof(sid), domainSize = 8, needed = 0, revision = 0;
    char16_t domain[8];
    int present = 0, defaulted = 0;
    SysAclHeader* aclOut = nullptr;
    SysAclSizeInformation info;
    uint16_t control = 0;
    void* ace = nullptr;
    SysAclHeader* list = reinterpret_cast<SysAclHeader*>(acl);
    const int results[] = {
        SysLookupAccountName(u"Everyone", sid, &sidSize, domain, &domainSize),
        SysGetFileSecurity(u"C:\\Product", kDaclSecurityInformation, descriptor, sizeof(descriptor), &needed),
        SysSetFileSecurity(u"C:\\Product", kDaclSecurityInformation, descriptor),
        SysInitializeSecurityDescriptor(descriptor, 1),
        SysGetSecurityDescriptorDacl(descriptor, &present, &aclOut, &defaulted),
        SysSetSecurityDescriptorDacl(descriptor, 1, list, 0),
        SysGetSecurityDescriptorControl(descriptor, &control, &revision),
        SysSetSecurityDescriptorControl(descriptor, 0x400, 0x400),
        SysInitializeAcl(list, 64, 2),
        SysGetAclInformation(list, &info),
        SysGetAce(list, 0, &ace),
        SysAddAce(list, 2, 0, acl, 0),
        SysAddAccessAllowedAce(list, 2, 1, sid),
        SysAddAccessAllowedAceEx(list, 2, 3, 1, sid),
        SysEqualSid(sid, sid),
        static_cast<int>(SysGetLengthSid(sid)),
        SysEnableShutdownPrivilege(),
    };
    for (size_t i = 0; i < sizeof(results) / sizeof(results[0]); ++i) EXPECT_EQ(results[i], 0) << "call " << i;
    EXPECT_EQ(SysGetLastError(), 120u);  // ERROR_CALL_NOT_IMPLEMENTED
    EXPECT_FALSE(sim::ShutdownPrivilegeEnabled());
    sim::PathSecurity security;
    EXPECT_FALSE(sim::GetPathSecurity(u"C:\\Product", &security));
  }
  StartMachine("win2000");  // NT records the privilege once a call succeeds
  sim::FailCall("SysEnableShutdownPrivilege", 1, kErrAccessDenied);
  EXPECT_EQ(SysEnableShutdownPrivilege(), 0);
  EXPECT_FALSE(sim::ShutdownPrivilegeEnabled());
  EXPECT_EQ(SysEnableShutdownPrivilege(), 1);
  EXPECT_TRUE(sim::ShutdownPrivilegeEnabled());
}

}  // namespace
