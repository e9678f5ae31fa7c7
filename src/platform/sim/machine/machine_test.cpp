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

struct ProfileCase {
  const char* name;
  uint32_t versionWord;
  uint8_t productType;  // 0 where the extended version request fails
  const char* folders;  // Windows, system, common application data, common programs
};

const ProfileCase kProfiles[] = {
    {"win95", 0xC0000004, 0, "C:\\WINDOWS|C:\\WINDOWS\\SYSTEM||C:\\WINDOWS\\Start Menu\\Programs"},
    {"nt4", 0x05650004, 0, "C:\\WINNT|C:\\WINNT\\system32||C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs"},
    {"win2000", 0x08930005, 1, "C:\\WINNT|C:\\WINNT\\system32|C:\\Documents and Settings\\All Users\\Application Data|"
                               "C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
    {"server2003", 0x0ECE0205, 3, "C:\\WINDOWS|C:\\WINDOWS\\system32|C:\\Documents and Settings\\All Users\\Application "
                                  "Data|C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
    {"win8", 0x23F00206, 1, "C:\\Windows|C:\\Windows\\System32|C:\\ProgramData|"
                            "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
};

using MachineTest = SimFixture;

// Each built-in machine answers the version, folder and locale questions as that Windows does,
// and has its standard folders on the disk.
TEST_F(MachineTest, BuiltinProfilesLookLikeTheirWindows) {
  EXPECT_EQ(sim::BuiltinProfileNames().size(), 11u);
  for (const ProfileCase& c : kProfiles) {
    SCOPED_TRACE(c.name);
    StartMachine(c.name);
    const bool nineX = (c.versionWord & 0x80000000u) != 0;
    EXPECT_EQ(SysGetVersionWord(), c.versionWord);
    SysVersionInfo plain = {}, extended = {};
    ASSERT_EQ(SysGetVersionInfo(&plain, 0), 1);
    EXPECT_EQ(std::vector<uint32_t>({plain.major, plain.minor, plain.platformId, nineX ? 0 : plain.build}),
              std::vector<uint32_t>({c.versionWord & 0xFF, (c.versionWord >> 8) & 0xFF,
                                     nineX ? kPlatform9x : kPlatformNT, nineX ? 0 : c.versionWord >> 16}));
    SysSetLastError(0);
    EXPECT_EQ(SysGetVersionInfo(&extended, 1), c.productType ? 1 : 0);
    EXPECT_EQ(c.productType ? uint32_t(extended.productType) : uint32_t(SysGetLastError()),
              c.productType ? uint32_t(c.productType) : uint32_t(kErrInvalidParameter));

    char16_t windows[260], system[260], appData[260] = u"", programs[260], programFiles[260];
    ASSERT_GT(SysGetWindowsDirectory(windows, 260), 0u);
    ASSERT_GT(SysGetSystemDirectory(system, 260), 0u);
    EXPECT_EQ(SysGetFolderPath(kFolderCommonAppData, appData), c.productType ? 1 : 0);
    ASSERT_EQ(SysGetFolderPath(kFolderCommonPrograms, programs), 1);
    ASSERT_EQ(SysGetFolderPath(kFolderProgramFiles, programFiles), 1);
    EXPECT_EQ(sim::ToUtf8(std::u16string(windows) + u"|" + system + u"|" + appData + u"|" + programs), c.folders);
    EXPECT_EQ(sim::ToUtf8(programFiles), "C:\\Program Files");
    for (const std::u16string& folder : {std::u16string(windows) + u"\\inf", std::u16string(windows) + u"\\HELP",
                                         std::u16string(system), std::u16string(programs)})
      EXPECT_EQ(SysGetFileAttributes(folder.c_str()), kAttrDirectory) << sim::ToUtf8(folder);
    if (nineX) {
      EXPECT_EQ(RegText(kRegCurrentUser, u"Control Panel\\Desktop\\ResourceLocale", u""), "00000409");
    } else {
      EXPECT_EQ(RegText(kRegCurrentUser, u"Control Panel\\International", u"Locale"), "00000409");
    }
    EXPECT_EQ(SysGetThreadLocale(), 0x0409u);
  }
}

TEST_F(MachineTest, UserLocaleIsSeededAsUpperCaseHex) {
  sim::MachineProfile profile = Builtin("win7");
  profile.userLocale = 0x0804;
  StartMachine(profile);
  EXPECT_EQ(RegText(kRegCurrentUser, u"Control Panel\\International", u"Locale"), "00000804");
  profile = Builtin("win98");
  profile.userLocale = 0x040C;
  StartMachine(profile);
  EXPECT_EQ(RegText(kRegCurrentUser, u"Control Panel\\Desktop\\ResourceLocale", u""), "0000040C");
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
  EXPECT_EQ(std::vector<uint32_t>({p.major, p.minor, p.build, p.platformId, p.userLocale, p.threadLocale,
                                   uint32_t(p.driveTypes['E' - 'A']), uint32_t(p.packageDrive)}),
            std::vector<uint32_t>({4, 10, 1998, 1, 0x0804, 0x0804, 5, 'E'}));
  EXPECT_EQ(p.systemDir + u"|" + p.csdVersion, u"C:\\WINDOWS\\SYSTEM|B");
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
  EXPECT_EQ(std::vector<size_t>({open.registryKeys, open.kernelHandles, open.gdiObjects}), std::vector<size_t>({1, 1, 1}));
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
      {kMbOk | kMbIconExclamation, kIdOk},         {kMbOkCancel | kMbDefButton2, kIdCancel},
      {kMbYesNo, kIdYes},                           {kMbYesNoCancel | kMbDefButton3, kIdCancel},
      {kMbAbortRetryIgnore | kMbDefButton2, kIdRetry}, {kMbYesNo | kMbDefButton3, kIdYes},  // no third button
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
  EXPECT_EQ(sim::Journal(), (std::vector<std::string>{"msgbox: [Setup Warning] Install over it? -> 7",
                                                      "msgbox: [Error] Line one\\nline two -> 2",
                                                      "msgbox: [x] Caf\xC3\xA9 -> 6"}));
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
