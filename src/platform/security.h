// Security services: account identifiers, access lists and file security descriptors, in the
// binary layouts Windows uses (SID, ACL, ACE), so that the installer edits them as Windows
// programs do. Descriptor buffers are opaque: use kSecurityDescriptorBufferSize bytes.
#pragma once
#include "platform/types.h"

constexpr uint32_t kSecurityDescriptorBufferSize = 64;  // room for an absolute descriptor
constexpr uint32_t kSecurityDescriptorRevision = 1;
constexpr uint32_t kAclRevision = 2;
constexpr uint32_t kDaclSecurityInformation = 0x4;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint8_t kAccessAllowedAceType = 0;
constexpr uint8_t kObjectInheritAce = 0x1;
constexpr uint8_t kContainerInheritAce = 0x2;
constexpr uint8_t kInheritedAce = 0x10;
constexpr uint16_t kSeDaclAutoInheritReq = 0x100;
constexpr uint16_t kSeDaclAutoInherited = 0x400;
constexpr uint16_t kSeDaclProtected = 0x1000;

// ACL header and ACE header as laid out in memory.
struct SysAclHeader {
  uint8_t AclRevision;
  uint8_t Sbz1;
  uint16_t AclSize;
  uint16_t AceCount;
  uint16_t Sbz2;
};
struct SysAceHeader {
  uint8_t AceType;
  uint8_t AceFlags;
  uint16_t AceSize;
};
// ACCESS_ALLOWED_ACE: header, mask, then the SID starting at SidStart.
struct SysAccessAllowedAce {
  SysAceHeader Header;
  uint32_t Mask;
  uint32_t SidStart;
};
// GetAclInformation(AclSizeInformation).
struct SysAclSizeInformation {
  uint32_t AceCount;
  uint32_t AclBytesInUse;
  uint32_t AclBytesFree;
};

// LookupAccountNameW on the local system: *sidSize in, required size out (122 when too
// small); domain text is returned too. 1 on success.
int SysLookupAccountName(const char16_t* account, void* sid, uint32_t* sidSize, char16_t* domain,
                         uint32_t* domainSize);
uint32_t SysGetLengthSid(const void* sid);
int SysEqualSid(const void* a, const void* b);

// GetFileSecurityW / SetFileSecurityW with DACL_SECURITY_INFORMATION. Get: *needed receives the
// size (122 when the buffer is too small). The descriptor is self-relative.
int SysGetFileSecurity(const char16_t* path, uint32_t information, void* descriptor, uint32_t size,
                       uint32_t* needed);
int SysSetFileSecurity(const char16_t* path, uint32_t information, void* descriptor);

int SysInitializeSecurityDescriptor(void* descriptor, uint32_t revision);
// GetSecurityDescriptorDacl on an absolute or self-relative descriptor.
int SysGetSecurityDescriptorDacl(void* descriptor, int* present, SysAclHeader** acl, int* defaulted);
int SysSetSecurityDescriptorDacl(void* descriptor, int present, SysAclHeader* acl, int defaulted);
int SysGetSecurityDescriptorControl(void* descriptor, uint16_t* control, uint32_t* revision);
// SetSecurityDescriptorControl(mask, bits). Availability: kernel's SysGetProcAddress on
// "advapi32.dll" / "SetSecurityDescriptorControl".
int SysSetSecurityDescriptorControl(void* descriptor, uint16_t mask, uint16_t bits);

int SysGetAclInformation(SysAclHeader* acl, SysAclSizeInformation* out);
int SysInitializeAcl(SysAclHeader* acl, uint32_t size, uint32_t revision);
int SysGetAce(SysAclHeader* acl, uint32_t index, void** ace);
// AddAce: appends `size` bytes of entries at index (0xFFFFFFFF = at the end).
int SysAddAce(SysAclHeader* acl, uint32_t revision, uint32_t index, void* aces, uint32_t size);
int SysAddAccessAllowedAce(SysAclHeader* acl, uint32_t revision, uint32_t mask, void* sid);
// AddAccessAllowedAceEx. Availability: "advapi32.dll" / "AddAccessAllowedAceEx".
int SysAddAccessAllowedAceEx(SysAclHeader* acl, uint32_t revision, uint32_t flags, uint32_t mask, void* sid);

// The shutdown privilege: OpenProcessToken + LookupPrivilegeValueW("SeShutdownPrivilege") +
// AdjustTokenPrivileges. 1 when the privilege was enabled.
int SysEnableShutdownPrivilege();

// ==== Restart ================================================================================
constexpr uint32_t kEwxReboot = 0x2;
// ExitWindowsEx(flags, 0). Returns 1 when Windows accepted the request, 0 when it refused (on
// the NT family without the shutdown privilege) with the last error set.
int SysExitWindows(uint32_t flags);
