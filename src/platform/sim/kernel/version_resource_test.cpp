// The simulated version services on the fixture DLLs placed on the simulated disk.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/kernel/find_pe_resource.h"
#include "platform/sim/machine/machine.h"
#include "platform/version_info.h"
#include "support/sim_fixture.h"

namespace {


class VersionResourceTest : public SimFixture {
 protected:
  // Puts a fixture on the simulated disk as C:\fixtures\<name>; false when it was not built.
  static bool Install(const char* name) {
    const std::string bytes = FixtureBytes(name);
    return !bytes.empty() && sim::WriteDiskFile(u"C:\\fixtures\\" + sim::FromUtf8(name), bytes);
  }
};

// A buffer smaller than the block: the copy succeeds, and a lookup of what was not copied fails
// instead of reading past the buffer (which is exactly that size, for the sanitizer).
TEST_F(VersionResourceTest, ShortBufferKeepsLookupsInside) {
  if (!Install("v1_9.dll")) {
    GTEST_SKIP() << "version fixtures not built";
  }
  std::unique_ptr<uint8_t[]> block(new uint8_t[96]);
  ASSERT_EQ(1, SysGetFileVersionInfo(u"C:\\fixtures\\v1_9.dll", 96, block.get()));
  void* value = nullptr;
  uint32_t length = 7;
  EXPECT_EQ(0, SysVerQueryValue(block.get(), u"\\StringFileInfo\\040904b0\\FileVersion", &value, &length));
  EXPECT_EQ(0u, length);
  EXPECT_EQ(1813u, SysGetLastError());
  ASSERT_EQ(1, SysVerQueryValue(block.get(), u"\\", &value, &length));
  EXPECT_EQ(52u, length);
}

// Damaged copies of the 64- and 32-bit fixture images, cut at many lengths and with every byte
// overwritten: whatever is found lies inside the file.
TEST(FindVersionResource, DamagedImagesStayInsideTheFile) {
  for (const char* name : {"v1_9.dll", "v2_0_german.dll"}) {
    SCOPED_TRACE(name);
    const std::string image = FixtureBytes(name);
    if (image.empty()) {
      GTEST_SKIP() << "version fixtures not built";
    }
    auto check = [](const std::string& bytes) {
      std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + 1]);
      std::memcpy(copy.get(), bytes.data(), bytes.size());
      size_t offset = 0, length = 0;
      if (sim::FindVersionResource(copy.get(), bytes.size(), &offset, &length) == sim::PeResourceLookup::kFound) {
        EXPECT_TRUE(offset <= bytes.size() && length <= bytes.size() - offset);
      }
    };
    for (size_t size = 0; size <= image.size(); size += 3) check(image.substr(0, size));
    for (size_t at = 0; at < image.size(); ++at) {
      for (unsigned char byte : {0x00, 0xFF}) {
        std::string damaged = image;
        damaged[at] = static_cast<char>(byte);
        check(damaged);
      }
    }
  }
}

}  // namespace
