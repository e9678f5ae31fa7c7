// Tests of the simulated machine's open files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "support/sim_fixture.h"

namespace {

using OpenFilesTest = SimFixture;

constexpr uint32_t kRead = kGenericRead;
constexpr uint32_t kWrite = kGenericWrite;
constexpr uint32_t kShareRW = kFileShareRead | kFileShareWrite;
constexpr uint64_t kOldCreation = 125000000000000000ULL;
constexpr uint64_t kOldWrite = 126000000000000000ULL;

std::string Contents(const std::u16string& path) {
  std::string bytes;
  if (!sim::ReadDiskFile(path, &bytes)) return "<missing>";
  return bytes;
}

void SeedFiles() {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\plain.txt", "abc"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\other.txt", "xyz"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\readonly.txt", "ro"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\locked.txt", "in use"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Dir\\Sub\\inner.txt", "x"));
  ASSERT_EQ(SysSetFileAttributes(u"C:\\Dir\\readonly.txt", kAttrReadOnly), 1);
  sim::LockFile(u"C:\\Dir\\locked.txt", true);
}

TEST_F(OpenFilesTest, CreateFileFollowsDispositionsAndErrorCodes) {
  SeedFiles();
  struct Case {
    const char* label;
    const char16_t* path;
    uint32_t access;
    uint32_t share;
    uint32_t disposition;
    ErrorCode error;        // the failure's error, or the last error after success
    bool opens;
    const char* contentsAfter;  // "" = not checked
  };
  const Case cases[] = {
      {"open existing", u"c:\\dir\\PLAIN.TXT", kRead, kFileShareRead, kOpenExisting, 0, true, "abc"},
      {"open missing", u"C:\\Dir\\none.txt", kRead, 0, kOpenExisting, kErrFileNotFound, false, ""},
      {"open in missing folder", u"C:\\NoDir\\a.txt", kRead, 0, kOpenAlways, kErrPathNotFound, false, ""},
      {"open a folder", u"C:\\Dir\\Sub", kRead, 0, kOpenExisting, kErrAccessDenied, false, ""},
      {"open a drive root", u"C:\\", kRead, 0, kOpenExisting, kErrAccessDenied, false, ""},
      {"read-only for writing", u"C:\\Dir\\readonly.txt", kWrite, 0, kOpenExisting, kErrAccessDenied, false, ""},
      {"read-only for reading", u"C:\\Dir\\readonly.txt", kRead, 0, kOpenExisting, 0, true, "ro"},
      {"overwrite read-only", u"C:\\Dir\\readonly.txt", kRead, 0, kCreateAlways, kErrAccessDenied, false, "ro"},
      {"create new over existing", u"C:\\Dir\\plain.txt", kWrite, 0, kCreateNew, kErrFileExists, false, "abc"},
      {"create new", u"C:\\Dir\\new.txt", kWrite, 0, kCreateNew, 0, true, ""},
      {"create always over existing", u"C:\\Dir\\other.txt", kWrite, 0, kCreateAlways, kErrAlreadyExists, true, ""},
      {"open always existing", u"C:\\Dir\\plain.txt", kRead, 0, kOpenAlways, kErrAlreadyExists, true, "abc"},
      {"open always missing", u"C:\\Dir\\made.txt", kRead | kWrite, 0, kOpenAlways, 0, true, ""},
      {"truncate without write access", u"C:\\Dir\\plain.txt", kRead, 0, 5, kErrInvalidParameter, false, "abc"},
      {"unknown disposition", u"C:\\Dir\\plain.txt", kRead, 0, 0, kErrInvalidParameter, false, "abc"},
      {"in use, for writing", u"C:\\Dir\\locked.txt", kWrite, kShareRW, kOpenExisting, kErrSharingViolation, false,
       "in use"},
      {"in use, reading shared", u"C:\\Dir\\locked.txt", kRead, kFileShareRead, kOpenExisting, 0, true, "in use"},
      {"in use, reading unshared", u"C:\\Dir\\locked.txt", kRead, 0, kOpenExisting, kErrSharingViolation, false, ""},
      {"in use, attributes only", u"C:\\Dir\\locked.txt", 0, 0, kOpenExisting, 0, true, ""},
      {"in use, overwrite", u"C:\\Dir\\locked.txt", kWrite, kShareRW, kCreateAlways, kErrSharingViolation, false,
       "in use"},
      {"drive the machine lacks", u"Q:\\a.txt", kRead, 0, kOpenExisting, kErrPathNotFound, false, ""},
      {"bad name", u"C:\\Dir\\a|b.txt", kRead, 0, kOpenExisting, 123, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SysSetLastError(0xDEAD);
    SysHandle file = SysCreateFile(c.path, c.access, c.share, c.disposition, 0);
    EXPECT_EQ(SysGetLastError(), c.error);
    EXPECT_EQ(file != kInvalidHandle, c.opens);
    if (file != kInvalidHandle) {
      EXPECT_EQ(SysCloseHandle(file), 1);
    }
    if (c.contentsAfter[0]) {
      EXPECT_EQ(Contents(c.path), c.contentsAfter);
    }
  }
  EXPECT_EQ(Contents(u"C:\\Dir\\new.txt"), "");
  EXPECT_EQ(Contents(u"C:\\Dir\\other.txt"), "");  // truncated by the create-always case
}

TEST_F(OpenFilesTest, SharingBetweenOpenHandlesFollowsWindowsRules) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\f.txt", "data"));
  struct Case {
    uint32_t firstAccess, firstShare, secondAccess, secondShare;
    bool secondOpens;
  };
  const Case cases[] = {
      {kRead, kFileShareRead, kRead, kFileShareRead, true},
      {kRead, kFileShareRead, kWrite, kShareRW, false},          // the first does not share writing
      {kRead, kShareRW, kWrite, kFileShareRead, true},
      {kRead, 0, kRead, kShareRW, false},                        // the first shares nothing
      {kRead | kWrite, kShareRW, kRead, kFileShareRead, false},  // the second does not let the first write
      {kRead | kWrite, kShareRW, kRead, kShareRW, true},
      {0, 0, kRead | kWrite, 0, true},                           // attribute-only opens share everything
      {kRead, 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.firstAccess << "/" << c.firstShare << " then " << c.secondAccess << "/"
                                    << c.secondShare);
    SysHandle first = SysCreateFile(u"C:\\f.txt", c.firstAccess, c.firstShare, kOpenExisting, 0);
    ASSERT_NE(first, kInvalidHandle);
    SysHandle second = SysCreateFile(u"C:\\F.TXT", c.secondAccess, c.secondShare, kOpenExisting, 0);
    EXPECT_EQ(second != kInvalidHandle, c.secondOpens);
    if (second == kInvalidHandle) {
      EXPECT_EQ(SysGetLastError(), kErrSharingViolation);
    }
    if (second != kInvalidHandle) SysCloseHandle(second);
    SysCloseHandle(first);
  }
}

TEST_F(OpenFilesTest, OpenHandlesKeepFilesFromBeingDeletedOrOverwritten) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\src.txt", "new"));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\held.txt", "old"));
  SysHandle held = SysCreateFile(u"C:\\held.txt", kRead, 0, kOpenExisting, 0);
  ASSERT_NE(held, kInvalidHandle);
  EXPECT_EQ(SysCopyFile(u"C:\\src.txt", u"C:\\held.txt", 0), 0);
  EXPECT_EQ(SysGetLastError(), kErrSharingViolation);
  EXPECT_EQ(SysDeleteFile(u"C:\\held.txt"), 0);
  EXPECT_EQ(SysGetLastError(), kErrSharingViolation);
  EXPECT_EQ(SysCopyFile(u"C:\\held.txt", u"C:\\copy.txt", 0), 0);  // nor read by a copy: not shared
  EXPECT_EQ(SysGetLastError(), kErrSharingViolation);
  EXPECT_EQ(Contents(u"C:\\held.txt"), "old");
  ASSERT_EQ(SysCloseHandle(held), 1);
  EXPECT_EQ(SysCopyFile(u"C:\\src.txt", u"C:\\held.txt", 0), 1);
  EXPECT_EQ(Contents(u"C:\\held.txt"), "new");
  EXPECT_EQ(SysDeleteFile(u"C:\\held.txt"), 1);
}

TEST_F(OpenFilesTest, ReadWritePointerAndEndOfFile) {
  SysHandle file = SysCreateFile(u"C:\\rw.bin", kRead | kWrite, 0, kCreateAlways, 0);
  ASSERT_NE(file, kInvalidHandle);
  uint32_t done = 0;
  ASSERT_EQ(SysWriteFile(file, "hello world", 11, &done), 1);
  EXPECT_EQ(done, 11u);
  EXPECT_EQ(SysSetFilePointer(file, 6, 0), 6u);
  char buffer[16] = {};
  ASSERT_EQ(SysReadFile(file, buffer, sizeof(buffer), &done), 1);
  EXPECT_EQ(std::string(buffer, done), "world");
  ASSERT_EQ(SysReadFile(file, buffer, sizeof(buffer), &done), 1);  // at the end: success, nothing read
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(SysSetFilePointer(file, -5, 2), 6u);
  EXPECT_EQ(SysSetFilePointer(file, -1, 1), 5u);
  ASSERT_EQ(SysSetEndOfFile(file), 1);
  uint32_t high = 7;
  EXPECT_EQ(SysGetFileSize(file, &high), 5u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SysSetFilePointer(file, 8, 0), 8u);  // past the end: writing fills the gap with zeros
  ASSERT_EQ(SysWriteFile(file, "!", 1, &done), 1);
  EXPECT_EQ(SysSetFilePointer(file, -1, 0), kInvalidFileSize);
  EXPECT_EQ(SysGetLastError(), 131u);
  EXPECT_EQ(SysSetFilePointer(file, 0, 3), kInvalidFileSize);
  EXPECT_EQ(SysGetLastError(), kErrInvalidParameter);
  ASSERT_EQ(SysCloseHandle(file), 1);
  EXPECT_EQ(Contents(u"C:\\rw.bin"), std::string("hello\0\0\0!", 9));

  // Handles opened for one direction refuse the other; closed handles are gone.
  SysHandle reader = SysCreateFile(u"C:\\rw.bin", kRead, kShareRW, kOpenExisting, 0);
  SysHandle writer = SysCreateFile(u"C:\\rw.bin", kWrite, kShareRW, kOpenExisting, 0);
  ASSERT_NE(reader, kInvalidHandle);
  ASSERT_NE(writer, kInvalidHandle);
  EXPECT_EQ(SysWriteFile(reader, "x", 1, &done), 0);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  EXPECT_EQ(SysSetEndOfFile(reader), 0);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  EXPECT_EQ(SysReadFile(writer, buffer, 1, &done), 0);
  EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  SysCloseHandle(reader);
  SysCloseHandle(writer);
  EXPECT_EQ(SysReadFile(reader, buffer, 1, &done), 0);
  EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
  EXPECT_EQ(SysCloseHandle(reader), 0);
  EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
  EXPECT_EQ(SysGetFileSize(writer, nullptr), kInvalidFileSize);
}

TEST_F(OpenFilesTest, FileTimesComeFromTheMachinesTimeTables) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\t.sys", "12345"));
  sim::SetFileTimes(u"C:\\t.sys", kOldCreation, kOldWrite);
  SysHandle file = SysCreateFile(u"C:\\t.sys", kRead | kWrite, 0, kOpenExisting, 0);
  ASSERT_NE(file, kInvalidHandle);
  uint64_t creation = 0, access = 0, write = 0;
  ASSERT_EQ(SysGetFileTime(file, &creation, &access, &write), 1);
  EXPECT_EQ(creation, kOldCreation);
  EXPECT_EQ(write, kOldWrite);
  ASSERT_EQ(SysGetFileTime(file, nullptr, nullptr, nullptr), 1);
  // Writing through the handle makes the file written now; its creation time stays.
  uint32_t done = 0;
  ASSERT_EQ(SysWriteFile(file, "6", 1, &done), 1);
  ASSERT_EQ(SysGetFileTime(file, &creation, nullptr, &write), 1);
  EXPECT_EQ(creation, kOldCreation);
  EXPECT_GT(write, kOldWrite);
  SysCloseHandle(file);
}

TEST_F(OpenFilesTest, MappingEditsATextFileInPlace) {
  const std::string before = "[boot]\r\nshell=x\r\n";
  const std::string line = "C:\\A.DLL=C:\\SET1.tmp\r\n";
  const std::string header = "[Rename]\r\n";
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\WINDOWS\\wininit.ini", before));
  SysHandle file = SysCreateFile(u"C:\\WINDOWS\\wininit.ini", kRead | kWrite, 0, kOpenAlways, 0);
  ASSERT_NE(file, kInvalidHandle);
  const uint32_t oldSize = SysGetFileSize(file, nullptr);
  const uint32_t mapSize = oldSize + static_cast<uint32_t>(line.size()) + 21;
  SysHandle mapping = SysCreateFileMapping(file, mapSize);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(SysGetFileSize(file, nullptr), mapSize);  // the mapping grew the file
  char* view = static_cast<char*>(SysMapViewOfFile(mapping));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view, oldSize), before);
  EXPECT_EQ(view[mapSize - 1], 0);
  std::memcpy(view + oldSize, header.data(), header.size());
  std::memcpy(view + oldSize + header.size(), line.data(), line.size());
  // The end cannot move while a view is mapped, nor below the mapping while it is open.
  EXPECT_EQ(SysSetFilePointer(file, static_cast<int32_t>(oldSize + header.size() + line.size()), 0),
            oldSize + header.size() + line.size());
  EXPECT_EQ(SysSetEndOfFile(file), 0);
  EXPECT_EQ(SysGetLastError(), 1224u);
  ASSERT_EQ(SysUnmapViewOfFile(view), 1);
  EXPECT_EQ(SysSetEndOfFile(file), 0);
  EXPECT_EQ(SysGetLastError(), 1224u);
  ASSERT_EQ(SysCloseHandle(mapping), 1);
  ASSERT_EQ(SysSetEndOfFile(file), 1);
  ASSERT_EQ(SysCloseHandle(file), 1);
  EXPECT_EQ(Contents(u"C:\\WINDOWS\\wininit.ini"), before + header + line);
  EXPECT_EQ(SysUnmapViewOfFile(view), 0);
  EXPECT_EQ(SysGetLastError(), 487u);
}

TEST_F(OpenFilesTest, MappingRefusals) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\empty.txt", ""));
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\text.txt", "abc"));
  SysHandle reader = SysCreateFile(u"C:\\text.txt", kRead, kShareRW, kOpenExisting, 0);
  SysHandle empty = SysCreateFile(u"C:\\empty.txt", kRead | kWrite, 0, kOpenExisting, 0);
  SysHandle text = SysCreateFile(u"C:\\text.txt", kRead | kWrite, kShareRW, kOpenExisting, 0);
  struct Case {
    const char* label;
    SysHandle file;
    uint32_t size;
    ErrorCode error;
  };
  const Case cases[] = {
      {"read-only handle", reader, 10, kErrAccessDenied},
      {"empty file, size 0", empty, 0, 1006},
      {"not a handle", reinterpret_cast<SysHandle>(0x4321), 10, kErrInvalidHandle},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(SysCreateFileMapping(c.file, c.size), nullptr);
    EXPECT_EQ(SysGetLastError(), c.error);
  }
  // Size 0 maps the whole file; an unchanged view writes nothing back.
  SysHandle mapping = SysCreateFileMapping(text, 0);
  ASSERT_NE(mapping, nullptr);
  void* view = SysMapViewOfFile(mapping);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(static_cast<char*>(view), 3), "abc");
  EXPECT_EQ(SysMapViewOfFile(text), nullptr);  // a file handle is no mapping
  EXPECT_EQ(SysGetLastError(), kErrInvalidHandle);
  EXPECT_EQ(SysUnmapViewOfFile(view), 1);
  for (SysHandle h : {mapping, reader, empty, text}) SysCloseHandle(h);
  EXPECT_EQ(Contents(u"C:\\text.txt"), "abc");
}

TEST_F(OpenFilesTest, TempFileNamesTakeThePrefixAndTheFirstFreeNumber) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Tmp\\SET2.tmp", "taken"));
  struct Case {
    const char16_t* folder;
    const char16_t* prefix;
    uint32_t unique;
    uint32_t result;
    const char16_t* name;  // "" for a failure
    ErrorCode error;
    bool created;
  };
  const Case cases[] = {
      {u"C:\\Tmp", u"SET", 0, 1, u"C:\\Tmp\\SET1.tmp", 0, true},
      {u"C:\\Tmp\\", u"SETUP", 0, 3, u"C:\\Tmp\\SET3.tmp", 0, true},  // 2 is taken; three prefix characters
      {u"C:\\Tmp", u"", 0, 4, u"C:\\Tmp\\4.tmp", 0, true},
      {u"C:\\Tmp", nullptr, 0, 5, u"C:\\Tmp\\5.tmp", 0, true},
      {u"C:\\Tmp", u"SET", 0xABC, 0xABC, u"C:\\Tmp\\SETABC.tmp", 0, false},  // a given number: no file
      {u"C:\\Tmp", u"SET", 0x12345, 0x12345, u"C:\\Tmp\\SET2345.tmp", 0, false},  // low 16 bits only
      {u"C:\\NoDir", u"SET", 0, 0, u"", 267, false},
      {u"C:\\NoDir", u"SET", 7, 0, u"", 267, false},                            // checked even then
      {u"C:\\Tmp\\SET2.tmp", u"SET", 0, 0, u"", 267, false},                    // a file is no folder
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.name) + " / " + sim::ToUtf8(c.folder));
    char16_t out[260] = {u'x'};
    SysSetLastError(0);
    EXPECT_EQ(SysGetTempFileName(c.folder, c.prefix, c.unique, out), c.result);
    EXPECT_EQ(std::u16string(out), c.name);
    EXPECT_EQ(SysGetLastError(), c.error);
    if (c.name[0]) {
      EXPECT_EQ(sim::DiskPathExists(c.name), c.created);
      if (c.created) {
        EXPECT_EQ(Contents(c.name), "");
      }
    }
  }
  EXPECT_EQ(Contents(u"C:\\Tmp\\SET2.tmp"), "taken");
}

TEST_F(OpenFilesTest, InjectedFaultsFailWithTheirErrorAndChangeNothing) {
  ASSERT_TRUE(sim::WriteDiskFile(u"C:\\f.txt", "abc"));
  SysHandle file = SysCreateFile(u"C:\\f.txt", kRead | kWrite, 0, kOpenExisting, 0);
  ASSERT_NE(file, kInvalidHandle);
  constexpr ErrorCode kInjected = 1117;  // ERROR_IO_DEVICE
  uint32_t done = 0;
  char buffer[4] = {};
  char16_t name[260];
  struct Case {
    const char* function;
    bool (*failed)(SysHandle file, uint32_t* done, char* buffer, char16_t* name);
  };
  const Case cases[] = {
      {"SysCreateFile",
       [](SysHandle, uint32_t*, char*, char16_t*) {
         return SysCreateFile(u"C:\\new.txt", kGenericWrite, 0, kCreateNew, 0) == kInvalidHandle;
       }},
      {"SysReadFile", [](SysHandle f, uint32_t* d, char* b, char16_t*) { return SysReadFile(f, b, 1, d) == 0; }},
      {"SysWriteFile", [](SysHandle f, uint32_t* d, char*, char16_t*) { return SysWriteFile(f, "z", 1, d) == 0; }},
      {"SysGetFileSize",
       [](SysHandle f, uint32_t*, char*, char16_t*) { return SysGetFileSize(f, nullptr) == kInvalidFileSize; }},
      {"SysGetFileTime",
       [](SysHandle f, uint32_t*, char*, char16_t*) { return SysGetFileTime(f, nullptr, nullptr, nullptr) == 0; }},
      {"SysSetFilePointer",
       [](SysHandle f, uint32_t*, char*, char16_t*) { return SysSetFilePointer(f, 0, 0) == kInvalidFileSize; }},
      {"SysSetEndOfFile", [](SysHandle f, uint32_t*, char*, char16_t*) { return SysSetEndOfFile(f) == 0; }},
      {"SysCreateFileMapping",
       [](SysHandle f, uint32_t*, char*, char16_t*) { return SysCreateFileMapping(f, 100) == nullptr; }},
      {"SysGetTempFileName",
       [](SysHandle, uint32_t*, char*, char16_t* n) { return SysGetTempFileName(u"C:\\", u"SET", 0, n) == 0; }},
      {"SysCloseHandle", [](SysHandle f, uint32_t*, char*, char16_t*) { return SysCloseHandle(f) == 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    sim::FailCall(c.function, 1, kInjected);
    EXPECT_TRUE(c.failed(file, &done, buffer, name));
    EXPECT_EQ(SysGetLastError(), kInjected);
    sim::ClearFaults();
  }
  // Nothing happened: no new file, no temporary file, same size, the handle still open.
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\new.txt"));
  EXPECT_FALSE(sim::DiskPathExists(u"C:\\SET1.tmp"));
  EXPECT_EQ(SysGetFileSize(file, nullptr), 3u);
  EXPECT_EQ(SysCloseHandle(file), 1);
  EXPECT_EQ(Contents(u"C:\\f.txt"), "abc");
}

}  // namespace
