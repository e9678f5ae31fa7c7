// Folder records for the uninstaller, folder chains, and the "Everyone" access entry on the
// product's folders.
#include "files/folder_rights.h"

#include <cstdlib>

#include "common/text.h"
#include "shared/trace.h"
#include "files/files_keys.h"
#include "shared/path_macros.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/security.h"
#include "shared/registry_values.h"

namespace {

// Failure reports of GrantFolderAccess; each takes the last error code.
constexpr const char16_t* kReportLookupAccountName = u"LookupAccountName() failed. Error %d\n";
constexpr const char16_t* kReportGetFileSecurity = u"GetFileSecurity() failed. Error %d\n";
constexpr const char16_t* kReportInitializeSecurityDescriptor = u"InitializeSecurityDescriptor() failed.Error %d\n";
constexpr const char16_t* kReportGetSecurityDescriptorDacl = u"GetSecurityDescriptorDacl() failed. Error %d\n";
constexpr const char16_t* kReportGetAclInformation = u"GetAclInformation() failed. Error %d\n";
constexpr const char16_t* kReportInitializeAcl = u"InitializeAcl() failed. Error %d\n";
constexpr const char16_t* kReportGetAce = u"GetAce() failed. Error %d\n";
constexpr const char16_t* kReportAddAce = u"AddAce() failed. Error %d\n";
constexpr const char16_t* kReportAddAccessAllowedAceEx = u"AddAccessAllowedAceEx() failed. Error %d\n";
constexpr const char16_t* kReportAddAccessAllowedAce = u"AddAccessAllowedAce() failed. Error %d\n";
constexpr const char16_t* kReportSetSecurityDescriptorDacl = u"SetSecurityDescriptorDacl() failed. Error %d\n";
constexpr const char16_t* kReportGetSecurityDescriptorControl = u"GetSecurityDescriptorControl() failed.Error %d\n";
constexpr const char16_t* kReportSetSecurityDescriptorControl = u"SetSecurityDescriptorControl() failed.Error %d\n";
constexpr const char16_t* kReportSetFileSecurity = u"SetFileSecurity() failed. Error %d\n";
constexpr const char16_t* kReportHeapAlloc = u"HeapAlloc() failed. Error %d\n";

constexpr uint32_t kAppendAce = 0xFFFFFFFF;  // AddAce index: after the last entry
// An access-allowed entry is its header and mask followed by the identifier: 8 bytes before it.
constexpr uint32_t kAccessAllowedAceFixedPart = 8;

// Memory and library taken while the new access list is built; released by the caller on every
// path.
struct GrantState {
  void* sid;
  char16_t* domain;
  void* fileDescriptor;
  SysAclHeader* newAcl;
  ModuleHandle advapi;
};

// Writes one failure report with the current last error. Such reports go where a windowed
// program's console output would go: nowhere the user sees; the diagnostic channel keeps them.
// Returns 0 so that a failing step can end with `return Report(...)`.
int Report(const char16_t* format) {
  ErrorCode error = SysGetLastError();
  Trace(format, static_cast<int>(error));
  return 0;
}

// Zero-filled memory of `size` bytes (at least one), or null.
void* TakeMemory(uint32_t size) { return std::calloc(size ? size : 1, 1); }

// Copies old entries [*index, count) into the new list, stopping before the first inherited
// entry when `explicitOnly` is set; explicit entries for `sid` are left out then. Returns 1 when
// every entry it reached was copied, 0 after a report.
int CopyEntries(SysAclHeader* oldAcl, uint32_t count, uint32_t* index, int explicitOnly, GrantState* g) {
  for (; *index < count; ++*index) {
    void* ace = nullptr;
    if (!SysGetAce(oldAcl, *index, &ace)) return Report(kReportGetAce);
    SysAccessAllowedAce* entry = static_cast<SysAccessAllowedAce*>(ace);
    if (explicitOnly) {
      if (entry->Header.AceFlags & kInheritedAce) break;
      if (SysEqualSid(g->sid, &entry->SidStart)) continue;
    }
    if (!SysAddAce(g->newAcl, kAclRevision, kAppendAce, ace, entry->Header.AceSize)) return Report(kReportAddAce);
  }
  return 1;
}

// The steps of GrantFolderAccess; everything it allocates is left in *g for the caller to free.
int GrantWithState(const char16_t* path, const char16_t* account, uint32_t accessMask, GrantState* g) {
  // The account's identifier: ask the sizes, then the data.
  uint32_t sidSize = 0;
  uint32_t domainSize = 0;
  if (SysLookupAccountName(account, nullptr, &sidSize, nullptr, &domainSize) ||
      SysGetLastError() != kErrInsufficientBuffer)
    return Report(kReportLookupAccountName);
  g->sid = TakeMemory(sidSize);
  if (!g->sid) return Report(kReportHeapAlloc);
  g->domain = static_cast<char16_t*>(TakeMemory(domainSize * sizeof(char16_t)));
  if (!g->domain) return Report(kReportHeapAlloc);
  if (!SysLookupAccountName(account, g->sid, &sidSize, g->domain, &domainSize)) return Report(kReportLookupAccountName);

  // The folder's descriptor, access list only: ask the size, then the data.
  uint32_t needed = 0;
  if (SysGetFileSecurity(path, kDaclSecurityInformation, nullptr, 0, &needed) ||
      SysGetLastError() != kErrInsufficientBuffer)
    return Report(kReportGetFileSecurity);
  g->fileDescriptor = TakeMemory(needed);
  if (!g->fileDescriptor) return Report(kReportHeapAlloc);
  if (!SysGetFileSecurity(path, kDaclSecurityInformation, g->fileDescriptor, needed, &needed))
    return Report(kReportGetFileSecurity);

  alignas(8) uint8_t newDescriptor[kSecurityDescriptorBufferSize] = {};
  if (!SysInitializeSecurityDescriptor(newDescriptor, kSecurityDescriptorRevision))
    return Report(kReportInitializeSecurityDescriptor);

  // The old list; an absent or null one counts as empty.
  int present = 0;
  int defaulted = 0;
  SysAclHeader* oldAcl = nullptr;
  if (!SysGetSecurityDescriptorDacl(g->fileDescriptor, &present, &oldAcl, &defaulted))
    return Report(kReportGetSecurityDescriptorDacl);
  SysAclSizeInformation info = {0, sizeof(SysAclHeader), 0};
  if (!oldAcl) present = 0;
  if (present && !SysGetAclInformation(oldAcl, &info)) return Report(kReportGetAclInformation);
  const uint32_t count = present ? info.AceCount : 0;

  const uint32_t newSize = info.AclBytesInUse + SysGetLengthSid(g->sid) + kAccessAllowedAceFixedPart;
  g->newAcl = static_cast<SysAclHeader*>(TakeMemory(newSize));
  if (!g->newAcl) return Report(kReportHeapAlloc);
  if (!SysInitializeAcl(g->newAcl, newSize, kAclRevision)) return Report(kReportInitializeAcl);

  // Explicit entries first (without the account's own), the new entry, then the inherited ones
  // and everything after them, unchanged.
  uint32_t index = 0;
  if (!CopyEntries(oldAcl, count, &index, 1, g)) return 0;
  g->advapi = SysLoadLibrary(kLibraryAdvapi);
  const bool hasAddEx = g->advapi && SysGetProcAddress(g->advapi, kProcAddAccessAllowedAceEx);
  if (hasAddEx) {
    if (!SysAddAccessAllowedAceEx(g->newAcl, kAclRevision, kContainerInheritAce | kObjectInheritAce, accessMask,
                                  g->sid))
      return Report(kReportAddAccessAllowedAceEx);
  } else if (!SysAddAccessAllowedAce(g->newAcl, kAclRevision, accessMask, g->sid)) {
    return Report(kReportAddAccessAllowedAce);
  }
  if (!CopyEntries(oldAcl, count, &index, 0, g)) return 0;

  if (!SysSetSecurityDescriptorDacl(newDescriptor, 1, g->newAcl, 0)) return Report(kReportSetSecurityDescriptorDacl);

  // Keep the old list's automatic inheritance, or else its protection.
  if (g->advapi && SysGetProcAddress(g->advapi, kProcSetSecurityDescriptorControl)) {
    uint16_t control = 0;
    uint32_t revision = 0;
    if (!SysGetSecurityDescriptorControl(g->fileDescriptor, &control, &revision))
      return Report(kReportGetSecurityDescriptorControl);
    uint16_t bits = 0;
    if (control & kSeDaclAutoInherited)
      bits = kSeDaclAutoInherited | kSeDaclAutoInheritReq;
    else if (control & kSeDaclProtected)
      bits = kSeDaclProtected;
    if (bits && !SysSetSecurityDescriptorControl(newDescriptor, bits, bits))
      return Report(kReportSetSecurityDescriptorControl);
  }

  if (!SysSetFileSecurity(path, kDaclSecurityInformation, newDescriptor)) return Report(kReportSetFileSecurity);
  return 1;
}

}  // namespace

void RecordInstallFolder(const char16_t* path) {
  WriteRegistryTextAt(kRegLocalMachine, kRegPathInstalledFolders, path, kInstallPathData);
}

void CreateFolderPath(const char16_t* path) {
  char16_t full[kFieldSize];
  TextCopy(full, path);
  for (size_t i = 0;; ++i) {
    if (full[i] == u'\\' || full[i] == 0) {
      char16_t prefix[kFieldSize];
      TextCopyN(prefix, kFieldSize, full, i);
      if (SysGetFileAttributes(prefix) == kInvalidAttributes) {
        if (SysCreateDirectory(prefix)) RecordInstallFolder(prefix);
      } else {
        RecordInstallFolder(g_szProgramFileDest);
      }
    }
    if (full[i] == 0) break;
  }
  GrantFolderAccess(full, kAccountEveryone, kGenericAll);
}

int GrantFolderAccess(const char16_t* path, const char16_t* account, uint32_t accessMask) {
  GrantState state = {};
  int result = GrantWithState(path, account, accessMask, &state);
  std::free(state.sid);
  std::free(state.domain);
  std::free(state.fileDescriptor);
  std::free(state.newAcl);
  if (state.advapi) SysFreeLibrary(state.advapi);
  return result;
}
