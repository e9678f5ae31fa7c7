// Contract cases of the kernel services: text queries, version, folder listings, file and
// folder operations, open files and mappings, temporary names, delayed moves and system texts.
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "contract/contract.h"
#include "platform/kernel.h"
#include "platform/registry.h"

namespace {

const char16_t kSessionManager[] = u"System\\CurrentControlSet\\Control\\Session Manager";
const char16_t kPendingRenames[] = u"PendingFileRenameOperations";

// Every fixed-buffer query cuts to cap - 1, terminates, and leaves the rest of the buffer alone.
TEST_F(Contract, QueriesCutToCapacityWithoutOverrun) {
  struct Source {
    const char* name;
    std::function<uint32_t(char16_t*, uint32_t)> query;
  };
  const Source sources[] = {
      {"module path", SysGetModulePath},
      {"ansi text", [](char16_t* o, uint32_t c) { return SysAnsiToWide("/S /TYPE:USB /ID:3", o, c); }},
      {"system message", [](char16_t* o, uint32_t c) { return SysFormatSystemMessage(kErrFileNotFound, o, c); }},
  };
  for (const Source& s : sources) {
    char16_t whole[300];
    const uint32_t full = s.query(whole, 300);
    ASSERT_GT(full, 4u) << s.name;
    for (uint32_t cap : {1u, 2u, 5u, full, full + 1, full + 2}) {
      SCOPED_TRACE(std::string(s.name) + ", cap " + std::to_string(cap));
      std::vector<char16_t> buffer(cap + 8, u'#');
      uint32_t n = s.query(buffer.data(), cap);
      uint32_t expected = full < cap ? full : cap - 1;
      EXPECT_EQ(n, expected);
      EXPECT_EQ(std::u16string(buffer.data()), std::u16string(whole, expected));
      for (size_t i = cap; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], u'#') << "written past the buffer at " << i;
    }
    char16_t untouched = u'#';
    EXPECT_EQ(s.query(&untouched, 0), 0u) << s.name;
    EXPECT_EQ(untouched, u'#') << s.name;
  }
  char16_t none[8] = u"xxx";
  EXPECT_EQ(SysAnsiToWide(nullptr, none, 8), 0u);
  EXPECT_EQ(none[0], 0);
  EXPECT_EQ(SysFormatSystemMessage(0x7FFFFFF0u, none, 8), 0u) << "a code without a system text";
  EXPECT_EQ(none[0], 0);
}

// Text goes to the active code page, cut to the buffer; what the code page lacks and has no
// near equivalent for becomes '?'.
TEST_F(Contract, WideTextToTheCodePage) {
  char out[16];
  EXPECT_EQ(SysWideToAnsi(u"Glidewave", out, 16), 9u);
  EXPECT_STREQ(out, "Glidewave");
  EXPECT_EQ(SysWideToAnsi(u"Glidewave", out, 5), 4u);
  EXPECT_STREQ(out, "Glid");
  EXPECT_EQ(SysWideToAnsi(u"\u4e00", out, 16), 1u);
  EXPECT_STREQ(out, "?");
}

// The plain and extended version requests agree with the packed version word.
TEST_F(Contract, VersionInfoMatchesVersionWord) {
  const uint32_t word = SysGetVersionWord();
  for (int extended : {0, 1}) {
    SCOPED_TRACE(extended ? "extended" : "plain");
    SysVersionInfo info;
    ASSERT_EQ(SysGetVersionInfo(&info, extended), 1);
    EXPECT_EQ(info.major, word & 0xFF);
    EXPECT_EQ(info.minor, (word >> 8) & 0xFF);
    EXPECT_EQ(info.platformId, (word & 0x80000000u) ? kPlatform9x : kPlatformNT);
    if (extended) {
      EXPECT_GE(info.productType, 1);
    } else {
      EXPECT_EQ(info.productType, 0);
    }
  }
  EXPECT_EQ(SysSetProcessShutdownParameters(0x3FF, 1), 1);
}

// Listings match as Windows matches: ignoring case, '*' and '?' across the dot rules. Each entry
// comes once with its attributes, size and (for a long name) a short name, "." and ".." too, and
// a listing ends with 18; nothing matching fails with 2, a missing folder with 3.
TEST_F(Contract, FolderListings) {
  ASSERT_EQ(SysCreateDirectory(At(u"Data").c_str()), 1);
  for (const char16_t* file : {u"readme.txt", u"README2.TXT", u"setup.exe", u"noext", u"Data\\inner.txt"})
    ASSERT_TRUE(contract::PutFile(At(file), "x"));
  ASSERT_TRUE(contract::PutFile(At(u"Long file name.data"), std::string(70000, 'z')));
  ASSERT_EQ(SysSetFileAttributes(At(u"setup.exe").c_str(), kAttrReadOnly), 1);
  struct Row {
    const char16_t* pattern;
    std::set<std::u16string> names;  // empty: nothing matches
    ErrorCode error;
  };
  const std::set<std::u16string> all = {u".",         u"..",          u"Data",      u"noext",
                                        u"readme.txt", u"README2.TXT", u"setup.exe", u"Long file name.data"};
  const Row rows[] = {
      {u"*", all, 0},
      {u"*.*", all, 0},
      {u"*.TXT", {u"readme.txt", u"README2.TXT"}, 0},
      {u"readme?.txt", {u"readme.txt", u"README2.TXT"}, 0},
      {u"*.t?t", {u"readme.txt", u"README2.TXT"}, 0},
      {u"se?up", {}, kErrFileNotFound},
      {u"?etup.exe", {u"setup.exe"}, 0},
      {u"noext.*", {u"noext"}, 0},
      {u"SETUP.EXE", {u"setup.exe"}, 0},
      {u"Data\\*", {u".", u"..", u"inner.txt"}, 0},
      {u"*.dll", {}, kErrFileNotFound},
      {u"NoFolder\\*", {}, kErrPathNotFound},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(contract::Utf8(row.pattern));
    if (std::u16string(row.pattern) == u"readme?.txt" && contract::Unsupported("'?' before a dot matching nothing")) {
      continue;
    }
    std::set<std::u16string> names;
    SysFindData data;
    SysHandle find = SysFindFirstFile(At(row.pattern).c_str(), &data);
    if (find == kInvalidHandle) {
      EXPECT_EQ(SysGetLastError(), row.error);
    } else {
      do {
        const std::u16string name = data.name;
        EXPECT_TRUE(names.insert(name).second) << "listed twice: " << contract::Utf8(name);
        EXPECT_TRUE(name != u"setup.exe" || (data.size == 1 && (data.attributes & kAttrReadOnly)));
        EXPECT_TRUE(name != u"Long file name.data" || (data.size == 70000 && data.shortName[0] != 0));
        EXPECT_TRUE((name != u"Data" && name != u"." && name != u"..") || (data.attributes & kAttrDirectory));
      } while (SysFindNextFile(find, &data));
      EXPECT_EQ(SysGetLastError(), kErrNoMoreFiles);
      SysFindClose(find);
    }
    EXPECT_EQ(names, row.names);
    EXPECT_EQ(SysPathExists(At(row.pattern).c_str()), row.names.empty() ? 0 : 1);
  }
  SysSetFileAttributes(At(u"setup.exe").c_str(), kAttrNormal);
}

// File and folder operations succeed or fail with Windows' error codes, in this order: opening
// follows the disposition; a file another program holds open cannot be written, replaced or
// deleted (32).
TEST_F(Contract, FileOperationsAndErrors) {
  ASSERT_TRUE(contract::PutFile(At(u"a.txt"), "one"));
  ASSERT_TRUE(contract::PutFile(At(u"b.txt"), "two"));
  ASSERT_TRUE(contract::PutFile(At(u"held.dll"), "old"));
  contract::HoldFile(At(u"held.dll"));
  auto p = [this](const char16_t* name) { return At(name); };
  auto opens = [&](const char16_t* name, uint32_t disposition) {
    SysHandle file = SysCreateFile(p(name).c_str(), kGenericRead | kGenericWrite, 0, disposition, kAttrNormal);
    return uint32_t(file != kInvalidHandle && SysCloseHandle(file));
  };
  struct Row {
    const char* what;
    std::function<uint32_t()> call;
    uint32_t result;
    ErrorCode error;  // checked when not 0
  };
  const Row rows[] = {
      {"open missing", [&] { return opens(u"c.txt", kOpenExisting); }, 0, kErrFileNotFound},
      {"create in a missing folder", [&] { return opens(u"nodir\\c.txt", kCreateAlways); }, 0, kErrPathNotFound},
      {"create new over a file", [&] { return opens(u"b.txt", kCreateNew); }, 0, kErrFileExists},
      {"open always, existing", [&] { return opens(u"b.txt", kOpenAlways); }, 1, 0},
      {"open always, new", [&] { return opens(u"fresh.txt", kOpenAlways); }, 1, 0},
      {"create always", [&] { return opens(u"b.txt", kCreateAlways); }, 1, 0},
      {"create always empties", [&] { return uint32_t(contract::FileBytes(p(u"b.txt")).empty()); }, 1, 0},
      {"write held", [&] { return uint32_t(SysCreateFile(p(u"held.dll").c_str(), kGenericWrite, 0, kOpenExisting, 0) != kInvalidHandle); },
       0, kErrSharingViolation},
      {"delete held", [&] { return uint32_t(SysDeleteFile(p(u"held.dll").c_str())); }, 0, kErrSharingViolation},
      {"copy onto held", [&] { return uint32_t(SysCopyFile(p(u"a.txt").c_str(), p(u"held.dll").c_str(), 0)); }, 0,
       kErrSharingViolation},
      {"exists", [&] { return uint32_t(SysPathExists(p(u"a.txt").c_str())); }, 1, 0},
      {"exists by pattern", [&] { return uint32_t(SysPathExists(p(u"*.txt").c_str())); }, 1, 0},
      {"not exists", [&] { return uint32_t(SysPathExists(p(u"c.txt").c_str())); }, 0, kErrFileNotFound},
      {"copy onto existing, fail if exists", [&] { return uint32_t(SysCopyFile(p(u"a.txt").c_str(), p(u"b.txt").c_str(), 1)); },
       0, kErrFileExists},
      {"copy onto existing, overwrite", [&] { return uint32_t(SysCopyFile(p(u"a.txt").c_str(), p(u"b.txt").c_str(), 0)); }, 1, 0},
      {"copy missing source", [&] { return uint32_t(SysCopyFile(p(u"c.txt").c_str(), p(u"d.txt").c_str(), 0)); }, 0,
       kErrFileNotFound},
      {"create folder", [&] { return uint32_t(SysCreateDirectory(p(u"new").c_str())); }, 1, 0},
      {"create existing folder", [&] { return uint32_t(SysCreateDirectory(p(u"new").c_str())); }, 0, kErrAlreadyExists},
      {"create under missing folder", [&] { return uint32_t(SysCreateDirectory(p(u"x\\y").c_str())); }, 0, kErrPathNotFound},
      {"attributes of folder", [&] { return SysGetFileAttributes(p(u"new").c_str()) & kAttrDirectory; }, kAttrDirectory, 0},
      {"attributes of missing", [&] { return SysGetFileAttributes(p(u"c.txt").c_str()); }, kInvalidAttributes, kErrFileNotFound},
      {"set read-only", [&] { return uint32_t(SysSetFileAttributes(p(u"b.txt").c_str(), kAttrReadOnly)); }, 1, 0},
      {"read-only reads back", [&] { return SysGetFileAttributes(p(u"b.txt").c_str()) & kAttrReadOnly; }, kAttrReadOnly, 0},
      {"delete read-only", [&] { return uint32_t(SysDeleteFile(p(u"b.txt").c_str())); }, 0, kErrAccessDenied},
      {"clear read-only", [&] { return uint32_t(SysSetFileAttributes(p(u"b.txt").c_str(), kAttrNormal)); }, 1, 0},
      {"copied bytes", [&] { return uint32_t(contract::FileBytes(p(u"b.txt")) == "one"); }, 1, 0},
      {"delete", [&] { return uint32_t(SysDeleteFile(p(u"b.txt").c_str())); }, 1, 0},
      {"delete missing", [&] { return uint32_t(SysDeleteFile(p(u"b.txt").c_str())); }, 0, kErrFileNotFound},
      {"move", [&] { return uint32_t(SysMoveFileEx(p(u"a.txt").c_str(), p(u"new\\a.txt").c_str(), 0)); }, 1, 0},
      {"moved bytes", [&] { return uint32_t(contract::FileBytes(p(u"new\\a.txt")) == "one"); }, 1, 0},
      {"remove folder with a file", [&] { return uint32_t(SysRemoveDirectory(p(u"new").c_str())); }, 0, 145},
      {"delete moved", [&] { return uint32_t(SysDeleteFile(p(u"new\\a.txt").c_str())); }, 1, 0},
      {"remove folder", [&] { return uint32_t(SysRemoveDirectory(p(u"new").c_str())); }, 1, 0},
      {"remove missing folder", [&] { return uint32_t(SysRemoveDirectory(p(u"new").c_str())); }, 0, kErrFileNotFound},
  };
  for (const Row& row : rows) {
    SysSetLastError(0);
    EXPECT_EQ(row.call(), row.result) << row.what;
    if (row.error != 0) {
      EXPECT_EQ(SysGetLastError(), row.error) << row.what;
    }
  }
}

// Reads, writes, the file pointer and the end of file move as Windows moves them; read-only
// files open for reading only, and a second opening must share what the first one has.
TEST_F(Contract, OpenFilesReadWriteAndPointer) {
  const std::u16string path = At(u"data.bin");
  SysHandle file = SysCreateFile(path.c_str(), kGenericRead | kGenericWrite, 0, kCreateNew, kAttrNormal);
  ASSERT_NE(file, kInvalidHandle);
  uint32_t done = 0;
  EXPECT_EQ(SysWriteFile(file, "0123456789", 10, &done), 1);
  EXPECT_EQ(done, 10u);
  uint32_t high = 7;
  EXPECT_EQ(SysGetFileSize(file, &high), 10u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SysSetFilePointer(file, -4, 2), 6u);
  char buffer[16] = {};
  EXPECT_EQ(SysReadFile(file, buffer, 16, &done), 1);
  EXPECT_EQ(std::string(buffer, done), "6789");
  EXPECT_EQ(SysReadFile(file, buffer, 16, &done), 1) << "a read at the end succeeds";
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(SysSetFilePointer(file, 3, 0), 3u);
  EXPECT_EQ(SysSetFilePointer(file, 2, 1), 5u);
  EXPECT_EQ(SysSetEndOfFile(file), 1);
  uint64_t written = 0;
  EXPECT_EQ(SysGetFileTime(file, nullptr, nullptr, &written), 1);
  EXPECT_NE(written, 0u);
  EXPECT_EQ(SysCloseHandle(file), 1);
  EXPECT_EQ(contract::FileBytes(path), "01234");

  ASSERT_EQ(SysSetFileAttributes(path.c_str(), kAttrReadOnly), 1);
  if (!contract::Unsupported("read-only files refuse writing")) {
    EXPECT_EQ(SysCreateFile(path.c_str(), kGenericWrite, 0, kOpenExisting, kAttrNormal), kInvalidHandle);
    EXPECT_EQ(SysGetLastError(), kErrAccessDenied);
  }
  file = SysCreateFile(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kAttrNormal);
  ASSERT_NE(file, kInvalidHandle);
  SysHandle second = SysCreateFile(path.c_str(), kGenericRead, 0, kOpenExisting, kAttrNormal);
  EXPECT_EQ(second, kInvalidHandle);
  EXPECT_EQ(SysGetLastError(), kErrSharingViolation);
  second = SysCreateFile(path.c_str(), kGenericRead, kFileShareRead, kOpenExisting, kAttrNormal);
  EXPECT_NE(second, kInvalidHandle);
  SysCloseHandle(second);
  SysCloseHandle(file);
  SysSetFileAttributes(path.c_str(), kAttrNormal);
  EXPECT_EQ(SysGetFileSize(kInvalidHandle, nullptr), kInvalidFileSize);
}

// A mapping of a file edits it in place and grows it to the mapping's size.
TEST_F(Contract, MappingEditsAFileInPlace) {
  const std::u16string path = At(u"edit.ini");
  ASSERT_TRUE(contract::PutFile(path, "[a]\r\nk=1\r\n"));
  SysHandle file = SysCreateFile(path.c_str(), kGenericRead | kGenericWrite, 0, kOpenExisting, kAttrNormal);
  ASSERT_NE(file, kInvalidHandle);
  SysHandle mapping = SysCreateFileMapping(file, 12);
  ASSERT_NE(mapping, nullptr);
  char* view = static_cast<char*>(SysMapViewOfFile(mapping));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(view, 10), "[a]\r\nk=1\r\n");
  std::memcpy(view + 7, "2\r\nx", 4);
  EXPECT_EQ(SysUnmapViewOfFile(view), 1);
  SysCloseHandle(mapping);
  SysCloseHandle(file);
  EXPECT_EQ(contract::FileBytes(path), std::string("[a]\r\nk=2\r\nx\0", 12));
}

// A temporary name takes the prefix's first three characters, a hexadecimal number and ".tmp";
// with number 0 the first free one is chosen and an empty file made.
TEST_F(Contract, TemporaryFileNames) {
  char16_t name[260];
  const uint32_t first = SysGetTempFileName(dir_.c_str(), u"SETUP", 0, name);
  ASSERT_NE(first, 0u);
  const std::u16string made = name;
  EXPECT_EQ(made.substr(0, dir_.size() + 4), dir_ + u"\\SET");
  EXPECT_EQ(made.substr(made.size() - 4), u".tmp");
  EXPECT_EQ(contract::FileBytes(made), "");
  const uint32_t second = SysGetTempFileName(dir_.c_str(), u"SETUP", 0, name);
  EXPECT_NE(second, first);
  EXPECT_EQ(SysGetTempFileName(dir_.c_str(), u"ab", 0x1F, name), 0x1Fu);
  std::u16string given = name;
  for (char16_t& c : given) c = (c >= u'a' && c <= u'z') ? c - 32 : c;  // the system picks the case
  EXPECT_EQ(contract::Utf8(given.substr(dir_.size())), "\\AB1F.TMP");
  EXPECT_EQ(contract::FileBytes(name), "<missing>") << "a given number makes no file";
  EXPECT_EQ(SysGetTempFileName(At(u"nodir").c_str(), u"SET", 0, name), 0u);
}

// The pending-operations value as UTF-16 units, "" when missing.
std::u16string PendingRenames(uint32_t* type) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kSessionManager, kKeyRead, &key) != 0) return u"";
  uint32_t size = 0;
  std::u16string units;
  if (SysRegQueryValue(key, kPendingRenames, type, nullptr, &size) == 0) {
    units.assign(size / 2, u'\0');
    SysRegQueryValue(key, kPendingRenames, type, reinterpret_cast<uint8_t*>(&units[0]), &size);
  }
  SysRegCloseKey(key);
  return units;
}

// Puts the pending-operations value back as it was (removed when it was missing).
void RestorePendingRenames(const std::u16string& units) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kSessionManager, kKeyAllAccess, &key) != 0) return;
  if (units.empty()) {
    SysRegDeleteValue(key, kPendingRenames);
  } else {
    SysRegSetValue(key, kPendingRenames, kRegTypeMultiSz, reinterpret_cast<const uint8_t*>(units.data()),
                   static_cast<uint32_t>(units.size() * 2));
  }
  SysRegCloseKey(key);
}

// A file in use is replaced at the next start: the deletion of the target and the move of the
// new copy onto it are added, in order, to PendingFileRenameOperations as "\??\"-prefixed
// names (an empty target for a deletion, "!" before a target that may be replaced), and
// nothing moves before the restart.
TEST_F(Contract, DelayedMoveOfAFileInUse) {
  CONTRACT_NEEDS("delayed moves");
  const std::u16string target = At(u"Target1.dll"), copy = At(u"SET1A.tmp"), other = At(u"other.txt");
  ASSERT_TRUE(contract::PutFile(target, "old"));
  ASSERT_TRUE(contract::PutFile(copy, "new"));
  ASSERT_TRUE(contract::PutFile(other, "other"));
  contract::HoldFile(target);
  uint32_t type = 0;
  const std::u16string before = PendingRenames(&type);

  EXPECT_EQ(SysMoveFileEx(target.c_str(), nullptr, kMoveFileDelayUntilReboot), 1);
  EXPECT_EQ(SysMoveFileEx(copy.c_str(), target.c_str(), kMoveFileDelayUntilReboot), 1);
  EXPECT_EQ(SysMoveFileEx(other.c_str(), copy.c_str(), kMoveFileDelayUntilReboot | kMoveFileReplaceExisting), 1);
  const std::u16string after = PendingRenames(&type);
  RestorePendingRenames(before);

  EXPECT_EQ(type, kRegTypeMultiSz);
  const std::u16string nt = u"\\??\\";
  std::u16string added = nt + target + u'\0' + u'\0' + nt + copy + u'\0' + nt + target + u'\0' + nt + other +
                         u'\0' + u'!' + nt + copy + u'\0';
  std::u16string kept = before;
  if (!kept.empty() && kept.back() == 0) kept.pop_back();  // the list's closing terminator
  EXPECT_EQ(contract::Utf8(after), contract::Utf8(kept + added + u'\0'));
  EXPECT_EQ(SysPathExists(target.c_str()), 1);
  EXPECT_EQ(contract::FileBytes(copy), "new");
}

}  // namespace
