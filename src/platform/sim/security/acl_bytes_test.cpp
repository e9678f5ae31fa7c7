// The byte-level SID and access-list functions: entries added within the list's room, and
// malformed lists refused.
#include "platform/sim/security/acl_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using sim::acl::AceRecord;

std::vector<uint8_t> Sid(const std::string& text) {
  std::vector<uint8_t> sid;
  EXPECT_TRUE(sim::acl::SidFromText(text, &sid)) << text;
  return sid;
}

// The SID texts of a list's entries, in order.
std::vector<std::string> SidTexts(const uint8_t* acl, size_t size) {
  std::vector<AceRecord> entries;
  std::vector<std::string> texts;
  if (!sim::acl::ParseAcl(acl, size, &entries)) return {"<malformed>"};
  for (const AceRecord& entry : entries) texts.push_back(sim::acl::SidToText(entry.sid.data(), entry.sid.size()));
  return texts;
}

// Entries go in place, at an index or appended, within the room of the list; a full list takes
// nothing more and stays as it was.
TEST(AclBytes, EntriesAreAddedInPlaceWithinTheRoomOfTheList) {
  const std::vector<uint8_t> everyone = Sid("S-1-1-0");
  const std::vector<uint8_t> admins = Sid("S-1-5-32-544");
  std::vector<uint8_t> acl(72, 0);  // room for three entries: 8 + 20 + 24 + 20
  ASSERT_EQ(sim::acl::InitializeAcl(acl.data(), 72, 2), 0u);
  ASSERT_EQ(sim::acl::AddAccessAllowedAce(acl.data(), 2, 0x3, 0x10000000, everyone.data()), 0u);
  ASSERT_EQ(sim::acl::AddAccessAllowedAce(acl.data(), 2, 0x10, 0x1F01FF, Sid("S-1-5-18").data()), 0u);
  const std::vector<uint8_t> other = sim::acl::BuildAcl({{0, 0x13, 0x1200A9, admins}});
  size_t offset = 0;
  ASSERT_EQ(sim::acl::AceOffset(other.data(), 0, &offset), 0u);
  ASSERT_EQ(sim::acl::AddAce(acl.data(), 2, 0, other.data() + offset, 24), 0u);
  EXPECT_EQ(SidTexts(acl.data(), acl.size()), (std::vector<std::string>{"S-1-5-32-544", "S-1-1-0", "S-1-5-18"}));
  uint32_t count = 0, used = 0, free = 9;
  ASSERT_EQ(sim::acl::AclSizeInformation(acl.data(), &count, &used, &free), 0u);
  EXPECT_EQ(std::vector<uint32_t>({count, used, free}), std::vector<uint32_t>({3, 72, 0}));
  const std::vector<uint8_t> before = acl;
  EXPECT_EQ(sim::acl::AddAccessAllowedAce(acl.data(), 2, 0, 1, everyone.data()), kErrAllottedSpaceExceeded);
  EXPECT_EQ(sim::acl::AddAce(acl.data(), 2, sim::acl::kAppendIndex, other.data() + offset, 24), kErrInsufficientBuffer);
  EXPECT_EQ(acl, before);
  EXPECT_EQ(sim::acl::AceOffset(acl.data(), 3, &offset), kErrInvalidParameter);
}

TEST(AclBytes, MalformedListsAreRefused) {
  const std::vector<uint8_t> good = sim::acl::BuildAcl({{0, 0x3, 0x10000000, Sid("S-1-1-0")}});
  ASSERT_TRUE(sim::acl::AclValid(good.data()));
  struct Case {
    const char* label;
    size_t at;
    uint8_t value;
  };
  const Case cases[] = {
      {"revision 1", 0, 1},
      {"list size below the header", 2, 4},
      {"list size not aligned", 2, 26},
      {"more entries than bytes", 4, 2},
      {"entry size past the list", 10, 24},
      {"entry size below a header", 10, 2},
      {"entry size not aligned", 10, 22},
      {"SID with a bad revision", 16, 9},
      {"SID longer than its entry", 17, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<uint8_t> acl = good;
    acl[c.at] = c.value;
    EXPECT_FALSE(sim::acl::AclValid(acl.data()));
    uint32_t count = 0;
    EXPECT_EQ(sim::acl::AclSizeInformation(acl.data(), &count, nullptr, nullptr), kErrInvalidAcl);
    size_t offset = 0;
    EXPECT_EQ(sim::acl::AceOffset(acl.data(), 0, &offset), kErrInvalidAcl);
    EXPECT_EQ(sim::acl::AddAccessAllowedAce(acl.data(), 2, 0, 1, Sid("S-1-1-0").data()), kErrInvalidAcl);
    std::vector<AceRecord> entries;
    EXPECT_FALSE(sim::acl::ParseAcl(acl.data(), acl.size(), &entries));
  }
  std::vector<AceRecord> entries;
  EXPECT_FALSE(sim::acl::ParseAcl(good.data(), good.size() - 4, &entries));  // AclSize beyond the bytes given
}

}  // namespace
