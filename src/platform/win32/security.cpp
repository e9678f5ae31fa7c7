// Security services on real Windows: account lookup, file security descriptors and access
// lists through advapi32. Every one of them is found at run time (the 9x family's advapi32 lacks
// them): a missing one fails with ERROR_PROC_NOT_FOUND. Paths and names take the A functions on
// the ANSI road.
#include "platform/security.h"

#include <cstddef>

#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::Wide;

static_assert(sizeof(SysAclHeader) == sizeof(ACL) && offsetof(SysAclHeader, AclSize) == offsetof(ACL, AclSize) &&
                  offsetof(SysAclHeader, AceCount) == offsetof(ACL, AceCount),
              "ACL layout");
static_assert(sizeof(SysAceHeader) == sizeof(ACE_HEADER) &&
                  offsetof(SysAceHeader, AceSize) == offsetof(ACE_HEADER, AceSize),
              "ACE header layout");
static_assert(sizeof(SysAccessAllowedAce) == sizeof(ACCESS_ALLOWED_ACE) &&
                  offsetof(SysAccessAllowedAce, SidStart) == offsetof(ACCESS_ALLOWED_ACE, SidStart),
              "ACCESS_ALLOWED_ACE layout");
static_assert(sizeof(SysAclSizeInformation) == sizeof(ACL_SIZE_INFORMATION), "ACL_SIZE_INFORMATION layout");
static_assert(kSecurityDescriptorBufferSize >= sizeof(SECURITY_DESCRIPTOR), "room for an absolute descriptor");
static_assert(kSecurityDescriptorRevision == SECURITY_DESCRIPTOR_REVISION && kAclRevision == ACL_REVISION &&
                  kDaclSecurityInformation == DACL_SECURITY_INFORMATION && kGenericAll == GENERIC_ALL,
              "values match winnt.h");
static_assert(kObjectInheritAce == OBJECT_INHERIT_ACE && kContainerInheritAce == CONTAINER_INHERIT_ACE &&
                  kInheritedAce == INHERITED_ACE,
              "ACE flags match");
static_assert(kSeDaclAutoInheritReq == SE_DACL_AUTO_INHERIT_REQ && kSeDaclAutoInherited == SE_DACL_AUTO_INHERITED &&
                  kSeDaclProtected == SE_DACL_PROTECTED,
              "control bits match");

namespace {

// The advapi32 function of that name, typed as its declaration; null when this Windows lacks it.
#define ADVAPI(name) win32::SystemCall<decltype(&::name)>("advapi32.dll", #name)

PACL Acl(SysAclHeader* acl) { return reinterpret_cast<PACL>(acl); }

}  // namespace

// LookupAccountNameW (LookupAccountNameA on the ANSI road) on the local system; the account's
// kind is not handed on.
int SysLookupAccountName(const char16_t* account, void* sid, uint32_t* sidSize, char16_t* domain,
                         uint32_t* domainSize) {
  DWORD sidBytes = sidSize ? *sidSize : 0;
  DWORD domainChars = domainSize ? *domainSize : 0;
  SID_NAME_USE use;
  BOOL ok = FALSE;
  if (win32::OnAnsiRoad()) {
    auto lookup = ADVAPI(LookupAccountNameA);
    char name[256] = {};
    DWORD nameBytes = sizeof name;
    ok = lookup && lookup(nullptr, AnsiText(account), sid, &sidBytes, name, &nameBytes, &use);
    if (ok && domain && domainSize) domainChars = win32::ToWide(domain, *domainSize, name, static_cast<int>(nameBytes));
  } else {
    auto lookup = ADVAPI(LookupAccountNameW);
    ok = lookup && lookup(nullptr, Wide(account), sid, &sidBytes, Wide(domain), &domainChars, &use);
  }
  if (sidSize) *sidSize = sidBytes;
  if (domainSize) *domainSize = domainChars;
  return ok ? 1 : 0;
}

// GetLengthSid.
uint32_t SysGetLengthSid(const void* sid) {
  auto length = ADVAPI(GetLengthSid);
  return length ? length(const_cast<PSID>(sid)) : 0;
}

// EqualSid.
int SysEqualSid(const void* a, const void* b) {
  auto equal = ADVAPI(EqualSid);
  return equal && equal(const_cast<PSID>(a), const_cast<PSID>(b)) ? 1 : 0;
}

// GetFileSecurityW.
int SysGetFileSecurity(const char16_t* path, uint32_t information, void* descriptor, uint32_t size,
                       uint32_t* needed) {
  DWORD length = 0;
  BOOL ok = FALSE;
  if (win32::OnAnsiRoad()) {
    auto get = ADVAPI(GetFileSecurityA);
    ok = get && get(AnsiText(path), information, descriptor, size, &length);
  } else {
    auto get = ADVAPI(GetFileSecurityW);
    ok = get && get(Wide(path), information, descriptor, size, &length);
  }
  if (needed) *needed = length;
  return ok ? 1 : 0;
}

// SetFileSecurityW.
int SysSetFileSecurity(const char16_t* path, uint32_t information, void* descriptor) {
  if (win32::OnAnsiRoad()) {
    auto set = ADVAPI(SetFileSecurityA);
    return set && set(AnsiText(path), information, descriptor) ? 1 : 0;
  }
  auto set = ADVAPI(SetFileSecurityW);
  return set && set(Wide(path), information, descriptor) ? 1 : 0;
}

// InitializeSecurityDescriptor in the caller's kSecurityDescriptorBufferSize buffer.
int SysInitializeSecurityDescriptor(void* descriptor, uint32_t revision) {
  auto initialize = ADVAPI(InitializeSecurityDescriptor);
  return initialize && initialize(descriptor, revision) ? 1 : 0;
}

// GetSecurityDescriptorDacl.
int SysGetSecurityDescriptorDacl(void* descriptor, int* present, SysAclHeader** acl, int* defaulted) {
  auto get = ADVAPI(GetSecurityDescriptorDacl);
  BOOL isPresent = FALSE, isDefaulted = FALSE;
  PACL list = nullptr;
  if (!get || !get(descriptor, &isPresent, &list, &isDefaulted)) return 0;
  if (present) *present = isPresent ? 1 : 0;
  if (acl) *acl = reinterpret_cast<SysAclHeader*>(list);
  if (defaulted) *defaulted = isDefaulted ? 1 : 0;
  return 1;
}

// SetSecurityDescriptorDacl.
int SysSetSecurityDescriptorDacl(void* descriptor, int present, SysAclHeader* acl, int defaulted) {
  auto set = ADVAPI(SetSecurityDescriptorDacl);
  return set && set(descriptor, present ? TRUE : FALSE, Acl(acl), defaulted ? TRUE : FALSE) ? 1 : 0;
}

// GetSecurityDescriptorControl.
int SysGetSecurityDescriptorControl(void* descriptor, uint16_t* control, uint32_t* revision) {
  auto get = ADVAPI(GetSecurityDescriptorControl);
  SECURITY_DESCRIPTOR_CONTROL bits = 0;
  DWORD rev = 0;
  if (!get || !get(descriptor, &bits, &rev)) return 0;
  if (control) *control = bits;
  if (revision) *revision = rev;
  return 1;
}

// SetSecurityDescriptorControl (Windows 2000 and later).
int SysSetSecurityDescriptorControl(void* descriptor, uint16_t mask, uint16_t bits) {
  auto set = ADVAPI(SetSecurityDescriptorControl);
  return set && set(descriptor, mask, bits) ? 1 : 0;
}

// GetAclInformation(AclSizeInformation).
int SysGetAclInformation(SysAclHeader* acl, SysAclSizeInformation* out) {
  auto get = ADVAPI(GetAclInformation);
  return get && get(Acl(acl), out, sizeof(ACL_SIZE_INFORMATION), AclSizeInformation) ? 1 : 0;
}

// InitializeAcl.
int SysInitializeAcl(SysAclHeader* acl, uint32_t size, uint32_t revision) {
  auto initialize = ADVAPI(InitializeAcl);
  return initialize && initialize(Acl(acl), size, revision) ? 1 : 0;
}

// GetAce.
int SysGetAce(SysAclHeader* acl, uint32_t index, void** ace) {
  auto get = ADVAPI(GetAce);
  return get && get(Acl(acl), index, ace) ? 1 : 0;
}

// AddAce.
int SysAddAce(SysAclHeader* acl, uint32_t revision, uint32_t index, void* aces, uint32_t size) {
  auto add = ADVAPI(AddAce);
  return add && add(Acl(acl), revision, index, aces, size) ? 1 : 0;
}

// AddAccessAllowedAce.
int SysAddAccessAllowedAce(SysAclHeader* acl, uint32_t revision, uint32_t mask, void* sid) {
  auto add = ADVAPI(AddAccessAllowedAce);
  return add && add(Acl(acl), revision, mask, sid) ? 1 : 0;
}

// AddAccessAllowedAceEx (Windows 2000 and later).
int SysAddAccessAllowedAceEx(SysAclHeader* acl, uint32_t revision, uint32_t flags, uint32_t mask, void* sid) {
  auto add = ADVAPI(AddAccessAllowedAceEx);
  return add && add(Acl(acl), revision, flags, mask, sid) ? 1 : 0;
}

// Opens the process token, looks up SeShutdownPrivilege and enables it. AdjustTokenPrivileges
// succeeds with ERROR_NOT_ALL_ASSIGNED when the account lacks the privilege: that counts as
// failure.
int SysEnableShutdownPrivilege() {
  auto openToken = ADVAPI(OpenProcessToken);
  auto lookup = ADVAPI(LookupPrivilegeValueA);
  auto adjust = ADVAPI(AdjustTokenPrivileges);
  HANDLE token = nullptr;
  if (!openToken || !lookup || !adjust) return 0;
  if (!openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return 0;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  int result = 0;
  if (lookup(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
      adjust(token, FALSE, &privileges, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS)
    result = 1;
  const DWORD error = GetLastError();
  CloseHandle(token);
  SetLastError(error);
  return result;
}

// ==== Restart ================================================================================
static_assert(kEwxReboot == EWX_REBOOT, "values match");

// ExitWindowsEx with the flags and no reason.
int SysExitWindows(uint32_t flags) { return ExitWindowsEx(flags, 0) ? 1 : 0; }
