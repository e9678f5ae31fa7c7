// Byte-level security identifiers and access lists in Windows' binary layout (SID, ACL, ACE
// headers, ACCESS_ALLOWED_ACE), with the checks and error codes of the Windows functions that
// edit them. Pure functions over caller memory: no machine state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/sim/machine/windows_constants.h"

namespace sim {
namespace acl {

constexpr size_t kSidHeaderSize = 8;        // revision, count, 6-byte authority
constexpr uint8_t kSidRevision = 1;
constexpr uint8_t kMaxSubAuthorities = 15;
constexpr size_t kMaxSidLength = kSidHeaderSize + 4 * kMaxSubAuthorities;
constexpr size_t kAclHeaderSize = 8;
constexpr size_t kAceHeaderSize = 4;
constexpr size_t kKnownAceFixedSize = 8;    // header and access mask, then the SID
constexpr uint8_t kMinAclRevision = 2;
constexpr uint8_t kMaxAclRevision = 4;
constexpr uint32_t kMaxAclSize = 0xFFFF;
constexpr uint32_t kAppendIndex = 0xFFFFFFFF;
constexpr uint8_t kAccessAllowedType = 0;
constexpr uint8_t kAccessDeniedType = 1;
constexpr uint8_t kValidInheritFlags = 0x1F;

// One entry read out of an access list.
struct AceRecord {
  uint8_t type = kAccessAllowedType;
  uint8_t flags = 0;
  uint32_t mask = 0;
  std::vector<uint8_t> sid;
  bool operator==(const AceRecord& other) const {
    return type == other.type && flags == other.flags && mask == other.mask && sid == other.sid;
  }
};

// Length of the SID at `sid` (8 + 4 per sub-authority) when it is a valid SID lying within
// `available` bytes; 0 otherwise. Only the header is read to find the length.
uint32_t SidLength(const uint8_t* sid, size_t available);
// "S-1-5-32-544" to SID bytes. False for a malformed text.
bool SidFromText(const std::string& text, std::vector<uint8_t>* out);
// SID bytes to their text form ("S-1-5-18"); "" for an invalid SID.
std::string SidToText(const uint8_t* sid, size_t available);

// InitializeAcl: an empty list of `size` bytes (cut to a multiple of 4). Returns 0 or the error.
ErrorCode InitializeAcl(uint8_t* acl, uint32_t size, uint32_t revision);
// True when the header and every entry lie within the list's AclSize bytes, sizes are multiples
// of 4 and allowed/denied entries hold valid SIDs.
bool AclValid(const uint8_t* acl);
// GetAclInformation(AclSizeInformation).
ErrorCode AclSizeInformation(const uint8_t* acl, uint32_t* aceCount, uint32_t* bytesInUse, uint32_t* bytesFree);
// GetAce: the byte offset of entry `index` within the list.
ErrorCode AceOffset(const uint8_t* acl, uint32_t index, size_t* offset);
// AddAce: inserts `size` bytes of entries before entry `index` (kAppendIndex or any index past
// the end appends).
ErrorCode AddAce(uint8_t* acl, uint32_t revision, uint32_t index, const uint8_t* aces, uint32_t size);
// AddAccessAllowedAce(Ex): appends an access-allowed entry for the SID.
ErrorCode AddAccessAllowedAce(uint8_t* acl, uint32_t revision, uint8_t flags, uint32_t mask, const uint8_t* sid);

// The entries of a valid list of `available` bytes; false when it is malformed.
bool ParseAcl(const uint8_t* acl, size_t available, std::vector<AceRecord>* out);
// A list holding exactly these entries, its AclSize the bytes they use.
std::vector<uint8_t> BuildAcl(const std::vector<AceRecord>& entries, uint8_t revision = kMinAclRevision);

}  // namespace acl
}  // namespace sim
