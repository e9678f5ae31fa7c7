// The simulated machine's controls: profile files, Windows paths on the host disk, the count of
// open objects, message-box answers and UTF-8.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

using MachineTest = SimFixture;

TEST(MachineProfileFile, ParsesKeysAndReportsErrorsWithLineNumbers) {
  const struct {
    const char* text;
    const char* error;  // fragment of the message; nullptr when the file must load
  } cases[] = {
      {"# a Windows 98 with a Chinese user\nbuild = 1998\nbase=win98\n; comment\n"
       "userLocale=0x0804\nthreadLocale=2052\ndrive.e=cdrom\npackageDrive=e\ncsd=B\n"
       "device=Mouse|present|HID\\VID_1&PID_2,HID\\VID_1|HID\\VID_1&PID_2\\6&1&0|0x20\n"
       "device=HID|unplugged|HID\\VID_3|HID\\VID_3\\0\n",
       nullptr},
      {"servicePack=2.1\nextendedVersion=0\nplatform=9x\n", nullptr},
      {"base=win7\n\nmajor=6\ncolour=blue\n", ":4: unknown key \"colour\""},
      {"base=win31\n", ":1: unknown base profile"},
      {"drive.Q=floppy\n", ":1: drive type"},
      {"drive.1=fixed\n", ":1: bad drive letter"},
      {"major=5\nminor\n", ":2: expected key=value"},
      {"major=five\n", ":1: bad number"},
      {"build=70000\n", ":1: bad number"},
      {"platform=os2\n", ":1: platform must be"},
      {"extendedVersion=yes\n", ":1: extendedVersion"},
      {"servicePack=1.x\n", ":1: servicePack"},
      {"device=HID|gone|HID\\VID_3|HID\\VID_3\\0\n", ":1:"},
      {"device=HID|present|HID\\VID_3|HID\\VID_3\\0|lots\n", ":1:"},
  };
  const std::string path = ::testing::TempDir() + "a1_profile_test.profile";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.text;
    sim::MachineProfile profile;
    std::string error;
    EXPECT_EQ(sim::LoadProfileFile(path, &profile, &error), !c.error) << error;
    if (c.error) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc) << cases[0].text;
  sim::MachineProfile p;
  std::string error;
  ASSERT_TRUE(sim::LoadProfileFile(path, &p, &error)) << error;
  std::remove(path.c_str());
  EXPECT_EQ(p.name, "a1_profile_test.profile");
  EXPECT_EQ(std::vector<uint32_t>({p.major, p.minor, p.build, p.platformId, p.userLocale, p.threadLocale,
                                   uint32_t(p.driveTypes['E' - 'A']), uint32_t(p.packageDrive)}),
            std::vector<uint32_t>({4, 10, 1998, 1, 0x0804, 0x0804, 5, 'E'}));
  EXPECT_EQ(p.systemDir + u"|" + p.csdVersion, u"C:\\WINDOWS\\SYSTEM|B");
  ASSERT_EQ(p.devices.size(), 2u);
  EXPECT_EQ(p.devices[0].hardwareIds, (std::vector<std::u16string>{u"HID\\VID_1&PID_2", u"HID\\VID_1"}));
  EXPECT_EQ(p.devices[0].configFlags, 0x20u);
  EXPECT_FALSE(p.devices[1].present);
  EXPECT_FALSE(sim::LoadProfileFile(path, &p, &error));  // removed
}

// Windows paths find existing names whatever their case and keep the given case for new ones.
TEST_F(MachineTest, PathsResolveIgnoringCase) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Tools\\Mouse Data\\Read Me.TXT", "x"));
  const std::string host = sim::HostPath(u"C:\\Tools\\Mouse Data\\Read Me.TXT");
  ASSERT_FALSE(host.empty());
  const struct {
    const char16_t* path;
    std::string host;  // "" when it resolves to nothing
  } cases[] = {
      {u"c:\\tools\\mouse data\\read me.txt", host},
      {u"C:/TOOLS/MOUSE DATA/READ ME.txt", host},
      {u"C:\\Tools\\.\\Other\\..\\Mouse Data\\Read Me.TXT", host},
      {u"C:\\Tools\\Mouse Data\\Read Me.TXT.", host},
      {u"C:\\..\\Tools\\Mouse Data\\Read Me.TXT", host},
      // New components keep their case below an existing folder matched without it.
      {u"c:\\TOOLS\\New Folder\\File.Ini", sim::HostPath(u"C:\\Tools") + "/New Folder/File.Ini"},
      // A relative path starts in the program's folder.
      {u"setup.ini", sim::HostPath(PackagePath(u"setup.ini"))},
      {u"Q:\\x", ""},
      {u"\\\\server\\share\\x", ""},
      {u"C:\\a|b", ""},
      {u"C:\\a\\b*", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.path));
    EXPECT_EQ(sim::HostPath(c.path), c.host);
    EXPECT_EQ(sim::DiskPathExists(c.path), c.host == host);
  }
}

TEST_F(MachineTest, OpenObjectsCountWhatTheProgramHasNotClosed) {
  RegKey key = nullptr;
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, u"Software\\Open", 0xF003F, &key, nullptr), 0);
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\open.txt", "x"));
  SysHandle file = SysCreateFile(u"C:\\open.txt", kGenericRead, kFileShareRead, kOpenExisting, 0);
  ASSERT_NE(file, kInvalidHandle);
  GdiObject brush = SysCreateSolidBrush(0x00FF00);
  ASSERT_NE(brush, nullptr);
  sim::OpenObjectCounts open = sim::OpenObjects();
  EXPECT_EQ(std::vector<size_t>({open.registryKeys, open.kernelHandles, open.gdiObjects}), std::vector<size_t>({1, 1, 1}));
  SysRegCloseKey(key);
  SysCloseHandle(file);
  SysDeleteObject(brush);
  open = sim::OpenObjects();
  EXPECT_EQ(open.registryKeys + open.kernelHandles + open.gdiObjects + open.deviceContexts, 0u);
}

TEST_F(MachineTest, MessageBoxesTakeQueuedAnswersThenTheDefaultButton) {
  const struct {
    uint32_t style;
    int expected;
  } defaults[] = {
      {kMbOk | kMbIconExclamation, kIdOk},         {kMbOkCancel | kMbDefButton2, kIdCancel},
      {kMbYesNo, kIdYes},                           {kMbYesNoCancel | kMbDefButton3, kIdCancel},
      {kMbAbortRetryIgnore | kMbDefButton2, kIdRetry}, {kMbYesNo | kMbDefButton3, kIdYes},  // no third button
  };
  for (const auto& c : defaults) EXPECT_EQ(SysMessageBox(nullptr, u"text", u"caption", c.style), c.expected) << c.style;
  sim::ClearJournal();
  sim::QueueMessageBoxAnswer(kIdNo);
  EXPECT_EQ(SysMessageBox(nullptr, u"Line one\r\nline two", nullptr, kMbYesNo), kIdNo);
  EXPECT_EQ(SysMessageBox(nullptr, u"Caf\u00e9", u"x", kMbYesNo), kIdYes);
  EXPECT_EQ(sim::Journal(), (std::vector<std::string>{"msgbox: [Error] Line one\\nline two -> 7",
                                                      "msgbox: [x] Caf\xC3\xA9 -> 6"}));
}

TEST(MachineUtf8, RoundTripsAndReplacesMalformedInput) {
  const std::u16string text = u"A\u00e9\u4e2d\U0001F5B1z";
  EXPECT_EQ(sim::ToUtf8(text), "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x96\xB1z");
  EXPECT_EQ(sim::FromUtf8(sim::ToUtf8(text)), text);
  const struct {
    const char* bytes;
    std::u16string expected;
  } cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},
      {"a\xC3", u"a\uFFFD"},          // cut sequence
      {"\xC0\xAF", u"\uFFFD"},        // overlong
      {"\xED\xA0\x80x", u"\uFFFDx"},  // encoded surrogate
      {"\xE4\xB8" "A", u"\uFFFDA"},   // missing continuation
  };
  for (const auto& c : cases) EXPECT_EQ(sim::FromUtf8(c.bytes), c.expected) << c.bytes;
  EXPECT_EQ(sim::ToUtf8(std::u16string(1, static_cast<char16_t>(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
