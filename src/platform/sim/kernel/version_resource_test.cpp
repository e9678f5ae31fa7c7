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

#ifndef SETUP_FIXTURE_DIR
#define SETUP_FIXTURE_DIR ""  // fixtures not configured: the tests that need them skip
#endif

namespace {

std::string ReadFixture(const std::string& name) {
  std::ifstream file(std::string(SETUP_FIXTURE_DIR) + "/" + name, std::ios::binary);
  if (!file) return "";
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

class VersionResourceTest : public SimFixture {
 protected:
  // Puts a fixture on the simulated disk as C:\fixtures\<name>; false when it was not built.
  static bool Install(const char* name) {
    const std::string bytes = ReadFixture(name);
    return !bytes.empty() && sim::WriteDiskFile(u"C:\\fixtures\\" + sim::FromUtf8(name), bytes);
  }
};

// What the copy engine reads from a file's version: the fixed file version, the first
// translation and the FileVersion text of that translation.
struct VersionRead {
  uint32_t fileVersionMS = 0;
  uint32_t fileVersionLS = 0;
  std::string translation;  // language and code page as eight hex digits
  std::u16string text;
};

bool ReadVersion(const std::u16string& path, VersionRead* out) {
  const uint32_t size = SysGetFileVersionInfoSize(path.c_str());
  if (size == 0) return false;
  std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
  if (!SysGetFileVersionInfo(path.c_str(), size, block.get())) return false;
  void* value = nullptr;
  uint32_t length = 0;
  if (!SysVerQueryValue(block.get(), u"\\", &value, &length) || length != sizeof(SysFixedFileInfo)) return false;
  SysFixedFileInfo fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  if (fixed.dwSignature != 0xFEEF04BD) return false;
  out->fileVersionMS = fixed.dwFileVersionMS;
  out->fileVersionLS = fixed.dwFileVersionLS;
  if (!SysVerQueryValue(block.get(), u"\\VarFileInfo\\Translation", &value, &length) || length < 4) return false;
  const uint8_t* pair = static_cast<const uint8_t*>(value);
  char hex[9];
  snprintf(hex, sizeof hex, "%04x%04x", pair[0] | (pair[1] << 8), pair[2] | (pair[3] << 8));
  out->translation = hex;
  // The query as the installer spells it, separators doubled.
  const std::u16string query = u"\\\\StringFileInfo\\\\" + sim::FromUtf8(hex) + u"\\\\FileVersion";
  if (!SysVerQueryValue(block.get(), query.c_str(), &value, &length) || length == 0) return false;
  out->text.assign(static_cast<const char16_t*>(value), length - 1);
  return true;
}

TEST_F(VersionResourceTest, ReadsFixedAndTextVersions) {
  struct Case {
    const char* file;
    uint32_t fileVersionMS;
    const char* translation;
    const char16_t* text;
  };
  const Case cases[] = {
      {"v1_9.dll", 0x00010009, "040904b0", u"1.9"},
      {"v1_10.dll", 0x0001000A, "040904b0", u"1.10"},
      {"v1_10_text_1_9.dll", 0x0001000A, "040904b0", u"1.9"},
      {"v2_0_german.dll", 0x00020000, "040704e4", u"2.0"},  // 32-bit image, German table
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (!Install(c.file)) {
      GTEST_SKIP() << "version fixtures not built";
    }
    // The size asked for is twice the block plus four bytes, as Windows asks.
    const std::u16string path = u"C:\\FIXTURES\\" + sim::FromUtf8(c.file);
    const uint32_t size = SysGetFileVersionInfoSize(path.c_str());
    std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
    ASSERT_EQ(1, SysGetFileVersionInfo(path.c_str(), size, block.get()));
    EXPECT_EQ(size, 2u * (block[0] | (block[1] << 8)) + 4);
    VersionRead read;
    ASSERT_TRUE(ReadVersion(path, &read));
    EXPECT_EQ(c.fileVersionMS, read.fileVersionMS);
    EXPECT_EQ(0u, read.fileVersionLS);
    EXPECT_EQ(c.translation, read.translation);
    EXPECT_EQ(std::u16string(c.text), read.text);
  }
}

TEST_F(VersionResourceTest, FilesWithoutVersionGiveZero) {
  if (!Install("no_version.dll") || !Install("v3_0_name2.dll") || !Install("normal.cab")) {
    GTEST_SKIP() << "fixtures not built";
  }
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\fixtures\\readme.txt", "MZ but not a program"));
  struct Case {
    const char16_t* path;
    ErrorCode error;
  };
  const Case cases[] = {
      {u"C:\\fixtures\\no_version.dll", 1813},  // resources, none of them a version
      {u"C:\\fixtures\\v3_0_name2.dll", 1814},  // a version resource, but not number 1
      {u"C:\\fixtures\\normal.cab", 1812},      // not a program
      {u"C:\\fixtures\\readme.txt", 1812},
      {u"C:\\fixtures\\missing.dll", kErrFileNotFound},
      {u"C:\\nowhere\\missing.dll", kErrPathNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.path));
    SysSetLastError(0);
    EXPECT_EQ(0u, SysGetFileVersionInfoSize(c.path));
    EXPECT_EQ(c.error, SysGetLastError());
    uint8_t buffer[64] = {};
    SysSetLastError(0);
    EXPECT_EQ(0, SysGetFileVersionInfo(c.path, sizeof buffer, buffer));
    EXPECT_EQ(c.error, SysGetLastError());
  }
}

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
    const std::string image = ReadFixture(name);
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
