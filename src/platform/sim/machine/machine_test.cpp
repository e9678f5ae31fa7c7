// Tests of the simulated machine's controls: profiles, paths, faults, answers, UTF-8.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

std::u16string Text(const char16_t* text) { return std::u16string(text); }

std::u16string ReadRegString(RegKey root, const char16_t* path, const char16_t* name) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path, kKeyRead, &key) != 0) return u"<no key>";
  char16_t data[64] = {};
  uint32_t size = sizeof(data) - sizeof(char16_t);
  uint32_t type = 0;
  int32_t status = SysRegQueryValue(key, name, &type, reinterpret_cast<uint8_t*>(data), &size);
  SysRegCloseKey(key);
  if (status != 0 || type != kRegTypeSz) return u"<no value>";
  return data;
}

struct ProfileCase {
  const char* name;
  uint32_t versionWord;
  bool extended;
  uint8_t productType;
  const char16_t* windowsDir;
  const char16_t* systemDir;
  const char16_t* commonAppData;  // "" where the family has none
  const char16_t* commonPrograms;
};

const ProfileCase kProfiles[] = {
    {"win95", 0xC0000004, false, 1, u"C:\\WINDOWS", u"C:\\WINDOWS\\SYSTEM", u"", u"C:\\WINDOWS\\Start Menu\\Programs"},
    {"nt4", 0x05650004, false, 1, u"C:\\WINNT", u"C:\\WINNT\\system32", u"",
     u"C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs"},
    {"win2000", 0x08930005, true, 1, u"C:\\WINNT", u"C:\\WINNT\\system32",
     u"C:\\Documents and Settings\\All Users\\Application Data",
     u"C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
    {"winxp", 0x0A280105, true, 1, u"C:\\WINDOWS", u"C:\\WINDOWS\\system32",
     u"C:\\Documents and Settings\\All Users\\Application Data",
     u"C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
    {"server2003", 0x0ECE0205, true, 3, u"C:\\WINDOWS", u"C:\\WINDOWS\\system32",
     u"C:\\Documents and Settings\\All Users\\Application Data",
     u"C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
    {"vista", 0x17720006, true, 1, u"C:\\Windows", u"C:\\Windows\\System32", u"C:\\ProgramData",
     u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
    {"win8", 0x23F00206, true, 1, u"C:\\Windows", u"C:\\Windows\\System32", u"C:\\ProgramData",
     u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
};

using MachineTest = SimFixture;

// Each built-in machine answers the version, folder and locale questions as that Windows does,
// and has its standard folders on the disk.
TEST_F(MachineTest, BuiltinProfilesLookLikeTheirWindows) {
  EXPECT_EQ(sim::BuiltinProfileNames().size(), 11u);  // one family member of each kind below
  for (const ProfileCase& c : kProfiles) {
    SCOPED_TRACE(c.name);
    StartMachine(c.name);
    const bool nineX = (c.versionWord & 0x80000000u) != 0;
    EXPECT_EQ(SysGetVersionWord(), c.versionWord);

    SysVersionInfo plain = {}, extended = {};
    ASSERT_EQ(SysGetVersionInfo(&plain, 0), 1);
    EXPECT_EQ(plain.major, c.versionWord & 0xFF);
    EXPECT_EQ(plain.minor, (c.versionWord >> 8) & 0xFF);
    EXPECT_EQ(plain.platformId, nineX ? kPlatform9x : kPlatformNT);
    if (!nineX) {
      EXPECT_EQ(plain.build, c.versionWord >> 16);
    }
    SysSetLastError(0);
    EXPECT_EQ(SysGetVersionInfo(&extended, 1), c.extended ? 1 : 0);
    if (c.extended) {
      EXPECT_EQ(extended.productType, c.productType);
    } else {
      EXPECT_EQ(SysGetLastError(), kErrInvalidParameter);
    }

    char16_t folder[260];
    ASSERT_GT(SysGetWindowsDirectory(folder, 260), 0u);
    EXPECT_EQ(Text(folder), c.windowsDir);
    ASSERT_GT(SysGetSystemDirectory(folder, 260), 0u);
    EXPECT_EQ(Text(folder), c.systemDir);
    EXPECT_EQ(SysGetFolderPath(kFolderCommonAppData, folder), c.commonAppData[0] ? 1 : 0);
    EXPECT_EQ(Text(folder), c.commonAppData);
    ASSERT_EQ(SysGetFolderPath(kFolderCommonPrograms, folder), 1);
    EXPECT_EQ(Text(folder), c.commonPrograms);
    ASSERT_EQ(SysGetFolderPath(kFolderProgramFiles, folder), 1);
    EXPECT_EQ(Text(folder), u"C:\\Program Files");

    EXPECT_EQ(SysGetFileAttributes((Text(c.windowsDir) + u"\\inf").c_str()), kAttrDirectory);
    EXPECT_EQ(SysGetFileAttributes((Text(c.windowsDir) + u"\\HELP").c_str()), kAttrDirectory);
    EXPECT_EQ(SysGetFileAttributes(c.systemDir), kAttrDirectory);
    EXPECT_EQ(SysGetFileAttributes(c.commonPrograms), kAttrDirectory);

    if (nineX) {
      EXPECT_EQ(ReadRegString(kRegCurrentUser, u"Control Panel\\Desktop\\ResourceLocale", u""), u"00000409");
    } else {
      EXPECT_EQ(ReadRegString(kRegCurrentUser, u"Control Panel\\International", u"Locale"), u"00000409");
    }
    EXPECT_EQ(SysGetThreadLocale(), 0x0409u);
  }
}

TEST_F(MachineTest, UserLocaleIsSeededAsUpperCaseHex) {
  sim::MachineProfile profile = Builtin("win7");
  profile.userLocale = 0x0804;
  StartMachine(profile);
  EXPECT_EQ(ReadRegString(kRegCurrentUser, u"Control Panel\\International", u"Locale"), u"00000804");
  profile = Builtin("win98");
  profile.userLocale = 0x040C;
  StartMachine(profile);
  EXPECT_EQ(ReadRegString(kRegCurrentUser, u"Control Panel\\Desktop\\ResourceLocale", u""), u"0000040C");
}

struct ProfileFileCase {
  const char* label;
  const char* text;
  const char* error;  // fragment of the message; nullptr when the file must load
};

const ProfileFileCase kProfileFiles[] = {
    {"base and overrides",
     "# a Windows 98 with a Chinese user\nbuild = 1998\nbase=win98\n; comment\n"
     "userLocale=0x0804\nthreadLocale=2052\ndrive.e=cdrom\npackageDrive=e\ncsd=B\n",
     nullptr},
    {"default base is winxp", "servicePack=2.1\nextendedVersion=0\nplatform=9x\n", nullptr},
    {"unknown key names its line", "base=win7\n\nmajor=6\ncolour=blue\n", ":4: unknown key \"colour\""},
    {"unknown base", "base=win31\n", ":1: unknown base profile"},
    {"bad drive type", "drive.Q=floppy\n", ":1: drive type"},
    {"bad drive letter", "drive.1=fixed\n", ":1: bad drive letter"},
    {"line without equals", "major=5\nminor\n", ":2: expected key=value"},
    {"bad number", "major=five\n", ":1: bad number"},
    {"number out of range", "build=70000\n", ":1: bad number"},
    {"bad platform", "platform=os2\n", ":1: platform must be"},
    {"bad extendedVersion", "extendedVersion=yes\n", ":1: extendedVersion"},
    {"bad servicePack", "servicePack=1.x\n", ":1: servicePack"},
};

TEST(MachineProfileFile, ParsesKeysAndReportsErrorsWithLineNumbers) {
  const std::string path = ::testing::TempDir() + "a1_profile_test.profile";
  auto write = [&](const char* text) { std::ofstream(path, std::ios::binary | std::ios::trunc) << text; };
  for (const ProfileFileCase& c : kProfileFiles) {
    SCOPED_TRACE(c.label);
    write(c.text);
    sim::MachineProfile profile;
    std::string error;
    bool ok = sim::LoadProfileFile(path, &profile, &error);
    EXPECT_EQ(ok, !c.error) << error;
    if (c.error) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
  write(kProfileFiles[0].text);  // the values of the first case
  sim::MachineProfile p;
  std::string error;
  ASSERT_TRUE(sim::LoadProfileFile(path, &p, &error)) << error;
  std::remove(path.c_str());
  EXPECT_EQ(p.name, "a1_profile_test.profile");
  EXPECT_EQ(p.major, 4u);
  EXPECT_EQ(p.minor, 10u);
  EXPECT_EQ(p.build, 1998u);
  EXPECT_EQ(p.platformId, 1u);
  EXPECT_EQ(p.systemDir, u"C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ(p.userLocale, 0x0804u);
  EXPECT_EQ(p.threadLocale, 0x0804u);
  EXPECT_EQ(p.driveTypes['E' - 'A'], 5);
  EXPECT_EQ(p.packageDrive, 'E');
  EXPECT_EQ(p.csdVersion, u"B");

  EXPECT_FALSE(sim::LoadProfileFile(path, &p, &error));  // removed
}

// Windows paths find existing names whatever their case and keep the given case for new ones.
TEST_F(MachineTest, PathsResolveIgnoringCase) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Tools\\Mouse Data\\Read Me.TXT", "x"));
  const std::string host = sim::HostPath(u"C:\\Tools\\Mouse Data\\Read Me.TXT");
  ASSERT_FALSE(host.empty());

  struct Case {
    const char16_t* path;
    bool sameAsHost;
  };
  const Case cases[] = {
      {u"c:\\tools\\mouse data\\read me.txt", true},
      {u"C:/TOOLS/MOUSE DATA/READ ME.txt", true},
      {u"C:\\Tools\\.\\Other\\..\\Mouse Data\\Read Me.TXT", true},
      {u"C:\\Tools\\Mouse Data\\Read Me.TXT.", true},
      {u"C:\\..\\Tools\\Mouse Data\\Read Me.TXT", true},
      {u"C:\\Tools\\Mouse Data\\Read Me2.TXT", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.path));
    EXPECT_EQ(sim::HostPath(c.path) == host, c.sameAsHost);
    EXPECT_EQ(sim::DiskPathExists(c.path), c.sameAsHost);
  }

  // New components keep their case below an existing folder matched without it.
  const std::string created = sim::HostPath(u"c:\\TOOLS\\New Folder\\File.Ini");
  const std::string toolsHost = sim::HostPath(u"C:\\Tools");
  EXPECT_EQ(created, toolsHost + "/New Folder/File.Ini");

  // No such drive, network paths and invalid names resolve to nothing.
  EXPECT_EQ(sim::HostPath(u"Q:\\x"), "");
  EXPECT_EQ(sim::HostPath(u"\\\\server\\share\\x"), "");
  EXPECT_EQ(sim::HostPath(u"C:\\a|b"), "");
  EXPECT_EQ(sim::HostPath(u"C:\\a\\b*"), "");
  // A relative path starts in the program's folder.
  EXPECT_EQ(sim::HostPath(u"setup.ini"), sim::HostPath(PackagePath(u"setup.ini")));
}

TEST_F(MachineTest, FaultInjectionFailsTheArmedCalls) {
  sim::FailCall("SysCreateDirectory", 2, kErrAccessDenied);
  EXPECT_EQ(SysCreateDirectory(u"C:\\one"), 1);
  EXPECT_EQ(SysCreateDirectory(u"C:\\two"), 0);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\two"));
  EXPECT_EQ(SysCreateDirectory(u"C:\\three"), 1);

  sim::FailCall("SysCopyFile", 0, kErrSharingViolation);
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\one\\a.txt", "a"));
  for (int i = 0; i < 3; ++i) {
    SysSetLastError(0);
    EXPECT_EQ(SysCopyFile(u"C:\\one\\a.txt", u"C:\\one\\b.txt", 0), 0);
    EXPECT_EQ(SysGetLastError(), kErrSharingViolation);
  }
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\one\\b.txt"));
  sim::ClearFaults();
  EXPECT_EQ(SysCopyFile(u"C:\\one\\a.txt", u"C:\\one\\b.txt", 0), 1);

  // Counting starts when the fault is armed, not at the machine's start.
  EXPECT_EQ(SysPathExists(u"C:\\one"), 1);
  sim::FailCall("SysPathExists", 1, kErrPathNotFound);
  EXPECT_EQ(SysPathExists(u"C:\\one"), 0);
  EXPECT_EQ(SysPathExists(u"C:\\one"), 1);
}

TEST_F(MachineTest, FailCallArmsOnlyNamesThatACallChecks) {
  struct Case {
    const char* name;
    bool armed;
  };
  const Case cases[] = {
      {"SysCreateDirectory", true},
      {"SysGetDlgItem", true},
      {"SysDriverPackageInstall", true},
      {"SysGetVersionWord", false},   // cannot fail on Windows, so no call checks it
      {"SysCreateDirectoryX", false},
      {"syscreatedirectory", false},  // names are exact, as in the platform headers
      {"", false},
  };
  std::vector<std::string> refused;
  for (const Case& c : cases) {
    EXPECT_EQ(sim::FailCall(c.name, 1, kErrAccessDenied), c.armed) << c.name;
    if (!c.armed) refused.push_back(c.name);
  }
  EXPECT_EQ(sim::RefusedFaults(), refused);

  // The armed calls of other families fail in the form their Windows call fails.
  EXPECT_EQ(SysGetDlgItem(nullptr, 1), nullptr);
  int reboot = 0;
  EXPECT_EQ(SysDriverPackageInstall(u"C:\\x.inf", 0, &reboot), kErrAccessDenied);
  StartMachine("win7");  // a fresh machine forgets the refusals, which tear-down would report
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
  EXPECT_EQ(open.registryKeys, 1u);
  EXPECT_EQ(open.kernelHandles, 1u);
  EXPECT_EQ(open.gdiObjects, 1u);

  SysRegCloseKey(key);
  SysCloseHandle(file);
  SysDeleteObject(brush);
  open = sim::OpenObjects();
  EXPECT_EQ(open.registryKeys + open.kernelHandles + open.gdiObjects + open.deviceContexts, 0u);
}

TEST_F(MachineTest, MessageBoxesTakeQueuedAnswersThenTheDefaultButton) {
  struct Case {
    uint32_t style;
    int expected;
  };
  const Case defaults[] = {
      {kMbOk | kMbIconExclamation, kIdOk},
      {kMbOkCancel, kIdOk},
      {kMbOkCancel | kMbDefButton2, kIdCancel},
      {kMbYesNo, kIdYes},
      {kMbYesNo | kMbDefButton2, kIdNo},
      {kMbYesNoCancel | kMbDefButton3, kIdCancel},
      {kMbRetryCancel, kIdRetry},
      {kMbAbortRetryIgnore | kMbDefButton2, kIdRetry},
      {kMbAbortRetryIgnore | kMbDefButton3, kIdIgnore},
      {kMbYesNo | kMbDefButton3, kIdYes},  // no third button: the first one
      {kMbOk | kMbDefButton2, kIdOk},
  };
  for (const Case& c : defaults) {
    SCOPED_TRACE(c.style);
    EXPECT_EQ(SysMessageBox(nullptr, u"text", u"caption", c.style), c.expected);
  }

  sim::ClearJournal();
  sim::QueueMessageBoxAnswer(kIdNo);
  sim::QueueMessageBoxAnswer(kIdCancel);
  EXPECT_EQ(SysMessageBox(nullptr, u"Install over it?", u"Setup Warning", kMbYesNo), kIdNo);
  EXPECT_EQ(SysMessageBox(nullptr, u"Line one\r\nline two", nullptr, kMbOkCancel), kIdCancel);
  EXPECT_EQ(SysMessageBox(nullptr, u"Caf\u00e9", u"x", kMbYesNo), kIdYes);
  const std::vector<std::string> lines = sim::Journal();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "msgbox: [Setup Warning] Install over it? -> 7");
  EXPECT_EQ(lines[1], "msgbox: [Error] Line one\\nline two -> 2");
  EXPECT_EQ(lines[2], "msgbox: [x] Caf\xC3\xA9 -> 6");
}

TEST(MachineUtf8, RoundTripsAndReplacesMalformedInput) {
  const std::u16string text = u"A\u00e9\u4e2d\U0001F5B1z";
  EXPECT_EQ(sim::ToUtf8(text), "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x96\xB1z");
  EXPECT_EQ(sim::FromUtf8(sim::ToUtf8(text)), text);
  struct Case {
    const char* bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},
      {"a\xC3", u"a\uFFFD"},                 // cut sequence
      {"\xC0\xAF", u"\uFFFD"},               // overlong
      {"\xED\xA0\x80x", u"\uFFFDx"},         // encoded surrogate
      {"\xE4\xB8" "A", u"\uFFFDA"},          // missing continuation
  };
  for (const Case& c : cases) EXPECT_EQ(sim::FromUtf8(c.bytes), c.expected) << c.bytes;
  EXPECT_EQ(sim::ToUtf8(std::u16string(1, static_cast<char16_t>(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
