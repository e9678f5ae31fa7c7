// Tests of the simulated kernel services.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using KernelTest = SimFixture;

// A FILETIME well before any host file time, to tell fixed times from host ones.
constexpr uint64_t kOldCreation = 125000000000000000ULL;
constexpr uint64_t kOldWrite = 126000000000000000ULL;

// Names listed for a pattern, in order, or the error of the failed first call.
struct Listing {
  std::vector<std::string> names;
  ErrorCode error = 0;
};

Listing List(const std::u16string& pattern) {
  Listing result;
  SysFindData data;
  SysHandle find = SysFindFirstFile(pattern.c_str(), &data);
  if (find == kInvalidHandle) {
    result.error = SysGetLastError();
    return result;
  }
  do {
    result.names.push_back(sim::ToUtf8(data.name));
  } while (SysFindNextFile(find, &data));
  EXPECT_EQ(SysGetLastError(), kErrNoMoreFiles);
  SysFindClose(find);
  return result;
}

TEST_F(KernelTest, FindFirstFileFollowsWindowsWildcardRules) {
  for (const char16_t* file : {u"C:\\Pkg\\readme.txt", u"C:\\Pkg\\README2.TXT", u"C:\\Pkg\\setup.exe",
                               u"C:\\Pkg\\noext", u"C:\\Pkg\\Data\\inner.txt", u"C:\\top.txt"})
    ASSERT_TRUE(sim::WriteDiskFile(file, "x"));
  struct Case {
    const char16_t* pattern;
    std::vector<std::string> names;
    ErrorCode error;
  };
  const Case cases[] = {
      {u"C:\\Pkg\\*", {".", "..", "Data", "noext", "readme.txt", "README2.TXT", "setup.exe"}, 0},
      {u"C:\\Pkg\\*.*", {".", "..", "Data", "noext", "readme.txt", "README2.TXT", "setup.exe"}, 0},
      {u"c:/pkg/*.TXT", {"readme.txt", "README2.TXT"}, 0},
      {u"C:\\Pkg\\read*.*", {"readme.txt", "README2.TXT"}, 0},
      {u"C:\\Pkg\\readme?.txt", {"readme.txt", "README2.TXT"}, 0},  // '?' may match nothing before '.'
      {u"C:\\Pkg\\*.t?t", {"readme.txt", "README2.TXT"}, 0},
      {u"C:\\Pkg\\se?up", {}, kErrFileNotFound},
      {u"C:\\Pkg\\?etup.exe", {"setup.exe"}, 0},
      {u"C:\\Pkg\\noext.*", {"noext"}, 0},
      {u"C:\\Pkg\\*.", {".", "..", "Data", "noext"}, 0},
      {u"C:\\PKG\\SETUP.EXE", {"setup.exe"}, 0},
      {u"C:\\Pkg\\data", {"Data"}, 0},
      {u"C:\\*.txt", {"top.txt"}, 0},
      {u"C:\\Pkg\\Data\\*", {".", "..", "inner.txt"}, 0},
      {u"C:\\Pkg\\missing.txt", {}, kErrFileNotFound},
      {u"C:\\Pkg\\*.dll", {}, kErrFileNotFound},
      {u"C:\\Pkg\\", {}, kErrFileNotFound},
      {u"C:\\NoFolder\\*", {}, kErrPathNotFound},
      {u"C:\\Pkg\\setup.exe\\*", {}, kErrPathNotFound},
      {u"Q:\\*", {}, kErrPathNotFound},
      {u"", {}, kErrFileNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.pattern));
    Listing listing = List(c.pattern);
    EXPECT_EQ(listing.error, c.error);
    EXPECT_EQ(listing.names, c.names);
    EXPECT_EQ(SysPathExists(c.pattern), c.error == 0 ? 1 : 0);
  }
  // A drive root lists no "." and "..".
  Listing root = List(u"C:\\*");
  ASSERT_FALSE(root.names.empty());
  EXPECT_NE(root.names[0], ".");
}

TEST_F(KernelTest, FindDataCarriesAttributesTimesAndSize) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Pkg\\a.sys", "12345"));
  sim::SetFileTimes(u"C:\\Pkg\\a.sys", kOldCreation, kOldWrite);
  ASSERT_EQ(SysSetFileAttributes(u"C:\\Pkg\\a.sys", kAttrReadOnly | kAttrHidden), 1);
  SysFindData data;
  SysHandle find = SysFindFirstFile(u"C:\\pkg\\A.SYS", &data);
  ASSERT_NE(find, kInvalidHandle);
  SysFindClose(find);
  EXPECT_EQ(data.attributes, kAttrReadOnly | kAttrHidden);
  EXPECT_EQ(data.creationTime, kOldCreation);
  EXPECT_EQ(data.lastWriteTime, kOldWrite);
  EXPECT_EQ(data.size, 5u);
  EXPECT_EQ(SysFindNextFile(find, &data), 0);  // closed
  EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
}

TEST_F(KernelTest, FileOperationsFailWithWindowsErrorCodes) {
  enum Op { kDelete, kCopy, kCopyNoOverwrite, kCreateDir, kRemoveDir };
  struct Case {
    const char* label;
    Op op;
    const char16_t* a;
    const char16_t* b;
    ErrorCode error;  // 0: must succeed
  };
  const Case cases[] = {
      {"delete missing file", kDelete, u"C:\\Dir\\none.txt", nullptr, kErrFileNotFound},
      {"delete in missing folder", kDelete, u"C:\\NoDir\\none.txt", nullptr, kErrPathNotFound},
      {"delete read-only", kDelete, u"C:\\Dir\\readonly.txt", nullptr, kErrAccessDenied},
      {"delete locked", kDelete, u"C:\\Dir\\locked.txt", nullptr, kErrSharingViolation},
      {"delete a folder", kDelete, u"C:\\Dir\\Sub", nullptr, kErrAccessDenied},
      {"delete plain file", kDelete, u"C:\\DIR\\PLAIN.TXT", nullptr, 0},
      {"copy missing source", kCopy, u"C:\\Dir\\none.txt", u"C:\\Dir\\x.txt", kErrFileNotFound},
      {"copy source folder missing", kCopy, u"C:\\NoDir\\a.txt", u"C:\\Dir\\x.txt", kErrPathNotFound},
      {"copy into missing folder", kCopy, u"C:\\Dir\\source.txt", u"C:\\NoDir\\x.txt", kErrPathNotFound},
      {"copy over read-only", kCopy, u"C:\\Dir\\source.txt", u"C:\\Dir\\readonly.txt", kErrAccessDenied},
      {"copy over locked", kCopy, u"C:\\Dir\\source.txt", u"C:\\Dir\\locked.txt", kErrSharingViolation},
      {"copy onto itself", kCopy, u"C:\\Dir\\source.txt", u"c:\\dir\\SOURCE.txt", kErrSharingViolation},
      {"copy without overwrite", kCopyNoOverwrite, u"C:\\Dir\\source.txt", u"C:\\Dir\\other.txt", kErrFileExists},
      {"copy without overwrite, locked", kCopyNoOverwrite, u"C:\\Dir\\source.txt", u"C:\\Dir\\locked.txt",
       kErrFileExists},
      {"copy over a folder", kCopy, u"C:\\Dir\\source.txt", u"C:\\Dir\\Sub", kErrAccessDenied},
      {"copy overwrite", kCopy, u"C:\\Dir\\source.txt", u"C:\\Dir\\other.txt", 0},
      {"create existing folder", kCreateDir, u"C:\\Dir\\Sub", nullptr, kErrAlreadyExists},
      {"create over a file", kCreateDir, u"C:\\Dir\\other.txt", nullptr, kErrAlreadyExists},
      {"create two levels", kCreateDir, u"C:\\Dir\\New\\Deeper", nullptr, kErrPathNotFound},
      {"create on missing drive", kCreateDir, u"Q:\\Dir", nullptr, kErrPathNotFound},
      {"create one level", kCreateDir, u"C:\\Dir\\New\\", nullptr, 0},
      {"remove non-empty folder", kRemoveDir, u"C:\\Dir", nullptr, 145},
      {"remove missing folder", kRemoveDir, u"C:\\Dir\\Gone", nullptr, kErrFileNotFound},
      {"remove a file", kRemoveDir, u"C:\\Dir\\other.txt", nullptr, 267},
      {"remove empty folder", kRemoveDir, u"c:\\dir\\sub", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    StartMachine("winxp");
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\readonly.txt", "ro"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\locked.txt", "in use"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\plain.txt", "plain"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\source.txt", "new contents"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\other.txt", "old"));
    ASSERT_EQ(SysCreateDirectory(u"C:\\Dir\\Sub"), 1);
    ASSERT_EQ(SysSetFileAttributes(u"C:\\Dir\\readonly.txt", kAttrReadOnly), 1);
    sim::LockFile(u"C:\\Dir\\locked.txt", true);

    SysSetLastError(0);
    int ok = 0;
    switch (c.op) {
      case kDelete: ok = SysDeleteFile(c.a); break;
      case kCopy: ok = SysCopyFile(c.a, c.b, 0); break;
      case kCopyNoOverwrite: ok = SysCopyFile(c.a, c.b, 1); break;
      case kCreateDir: ok = SysCreateDirectory(c.a); break;
      case kRemoveDir: ok = SysRemoveDirectory(c.a); break;
    }
    EXPECT_EQ(ok, c.error == 0 ? 1 : 0);
    EXPECT_EQ(SysGetLastError(), c.error);

    // Failed operations leave the disk alone; successful ones change it.
    std::string bytes;
    ASSERT_TRUE(sim::ReadDiskFile(u"C:\\Dir\\readonly.txt", &bytes));
    EXPECT_EQ(bytes, "ro");
    ASSERT_TRUE(sim::ReadDiskFile(u"C:\\Dir\\locked.txt", &bytes));
    EXPECT_EQ(bytes, "in use");
    ASSERT_TRUE(sim::ReadDiskFile(u"C:\\Dir\\other.txt", &bytes));
    EXPECT_EQ(bytes, std::string(c.op == kCopy && c.error == 0 ? "new contents" : "old"));
    if (c.op == kDelete && c.error == 0) {
      EXPECT_FALSE(sim::DiskPathExists(c.a));
    }
    if (c.op == kCreateDir && c.error == 0) {
      EXPECT_EQ(SysGetFileAttributes(c.a), kAttrDirectory);
    }
    if (c.op == kRemoveDir && c.error == 0) {
      EXPECT_FALSE(sim::DiskPathExists(c.a));
    }
  }
}

TEST_F(KernelTest, CopyKeepsSourceTimeAndAttributesPlusArchive) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Src\\driver.sys", "driver"));
  sim::SetFileTimes(u"C:\\Src\\driver.sys", kOldCreation, kOldWrite);
  ASSERT_EQ(SysSetFileAttributes(u"C:\\Src\\driver.sys", kAttrReadOnly | kAttrHidden), 1);
  ASSERT_EQ(SysCreateDirectory(u"C:\\Dst"), 1);
  ASSERT_EQ(SysCopyFile(u"C:\\Src\\driver.sys", u"C:\\Dst\\Driver.sys", 1), 1);
  EXPECT_EQ(SysGetFileAttributes(u"C:\\DST\\DRIVER.SYS"), kAttrReadOnly | kAttrHidden | kAttrArchive);
  SysFindData data;
  SysHandle find = SysFindFirstFile(u"C:\\Dst\\driver.sys", &data);
  ASSERT_NE(find, kInvalidHandle);
  SysFindClose(find);
  EXPECT_EQ(sim::ToUtf8(data.name), "Driver.sys");
  EXPECT_EQ(data.lastWriteTime, kOldWrite);
  EXPECT_NE(data.creationTime, kOldCreation);  // a new file is created now
  std::string bytes;
  ASSERT_TRUE(sim::ReadDiskFile(u"C:\\Dst\\Driver.sys", &bytes));
  EXPECT_EQ(bytes, "driver");

  // Writing the file again gives it a host time and the archive bit.
  ASSERT_EQ(SysSetFileAttributes(u"C:\\Dst\\Driver.sys", kAttrNormal), 1);
  EXPECT_EQ(SysGetFileAttributes(u"C:\\Dst\\Driver.sys"), kAttrNormal);
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dst\\Driver.sys", "v2"));
  find = SysFindFirstFile(u"C:\\Dst\\driver.sys", &data);
  ASSERT_NE(find, kInvalidHandle);
  SysFindClose(find);
  EXPECT_GT(data.lastWriteTime, kOldWrite);
  EXPECT_EQ(data.attributes, kAttrArchive);
}

TEST_F(KernelTest, AttributesOfMissingPathsAndDeletedFiles) {
  SysSetLastError(0);
  EXPECT_EQ(SysGetFileAttributes(u"C:\\nothing.txt"), kInvalidAttributes);
  EXPECT_EQ(SysGetLastError(), kErrFileNotFound);
  EXPECT_EQ(SysGetFileAttributes(u"C:\\NoDir\\nothing.txt"), kInvalidAttributes);
  EXPECT_EQ(SysGetLastError(), kErrPathNotFound);
  EXPECT_EQ(SysSetFileAttributes(u"C:\\nothing.txt", kAttrHidden), 0);
  EXPECT_EQ(SysGetLastError(), kErrFileNotFound);
  EXPECT_EQ(SysGetFileAttributes(u"C:\\"), kAttrDirectory);

  // A file made again after deletion does not inherit the old one's attributes.
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\f.txt", "1"));
  ASSERT_EQ(SysSetFileAttributes(u"C:\\f.txt", kAttrHidden), 1);
  ASSERT_EQ(SysDeleteFile(u"C:\\f.txt"), 1);
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\f.txt", "2"));
  EXPECT_EQ(SysGetFileAttributes(u"C:\\f.txt"), kAttrArchive);
}

TEST_F(KernelTest, BuffersAreCutOrSizedAsWindowsDoes) {
  sim::SetModulePath(u"D:\\Package\\setup.exe");
  char16_t out[32];
  EXPECT_EQ(SysGetModulePath(out, 32), 20u);
  EXPECT_EQ(std::u16string(out), u"D:\\Package\\setup.exe");
  EXPECT_EQ(SysGetModulePath(out, 8), 7u);
  EXPECT_EQ(std::u16string(out), u"D:\\Pack");
  EXPECT_EQ(SysGetLastError(), kErrInsufficientBuffer);

  // win7: C:\Windows\System32 is 19 characters.
  out[0] = u'#';
  out[1] = 0;
  EXPECT_EQ(SysGetSystemDirectory(out, 19), 20u);
  EXPECT_EQ(std::u16string(out), u"#");
  EXPECT_EQ(SysGetSystemDirectory(out, 20), 19u);
  EXPECT_EQ(std::u16string(out), u"C:\\Windows\\System32");
  EXPECT_EQ(SysGetWindowsDirectory(nullptr, 0), 11u);

  EXPECT_EQ(SysAnsiToWide("Caf\xE9 \x80\x92\x81", out, 32), 8u);
  EXPECT_EQ(std::u16string(out), u"Caf\u00e9 \u20ac\u2019\u0081");
  EXPECT_EQ(SysAnsiToWide("abcdef", out, 4), 3u);
  EXPECT_EQ(std::u16string(out), u"abc");
  EXPECT_EQ(SysAnsiToWide(nullptr, out, 4), 0u);
  EXPECT_EQ(out[0], 0);
}

TEST_F(KernelTest, DebugOutputSleepShutdownParametersAndErrorModeAreRecorded) {
  sim::ClearJournal();
  SysDebugOutput(u"maj = 6, min = 1, 64OS = 0\r\n");
  SysDebugOutput(u"two\nlines");
  EXPECT_EQ(sim::Journal(), (std::vector<std::string>{"trace: maj = 6, min = 1, 64OS = 0", "trace: two\\nlines"}));

  EXPECT_EQ(sim::ElapsedMilliseconds(), 0u);
  SysSleep(1000);
  SysSleep(500);
  EXPECT_EQ(sim::ElapsedMilliseconds(), 1500u);

  uint32_t level = 0, flags = 0;
  EXPECT_FALSE(sim::ShutdownParameters(&level, &flags));
  EXPECT_EQ(SysSetProcessShutdownParameters(0x4FF, 0), 0);
  EXPECT_EQ(SysGetLastError(), kErrInvalidParameter);
  EXPECT_EQ(SysSetProcessShutdownParameters(0x280, 1), 1);
  EXPECT_TRUE(sim::ShutdownParameters(&level, &flags));
  EXPECT_EQ(level, 0x280u);
  EXPECT_EQ(flags, 1u);
  // The error mode call returns the previous mode.
  EXPECT_EQ(SysSetErrorMode(kSemFailCriticalErrors), 0u);
  EXPECT_EQ(sim::ErrorMode(), kSemFailCriticalErrors);
  EXPECT_EQ(SysSetErrorMode(0), kSemFailCriticalErrors);
  EXPECT_EQ(sim::ErrorMode(), 0u);
}

TEST_F(KernelTest, DriveTypesComeFromTheProfile) {
  sim::MachineProfile profile = Builtin("winxp");
  profile.driveTypes['E' - 'A'] = kDriveCdrom;
  profile.driveTypes['N' - 'A'] = kDriveRemote;
  profile.driveTypes['R' - 'A'] = kDriveRamdisk;
  profile.driveTypes['D' - 'A'] = kDriveCdrom;  // the package comes on a CD
  StartMachine(profile);
  struct Case {
    const char16_t* root;
    uint32_t type;
  };
  const Case cases[] = {
      {u"C:\\", kDriveFixed},      {u"c:\\", kDriveFixed},        {u"C:", kDriveFixed},
      {u"A:\\", kDriveRemovable},  {u"E:\\", kDriveCdrom},        {u"N:\\", kDriveRemote},
      {u"R:/", kDriveRamdisk},     {u"D:\\", kDriveCdrom},        {u"Q:\\", kDriveNoRootDir},
      {u"C:\\WINDOWS\\", kDriveNoRootDir},  // a folder is no root
      {u"", kDriveNoRootDir},      {u"1:\\", kDriveNoRootDir},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.root));
    EXPECT_EQ(SysGetDriveType(c.root), c.type);
  }
  EXPECT_EQ(SysGetDriveType(nullptr), kDriveCdrom);  // the current folder lies on the package drive
  // A package mounted under a letter the profile lists as absent still is a drive.
  profile.driveTypes['D' - 'A'] = kDriveNoRootDir;
  StartMachine(profile);
  EXPECT_EQ(SysGetDriveType(u"D:\\"), kDriveFixed);
}

TEST_F(KernelTest, CurrentFolderResolvesRelativePaths) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Work\\Sub\\a.txt", "a"));
  EXPECT_EQ(sim::CurrentDirectory(), u"D:\\");  // the program's folder at first
  struct Case {
    const char16_t* path;
    int result;
    ErrorCode error;
    const char16_t* current;  // afterwards
  };
  const Case cases[] = {
      {u"C:\\Work", 1, 0, u"C:\\Work"},
      {u"Sub\\", 1, 0, u"C:\\Work\\Sub"},
      {u"..", 1, 0, u"C:\\Work"},
      {u"Missing", 0, kErrFileNotFound, u"C:\\Work"},
      {u"C:\\No\\Where", 0, kErrPathNotFound, u"C:\\Work"},
      {u"Sub\\a.txt", 0, 267, u"C:\\Work"},
      {u"\\", 1, 0, u"C:\\"},
      {u"C:\\Work\\.\\Sub\\..", 1, 0, u"C:\\Work"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.path));
    SysSetLastError(0);
    EXPECT_EQ(SysSetCurrentDirectory(c.path), c.result);
    EXPECT_EQ(SysGetLastError(), c.error);
    EXPECT_EQ(sim::CurrentDirectory(), c.current);
  }
  // Relative paths of every service start there.
  EXPECT_EQ(SysGetFileAttributes(u"Sub\\a.txt"), kAttrArchive);
  EXPECT_EQ(SysCopyFile(u"Sub\\a.txt", u"b.txt", 1), 1);
  EXPECT_TRUE(sim::DiskPathExists(u"C:\\Work\\b.txt"));
  sim::FailCall("SysSetCurrentDirectory", 1, kErrAccessDenied);
  EXPECT_EQ(SysSetCurrentDirectory(u"Sub"), 0);
  EXPECT_EQ(sim::CurrentDirectory(), u"C:\\Work");
}

}  // namespace
