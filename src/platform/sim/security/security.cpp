// Security services of the simulated machine. On the NT family every file and folder has a
// security descriptor: the access list stored for it (by SetFileSecurity, a test, or when the
// folder was created), else the one it inherits from its folder, down from the drive root's
// default list. Account names resolve to the well-known identifiers. Descriptors handed to the
// program use Windows' self-relative layout; absolute descriptors built in the program's buffer
// use the machine's own layout. The 9x family has none of this: the calls fail with 120.
#include "platform/security.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/sim/security/acl_bytes.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/sim/machine/windows_constants.h"

using sim::internal::Lock;
using sim::internal::State;
using sim::internal::StoredSecurity;

namespace {

using sim::internal::Guard;

constexpr uint16_t kSeDaclPresent = 0x0004;
constexpr uint16_t kSeDaclDefaulted = 0x0008;
constexpr uint16_t kSeSelfRelative = 0x8000;
// Control bits SetSecurityDescriptorControl may change.
constexpr uint16_t kSettableControl = 0x0100 | 0x0200 | 0x0400 | 0x0800 | 0x1000 | 0x2000 | 0x4000;
// DACL-related control bits a stored descriptor keeps.
constexpr uint16_t kStoredDaclControl = kSeDaclDefaulted | kSeDaclAutoInherited | kSeDaclProtected;
// SECURITY_DESCRIPTOR_RELATIVE: revision, padding, control, then four 32-bit offsets.
constexpr size_t kRelativeHeaderSize = 20;
constexpr size_t kRelativeDaclOffset = 16;
constexpr uint8_t kInheritOnlyAce = 0x8;
constexpr uint8_t kNoPropagateInheritAce = 0x4;
// Access masks of the drive root's default list (full control; read and execute).
constexpr uint32_t kFullControl = 0x001F01FF;
constexpr uint32_t kReadAndExecute = 0x001200A9;

// Well-known accounts: name, identifier, domain.
struct Account {
  const char16_t* name;
  const char* sid;
  const char16_t* domain;
};
const Account kAccounts[] = {
    {u"Everyone", "S-1-1-0", u""},
    {u"Administrators", "S-1-5-32-544", u"BUILTIN"},
    {u"Users", "S-1-5-32-545", u"BUILTIN"},
    {u"Power Users", "S-1-5-32-547", u"BUILTIN"},
    {u"SYSTEM", "S-1-5-18", u"NT AUTHORITY"},
    {u"Authenticated Users", "S-1-5-11", u"NT AUTHORITY"},
    {u"CREATOR OWNER", "S-1-3-0", u""},
};

// The program's absolute descriptor in its kSecurityDescriptorBufferSize buffer.
struct AbsoluteDescriptor {
  uint8_t revision;
  uint8_t sbz1;
  uint16_t control;
  void* owner;
  void* group;
  void* sacl;
  SysAclHeader* dacl;
};
static_assert(sizeof(AbsoluteDescriptor) <= kSecurityDescriptorBufferSize, "fits the program's buffer");

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

// The 9x family implements none of the security calls.
bool RefusedOn9x() {
  if (State().profile.platformId != kPlatform9x) return false;
  Fail(kErrCallNotImplemented);
  return true;
}

// NT 4 knows no inherited-entry marks and no automatic inheritance; Windows 2000 and later do.
bool AutoInheritance() { return State().profile.major >= 5; }

// The SID of a well-known identifier's text, parsed once.
const std::vector<uint8_t>& SidOf(const char* text) {
  static std::map<std::string, std::vector<uint8_t>> parsed;
  auto found = parsed.find(text);
  if (found != parsed.end()) return found->second;
  std::vector<uint8_t> sid;
  sim::acl::SidFromText(text, &sid);
  return parsed.emplace(text, std::move(sid)).first->second;
}

// The account name of a SID, or its text.
std::string AccountName(const std::vector<uint8_t>& sid) {
  for (const Account& account : kAccounts)
    if (SidOf(account.sid) == sid) return sim::ToUtf8(account.name);
  return sim::acl::SidToText(sid.data(), sid.size());
}

// A SID by account name ("Everyone", "BUILTIN\Users") or SID text. False when unknown.
bool SidOfAccount(const std::u16string& name, std::vector<uint8_t>* sid, std::u16string* domain) {
  std::u16string account = name;
  std::u16string domainGiven;
  const size_t cut = name.find(u'\\');
  if (cut != std::u16string::npos) {
    domainGiven = name.substr(0, cut);
    account = name.substr(cut + 1);
  }
  for (const Account& known : kAccounts) {
    if (!TextEqualNoCase(known.name, account.c_str())) continue;
    if (cut != std::u16string::npos && !TextEqualNoCase(known.domain, domainGiven.c_str())) continue;
    *sid = SidOf(known.sid);
    if (domain) *domain = known.domain;
    return true;
  }
  if (cut == std::u16string::npos && sim::acl::SidFromText(sim::ToUtf8(name), sid)) {
    if (domain) domain->clear();
    return true;
  }
  return false;
}

// The drive root's list: full control for Administrators and SYSTEM, read and execute for Users,
// all passed on to folders and files.
StoredSecurity RootSecurity() {
  const uint8_t inherit = kObjectInheritAce | kContainerInheritAce;
  StoredSecurity root;
  root.control = kSeDaclPresent;
  root.dacl = sim::acl::BuildAcl({{sim::acl::kAccessAllowedType, inherit, kFullControl, SidOf("S-1-5-32-544")},
                                  {sim::acl::kAccessAllowedType, inherit, kFullControl, SidOf("S-1-5-18")},
                                  {sim::acl::kAccessAllowedType, inherit, kReadAndExecute, SidOf("S-1-5-32-545")}});
  return root;
}

// What a new folder or file inherits from its folder's list, as Windows computes it.
StoredSecurity Inherit(const StoredSecurity& parent, bool folder) {
  std::vector<sim::acl::AceRecord> parentEntries;
  if (!parent.dacl.empty()) sim::acl::ParseAcl(parent.dacl.data(), parent.dacl.size(), &parentEntries);
  const uint8_t inheritedMark = AutoInheritance() ? kInheritedAce : 0;
  std::vector<sim::acl::AceRecord> entries;
  for (sim::acl::AceRecord entry : parentEntries) {
    const uint8_t f = entry.flags;
    const bool noPropagate = (f & kNoPropagateInheritAce) != 0;
    if (folder && (f & kContainerInheritAce)) {
      entry.flags = noPropagate ? 0 : static_cast<uint8_t>(f & (kObjectInheritAce | kContainerInheritAce));
    } else if (folder && (f & kObjectInheritAce) && !noPropagate) {
      entry.flags = kObjectInheritAce | kInheritOnlyAce;  // passed on to the folder's files only
    } else if (!folder && (f & kObjectInheritAce)) {
      entry.flags = 0;
    } else {
      continue;
    }
    entry.flags |= inheritedMark;
    entries.push_back(entry);
  }
  StoredSecurity child;
  child.control = kSeDaclPresent | (AutoInheritance() ? kSeDaclAutoInherited : 0);
  if (entries.empty()) {
    // Nothing to inherit: the creator's default list.
    entries.push_back({sim::acl::kAccessAllowedType, 0, kGenericAll, SidOf("S-1-5-32-544")});
    entries.push_back({sim::acl::kAccessAllowedType, 0, kGenericAll, SidOf("S-1-5-18")});
    child.control = kSeDaclPresent;
  }
  child.dacl = sim::acl::BuildAcl(entries);
  return child;
}

// True for the host folder that is a drive's root (or lies outside every drive).
bool IsDriveRootHost(const std::string& host) {
  const sim::internal::MachineState& s = State();
  if (!s.packageHostDir.empty()) {
    if (host == s.packageHostDir) return true;
    if (host.compare(0, s.packageHostDir.size() + 1, s.packageHostDir + "/") == 0) return false;
  }
  const std::string parent = sim::internal::HostParent(host);
  return parent.empty() || parent == s.hostRoot || host.compare(0, s.hostRoot.size() + 1, s.hostRoot + "/") != 0;
}

// The descriptor of an existing host path: stored, else inherited down from the drive's root.
StoredSecurity EffectiveSecurity(const std::string& host) {
  auto it = State().security.find(host);
  if (it != State().security.end()) return it->second;
  if (IsDriveRootHost(host)) return RootSecurity();
  return Inherit(EffectiveSecurity(sim::internal::HostParent(host)), sim::internal::HostIsDirectory(host));
}

// The existing host path of a Windows path, or "" with the last error set.
std::string ExistingHost(const char16_t* path) {
  if (!path) {
    Fail(kErrInvalidParameter);
    return "";
  }
  sim::internal::ResolvedPath resolved = sim::internal::ResolvePath(path);
  if (resolved.host.empty()) {
    Fail(resolved.error ? resolved.error : kErrPathNotFound);
    return "";
  }
  if (!sim::internal::HostExists(resolved.host)) {
    Fail(sim::internal::HostIsDirectory(sim::internal::HostParent(resolved.host)) ? kErrFileNotFound
                                                                                  : kErrPathNotFound);
    return "";
  }
  return resolved.host;
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A descriptor's control word and revision (the first four bytes of either layout).
uint16_t ControlOf(const void* descriptor) { return Get16(static_cast<const uint8_t*>(descriptor) + 2); }
uint8_t RevisionOf(const void* descriptor) { return static_cast<const uint8_t*>(descriptor)[0]; }

AbsoluteDescriptor LoadAbsolute(const void* descriptor) {
  AbsoluteDescriptor d;
  std::memcpy(&d, descriptor, sizeof(d));
  return d;
}

void StoreAbsolute(void* descriptor, const AbsoluteDescriptor& d) { std::memcpy(descriptor, &d, sizeof(d)); }

// The DACL of a descriptor of either layout: present flag, list (null for a null DACL), defaulted.
void DaclOf(const void* descriptor, bool* present, uint8_t** acl, bool* defaulted) {
  const uint16_t control = ControlOf(descriptor);
  *present = (control & kSeDaclPresent) != 0;
  *defaulted = (control & kSeDaclDefaulted) != 0;
  *acl = nullptr;
  if (!*present) return;
  if (control & kSeSelfRelative) {
    uint8_t* bytes = static_cast<uint8_t*>(const_cast<void*>(descriptor));
    const uint32_t offset = Get32(bytes + kRelativeDaclOffset);
    if (offset != 0) *acl = bytes + offset;
  } else {
    *acl = reinterpret_cast<uint8_t*>(LoadAbsolute(descriptor).dacl);
  }
}

// Control bits as flag names for DescribeDacl.
std::string FlagText(uint8_t flags) {
  static const struct {
    uint8_t bit;
    const char* name;
  } kNames[] = {{kObjectInheritAce, "OI"}, {kContainerInheritAce, "CI"}, {kInheritOnlyAce, "IO"},
                {kNoPropagateInheritAce, "NP"}};
  std::string text;
  for (const auto& item : kNames) {
    if (!(flags & item.bit)) continue;
    if (!text.empty()) text += "|";
    text += item.name;
  }
  return text.empty() ? "-" : text;
}

}  // namespace

namespace sim {
namespace internal {

void StoreInheritedSecurity(const std::string& host) {
  Guard guard(Lock());
  if (State().profile.platformId == kPlatform9x || IsDriveRootHost(host)) return;
  State().security[host] = Inherit(EffectiveSecurity(HostParent(host)), HostIsDirectory(host));
}

}  // namespace internal

bool GetPathSecurity(const std::u16string& windowsPath, PathSecurity* out) {
  Guard guard(Lock());
  if (State().profile.platformId == kPlatform9x || !out) return false;
  const std::string host = internal::ResolveHostPath(windowsPath);
  if (!internal::HostExists(host)) return false;
  const StoredSecurity security = EffectiveSecurity(host);
  *out = PathSecurity();
  out->control = security.control;
  out->daclPresent = (security.control & kSeDaclPresent) != 0;
  out->nullDacl = out->daclPresent && security.dacl.empty();
  std::vector<acl::AceRecord> entries;
  if (!security.dacl.empty()) acl::ParseAcl(security.dacl.data(), security.dacl.size(), &entries);
  for (const acl::AceRecord& entry : entries) {
    AccessEntry item;
    item.account = AccountName(entry.sid);
    item.mask = entry.mask;
    item.flags = entry.flags;
    item.type = entry.type;
    out->entries.push_back(item);
  }
  return true;
}

bool SetPathSecurity(const std::u16string& windowsPath, const PathSecurity& security) {
  Guard guard(Lock());
  if (State().profile.platformId == kPlatform9x) return false;
  const std::string host = internal::ResolveHostPath(windowsPath);
  if (!internal::HostExists(host)) return false;
  StoredSecurity stored;
  stored.control = static_cast<uint16_t>(security.control & ~(kSeDaclPresent | kSeSelfRelative));
  if (security.daclPresent) {
    stored.control |= kSeDaclPresent;
    if (!security.nullDacl) {
      std::vector<acl::AceRecord> entries;
      for (const AccessEntry& item : security.entries) {
        acl::AceRecord entry;
        if (!SidOfAccount(FromUtf8(item.account), &entry.sid, nullptr)) return false;
        entry.type = item.type;
        entry.flags = item.flags;
        entry.mask = item.mask;
        entries.push_back(entry);
      }
      stored.dacl = acl::BuildAcl(entries);
    }
  }
  State().security[host] = stored;
  return true;
}

std::vector<std::string> DescribeDacl(const std::u16string& windowsPath) {
  PathSecurity security;
  std::vector<std::string> lines;
  if (!GetPathSecurity(windowsPath, &security)) return lines;
  for (const AccessEntry& entry : security.entries) {
    char mask[16];
    std::snprintf(mask, sizeof(mask), "0x%x", entry.mask);
    std::string line = (entry.type == acl::kAccessDeniedType ? "deny " : "") + entry.account + " " + mask + " " +
                       FlagText(entry.flags);
    if (entry.inherited()) line += " inherited";
    lines.push_back(line);
  }
  return lines;
}

bool ShutdownPrivilegeEnabled() {
  Guard guard(Lock());
  return State().shutdownPrivilege;
}

}  // namespace sim

int SysLookupAccountName(const char16_t* account, void* sid, uint32_t* sidSize, char16_t* domain,
                         uint32_t* domainSize) {
  Guard guard(Lock());
  if (SIM_FAULT(SysLookupAccountName) || RefusedOn9x()) return 0;
  if (!account || !sidSize || !domainSize) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  std::vector<uint8_t> found;
  std::u16string domainName;
  if (!SidOfAccount(account, &found, &domainName)) {
    Fail(kErrNoneMapped);
    return 0;
  }
  const uint32_t domainNeeded = static_cast<uint32_t>(domainName.size() + 1);
  if (*sidSize < found.size() || *domainSize < domainNeeded || !sid || !domain) {
    *sidSize = static_cast<uint32_t>(found.size());
    *domainSize = domainNeeded;
    Fail(kErrInsufficientBuffer);
    return 0;
  }
  std::memcpy(sid, found.data(), found.size());
  for (size_t i = 0; i < domainName.size(); ++i) domain[i] = domainName[i];
  domain[domainName.size()] = 0;
  *sidSize = static_cast<uint32_t>(found.size());
  *domainSize = domainNeeded - 1;
  return 1;
}

uint32_t SysGetLengthSid(const void* sid) {
  Guard guard(Lock());
  if (RefusedOn9x()) return 0;
  const uint32_t length = sim::acl::SidLength(static_cast<const uint8_t*>(sid), sim::acl::kMaxSidLength);
  if (length == 0) Fail(kErrInvalidSid);
  return length;
}

int SysEqualSid(const void* a, const void* b) {
  Guard guard(Lock());
  if (RefusedOn9x()) return 0;
  const uint32_t lengthA = sim::acl::SidLength(static_cast<const uint8_t*>(a), sim::acl::kMaxSidLength);
  const uint32_t lengthB = sim::acl::SidLength(static_cast<const uint8_t*>(b), sim::acl::kMaxSidLength);
  if (lengthA == 0 || lengthB == 0) {
    Fail(kErrInvalidSid);
    return 0;
  }
  Fail(kErrSuccess);
  return lengthA == lengthB && std::memcmp(a, b, lengthA) == 0 ? 1 : 0;
}

int SysGetFileSecurity(const char16_t* path, uint32_t information, void* descriptor, uint32_t size,
                       uint32_t* needed) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetFileSecurity) || RefusedOn9x()) return 0;
  if (!needed) {
    Fail(kErrNoAccess);
    return 0;
  }
  const std::string host = ExistingHost(path);
  if (host.empty()) return 0;
  const StoredSecurity security = EffectiveSecurity(host);
  const bool withDacl = (information & kDaclSecurityInformation) != 0;
  std::vector<uint8_t> bytes(kRelativeHeaderSize, 0);
  bytes[0] = kSecurityDescriptorRevision;
  uint16_t control = kSeSelfRelative;
  if (withDacl) {
    control |= security.control;
    if (!security.dacl.empty()) {
      Put32(&bytes[kRelativeDaclOffset], static_cast<uint32_t>(bytes.size()));
      bytes.insert(bytes.end(), security.dacl.begin(), security.dacl.end());
    }
  }
  Put16(&bytes[2], control);
  *needed = static_cast<uint32_t>(bytes.size());
  if (!descriptor || size < bytes.size()) {
    Fail(kErrInsufficientBuffer);
    return 0;
  }
  std::memcpy(descriptor, bytes.data(), bytes.size());
  return 1;
}

int SysSetFileSecurity(const char16_t* path, uint32_t information, void* descriptor) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetFileSecurity) || RefusedOn9x()) return 0;
  const std::string host = ExistingHost(path);
  if (host.empty()) return 0;
  if (!descriptor || RevisionOf(descriptor) != kSecurityDescriptorRevision) {
    Fail(kErrInvalidSecurityDescr);
    return 0;
  }
  if (!(information & kDaclSecurityInformation)) return 1;
  bool present = false, defaulted = false;
  uint8_t* acl = nullptr;
  DaclOf(descriptor, &present, &acl, &defaulted);
  StoredSecurity stored;
  const uint16_t control = ControlOf(descriptor);
  stored.control = control & kStoredDaclControl;
  // Asking for automatic inheritance marks the list as automatically inherited.
  if (control & kSeDaclAutoInheritReq) stored.control |= kSeDaclAutoInherited;
  if (present) {
    stored.control |= kSeDaclPresent;
    if (acl) {
      uint32_t inUse = 0;
      if (sim::acl::AclSizeInformation(acl, nullptr, &inUse, nullptr) != kErrSuccess) {
        Fail(kErrInvalidAcl);
        return 0;
      }
      // Kept without the list's free space.
      stored.dacl.assign(acl, acl + inUse);
      Put16(&stored.dacl[2], static_cast<uint16_t>(inUse));
    }
  }
  State().security[host] = stored;
  return 1;
}

int SysInitializeSecurityDescriptor(void* descriptor, uint32_t revision) {
  Guard guard(Lock());
  if (SIM_FAULT(SysInitializeSecurityDescriptor) || RefusedOn9x()) return 0;
  if (!descriptor) {
    Fail(kErrNoAccess);
    return 0;
  }
  if (revision != kSecurityDescriptorRevision) {
    Fail(kErrUnknownRevision);
    return 0;
  }
  AbsoluteDescriptor d = {};
  d.revision = static_cast<uint8_t>(revision);
  StoreAbsolute(descriptor, d);
  return 1;
}

int SysGetSecurityDescriptorDacl(void* descriptor, int* present, SysAclHeader** acl, int* defaulted) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetSecurityDescriptorDacl) || RefusedOn9x()) return 0;
  if (!descriptor || !present || !acl || !defaulted) {
    Fail(kErrNoAccess);
    return 0;
  }
  if (RevisionOf(descriptor) != kSecurityDescriptorRevision) {
    Fail(kErrUnknownRevision);
    return 0;
  }
  bool isPresent = false, isDefaulted = false;
  uint8_t* list = nullptr;
  DaclOf(descriptor, &isPresent, &list, &isDefaulted);
  *present = isPresent ? 1 : 0;
  *acl = reinterpret_cast<SysAclHeader*>(list);
  *defaulted = isDefaulted ? 1 : 0;
  return 1;
}

int SysSetSecurityDescriptorDacl(void* descriptor, int present, SysAclHeader* acl, int defaulted) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetSecurityDescriptorDacl) || RefusedOn9x()) return 0;
  if (!descriptor) {
    Fail(kErrNoAccess);
    return 0;
  }
  if (RevisionOf(descriptor) != kSecurityDescriptorRevision) {
    Fail(kErrUnknownRevision);
    return 0;
  }
  if (ControlOf(descriptor) & kSeSelfRelative) {
    Fail(kErrInvalidSecurityDescr);
    return 0;
  }
  AbsoluteDescriptor d = LoadAbsolute(descriptor);
  d.control &= static_cast<uint16_t>(~(kSeDaclPresent | kSeDaclDefaulted));
  d.dacl = nullptr;
  if (present) {
    d.control |= kSeDaclPresent;
    d.dacl = acl;
    if (defaulted) d.control |= kSeDaclDefaulted;
  }
  StoreAbsolute(descriptor, d);
  return 1;
}

int SysGetSecurityDescriptorControl(void* descriptor, uint16_t* control, uint32_t* revision) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetSecurityDescriptorControl) || RefusedOn9x()) return 0;
  if (!descriptor || !control || !revision) {
    Fail(kErrNoAccess);
    return 0;
  }
  *control = ControlOf(descriptor);
  *revision = RevisionOf(descriptor);
  if (*revision != kSecurityDescriptorRevision) {
    Fail(kErrUnknownRevision);
    return 0;
  }
  return 1;
}

int SysSetSecurityDescriptorControl(void* descriptor, uint16_t mask, uint16_t bits) {
  Guard guard(Lock());
  if (SIM_FAULT(SysSetSecurityDescriptorControl) || RefusedOn9x()) return 0;
  // Windows before 2000 has no such function (the program checks with GetProcAddress first).
  if (!sim::internal::ExportOffered("advapi32.dll", "SetSecurityDescriptorControl")) {
    Fail(kErrProcNotFound);
    return 0;
  }
  if (!descriptor) {
    Fail(kErrNoAccess);
    return 0;
  }
  if (RevisionOf(descriptor) != kSecurityDescriptorRevision) {
    Fail(kErrUnknownRevision);
    return 0;
  }
  if ((mask & ~kSettableControl) != 0 || (bits & ~mask) != 0) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  const uint16_t control = static_cast<uint16_t>((ControlOf(descriptor) & ~mask) | bits);
  Put16(static_cast<uint8_t*>(descriptor) + 2, control);
  return 1;
}

int SysGetAclInformation(SysAclHeader* acl, SysAclSizeInformation* out) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetAclInformation) || RefusedOn9x()) return 0;
  if (!acl || !out) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  ErrorCode error = sim::acl::AclSizeInformation(reinterpret_cast<const uint8_t*>(acl), &out->AceCount,
                                                 &out->AclBytesInUse, &out->AclBytesFree);
  if (error != kErrSuccess) {
    Fail(error);
    return 0;
  }
  return 1;
}

int SysInitializeAcl(SysAclHeader* acl, uint32_t size, uint32_t revision) {
  Guard guard(Lock());
  if (SIM_FAULT(SysInitializeAcl) || RefusedOn9x()) return 0;
  ErrorCode error = sim::acl::InitializeAcl(reinterpret_cast<uint8_t*>(acl), size, revision);
  if (error != kErrSuccess) {
    Fail(error);
    return 0;
  }
  return 1;
}

int SysGetAce(SysAclHeader* acl, uint32_t index, void** ace) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetAce) || RefusedOn9x()) return 0;
  if (!acl || !ace) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  size_t offset = 0;
  ErrorCode error = sim::acl::AceOffset(reinterpret_cast<const uint8_t*>(acl), index, &offset);
  if (error != kErrSuccess) {
    Fail(error);
    return 0;
  }
  *ace = reinterpret_cast<uint8_t*>(acl) + offset;
  return 1;
}

int SysAddAce(SysAclHeader* acl, uint32_t revision, uint32_t index, void* aces, uint32_t size) {
  Guard guard(Lock());
  if (SIM_FAULT(SysAddAce) || RefusedOn9x()) return 0;
  ErrorCode error = sim::acl::AddAce(reinterpret_cast<uint8_t*>(acl), revision, index,
                                     static_cast<const uint8_t*>(aces), size);
  if (error != kErrSuccess) {
    Fail(error);
    return 0;
  }
  return 1;
}

int SysAddAccessAllowedAce(SysAclHeader* acl, uint32_t revision, uint32_t mask, void* sid) {
  Guard guard(Lock());
  if (SIM_FAULT(SysAddAccessAllowedAce) || RefusedOn9x()) return 0;
  ErrorCode error = sim::acl::AddAccessAllowedAce(reinterpret_cast<uint8_t*>(acl), revision, 0, mask,
                                                  static_cast<const uint8_t*>(sid));
  if (error != kErrSuccess) {
    Fail(error);
    return 0;
  }
  return 1;
}

int SysAddAccessAllowedAceEx(SysAclHeader* acl, uint32_t revision, uint32_t flags, uint32_t mask, void* sid) {
  Guard guard(Lock());
  if (SIM_FAULT(SysAddAccessAllowedAceEx) || RefusedOn9x()) return 0;
  // Windows before 2000 has no such function (the program checks with GetProcAddress first).
  if (!sim::internal::ExportOffered("advapi32.dll", "AddAccessAllowedAceEx")) {
    Fail(kErrProcNotFound);
    return 0;
  }
  if (flags > 0xFF) {
    Fail(kErrInvalidParameter);
    return 0;
  }
  ErrorCode error = sim::acl::AddAccessAllowedAce(reinterpret_cast<uint8_t*>(acl), revision,
                                                  static_cast<uint8_t>(flags), mask, static_cast<const uint8_t*>(sid));
  if (error != kErrSuccess) {
    Fail(error);
    return 0;
  }
  return 1;
}

int SysEnableShutdownPrivilege() {
  Guard guard(Lock());
  if (SIM_FAULT(SysEnableShutdownPrivilege) || RefusedOn9x()) return 0;
  State().shutdownPrivilege = true;
  return 1;
}
