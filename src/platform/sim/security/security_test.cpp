// Tests of the simulated machine's security services.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/security.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using SecurityTest = SimFixture;

constexpr uint32_t kCallNotImplemented = 120;

// The descriptor of a path as GetFileSecurity gives it (two calls: size, then data); empty when
// a call fails.
std::vector<uint8_t> FileSecurity(const char16_t* path) {
  uint32_t needed = 0;
  if (SysGetFileSecurity(path, kDaclSecurityInformation, nullptr, 0, &needed) ||
      SysGetLastError() != kErrInsufficientBuffer)
    return {};
  std::vector<uint8_t> descriptor(needed);
  if (!SysGetFileSecurity(path, kDaclSecurityInformation, descriptor.data(), needed, &needed)) return {};
  return descriptor;
}

TEST_F(SecurityTest, CreatedFoldersInheritTheirParentsList) {
  struct Case {
    const char* profile;
    std::vector<std::string> dacl;
    uint16_t control;
  };
  const std::vector<std::string> inherited = {"Administrators 0x1f01ff OI|CI inherited",
                                              "SYSTEM 0x1f01ff OI|CI inherited", "Users 0x1200a9 OI|CI inherited"};
  const Case cases[] = {
      {"winxp", inherited, 0x404},
      // NT 4 copies inheritable entries without marking them and knows no automatic inheritance.
      {"nt4", {"Administrators 0x1f01ff OI|CI", "SYSTEM 0x1f01ff OI|CI", "Users 0x1200a9 OI|CI"}, 0x4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    StartMachine(c.profile);
    ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
    EXPECT_EQ(sim::DescribeDacl(u"C:\\Product"), c.dacl);
    sim::PathSecurity security;
    ASSERT_TRUE(sim::GetPathSecurity(u"C:\\Product", &security));
    EXPECT_EQ(security.control + (security.daclPresent ? 0x10000 : 0), c.control + 0x10000);
    // Files inherit only what objects inherit, without inheritance flags of their own.
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Product\\file.txt", "x"));
    const std::vector<std::string> fileDacl = sim::DescribeDacl(u"C:\\Product\\file.txt");
    EXPECT_EQ(fileDacl.size(), 3u);
    EXPECT_EQ(fileDacl.at(0), std::string("Administrators 0x1f01ff -") + (c.control & 0x400 ? " inherited" : ""));
  }
}

// Reads a folder's list, puts Everyone first with both inheritance flags, appends the old entries
// and stores the list with the given control bits, as a program granting access does. False at
// the first call that fails (its error stays the last error).
bool GrantEveryone(const char16_t* path, uint16_t controlMask, uint16_t controlBits) {
  std::vector<uint8_t> old = FileSecurity(path);
  uint8_t everyone[68];
  char16_t domain[32];
  uint32_t sidSize = sizeof(everyone), domainSize = 32;
  if (old.empty() || !SysLookupAccountName(u"Everyone", everyone, &sidSize, domain, &domainSize)) return false;
  int present = 0, defaulted = 0;
  SysAclHeader* oldAcl = nullptr;
  if (!SysGetSecurityDescriptorDacl(old.data(), &present, &oldAcl, &defaulted)) return false;
  SysAclSizeInformation info = {0, 8, 0};
  if (present && oldAcl && !SysGetAclInformation(oldAcl, &info)) return false;
  const uint32_t size = info.AclBytesInUse + SysGetLengthSid(everyone) + 8;
  std::vector<uint8_t> aclBytes(size);
  SysAclHeader* acl = reinterpret_cast<SysAclHeader*>(aclBytes.data());
  if (!SysInitializeAcl(acl, size, kAclRevision)) return false;
  if (!SysAddAccessAllowedAceEx(acl, kAclRevision, 3, kGenericAll, everyone)) return false;
  for (uint32_t i = 0; i < info.AceCount; ++i) {
    void* ace = nullptr;
    if (!SysGetAce(oldAcl, i, &ace)) return false;
    if (!SysAddAce(acl, kAclRevision, 0xFFFFFFFF, ace, static_cast<SysAceHeader*>(ace)->AceSize)) return false;
  }
  alignas(8) uint8_t descriptor[kSecurityDescriptorBufferSize];
  if (!SysInitializeSecurityDescriptor(descriptor, kSecurityDescriptorRevision)) return false;
  if (!SysSetSecurityDescriptorDacl(descriptor, 1, acl, 0)) return false;
  if (controlMask && !SysSetSecurityDescriptorControl(descriptor, controlMask, controlBits)) return false;
  return SysSetFileSecurity(path, kDaclSecurityInformation, descriptor) == 1;
}

TEST_F(SecurityTest, NineXFamilyRefusesEverySecurityCall) {
  for (const char* profile : {"win95", "win98", "winme"}) {
    SCOPED_TRACE(profile);
    StartMachine(profile);
    ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
    alignas(8) uint8_t descriptor[kSecurityDescriptorBufferSize] = {1};
    uint8_t acl[64] = {};
    uint8_t sid[68] = {1, 1, 0, 0, 0, 0, 0, 1};
    uint32_t sidSize = sizeof(sid), domainSize = 8, needed = 0;
    char16_t domain[8];
    int present = 0, defaulted = 0;
    SysAclHeader* aclOut = nullptr;
    SysAclSizeInformation info;
    uint16_t control = 0;
    uint32_t revision = 0;
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
    EXPECT_EQ(SysGetLastError(), kCallNotImplemented);
    EXPECT_FALSE(sim::ShutdownPrivilegeEnabled());
    sim::PathSecurity security;
    EXPECT_FALSE(sim::GetPathSecurity(u"C:\\Product", &security));
  }
}

TEST_F(SecurityTest, ShutdownPrivilegeIsRecordedOnNt) {
  StartMachine("win2000");
  EXPECT_FALSE(sim::ShutdownPrivilegeEnabled());
  sim::FailCall("SysEnableShutdownPrivilege", 1, kErrAccessDenied);
  EXPECT_EQ(SysEnableShutdownPrivilege(), 0);
  EXPECT_FALSE(sim::ShutdownPrivilegeEnabled());
  EXPECT_EQ(SysEnableShutdownPrivilege(), 1);
  EXPECT_TRUE(sim::ShutdownPrivilegeEnabled());
}

TEST_F(SecurityTest, InjectedFaultsLeaveTheStoredListAlone) {
  StartMachine("winxp");
  ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
  const std::vector<std::string> before = sim::DescribeDacl(u"C:\\Product");
  for (const char* function : {"SysLookupAccountName", "SysGetFileSecurity", "SysInitializeSecurityDescriptor",
                               "SysGetSecurityDescriptorDacl", "SysGetAclInformation", "SysInitializeAcl",
                               "SysAddAccessAllowedAceEx", "SysGetAce", "SysAddAce", "SysSetSecurityDescriptorDacl",
                               "SysSetSecurityDescriptorControl", "SysSetFileSecurity"}) {
    SCOPED_TRACE(function);
    sim::FailCall(function, 1, kErrNotEnoughMemory);
    EXPECT_FALSE(GrantEveryone(u"C:\\Product", 0x500, 0x500));
    EXPECT_EQ(SysGetLastError(), kErrNotEnoughMemory);
    EXPECT_EQ(sim::DescribeDacl(u"C:\\Product"), before);
    sim::ClearFaults();
  }
}

}  // namespace
