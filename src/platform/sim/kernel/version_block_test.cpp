// Lookups in damaged version blocks: whatever is found lies inside the bytes given.
#include "platform/sim/kernel/version_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/kernel.h"
#include "platform/version_info.h"
#include "support/sim_fixture.h"

namespace {

using VersionBlockTest = SimFixture;

const char16_t* const kPaths[] = {
    u"\\", u"", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\040904b0\\FileVersion",
    u"\\\\StringFileInfo\\\\040904b0\\\\FileVersion", u"\\StringFileInfo\\040904b0\\CompanyName",
    u"\\StringFileInfo\\040904b0\\NoSuchName", u"\\StringFileInfo"};

// The block of a library built by the resource compiler, cut at every length and with every
// byte set to 0x00, 0x01, 0x7F and 0xFF: lookups may fail, but what they find lies inside the
// bytes given (each copy is exactly that size, so that the sanitizer sees any read past it).
TEST_F(VersionBlockTest, DamagedBlocksStayInsideTheirBytes) {
  const std::string library = FixtureBytes("v1_9.dll");
  if (library.empty()) GTEST_SKIP() << "version fixtures not built";
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\v1_9.dll", library));
  std::string original(SysGetFileVersionInfoSize(u"C:\\v1_9.dll"), '\0');
  ASSERT_FALSE(original.empty());
  ASSERT_EQ(SysGetFileVersionInfo(u"C:\\v1_9.dll", static_cast<uint32_t>(original.size()), &original[0]), 1);
  auto check = [](const std::string& bytes) {
    std::unique_ptr<uint8_t[]> block(new uint8_t[bytes.size() ? bytes.size() : 1]);
    std::memcpy(block.get(), bytes.data(), bytes.size());
    for (const char16_t* path : kPaths) {
      const uint8_t* value = nullptr;
      uint32_t length = 0;
      if (!sim::QueryVersionBlock(block.get(), bytes.size(), path, &value, &length)) continue;
      ASSERT_GE(value, block.get());
      ASSERT_LE(value + length, block.get() + bytes.size());
      for (uint32_t i = 0; i < length; ++i) (void)*(volatile const uint8_t*)(value + i);
    }
  };
  for (size_t size = 0; size <= original.size(); ++size) check(original.substr(0, size));
  for (size_t at = 0; at < original.size(); ++at) {
    for (uint8_t byte : {0x00, 0x01, 0x7F, 0xFF}) {
      std::string damaged = original;
      damaged[at] = static_cast<char>(byte);
      check(damaged);
    }
  }
  EXPECT_FALSE(sim::QueryVersionBlock(nullptr, 0, u"\\", nullptr, nullptr));
}

}  // namespace
