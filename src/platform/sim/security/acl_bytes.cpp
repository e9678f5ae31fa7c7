// Byte-level SIDs and access lists in Windows' layout: reading, checking and editing them in the
// caller's memory with the rules of the Windows functions.
#include "platform/sim/security/acl_bytes.h"

#include <cstring>

namespace sim {
namespace acl {

namespace {

// Authorities above 32 bits are written in hexadecimal in a SID's text.
constexpr uint64_t kMaxDecimalAuthority = 0xFFFFFFFFULL;
constexpr size_t kAuthorityBytes = 6;
constexpr size_t kAclSizeOffset = 2;
constexpr size_t kAceCountOffset = 4;
constexpr size_t kAceSizeOffset = 2;
constexpr size_t kAceMaskOffset = 4;

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

bool RevisionValid(uint32_t revision) { return revision >= kMinAclRevision && revision <= kMaxAclRevision; }

// Walks the entries of a list: the offset just past the last one, or 0 for a malformed list.
size_t FirstFree(const uint8_t* acl) {
  if (!acl || !RevisionValid(acl[0])) return 0;
  const size_t size = Get16(acl + kAclSizeOffset);
  if (size < kAclHeaderSize || size % 4 != 0) return 0;
  const uint32_t count = Get16(acl + kAceCountOffset);
  size_t offset = kAclHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    if (offset + kAceHeaderSize > size) return 0;
    const size_t aceSize = Get16(acl + offset + kAceSizeOffset);
    if (aceSize < kAceHeaderSize || aceSize % 4 != 0 || offset + aceSize > size) return 0;
    const uint8_t type = acl[offset];
    if (type == kAccessAllowedType || type == kAccessDeniedType) {
      if (aceSize < kKnownAceFixedSize) return 0;
      const uint32_t sidLength = SidLength(acl + offset + kKnownAceFixedSize, aceSize - kKnownAceFixedSize);
      if (sidLength == 0) return 0;
    }
    offset += aceSize;
  }
  return offset;
}

// Checks a run of entries given to AddAce: whole entries of at least a header each.
bool AceRunValid(const uint8_t* aces, uint32_t size) {
  size_t offset = 0;
  while (offset < size) {
    if (offset + kAceHeaderSize > size) return false;
    const size_t aceSize = Get16(aces + offset + kAceSizeOffset);
    if (aceSize < kAceHeaderSize || aceSize % 4 != 0 || offset + aceSize > size) return false;
    offset += aceSize;
  }
  return true;
}

// Number of entries in a valid run.
uint32_t CountAces(const uint8_t* aces, uint32_t size) {
  uint32_t count = 0;
  for (size_t offset = 0; offset < size; offset += Get16(aces + offset + kAceSizeOffset)) ++count;
  return count;
}

}  // namespace

uint32_t SidLength(const uint8_t* sid, size_t available) {
  if (!sid || available < kSidHeaderSize) return 0;
  if (sid[0] != kSidRevision || sid[1] > kMaxSubAuthorities) return 0;
  const size_t length = kSidHeaderSize + 4 * static_cast<size_t>(sid[1]);
  return length <= available ? static_cast<uint32_t>(length) : 0;
}

bool SidFromText(const std::string& text, std::vector<uint8_t>* out) {
  if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text[1] != '-') return false;
  std::vector<uint64_t> numbers;
  size_t pos = 2;
  while (pos <= text.size()) {
    size_t end = text.find('-', pos);
    if (end == std::string::npos) end = text.size();
    if (end == pos) return false;
    uint64_t value = 0;
    const bool hex = end - pos > 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X');
    for (size_t i = pos + (hex ? 2 : 0); i < end; ++i) {
      const char c = text[i];
      uint64_t digit = 0;
      if (c >= '0' && c <= '9')
        digit = static_cast<uint64_t>(c - '0');
      else if (hex && c >= 'a' && c <= 'f')
        digit = static_cast<uint64_t>(c - 'a' + 10);
      else if (hex && c >= 'A' && c <= 'F')
        digit = static_cast<uint64_t>(c - 'A' + 10);
      else
        return false;
      value = value * (hex ? 16 : 10) + digit;
      if (value > 0xFFFFFFFFFFFFULL) return false;
    }
    numbers.push_back(value);
    pos = end + 1;
  }
  // Revision, authority, then the sub-authorities.
  if (numbers.size() < 2 || numbers[0] != kSidRevision || numbers.size() - 2 > kMaxSubAuthorities) return false;
  std::vector<uint8_t> sid(kSidHeaderSize + 4 * (numbers.size() - 2), 0);
  sid[0] = kSidRevision;
  sid[1] = static_cast<uint8_t>(numbers.size() - 2);
  for (size_t i = 0; i < kAuthorityBytes; ++i)
    sid[2 + i] = static_cast<uint8_t>(numbers[1] >> (8 * (kAuthorityBytes - 1 - i)));
  for (size_t i = 2; i < numbers.size(); ++i) {
    if (numbers[i] > 0xFFFFFFFFULL) return false;
    Put32(&sid[kSidHeaderSize + 4 * (i - 2)], static_cast<uint32_t>(numbers[i]));
  }
  *out = sid;
  return true;
}

std::string SidToText(const uint8_t* sid, size_t available) {
  const uint32_t length = SidLength(sid, available);
  if (length == 0) return "";
  uint64_t authority = 0;
  for (size_t i = 0; i < kAuthorityBytes; ++i) authority = (authority << 8) | sid[2 + i];
  std::string text = "S-1-";
  if (authority > kMaxDecimalAuthority) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint64_t v = authority; v; v >>= 4) hex.insert(hex.begin(), kDigits[v & 0xF]);
    text += "0x" + hex;
  } else {
    text += std::to_string(authority);
  }
  for (uint8_t i = 0; i < sid[1]; ++i) text += "-" + std::to_string(Get32(sid + kSidHeaderSize + 4 * i));
  return text;
}

ErrorCode InitializeAcl(uint8_t* acl, uint32_t size, uint32_t revision) {
  if (!acl) return kErrInvalidParameter;
  if (size < kAclHeaderSize) return kErrInsufficientBuffer;
  if (size > kMaxAclSize || !RevisionValid(revision)) return kErrInvalidParameter;
  std::memset(acl, 0, kAclHeaderSize);
  acl[0] = static_cast<uint8_t>(revision);
  Put16(acl + kAclSizeOffset, static_cast<uint16_t>(size & ~3u));
  return kErrSuccess;
}

bool AclValid(const uint8_t* acl) { return FirstFree(acl) != 0; }

ErrorCode AclSizeInformation(const uint8_t* acl, uint32_t* aceCount, uint32_t* bytesInUse, uint32_t* bytesFree) {
  const size_t used = FirstFree(acl);
  if (used == 0) return kErrInvalidAcl;
  if (aceCount) *aceCount = Get16(acl + kAceCountOffset);
  if (bytesInUse) *bytesInUse = static_cast<uint32_t>(used);
  if (bytesFree) *bytesFree = static_cast<uint32_t>(Get16(acl + kAclSizeOffset) - used);
  return kErrSuccess;
}

ErrorCode AceOffset(const uint8_t* acl, uint32_t index, size_t* offset) {
  if (FirstFree(acl) == 0) return kErrInvalidAcl;
  if (index >= Get16(acl + kAceCountOffset)) return kErrInvalidParameter;
  size_t at = kAclHeaderSize;
  for (uint32_t i = 0; i < index; ++i) at += Get16(acl + at + kAceSizeOffset);
  *offset = at;
  return kErrSuccess;
}

ErrorCode AddAce(uint8_t* acl, uint32_t revision, uint32_t index, const uint8_t* aces, uint32_t size) {
  const size_t used = FirstFree(acl);
  if (used == 0 || !RevisionValid(revision)) return kErrInvalidParameter;
  if (!aces || !AceRunValid(aces, size)) return kErrInvalidParameter;
  const size_t capacity = Get16(acl + kAclSizeOffset);
  if (used + size > capacity) return kErrInsufficientBuffer;
  const uint32_t count = Get16(acl + kAceCountOffset);
  const uint32_t added = CountAces(aces, size);
  if (count + added > 0xFFFF) return kErrInvalidParameter;
  size_t at = kAclHeaderSize;
  for (uint32_t i = 0; i < index && i < count; ++i) at += Get16(acl + at + kAceSizeOffset);
  std::memmove(acl + at + size, acl + at, used - at);
  std::memmove(acl + at, aces, size);
  Put16(acl + kAceCountOffset, static_cast<uint16_t>(count + added));
  if (revision > acl[0]) acl[0] = static_cast<uint8_t>(revision);
  return kErrSuccess;
}

ErrorCode AddAccessAllowedAce(uint8_t* acl, uint32_t revision, uint8_t flags, uint32_t mask, const uint8_t* sid) {
  const uint32_t sidLength = SidLength(sid, kMaxSidLength);
  if (sidLength == 0) return kErrInvalidSid;
  if (!RevisionValid(revision)) return kErrRevisionMismatch;
  if ((flags & ~kValidInheritFlags) != 0) return kErrInvalidParameter;
  const size_t used = FirstFree(acl);
  if (used == 0) return kErrInvalidAcl;
  const size_t aceSize = kKnownAceFixedSize + sidLength;
  if (used + aceSize > Get16(acl + kAclSizeOffset)) return kErrAllottedSpaceExceeded;
  const uint32_t count = Get16(acl + kAceCountOffset);
  if (count >= 0xFFFF) return kErrAllottedSpaceExceeded;
  uint8_t* ace = acl + used;
  ace[0] = kAccessAllowedType;
  ace[1] = flags;
  Put16(ace + kAceSizeOffset, static_cast<uint16_t>(aceSize));
  Put32(ace + kAceMaskOffset, mask);
  std::memcpy(ace + kKnownAceFixedSize, sid, sidLength);
  Put16(acl + kAceCountOffset, static_cast<uint16_t>(count + 1));
  if (revision > acl[0]) acl[0] = static_cast<uint8_t>(revision);
  return kErrSuccess;
}

bool ParseAcl(const uint8_t* acl, size_t available, std::vector<AceRecord>* out) {
  out->clear();
  if (!acl || available < kAclHeaderSize || Get16(acl + kAclSizeOffset) > available) return false;
  if (FirstFree(acl) == 0) return false;
  const uint32_t count = Get16(acl + kAceCountOffset);
  size_t offset = kAclHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* ace = acl + offset;
    const size_t aceSize = Get16(ace + kAceSizeOffset);
    AceRecord record;
    record.type = ace[0];
    record.flags = ace[1];
    if (aceSize >= kKnownAceFixedSize) {
      record.mask = Get32(ace + kAceMaskOffset);
      const uint32_t sidLength = SidLength(ace + kKnownAceFixedSize, aceSize - kKnownAceFixedSize);
      record.sid.assign(ace + kKnownAceFixedSize, ace + kKnownAceFixedSize + sidLength);
    }
    out->push_back(record);
    offset += aceSize;
  }
  return true;
}

std::vector<uint8_t> BuildAcl(const std::vector<AceRecord>& entries, uint8_t revision) {
  size_t size = kAclHeaderSize;
  for (const AceRecord& entry : entries) size += (kKnownAceFixedSize + entry.sid.size() + 3) & ~size_t{3};
  std::vector<uint8_t> acl(size, 0);
  acl[0] = revision;
  Put16(&acl[kAclSizeOffset], static_cast<uint16_t>(size));
  Put16(&acl[kAceCountOffset], static_cast<uint16_t>(entries.size()));
  size_t offset = kAclHeaderSize;
  for (const AceRecord& entry : entries) {
    const size_t aceSize = (kKnownAceFixedSize + entry.sid.size() + 3) & ~size_t{3};
    acl[offset] = entry.type;
    acl[offset + 1] = entry.flags;
    Put16(&acl[offset + kAceSizeOffset], static_cast<uint16_t>(aceSize));
    Put32(&acl[offset + kAceMaskOffset], entry.mask);
    if (!entry.sid.empty()) std::memcpy(&acl[offset + kKnownAceFixedSize], entry.sid.data(), entry.sid.size());
    offset += aceSize;
  }
  return acl;
}

}  // namespace acl
}  // namespace sim
