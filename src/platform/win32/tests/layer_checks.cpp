// Checks of the Windows platform layer against the real system calls (run under Wine), and of
// the resources linked into setup.exe. Usage: win32_layer_checks [gtest flags] <path of setup.exe>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "res/resource_ids.h"

namespace {

std::wstring g_setupExe;  // from the command line

// Seam text as wide text, wide text as seam text, and seam text as a comparable string.
const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
const char16_t* U(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
std::wstring Str(const char16_t* s) { return W(s); }
// ASCII names for failure messages.
std::string Ascii(const char16_t* s) {
  std::string out;
  for (; *s; ++s) out += static_cast<char>(*s);
  return out;
}

// A fresh folder under the temporary folder, removed with its files at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"gw_layer_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(counter_++);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring p = path_ + L"\\" + data.cFileName;
        SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryW(p.c_str());
        else
          DeleteFileW(p.c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(path_.c_str());
  }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
  const std::wstring& path() const { return path_; }

 private:
  static int counter_;
  std::wstring path_;
};
int TempFolder::counter_ = 0;

// Writes bytes to a file, replacing it.
void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// Every fixed-buffer query must cut to cap - 1, terminate, and leave the rest of the buffer alone.
TEST(Win32Text, QueriesCutToCapacityWithoutOverrun) {
  struct Source {
    const char* name;
    std::wstring full;
    std::function<uint32_t(char16_t*, uint32_t)> query;
  };
  wchar_t module[MAX_PATH], system[MAX_PATH], windows[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  GetSystemDirectoryW(system, MAX_PATH);
  GetWindowsDirectoryW(windows, MAX_PATH);
  const char* ansi = "/S /TYPE:USB /ID:3";
  std::vector<Source> sources = {
      {"module path", module, SysGetModulePath},
      {"system folder", system, SysGetSystemDirectory},
      {"windows folder", windows, SysGetWindowsDirectory},
      {"ansi text", L"/S /TYPE:USB /ID:3", [ansi](char16_t* o, uint32_t c) { return SysAnsiToWide(ansi, o, c); }},
  };
  for (const Source& s : sources) {
    const uint32_t full = static_cast<uint32_t>(s.full.size());
    ASSERT_GT(full, 4u) << s.name;
    for (uint32_t cap : {1u, 2u, 5u, full, full + 1, full + 2, 300u}) {
      SCOPED_TRACE(std::string(s.name) + ", cap " + std::to_string(cap));
      std::vector<char16_t> buffer(cap + 8, u'#');
      uint32_t n = s.query(buffer.data(), cap);
      uint32_t expected = full < cap ? full : cap - 1;
      EXPECT_EQ(n, expected);
      EXPECT_EQ(std::wstring(W(buffer.data())), s.full.substr(0, expected));
      for (size_t i = cap; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], u'#') << "written past the buffer at " << i;
    }
    char16_t untouched = u'#';
    EXPECT_EQ(s.query(&untouched, 0), 0u) << s.name;
    EXPECT_EQ(untouched, u'#') << s.name;
  }
}

// Empty and missing texts convert to an empty, terminated result.
TEST(Win32Text, AnsiToWideEmptyInput) {
  for (const char* text : {static_cast<const char*>(nullptr), ""}) {
    char16_t out[4] = {u'x', u'x', u'x', u'x'};
    EXPECT_EQ(SysAnsiToWide(text, out, 4), 0u);
    EXPECT_EQ(out[0], 0);
  }
}

// Version fields land in the right places: they must agree with the packed version word.
TEST(Win32Kernel, VersionInfoMatchesVersionWord) {
  uint32_t word = SysGetVersionWord();
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
  DWORD level = 0, flags = 0;
  ASSERT_TRUE(GetProcessShutdownParameters(&level, &flags));
  EXPECT_EQ(level, 0x3FFu);
  EXPECT_EQ(flags, 1u);
}

// A listing reports what the system's own listing reports, and ends with error 18.
TEST(Win32Files, FindMatchesSystemListing) {
  TempFolder dir;
  WriteFileBytes(dir / L"first.txt", "abc");
  WriteFileBytes(dir / L"Long file name.data", std::string(70000, 'z'));
  CreateDirectoryW((dir / L"sub").c_str(), nullptr);
  SetFileAttributesW((dir / L"first.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

  std::wstring pattern = dir / L"*";
  WIN32_FIND_DATAW sys;
  HANDLE sysFind = FindFirstFileW(pattern.c_str(), &sys);
  ASSERT_NE(sysFind, INVALID_HANDLE_VALUE);
  SysFindData ours;
  SysHandle find = SysFindFirstFile(U(pattern.c_str()), &ours);
  ASSERT_NE(find, kInvalidHandle);
  int entries = 0;
  for (;;) {
    SCOPED_TRACE(sys.cFileName);
    ++entries;
    EXPECT_EQ(Str(ours.name), sys.cFileName);
    EXPECT_EQ(Str(ours.shortName), sys.cAlternateFileName);
    EXPECT_EQ(ours.attributes, sys.dwFileAttributes);
    EXPECT_EQ(ours.size, (uint64_t{sys.nFileSizeHigh} << 32) | sys.nFileSizeLow);
    EXPECT_EQ(ours.lastWriteTime, (uint64_t{sys.ftLastWriteTime.dwHighDateTime} << 32) | sys.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(ours.creationTime, (uint64_t{sys.ftCreationTime.dwHighDateTime} << 32) | sys.ftCreationTime.dwLowDateTime);
    if (Str(ours.name) == L"Long file name.data") {
      EXPECT_EQ(ours.size, 70000u);
    }
    if (Str(ours.name) == L"sub") {
      EXPECT_TRUE(ours.attributes & kAttrDirectory);
    }
    bool sysMore = FindNextFileW(sysFind, &sys) != 0;
    int more = SysFindNextFile(find, &ours);
    ASSERT_EQ(more, sysMore ? 1 : 0);
    if (!more) {
      EXPECT_EQ(SysGetLastError(), kErrNoMoreFiles);
      break;
    }
  }
  EXPECT_EQ(entries, 5);  // ".", "..", two files and the subfolder
  FindClose(sysFind);
  SysFindClose(find);
}

// File and folder operations report success and failure with the system's error codes.
TEST(Win32Files, OperationsAndErrors) {
  TempFolder dir;
  WriteFileBytes(dir / L"a.txt", "one");
  WriteFileBytes(dir / L"b.txt", "two");
  auto p = [&dir](const wchar_t* name) { return dir / name; };
  SysFindData found;
  struct Row {
    const char* what;
    std::function<uint32_t()> call;
    uint32_t result;
    ErrorCode error;  // checked when not 0
  };
  const Row rows[] = {
      {"find missing file", [&] { return uint32_t(SysFindFirstFile(U(p(L"none.txt").c_str()), &found) == kInvalidHandle); },
       1, kErrFileNotFound},
      {"find in missing folder",
       [&] { return uint32_t(SysFindFirstFile(U(p(L"nodir\\x.txt").c_str()), &found) == kInvalidHandle); }, 1,
       kErrPathNotFound},
      {"exists", [&] { return uint32_t(SysPathExists(U(p(L"a.txt").c_str()))); }, 1, 0},
      {"exists by pattern", [&] { return uint32_t(SysPathExists(U(p(L"*.txt").c_str()))); }, 1, 0},
      {"not exists", [&] { return uint32_t(SysPathExists(U(p(L"c.txt").c_str()))); }, 0, kErrFileNotFound},
      {"copy onto existing, fail if exists", [&] { return uint32_t(SysCopyFile(U(p(L"a.txt").c_str()), U(p(L"b.txt").c_str()), 1)); },
       0, kErrFileExists},
      {"copy onto existing, overwrite", [&] { return uint32_t(SysCopyFile(U(p(L"a.txt").c_str()), U(p(L"b.txt").c_str()), 0)); },
       1, 0},
      {"copy missing source", [&] { return uint32_t(SysCopyFile(U(p(L"c.txt").c_str()), U(p(L"d.txt").c_str()), 0)); }, 0,
       kErrFileNotFound},
      {"create folder", [&] { return uint32_t(SysCreateDirectory(U(p(L"new").c_str()))); }, 1, 0},
      {"create existing folder", [&] { return uint32_t(SysCreateDirectory(U(p(L"new").c_str()))); }, 0, kErrAlreadyExists},
      {"create under missing folder", [&] { return uint32_t(SysCreateDirectory(U(p(L"x\\y").c_str()))); }, 0, kErrPathNotFound},
      {"attributes of folder", [&] { return SysGetFileAttributes(U(p(L"new").c_str())) & kAttrDirectory; }, kAttrDirectory, 0},
      {"attributes of missing", [&] { return SysGetFileAttributes(U(p(L"c.txt").c_str())); }, kInvalidAttributes, 0},
      {"set read-only", [&] { return uint32_t(SysSetFileAttributes(U(p(L"b.txt").c_str()), kAttrReadOnly)); }, 1, 0},
      {"read-only reads back", [&] { return SysGetFileAttributes(U(p(L"b.txt").c_str())) & kAttrReadOnly; }, kAttrReadOnly, 0},
      {"delete read-only", [&] { return uint32_t(SysDeleteFile(U(p(L"b.txt").c_str()))); }, 0, kErrAccessDenied},
      {"clear read-only", [&] { return uint32_t(SysSetFileAttributes(U(p(L"b.txt").c_str()), kAttrNormal)); }, 1, 0},
      {"delete", [&] { return uint32_t(SysDeleteFile(U(p(L"b.txt").c_str()))); }, 1, 0},
      {"delete missing", [&] { return uint32_t(SysDeleteFile(U(p(L"b.txt").c_str()))); }, 0, kErrFileNotFound},
      {"remove folder", [&] { return uint32_t(SysRemoveDirectory(U(p(L"new").c_str()))); }, 1, 0},
      {"remove missing folder", [&] { return uint32_t(SysRemoveDirectory(U(p(L"new").c_str()))); }, 0, kErrFileNotFound},
  };
  for (const Row& row : rows) {
    SysSetLastError(0);
    uint32_t result = row.call();
    EXPECT_EQ(result, row.result) << row.what;
    if (row.error != 0) {
      EXPECT_EQ(SysGetLastError(), row.error) << row.what;
    }
  }
  SysSetLastError(1234);
  EXPECT_EQ(GetLastError(), 1234u);
}

// Profile reads: values, defaults, cut values and name lists.
TEST(Win32Profile, ReadsLikeTheSystem) {
  TempFolder dir;
  std::wstring ini = dir / L"SETUP2K.INI";
  WriteFileBytes(ini, "[Especial]\r\nespecial=3\r\n[Install]\r\nTitle=Glidewave Mouse\r\nHex=0x1F\r\nEmpty=\r\n");
  struct Row {
    const char16_t* section;
    const char16_t* key;
    const char16_t* fallback;
    uint32_t size;
    std::u16string text;  // list entries separated by '|'
    uint32_t result;
  };
  const Row rows[] = {
      {u"Install", u"Title", u"x", 64, u"Glidewave Mouse", 15},
      {u"install", u"TITLE", u"x", 64, u"Glidewave Mouse", 15},
      {u"Install", u"Title", u"x", 6, u"Glide", 5},
      {u"Install", u"Missing", u"fallback", 64, u"fallback", 8},
      {u"Install", u"Missing", nullptr, 64, u"", 0},
      {u"Nowhere", u"Title", u"d", 64, u"d", 1},
      {u"Install", nullptr, u"", 64, u"Title|Hex|Empty|", 16},
      {nullptr, nullptr, u"", 64, u"Especial|Install|", 17},
      {u"Install", u"Title", u"x", 0, u"", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("section ") + (row.section ? "given" : "null") + ", size " + std::to_string(row.size));
    char16_t out[64];
    std::fill(std::begin(out), std::end(out), u'#');
    uint32_t n = SysReadProfileString(row.section, row.key, row.fallback, out, row.size, U(ini.c_str()));
    EXPECT_EQ(n, row.result);
    if (row.size == 0) {
      EXPECT_EQ(out[0], u'#');
      continue;
    }
    std::u16string got(out, n);
    for (char16_t& c : got) if (c == 0) c = u'|';
    EXPECT_EQ(got, row.text);
    EXPECT_EQ(out[n], 0);
  }
  EXPECT_EQ(SysReadProfileInt(u"Especial", u"especial", 0, U(ini.c_str())), 3u);
  EXPECT_EQ(SysReadProfileInt(u"Install", u"Hex", 0, U(ini.c_str())), 0x1Fu);
  EXPECT_EQ(SysReadProfileInt(u"Install", u"Missing", 7, U(ini.c_str())), 7u);
  EXPECT_EQ(SysReadProfileInt(u"Install", u"Empty", 9, U(ini.c_str())), 9u);
}

// The seam's predefined roots are the system's predefined keys.
TEST(Win32Registry, RootsArePredefinedKeys) {
  EXPECT_EQ(reinterpret_cast<HKEY>(kRegClassesRoot), HKEY_CLASSES_ROOT);
  EXPECT_EQ(reinterpret_cast<HKEY>(kRegCurrentUser), HKEY_CURRENT_USER);
  EXPECT_EQ(reinterpret_cast<HKEY>(kRegLocalMachine), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(reinterpret_cast<HANDLE>(kInvalidHandle), INVALID_HANDLE_VALUE);
}

// Create, write, read back, enumerate and delete keys and values.
TEST(Win32Registry, RoundTrip) {
  const char16_t* path = u"Software\\GlidewaveLayerChecks\\Nested";
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\GlidewaveLayerChecks\\Nested");
  RegKey key = nullptr;
  uint32_t how = 0;
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, path, kKeyAllAccess, &key, &how), 0);
  EXPECT_EQ(how, kRegCreatedNewKey);
  SysRegCloseKey(key);
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, path, kKeyAllAccess, &key, nullptr), 0);  // null disposition
  SysRegCloseKey(key);
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, path, kKeyAllAccess, &key, &how), 0);
  EXPECT_EQ(how, kRegOpenedExistingKey);

  // A text written without its terminator is stored with one when a terminator follows it in
  // the caller's memory (the system adds it), and as given otherwise.
  struct Stored {
    const char16_t* name;
    uint32_t type;
    const void* data;
    uint32_t size;
    uint32_t storedSize;
  };
  const char16_t whole[] = u"Glidewave";
  const char16_t longer[] = u"GlidewaveMouse";
  const uint32_t dword = 0x01020304;
  const Stored stored[] = {
      {u"Name", kRegTypeSz, whole, 18, 20},
      {u"Cut", kRegTypeSz, longer, 18, 18},
      {u"Count", kRegTypeDword, &dword, 4, 4},
      {u"Bytes", kRegTypeBinary, longer, 6, 6},
  };
  for (const Stored& v : stored) {
    SCOPED_TRACE(Ascii(v.name));
    EXPECT_EQ(SysRegSetValue(key, v.name, v.type, static_cast<const uint8_t*>(v.data), v.size), 0);
    uint32_t type = 99, size = 0;
    EXPECT_EQ(SysRegQueryValue(key, v.name, &type, nullptr, &size), 0);
    EXPECT_EQ(type, v.type);
    EXPECT_EQ(size, v.storedSize);
    uint8_t small[2];
    size = sizeof small;
    EXPECT_EQ(SysRegQueryValue(key, v.name, &type, small, &size), int32_t(kErrMoreData));
    EXPECT_EQ(size, v.storedSize);
    uint8_t data[32] = {};
    size = sizeof data;
    EXPECT_EQ(SysRegQueryValue(key, v.name, nullptr, data, &size), 0);
    EXPECT_EQ(memcmp(data, v.data, v.size), 0);
  }
  EXPECT_EQ(SysRegQueryValue(key, u"Missing", nullptr, nullptr, nullptr), int32_t(kErrFileNotFound));
  RegKey child = nullptr;
  ASSERT_EQ(SysRegCreateKey(key, u"Child", kKeyAllAccess, &child, nullptr), 0);
  SysRegCloseKey(child);

  char16_t name[32];
  uint32_t nameLen = 32;
  EXPECT_EQ(SysRegEnumKey(key, 0, name, &nameLen), 0);
  EXPECT_EQ(Str(name), L"Child");
  EXPECT_EQ(nameLen, 5u);
  nameLen = 32;
  EXPECT_EQ(SysRegEnumKey(key, 1, name, &nameLen), int32_t(kErrNoMoreItems));
  size_t values = 0;
  for (uint32_t i = 0;; ++i) {
    nameLen = 32;
    uint32_t type = 0, dataSize = 0;
    int32_t rc = SysRegEnumValue(key, i, name, &nameLen, &type, nullptr, &dataSize);
    if (rc == int32_t(kErrNoMoreItems)) break;
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(nameLen, wcslen(W(name)));
    for (const Stored& v : stored) {
      if (Str(name) == Str(v.name)) {
        EXPECT_EQ(type, v.type);
        EXPECT_EQ(dataSize, v.storedSize);
        ++values;
      }
    }
  }
  EXPECT_EQ(values, std::size(stored));

  EXPECT_EQ(SysRegDeleteValue(key, u"Name"), 0);
  EXPECT_EQ(SysRegDeleteValue(key, u"Name"), int32_t(kErrFileNotFound));
  EXPECT_EQ(SysRegDeleteKey(key, u"Child"), 0);
  EXPECT_EQ(SysRegCloseKey(key), 0);
  ASSERT_EQ(SysRegOpenKey(kRegCurrentUser, u"Software\\GlidewaveLayerChecks", kKeyAllAccess, &key), 0);
  EXPECT_EQ(SysRegDeleteKey(key, u"Nested"), 0);
  SysRegCloseKey(key);
  EXPECT_EQ(SysRegOpenKey(kRegCurrentUser, path, kKeyRead, &key), int32_t(kErrFileNotFound));
  EXPECT_EQ(key, nullptr);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\GlidewaveLayerChecks");
}

// Special folders resolve; an unknown id fails with an empty result. COM starts (twice too).
TEST(Win32Shell, FoldersAndCom) {
  for (int id : {kFolderProgramFiles, kFolderCommonAppData, kFolderCommonPrograms}) {
    char16_t out[MAX_PATH] = u"#";
    EXPECT_EQ(SysGetFolderPath(id, out), 1) << id;
    EXPECT_EQ(out[1], u':') << id;
  }
  char16_t out[MAX_PATH] = u"#";
  EXPECT_EQ(SysGetFolderPath(0x7F, out), 0);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(SysInitCom(), 1);
  EXPECT_EQ(SysInitCom(), 1);
}

// setup.exe carries the texts, icon sizes, manifest and version block the program relies on.
class SetupExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(g_setupExe.empty()) << "pass the path of setup.exe";
    module_ = LoadLibraryExW(g_setupExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  ModuleHandle Module() const { return reinterpret_cast<ModuleHandle>(module_); }
  HMODULE module_ = nullptr;
};

// The string table holds the exact texts; loading cuts, terminates and never overruns.
TEST_F(SetupExeResources, StringTable) {
  struct Row {
    uint32_t id;
    uint32_t cap;
    std::wstring text;
  };
  const std::wstring unsupported =
      L"Current O.S. is not supported by this software, please refer to the user's manual or readme.txt for more "
      L"information.";
  const Row rows[] = {
      {IDS_RESTART_REMOVE_DISKS, 256, L"Please remove any disks from floppy drives, then click OK to restart your computer."},
      {IDS_RESTART_CAPTION, 256, L"Warning"},
      {IDS_SETUP_WARNING, 256, L"Setup Warning"},
      {IDS_OS_NOT_SUPPORTED, 256, unsupported},
      {IDS_OS_NOT_SUPPORTED, 8, L"Current"},
      {IDS_SETUP_WARNING, 1, L""},
      {999, 256, L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("string " + std::to_string(row.id) + ", cap " + std::to_string(row.cap));
    std::vector<char16_t> out(row.cap + 4, u'#');
    uint32_t n = SysLoadString(Module(), row.id, out.data(), row.cap);
    EXPECT_EQ(n, row.text.size());
    EXPECT_EQ(std::wstring(W(out.data())), row.text);
    for (size_t i = row.cap; i < out.size(); ++i) EXPECT_EQ(out[i], u'#');
  }
  char16_t untouched[4] = {u'#', u'#', u'#', u'#'};
  EXPECT_EQ(SysLoadString(Module(), IDS_SETUP_WARNING, untouched, 0), 0u);
  EXPECT_EQ(untouched[0], u'#');
}

// Icon sizes and alpha, the manifest's requests and the version block.
TEST_F(SetupExeResources, IconManifestAndVersion) {
  // The icon group lists 16, 32 and 48 pixel images of 32 bits, each with real alpha.
  HRSRC group = FindResourceW(module_, MAKEINTRESOURCEW(IDI_SETUP), MAKEINTRESOURCEW(14));
  ASSERT_NE(group, nullptr);
  const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module_, group)));
  const int count = dir[4] | (dir[5] << 8);
  std::vector<int> sizes;
  for (int i = 0; i < count; ++i) {
    const BYTE* entry = dir + 6 + 14 * i;  // width, height, colours, reserved, planes, bits, bytes, id
    const int bits = entry[6] | (entry[7] << 8);
    const int id = entry[12] | (entry[13] << 8);
    sizes.push_back(entry[0]);
    EXPECT_EQ(bits, 32);
    HRSRC image = FindResourceW(module_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));
    ASSERT_NE(image, nullptr);
    const BYTE* dib = static_cast<const BYTE*>(LockResource(LoadResource(module_, image)));
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib);
    EXPECT_EQ(header->biWidth, entry[0]);
    EXPECT_EQ(header->biBitCount, 32);
    bool partial = false, opaque = false;
    for (LONG p = 0; p < header->biWidth * header->biWidth; ++p) {
      BYTE alpha = dib[header->biSize + 4 * p + 3];
      partial = partial || (alpha > 0 && alpha < 255);
      opaque = opaque || alpha == 255;
    }
    EXPECT_TRUE(partial && opaque) << "size " << int(entry[0]) << " has no smooth alpha edge";
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));

  HRSRC manifest = FindResourceW(module_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  std::string xml(static_cast<const char*>(LockResource(LoadResource(module_, manifest))),
                  SizeofResource(module_, manifest));
  for (const char* part : {"requireAdministrator", "Microsoft.Windows.Common-Controls", "6.0.0.0",
                           "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", ">false</dpiAware>"})
    EXPECT_NE(xml.find(part), std::string::npos) << part;

  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(g_setupExe.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(g_setupExe.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"CompanyName", L"Norvik Electronics Ltd."},
      {L"ProductName", L"Glidewave 98 Setup"},
      {L"FileDescription", L"Glidewave Setup"},
      {L"FileVersion", L"1.0.0.0"},
  };
  for (const auto& s : strings) {
    wchar_t* value = nullptr;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + s.first;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << s.first;
    EXPECT_EQ(std::wstring(value), s.second);
  }
}

}  // namespace

// GoogleTest's own flags first; the one argument left over is the path of setup.exe.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) {
    wchar_t path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
    g_setupExe = path;
  }
  return RUN_ALL_TESTS();
}
