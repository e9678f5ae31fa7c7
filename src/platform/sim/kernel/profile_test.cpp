// Profile reading over the simulated disk.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/sim_fixture.h"

namespace {

constexpr uint32_t kBufferSize = 64;

class ProfileTest : public SimFixture {
 protected:
  std::u16string Read(const char16_t* section, const char16_t* key, const char16_t* file,
                      const char16_t* fallback = u"default") {
    char16_t buffer[kBufferSize];
    uint32_t n = SysReadProfileString(section, key, fallback, buffer, kBufferSize, file);
    return std::u16string(buffer, n);
  }
  std::u16string WindowsFile(const std::u16string& name) { return sim::Profile().windowsDir + u"\\" + name; }
};

TEST_F(ProfileTest, BareFileNameIsLookedForInTheWindowsFolder) {
  ASSERT_TRUE(sim::WriteDiskFile(WindowsFile(u"Setup2k.ini"), "[Install]\r\nSetupTite=Windows copy\r\n"));
  WritePackageFile(u"SETUP2K.INI", "[Install]\r\nSetupTite=Package copy\r\n");
  EXPECT_EQ(Read(u"Install", u"SetupTite", u"SETUP2K.INI"), u"Windows copy");
  EXPECT_EQ(Read(u"Install", u"SetupTite", PackagePath(u"setup2k.ini").c_str()), u"Package copy");
}

TEST_F(ProfileTest, MissingFileGivesTheDefaultWithoutTrailingSpaces) {
  EXPECT_EQ(Read(u"Install", u"Title", PackagePath(u"none.ini").c_str(), u"Glidewave 98  "), u"Glidewave 98");
  EXPECT_EQ(Read(u"Install", u"Title", u"Z:\\no\\drive.ini", u"x"), u"x");
  EXPECT_EQ(Read(nullptr, nullptr, PackagePath(u"none.ini").c_str()), u"");
}

TEST_F(ProfileTest, ChangedFileIsReadAgain) {
  const std::u16string path = PackagePath(u"SETUPNT.INI");
  WritePackageFile(u"SETUPNT.INI", "[Install]\nVersion=1.0\n");
  EXPECT_EQ(Read(u"Install", u"Version", path.c_str()), u"1.0");
  // Same size and, as happens within one tick of a coarse file clock, the same time.
  const std::string host = sim::HostPath(path);
  const auto firstWrite = std::filesystem::last_write_time(host);
  WritePackageFile(u"SETUPNT.INI", "[Install]\nVersion=2.5\n");
  std::filesystem::last_write_time(host, firstWrite);
  EXPECT_EQ(Read(u"Install", u"Version", path.c_str()), u"2.5");
  WritePackageFile(u"SETUPNT.INI", "[Install]\nVersion=10.25\n");
  EXPECT_EQ(Read(u"Install", u"Version", path.c_str()), u"10.25");
  std::filesystem::remove(host);
  EXPECT_EQ(Read(u"Install", u"Version", path.c_str()), u"default");
}

TEST_F(ProfileTest, IntegerReader) {
  WritePackageFile(u"n.ini",
                   "[N]\ndec=42\nhex=0x1A\nneg=-1\nempty=\nquoted=\"7\"\nword=abc\nmixed=12abc\n"
                   "long=00000000000000000000000000000000001\n");
  const std::u16string file = PackagePath(u"n.ini");
  const struct {
    const char16_t* key;
    int32_t fallback;
    uint32_t expected;
  } cases[] = {
      {u"dec", 5, 42},          {u"hex", 5, 26},       {u"neg", 5, 0xFFFFFFFFu}, {u"empty", 5, 5},
      {u"missing", -3, 0xFFFFFFFDu}, {u"quoted", 5, 7}, {u"word", 5, 0},          {u"mixed", 5, 12},
      // The value is read through a 30-character buffer: the digit that would make it 1 is cut.
      {u"long", 5, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SysReadProfileInt(u"N", c.key, c.fallback, file.c_str()), c.expected) << sim::ToUtf8(c.key);
}

TEST_F(ProfileTest, InjectedFaultReadsLikeAMissingFile) {
  WritePackageFile(u"a.ini", "[A]\nk=value\nn=9\n");
  const std::u16string file = PackagePath(u"a.ini");
  sim::FailCall("SysReadProfileString", 1, kErrAccessDenied);
  EXPECT_EQ(Read(u"A", u"k", file.c_str()), u"default");
  EXPECT_EQ(Read(u"A", u"k", file.c_str()), u"value");
  sim::FailCall("SysReadProfileInt", 1, kErrAccessDenied);
  EXPECT_EQ(SysReadProfileInt(u"A", u"n", 4, file.c_str()), 4u);
  EXPECT_EQ(SysReadProfileInt(u"A", u"n", 4, file.c_str()), 9u);
}

}  // namespace
