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

std::string SidText(const std::vector<uint8_t>& sid) {
  std::string text = "S-" + std::to_string(sid[0]) + "-" + std::to_string(sid[7]);
  for (size_t i = 8; i + 3 < sid.size(); i += 4)
    text += "-" + std::to_string(sid[i] | (sid[i + 1] << 8) | (sid[i + 2] << 16) | (uint32_t{sid[i + 3]} << 24));
  return text;
}

// The SID of an account through the two-call lookup.
std::vector<uint8_t> LookupSid(const char16_t* account) {
  uint32_t sidSize = 0, domainSize = 0;
  EXPECT_EQ(SysLookupAccountName(account, nullptr, &sidSize, nullptr, &domainSize), 0);
  EXPECT_EQ(SysGetLastError(), kErrInsufficientBuffer);
  std::vector<uint8_t> sid(sidSize);
  std::vector<char16_t> domain(domainSize);
  EXPECT_EQ(SysLookupAccountName(account, sid.data(), &sidSize, domain.data(), &domainSize), 1);
  return sid;
}

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

TEST_F(SecurityTest, AccountNamesResolveToWellKnownIdentifiers) {
  struct Case {
    const char16_t* account;
    const char* sid;          // "" when unknown
    const char16_t* domain;
  };
  const Case cases[] = {
      {u"Everyone", "S-1-1-0", u""},
      {u"everyone", "S-1-1-0", u""},
      {u"Administrators", "S-1-5-32-544", u"BUILTIN"},
      {u"BUILTIN\\Users", "S-1-5-32-545", u"BUILTIN"},
      {u"SYSTEM", "S-1-5-18", u"NT AUTHORITY"},
      {u"NT AUTHORITY\\Administrators", "", u""},
      {u"Nobody", "", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.account));
    uint8_t sid[68];
    char16_t domain[32] = {};
    uint32_t sidSize = sizeof(sid), domainSize = 32;
    const int found = SysLookupAccountName(c.account, sid, &sidSize, domain, &domainSize);
    EXPECT_EQ(found, c.sid[0] ? 1 : 0);
    if (!found) {
      EXPECT_EQ(SysGetLastError(), 1332u);
      continue;
    }
    EXPECT_EQ(SidText(std::vector<uint8_t>(sid, sid + sidSize)), c.sid);
    EXPECT_EQ(SysGetLengthSid(sid), sidSize);
    EXPECT_EQ(std::u16string(domain), c.domain);
    EXPECT_EQ(domainSize, std::u16string(c.domain).size());
  }
  // Too small a buffer for the domain alone also asks for both sizes.
  uint8_t sid[68];
  char16_t domain[4];
  uint32_t sidSize = sizeof(sid), domainSize = 4;
  EXPECT_EQ(SysLookupAccountName(u"SYSTEM", sid, &sidSize, domain, &domainSize), 0);
  EXPECT_EQ(SysGetLastError(), kErrInsufficientBuffer);
  EXPECT_EQ(sidSize, 12u);
  EXPECT_EQ(domainSize, 13u);
  const std::vector<uint8_t> everyone = LookupSid(u"Everyone");
  EXPECT_EQ(SysEqualSid(everyone.data(), LookupSid(u"EVERYONE").data()), 1);
  EXPECT_EQ(SysEqualSid(everyone.data(), LookupSid(u"Users").data()), 0);
}

TEST_F(SecurityTest, CreatedFoldersInheritTheirParentsList) {
  struct Case {
    const char* profile;
    std::vector<std::string> dacl;
    uint16_t control;
  };
  const Case cases[] = {
      {"winxp",
       {"Administrators 0x1f01ff OI|CI inherited", "SYSTEM 0x1f01ff OI|CI inherited", "Users 0x1200a9 OI|CI inherited"},
       0x404},
      {"win8",
       {"Administrators 0x1f01ff OI|CI inherited", "SYSTEM 0x1f01ff OI|CI inherited", "Users 0x1200a9 OI|CI inherited"},
       0x404},
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
    EXPECT_EQ(security.control, c.control);
    EXPECT_TRUE(security.daclPresent);
    // Files inherit only what objects inherit, without inheritance flags of their own.
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Product\\file.txt", "x"));
    EXPECT_EQ(sim::DescribeDacl(u"C:\\Product\\file.txt").size(), 3u);
    EXPECT_EQ(sim::DescribeDacl(u"C:\\Product\\file.txt")[0],
              std::string("Administrators 0x1f01ff -") + (c.control & 0x400 ? " inherited" : ""));
  }
}

TEST_F(SecurityTest, InheritanceFollowsTheParentsFlagsAtCreation) {
  StartMachine("winxp");
  ASSERT_EQ(SysCreateDirectory(u"C:\\P"), 1);
  sim::PathSecurity parent;
  parent.control = 0x400;
  parent.entries = {{"Everyone", 0x10000000, 0x3},   // folders and files, passed on
                    {"Users", 0x1200a9, 0x2},        // folders only
                    {"Power Users", 0x1f01ff, 0x1},  // files only: inherit-only on folders
                    {"S-1-5-21-7-8-9-1001", 0x1, 0x6},  // one level down only
                    {"SYSTEM", 0x1f01ff, 0x0}};      // not inheritable
  ASSERT_TRUE(sim::SetPathSecurity(u"C:\\P", parent));
  EXPECT_EQ(sim::DescribeDacl(u"C:\\P"),
            (std::vector<std::string>{"Everyone 0x10000000 OI|CI", "Users 0x1200a9 CI", "Power Users 0x1f01ff OI",
                                      "S-1-5-21-7-8-9-1001 0x1 CI|NP", "SYSTEM 0x1f01ff -"}));
  ASSERT_EQ(SysCreateDirectory(u"C:\\P\\Child"), 1);
  EXPECT_EQ(sim::DescribeDacl(u"C:\\P\\Child"),
            (std::vector<std::string>{"Everyone 0x10000000 OI|CI inherited", "Users 0x1200a9 CI inherited",
                                      "Power Users 0x1f01ff OI|IO inherited", "S-1-5-21-7-8-9-1001 0x1 - inherited"}));
  // A later change of the parent does not reach a folder created before it.
  parent.entries = {{"Administrators", 0x1f01ff, 0x3}};
  ASSERT_TRUE(sim::SetPathSecurity(u"C:\\P", parent));
  EXPECT_EQ(sim::DescribeDacl(u"C:\\P\\Child").size(), 4u);
  // Nothing inheritable: the creator's default list.
  parent.entries = {{"Users", 0x1200a9, 0}};
  ASSERT_TRUE(sim::SetPathSecurity(u"C:\\P", parent));
  ASSERT_EQ(SysCreateDirectory(u"C:\\P\\Bare"), 1);
  EXPECT_EQ(sim::DescribeDacl(u"C:\\P\\Bare"),
            (std::vector<std::string>{"Administrators 0x10000000 -", "SYSTEM 0x10000000 -"}));
}

TEST_F(SecurityTest, GetFileSecurityGivesTheSelfRelativeLayout) {
  StartMachine("winxp");
  ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
  const std::vector<uint8_t> descriptor = FileSecurity(u"C:\\Product");
  // Header, list header, entries for Administrators (24 bytes), SYSTEM (20) and Users (24).
  ASSERT_EQ(descriptor.size(), 20u + 8 + 24 + 20 + 24);
  // Revision 1, control = self-relative | auto-inherited | DACL present, no owner, group or SACL,
  // the list right after the header.
  const uint8_t header[20] = {1, 0, 0x04, 0x84, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0};
  EXPECT_EQ(std::memcmp(descriptor.data(), header, 20), 0);
  std::vector<uint8_t> copy = descriptor;
  int present = 0, defaulted = 1;
  SysAclHeader* acl = nullptr;
  ASSERT_EQ(SysGetSecurityDescriptorDacl(copy.data(), &present, &acl, &defaulted), 1);
  EXPECT_EQ(present, 1);
  EXPECT_EQ(defaulted, 0);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(acl), copy.data() + 20);
  SysAclSizeInformation info = {};
  ASSERT_EQ(SysGetAclInformation(acl, &info), 1);
  EXPECT_EQ(info.AceCount, 3u);
  EXPECT_EQ(info.AclBytesInUse, descriptor.size() - 20);
  EXPECT_EQ(info.AclBytesFree, 0u);
  uint16_t control = 0;
  uint32_t revision = 0;
  ASSERT_EQ(SysGetSecurityDescriptorControl(copy.data(), &control, &revision), 1);
  EXPECT_EQ(control, 0x8404);
  EXPECT_EQ(revision, 1u);
  // A self-relative descriptor cannot take a list by pointer.
  EXPECT_EQ(SysSetSecurityDescriptorDacl(copy.data(), 1, acl, 0), 0);
  EXPECT_EQ(SysGetLastError(), 1338u);
  // Missing paths fail with the file errors.
  uint32_t needed = 0;
  EXPECT_EQ(SysGetFileSecurity(u"C:\\Nothing", kDaclSecurityInformation, nullptr, 0, &needed), 0);
  EXPECT_EQ(SysGetLastError(), kErrFileNotFound);
  EXPECT_EQ(SysGetFileSecurity(u"C:\\No\\Thing", kDaclSecurityInformation, nullptr, 0, &needed), 0);
  EXPECT_EQ(SysGetLastError(), kErrPathNotFound);
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

TEST_F(SecurityTest, EditedListsAreStoredWithTheirControlBits) {
  StartMachine("win7");
  struct Case {
    const char* label;
    uint16_t mask, bits;
    uint16_t control;
  };
  const Case cases[] = {
      {"auto-inherited again", 0x500, 0x500, 0x404},
      {"protected", 0x1000, 0x1000, 0x1004},
      {"no control bits", 0, 0, 0x4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SysRemoveDirectory(u"C:\\Product");  // left by the case before
    ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
    ASSERT_TRUE(GrantEveryone(u"C:\\Product", c.mask, c.bits));
    EXPECT_EQ(sim::DescribeDacl(u"C:\\Product"),
              (std::vector<std::string>{"Everyone 0x10000000 OI|CI", "Administrators 0x1f01ff OI|CI inherited",
                                        "SYSTEM 0x1f01ff OI|CI inherited", "Users 0x1200a9 OI|CI inherited"}));
    sim::PathSecurity stored;
    ASSERT_TRUE(sim::GetPathSecurity(u"C:\\Product", &stored));
    EXPECT_EQ(stored.control, c.control);
    // What was stored reads back in the same binary form.
    const std::vector<uint8_t> again = FileSecurity(u"C:\\Product");
    EXPECT_EQ(again[2] | (again[3] << 8), 0x8000 | c.control);
  }
}

TEST_F(SecurityTest, NoListAndNullListRoundTrip) {
  StartMachine("winxp");
  ASSERT_EQ(SysCreateDirectory(u"C:\\Open"), 1);
  struct Case {
    const char* label;
    bool present;
    bool nullDacl;
    uint16_t control;
  };
  const Case cases[] = {{"no list", false, false, 0}, {"null list", true, true, 0x4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    alignas(8) uint8_t descriptor[kSecurityDescriptorBufferSize];
    ASSERT_EQ(SysInitializeSecurityDescriptor(descriptor, kSecurityDescriptorRevision), 1);
    ASSERT_EQ(SysSetSecurityDescriptorDacl(descriptor, c.present ? 1 : 0, nullptr, 0), 1);
    ASSERT_EQ(SysSetFileSecurity(u"C:\\Open", kDaclSecurityInformation, descriptor), 1);
    std::vector<uint8_t> read = FileSecurity(u"C:\\Open");
    EXPECT_EQ(read.size(), 20u);
    int present = 7, defaulted = 7;
    SysAclHeader* acl = reinterpret_cast<SysAclHeader*>(&present);
    ASSERT_EQ(SysGetSecurityDescriptorDacl(read.data(), &present, &acl, &defaulted), 1);
    EXPECT_EQ(present, c.present ? 1 : 0);
    EXPECT_EQ(acl, nullptr);
    sim::PathSecurity stored;
    ASSERT_TRUE(sim::GetPathSecurity(u"C:\\Open", &stored));
    EXPECT_EQ(stored.daclPresent, c.present);
    EXPECT_EQ(stored.nullDacl, c.nullDacl);
    EXPECT_EQ(stored.control, c.control);
    EXPECT_TRUE(stored.entries.empty());
  }
}

TEST_F(SecurityTest, DescriptorCallsRefuseWhatWindowsRefuses) {
  StartMachine("winxp");
  alignas(8) uint8_t descriptor[kSecurityDescriptorBufferSize];
  EXPECT_EQ(SysInitializeSecurityDescriptor(descriptor, 2), 0);
  EXPECT_EQ(SysGetLastError(), 1305u);
  ASSERT_EQ(SysInitializeSecurityDescriptor(descriptor, kSecurityDescriptorRevision), 1);
  struct Case {
    uint16_t mask, bits;
    int result;
  };
  const Case cases[] = {{0x0400, 0x0400, 1}, {0x0004, 0x0004, 0}, {0x0400, 0x1000, 0}, {0x8000, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.mask << "/" << c.bits);
    EXPECT_EQ(SysSetSecurityDescriptorControl(descriptor, c.mask, c.bits), c.result);
    if (!c.result) {
      EXPECT_EQ(SysGetLastError(), kErrInvalidParameter);
    }
  }
  std::vector<uint8_t> badList(16, 0);
  badList[0] = 2;
  badList[2] = 16;
  badList[4] = 1;  // one entry that is not there
  ASSERT_EQ(SysSetSecurityDescriptorDacl(descriptor, 1, reinterpret_cast<SysAclHeader*>(badList.data()), 0), 1);
  ASSERT_EQ(SysCreateDirectory(u"C:\\Product"), 1);
  EXPECT_EQ(SysSetFileSecurity(u"C:\\Product", kDaclSecurityInformation, descriptor), 0);
  EXPECT_EQ(SysGetLastError(), 1336u);
  EXPECT_EQ(sim::DescribeDacl(u"C:\\Product").size(), 3u);  // unchanged
  // Before Windows 2000 the two newer calls do not exist.
  StartMachine("nt4");
  ASSERT_EQ(SysInitializeSecurityDescriptor(descriptor, kSecurityDescriptorRevision), 1);
  EXPECT_EQ(SysSetSecurityDescriptorControl(descriptor, 0x400, 0x400), 0);
  EXPECT_EQ(SysGetLastError(), kErrProcNotFound);
  std::vector<uint8_t> acl(64);
  ASSERT_EQ(SysInitializeAcl(reinterpret_cast<SysAclHeader*>(acl.data()), 64, kAclRevision), 1);
  std::vector<uint8_t> everyone = LookupSid(u"Everyone");
  EXPECT_EQ(SysAddAccessAllowedAceEx(reinterpret_cast<SysAclHeader*>(acl.data()), 2, 3, 1, everyone.data()), 0);
  EXPECT_EQ(SysGetLastError(), kErrProcNotFound);
  EXPECT_EQ(SysAddAccessAllowedAce(reinterpret_cast<SysAclHeader*>(acl.data()), 2, 1, everyone.data()), 1);
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
