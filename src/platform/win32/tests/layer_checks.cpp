// Checks of the Windows platform layer against the real system calls (run under Wine), and of
// the resources linked into setup.exe. Usage: win32_layer_checks [gtest flags] <path of setup.exe>
// The dialog and window checks need a display (Xvfb under Wine) and skip without one.
#include <windows.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "platform/version_info.h"
#include "platform/win32/win32_internal.h"
#include "res/resource_ids.h"
#include "ui/wizard_messages.h"

namespace {

// The wizard's property-sheet messages, buttons and notifications keep Windows' numbering.
static_assert(kPsmRemovePage == PSM_REMOVEPAGE && kPsmSetWizButtons == PSM_SETWIZBUTTONS &&
              kPsmPressButton == PSM_PRESSBUTTON && kPsmCancelToClose == PSM_CANCELTOCLOSE, "PSM_*");
static_assert(kPsbtnBack == PSBTN_BACK && kPsbtnNext == PSBTN_NEXT && kPsbtnFinish == PSBTN_FINISH &&
              kPsbtnCancel == PSBTN_CANCEL, "PSBTN_*");
static_assert(kPswizbBack == PSWIZB_BACK && kPswizbNext == PSWIZB_NEXT && kPswizbFinish == PSWIZB_FINISH, "PSWIZB_*");
static_assert(kPsnSetActive == static_cast<int32_t>(PSN_SETACTIVE) && kPsnKillActive == static_cast<int32_t>(PSN_KILLACTIVE) &&
              kPsnReset == static_cast<int32_t>(PSN_RESET) && kPsnWizBack == static_cast<int32_t>(PSN_WIZBACK) &&
              kPsnWizNext == static_cast<int32_t>(PSN_WIZNEXT) && kPsnWizFinish == static_cast<int32_t>(PSN_WIZFINISH) &&
              kPsnQueryCancel == static_cast<int32_t>(PSN_QUERYCANCEL), "PSN_*");
static_assert(kIdWizardBack == 0x3023 && kIdWizardNext == 0x3024 && kIdWizardFinish == 0x3025, "wizard button ids");

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

// Libraries loaded as data give their resources by name or "#number"; missing ones fail with the
// resource errors.
TEST(Win32Libraries, ResourcesOfALibraryLoadedAsData) {
  ASSERT_FALSE(g_setupExe.empty()) << "pass the path of setup.exe";
  ModuleHandle module = SysLoadLibraryAsData(reinterpret_cast<const char16_t*>(g_setupExe.c_str()));
  ASSERT_NE(module, nullptr);
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(SysFindResourceData(module, "#1", 16, &data, &size), 1);  // the version block
  ASSERT_NE(data, nullptr);
  EXPECT_GT(size, 40u);
  EXPECT_EQ(data[6], 'V');  // "VS_VERSION_INFO" after length, value length and type
  EXPECT_EQ(SysFindResourceData(module, "NOSUCHPICTURE", 10, &data, &size), 0);
  EXPECT_TRUE(GetLastError() == ERROR_RESOURCE_TYPE_NOT_FOUND || GetLastError() == ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(SysFreeLibrary(module), 1);
  EXPECT_EQ(SysLoadLibraryAsData(u"C:\\no\\such\\library.dll"), nullptr);
}

// Both process listings find this program under its own file name, through the functions the
// installer looks up by name.
TEST(Win32Processes, ListingsFindThisProgram) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const DWORD selfId = GetCurrentProcessId();

  ModuleHandle psapi = SysLoadLibrary(u"PSAPI.DLL");
  ASSERT_NE(psapi, nullptr);
  void* enumProcesses = SysGetProcAddress(psapi, "EnumProcesses");
  void* enumModules = SysGetProcAddress(psapi, "EnumProcessModules");
  void* fileName = SysGetProcAddress(psapi, "GetModuleFileNameExW");
  ASSERT_TRUE(enumProcesses && enumModules && fileName);
  std::vector<uint32_t> ids(1024);
  uint32_t used = 0;
  ASSERT_EQ(SysEnumProcesses(enumProcesses, ids.data(), static_cast<uint32_t>(ids.size() * 4), &used), 1);
  ids.resize(used / 4);
  EXPECT_NE(std::find(ids.begin(), ids.end(), selfId), ids.end());
  SysHandle process = SysOpenProcess(kProcessQueryInformation | kProcessVmRead, 0, selfId);
  ASSERT_NE(process, nullptr);
  ModuleHandle first = nullptr;
  uint32_t needed = 0;
  EXPECT_EQ(SysEnumProcessModules(enumModules, process, &first, sizeof first, &needed), 1);
  char16_t name[256] = u"";
  EXPECT_GT(SysGetModuleFileNameEx(fileName, process, first, name, 256), 0u);
  EXPECT_EQ(lstrcmpiW(W(name), self), 0);
  SysCloseHandle(process);
  EXPECT_EQ(SysEnumProcesses(nullptr, ids.data(), 4, &used), 0);  // no function found: refused
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
  SysFreeLibrary(psapi);

  ModuleHandle kernel = SysLoadLibrary(u"KERNEL32.DLL");
  SysHandle snapshot = SysCreateToolhelp32Snapshot(SysGetProcAddress(kernel, "CreateToolhelp32Snapshot"), kSnapProcess, 0);
  ASSERT_NE(snapshot, kInvalidHandle);
  void* next = SysGetProcAddress(kernel, "Process32Next");
  SysProcessEntry entry = {};
  bool found = false;
  for (int more = SysProcess32First(SysGetProcAddress(kernel, "Process32First"), snapshot, &entry); more;
       more = SysProcess32Next(next, snapshot, &entry)) {
    if (entry.processId == selfId) found = std::string(entry.exeFile).find("win32_layer_checks") != std::string::npos;
  }
  EXPECT_TRUE(found);
  SysCloseHandle(snapshot);
  SysFreeLibrary(kernel);
}

// A bitmap's size, and the map mode copied between contexts.
TEST(Win32Paint, BitmapSizeAndMapMode) {
  HBITMAP bitmap = CreateBitmap(37, 21, 1, 32, nullptr);
  int32_t width = 0, height = 0;
  EXPECT_EQ(SysGetBitmapSize(reinterpret_cast<GdiObject>(bitmap), &width, &height), 1);
  EXPECT_EQ(width, 37);
  EXPECT_EQ(height, 21);
  DeleteObject(bitmap);
  EXPECT_EQ(SysGetBitmapSize(nullptr, &width, &height), 0);
  EXPECT_EQ(width, 0);
  DeviceContext screen = SysGetDC(nullptr);
  DeviceContext memory = SysCreateCompatibleDC(screen);
  EXPECT_EQ(SysGetMapMode(memory), kMapModeText);
  EXPECT_EQ(SysSetMapMode(memory, MM_LOMETRIC), kMapModeText);
  EXPECT_EQ(SysGetMapMode(memory), MM_LOMETRIC);
  SysDeleteDC(memory);
  SysReleaseDC(nullptr, screen);
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

// ==== Dialogs, windows and painting =========================================================
// These need a window system: under Wine that means a display (Xvfb); without one they skip.

// True when the system can make windows.
bool CanCreateWindows() {
  HWND probe = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

// One control of a template as the program relies on it.
struct ExpectedControl {
  int id;
  const wchar_t* className;
  const wchar_t* text;  // null for pictures: their window text is the picture's resource ordinal
  bool visible;
};
struct ExpectedTemplate {
  uint32_t id;
  const wchar_t* caption;
  std::vector<ExpectedControl> controls;
};

// Checks caption and controls of an open dialog or page through the seam.
void CheckControls(WindowHandle dialog, const ExpectedTemplate& expected) {
  char16_t text[512];
  SysGetWindowText(dialog, text, 512);
  EXPECT_EQ(Str(text), expected.caption);
  for (const ExpectedControl& c : expected.controls) {
    SCOPED_TRACE("control " + std::to_string(c.id));
    WindowHandle item = SysGetDlgItem(dialog, c.id);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(SysGetDlgCtrlId(item), c.id);
    SysGetClassName(item, text, 512);
    EXPECT_EQ(Str(text), c.className);
    if (c.text != nullptr) {
      EXPECT_EQ(SysGetDlgItemText(dialog, c.id, text, 512), wcslen(c.text));
      EXPECT_EQ(Str(text), c.text);
    }
    EXPECT_EQ(SysIsWindowVisible(item), c.visible ? 1 : 0);
  }
}

const std::vector<ExpectedTemplate>& ModalTemplates() {
  static const std::vector<ExpectedTemplate> templates = {
      {IDD_SETUP_FAILED, L"Setup Failed!",
       {{IDC_STATIC, L"Static",
         L"Setup failed to install the driver on your system. Please refer to the README.TXT or user manual for more "
         L"information.",
         true},
        {IDC_FAIL_OK, L"Button", L"OK", true}}},
      {IDD_SETUP_ERROR, L"Setup Error",
       {{IDC_STATIC, L"Static",
         L"You don't have enough privilege to install the driver. Please re-login as an administrator and run this "
         L"setup program again.",
         true},
        {IDC_NOPRIVILEGE_OK, L"Button", L"OK", true}}},
      {IDD_COPY_PROGRESS, L"",
       {{IDC_COPY_LABEL, L"Static", L"Please wait while Setup is copying the files to your system.", true},
        {IDC_COPY_PATH, L"Static", L"", true},
        {IDC_COPY_BAR, L"Static", L"", true},
        {IDCANCEL, L"Button", L"Cancel", true}}},
      {IDD_EXIT_SETUP, L"Exit Setup",
       {{IDC_EXIT_TEXT1, L"Static",
         L"Setup is incomplete. If you exit Setup now, %s will not be installed on your computer.", true},
        {IDC_EXIT_TEXT22, L"Static", L"You may run Setup again to complete the installation at any time.", true},
        {IDC_EXIT_TEXT2, L"Static", L"To continue installing %s, click Resume.  To quit Setup, click Exit Setup.", true},
        {IDOK, L"Button", L"&Resume", true},
        {IDCANCEL, L"Button", L"E&xit Setup", true}}},
      {IDD_NEWER_VERSION, L"Warning",
       {{IDC_NEWER_TEXT, L"Static",
         L"Setup found previous version of software newer than current version. You must remove previous software "
         L"before installing.",
         true},
        {IDC_NEWER_CONTINUE, L"Button", L"&Continue", false},
        {IDC_NEWER_EXIT, L"Button", L"&Exit Setup", true}}},
      {IDD_STAGE_WAIT, L"",
       {{IDC_STATIC, L"Static", nullptr, true},  // the program icon
        {IDC_STAGE_WAIT_TEXT, L"Static", L"Setup is updating the registry. Please wait...", true}}},
      {IDD_CONFLICT_WARNING, L"Warning",
       {{IDC_CONFLICT_TEXT, L"Static",
         L"Setup found the following software in your system and suggested you to uninstall it to avoid conflicts.",
         true},
        {IDC_CONFLICT_NAME, L"Static", L"\"%s\"", true},
        {IDC_CONFLICT_UNINSTALL, L"Button", L"&Uninstall It", true},
        {IDC_CONFLICT_CONTINUE, L"Button", L"&Continue", true}}},
  };
  return templates;
}

// How a test dialog is ended once it has been seen on the screen.
enum class Ending { kByProcedure, kByWorker };

// Messages of the test procedure: one it answers through the dialog result, one it declines.
constexpr uint32_t kMsgAnswered = kWmApp + 7;
constexpr uint32_t kMsgDeclined = kWmApp + 8;
constexpr uint32_t kMsgFromWorker = kWmApp + 1;
constexpr UINT_PTR kObserveTimer = 1;
constexpr UINT kObservePeriodMs = 10;

// What one modal run of the test procedure saw.
struct DialogRun {
  const ExpectedTemplate* expected = nullptr;
  Ending ending = Ending::kByProcedure;
  intptr_t result = 0;
  intptr_t initParameter = 0;
  WindowHandle owner = nullptr;
  bool observed = false;
  bool workerMessageSeen = false;
  bool messageAfterEnd = false;
  bool ended = false;
  HANDLE worker = nullptr;
  std::function<void(WindowHandle)> extra;  // further checks while the dialog is shown
};
DialogRun* g_run = nullptr;

// Ends the dialog from another thread, after posting it a message of its own.
DWORD WINAPI EndFromWorker(void* dialog) {
  WindowHandle d = static_cast<WindowHandle>(dialog);
  SysPostMessage(d, kMsgFromWorker, 0, 0);
  SysEndDialog(d, g_run->result);
  return 0;
}

// The seam procedure of the modal checks: waits until the dialog is visible, checks it, then
// ends it as the run asks.
intptr_t ObservingProc(WindowHandle dialog, uint32_t message, uintptr_t, intptr_t lParam) {
  DialogRun& run = *g_run;
  switch (message) {
    case kWmInitDialog:
      run.initParameter = lParam;
      SetTimer(Hwnd(dialog), kObserveTimer, kObservePeriodMs, nullptr);
      return 1;
    case kWmTimer:
      if (run.observed || !SysIsWindowVisible(dialog)) return 1;
      KillTimer(Hwnd(dialog), kObserveTimer);
      run.observed = true;
      EXPECT_EQ(SysGetParent(dialog), run.owner);
      CheckControls(dialog, *run.expected);
      EXPECT_EQ(SysSendMessage(dialog, kMsgAnswered, 0, 0), 1234);
      EXPECT_EQ(SysSendMessage(dialog, kMsgDeclined, 0, 0), 0);
      if (run.extra) run.extra(dialog);
      if (run.ending == Ending::kByProcedure) {
        EXPECT_EQ(SysEndDialog(dialog, run.result), 1);
        run.ended = true;
      } else {
        // Wait here until the worker is done, serving only sent messages: its posted message and
        // its end request are both queued when this handler returns, so the dialog must handle
        // the message before it ends.
        run.worker = CreateThread(nullptr, 0, EndFromWorker, dialog, 0, nullptr);
        while (MsgWaitForMultipleObjects(1, &run.worker, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
          MSG sent;
          PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
      }
      return 1;
    case kMsgFromWorker:
      run.workerMessageSeen = true;
      return 1;
    case kMsgAnswered:
      SysSetDialogResult(dialog, 1234);
      return 1;
    case kMsgDeclined:
      SysSetDialogResult(dialog, 99);
      return 0;
    default:
      return 0;
  }
}

// System procedure of pages opened directly (without the seam): accepts the default focus.
INT_PTR CALLBACK PlainPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Window procedure of the message-loop check: records application messages and answers each with
// its offset from WM_APP.
std::vector<UINT> g_seenMessages;
intptr_t RecordingWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message >= WM_APP) {
    g_seenMessages.push_back(message);
    return static_cast<intptr_t>(message - WM_APP);
  }
  return SysDefWindowProc(window, message, wParam, lParam);
}

class Win32Dialogs : public SetupExeResources {
 protected:
  void SetUp() override {
    if (!CanCreateWindows()) GTEST_SKIP() << "no window system (run under Xvfb)";
    SetupExeResources::SetUp();
  }
  // Runs one template modally with ObservingProc; returns the dialog's result.
  intptr_t RunModal(DialogRun& run, WindowHandle owner = nullptr) {
    run.owner = owner;
    g_run = &run;
    intptr_t got = SysDialogBoxParam(Module(), run.expected->id, owner, ObservingProc, 0x5150);
    if (run.worker != nullptr) {
      WaitForSingleObject(run.worker, INFINITE);
      CloseHandle(run.worker);
    }
    g_run = nullptr;
    return got;
  }
};

// Every modal template opens with its caption and control texts, answers notifications through
// the dialog result, and ends with the given result from its procedure or from a worker thread;
// a worker's message posted before its end request is handled before the dialog ends.
TEST_F(Win32Dialogs, ModalTemplatesOpenCheckAndEnd) {
  intptr_t result = 40;
  for (const ExpectedTemplate& t : ModalTemplates()) {
    for (Ending ending : {Ending::kByProcedure, Ending::kByWorker}) {
      SCOPED_TRACE("template " + std::to_string(t.id) + (ending == Ending::kByWorker ? ", ended by worker" : ""));
      DialogRun run;
      run.expected = &t;
      run.ending = ending;
      run.result = ++result;
      EXPECT_EQ(RunModal(run), result);
      EXPECT_TRUE(run.observed);
      EXPECT_EQ(run.initParameter, 0x5150);
      EXPECT_EQ(run.workerMessageSeen, ending == Ending::kByWorker);
    }
  }
}

// A missing template fails with -1 and leaves no procedure pending: the next dialog still gets
// its own.
TEST_F(Win32Dialogs, MissingTemplateFails) {
  DialogRun run;
  run.expected = &ModalTemplates()[0];
  run.result = 7;
  g_run = &run;
  EXPECT_EQ(SysDialogBoxParam(Module(), 4321, nullptr, ObservingProc, 0), -1);
  EXPECT_FALSE(run.observed);
  EXPECT_EQ(RunModal(run), 7);
  EXPECT_TRUE(run.observed);
}

// The copy progress dialog in detail: its font, the bold copy for the bar, the bar's place in
// pixels, the hidden-mode move to the bottom, and a dialog opened (and ended at once) from
// inside its owner's initialisation without disturbing the owner's procedure.
TEST_F(Win32Dialogs, CopyProgressLayoutFontsAndNesting) {
  const ExpectedTemplate* copy = nullptr;
  for (const ExpectedTemplate& t : ModalTemplates())
    if (t.id == IDD_COPY_PROGRESS) copy = &t;
  ASSERT_NE(copy, nullptr);

  HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  DialogRun run;
  run.expected = copy;
  run.result = 1;
  GdiObject bold = nullptr;
  run.extra = [&](WindowHandle dialog) {
    // Font of the label: "MS Shell Dlg" 8 points.
    GdiObject font = SysGetWindowFont(SysGetDlgItem(dialog, IDC_COPY_LABEL));
    LOGFONTW lf;
    ASSERT_EQ(GetObjectW(reinterpret_cast<HGDIOBJ>(font), sizeof lf, &lf), int(sizeof lf));
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"MS Shell Dlg");
    EXPECT_EQ(lf.lfHeight, -MulDiv(8, pixelsPerInch, 72));
    // A bold copy of it goes to the bar.
    bold = SysCreateFontWithWeight(font, FW_BOLD);
    ASSERT_NE(bold, nullptr);
    WindowHandle bar = SysGetDlgItem(dialog, IDC_COPY_BAR);
    SysSetWindowFont(bar, bold, 0);
    EXPECT_EQ(SysGetWindowFont(bar), bold);
    // The bar's client area and origin are the template's 306 x 12 at (12, 40), in pixels.
    RECT units = {12, 40, 12 + 306, 40 + 12};
    MapDialogRect(Hwnd(dialog), &units);
    SysPoint origin = {0, 0};
    EXPECT_EQ(SysMapWindowPoints(bar, dialog, &origin, 1), 1);
    SysRect client;
    ASSERT_EQ(SysGetClientRect(bar, &client), 1);
    const int edge = units.right - units.left - client.right;  // the sunken frame, on each side twice
    EXPECT_EQ(origin.x, units.left + edge / 2);
    EXPECT_EQ(origin.y, units.top + edge / 2);
    EXPECT_EQ(units.bottom - units.top - client.bottom, edge);
    EXPECT_GT(client.right, 0);
    // Hidden mode: to the bottom of the window order, size 0, hidden, then hidden once more.
    EXPECT_EQ(SysSetWindowPos(dialog, kHwndBottom, 0, 0, 0, 0, kSwpNoMove | kSwpNoActivate | kSwpHideWindow), 1);
    EXPECT_EQ(SysIsWindowVisible(dialog), 0);
    EXPECT_EQ(SysShowWindow(dialog, kSwHide), 0);
    // Disabled and enabled again, as the copy dialog does with Cancel during extraction.
    WindowHandle cancel = SysGetDlgItem(dialog, IDCANCEL);
    EXPECT_EQ(SysEnableWindow(cancel, 0), 0);
    EXPECT_EQ(SysIsWindowEnabled(cancel), 0);
    EXPECT_EQ(SysEnableWindow(cancel, 1), 1);
    EXPECT_EQ(SysIsWindowEnabled(cancel), 1);
  };
  // The nested dialog ends itself during its initialisation, as the newer-version warning does
  // when it is not to be shown.
  static intptr_t s_nestedResult = 0;
  static int s_nestedInits = 0;
  s_nestedInits = 0;
  struct Nested {
    static intptr_t Proc(WindowHandle dialog, uint32_t message, uintptr_t, intptr_t) {
      if (message != kWmInitDialog) return 0;
      ++s_nestedInits;
      SysEndDialog(dialog, 77);
      return 1;
    }
    static intptr_t Outer(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
      if (message == kWmInitDialog)
        s_nestedResult = SysDialogBoxParam(reinterpret_cast<ModuleHandle>(GetWindowLongPtrW(Hwnd(dialog), GWLP_HINSTANCE)),
                                           IDD_SETUP_FAILED, dialog, Proc, 0);
      return ObservingProc(dialog, message, wParam, lParam);
    }
  };
  run.owner = reinterpret_cast<WindowHandle>(owner);
  g_run = &run;
  EXPECT_EQ(SysDialogBoxParam(Module(), IDD_COPY_PROGRESS, run.owner, Nested::Outer, 0x5150), 1);
  g_run = nullptr;
  EXPECT_TRUE(run.observed);
  EXPECT_EQ(s_nestedResult, 77);
  EXPECT_EQ(s_nestedInits, 1);
  if (bold != nullptr) {
    EXPECT_EQ(SysDeleteObject(bold), 1);
  }
  DestroyWindow(owner);
}

// The wizard pages: caption, control texts and visibility, the side picture at its natural
// 129 x 249 pixels, the keyboard picture at 186 x 50, and the icons loaded.
TEST_F(Win32Dialogs, WizardPageTemplates) {
  const ExpectedControl side = {IDC_SIDE_PICTURE, L"Static", nullptr, true};
  std::vector<ExpectedTemplate> pages = {
      {IDD_PAGE_WELCOME, L"Welcome",
       {side,
        {IDC_WELCOME_ICON, L"Static", nullptr, true},
        {IDC_WELCOME_TEXT1, L"Static",
         L"Welcome to the %s Setup program.  This program will install %s on your computer.", true},
        {IDC_WELCOME_TEXT2, L"Static",
         L"It is strongly recommended that you exit all Windows programs before running this setup program.", true}}},
      {IDD_PAGE_INTERFACE, L"Hardware Interface Selection",
       {side,
        {IDC_INTERFACE_TEXT, L"Static", L"Please select the type of interface for your mouse.", true},
        {IDC_INTERFACE_PS2, L"Button", L"&PS/2 Interface", true},
        {IDC_INTERFACE_BT, L"Button", L"Blue&tooth Interface", true},
        {IDC_INTERFACE_USB, L"Button", L"&USB (Universal Serial Bus) Interface", true}}},
      {IDD_PAGE_MOUSE_MODEL, L"Glidewave",
       {{IDC_MODEL_FRAME, L"Static", L"", true}, {IDC_MODEL_TEXT, L"Static", L"Select your mouse:", true}}},
      {IDD_PAGE_LOCATION, L"Choose Mouse Location",
       {side,
        {IDC_LOCATION_TEXT, L"Static", L"Choose the position you want to locate your mouse:", true},
        {IDC_LOCATION_RIGHT, L"Button", L"&Right side of the keyboard (for right hand user)", true},
        {IDC_LOCATION_LEFT, L"Button", L"&Left side of the keyboard (for left hand user)", true},
        {IDC_LOCATION_KEYBOARD, L"Static", nullptr, true},
        {IDC_LOCATION_HAND_RIGHT, L"Static", nullptr, true},
        {IDC_LOCATION_HAND_LEFT, L"Static", nullptr, true}}},
      {IDD_PAGE_DESTINATION, L"Choose Destination Location",
       {side,
        {IDC_DEST_TEXT, L"Static",
         L"Setup will install %s in the following folder. \n\nTo install to this folder, click Next. \n\nTo install to "
         L"a different folder, click Browse and select another folder.",
         true},
        {IDC_DEST_TEXT2, L"Static", L"You can choose not to install %s by clicking Cancel to exit Setup.", true},
        {IDC_DEST_GROUP, L"Button", L"Destination Folder", true},
        {IDC_DEST_FOLDER, L"Static", L"", true},
        {IDC_DEST_BROWSE, L"Button", L"B&rowse...", true}}},
      {IDD_PAGE_START, L"Start Installation",
       {side,
        {IDC_START_TEXT, L"Static",
         L"Setup is ready to begin installation. Click Back to review or change the current configuration. If the "
         L"current configuration is correct, click Next to begin installation",
         true},
        {IDC_START_LABEL, L"Static", L"Current Configuration:", true},
        {IDC_START_SUMMARY, L"Edit", L"", true}}},
      {IDD_PAGE_COMPLETE, L"Setup Complete",
       {side,
        {IDC_COMPLETE_RESTART, L"Button", L"Restart my computer now.", true},
        {IDC_COMPLETE_LATER, L"Button", L"I will restart my computer later.", true},
        {IDC_COMPLETE_TEXT, L"Static",
         L"Setup has successfully installed %s.\n\nBefore you can use %s, you must restart your computer.", true},
        {IDC_COMPLETE_TEXT2, L"Static", L"", true},
        {IDC_COMPLETE_DONE_TEXT, L"Static",
         L"Setup has successfully installed %s. You can use %s now.\n\nClick Finish to complete Setup.", false}}},
  };
  static const wchar_t* const kModelLabels[] = {L"Mouse 1", L"Mouse 2", L"Mouse 3", L"Mouse 4", L"Mouse 5",
                                                 L"Mouse 6", L"Mouse 7", L"Mouse 8", L"Mouse 9", L"Mouse 10"};
  for (int k = 0; k <= IDC_MODEL_LAST - IDC_MODEL_FIRST; ++k)
    pages[2].controls.push_back({IDC_MODEL_FIRST + k, L"Button", kModelLabels[k], false});
  // Pictures: the control's client size is the picture's size in pixels.
  struct Picture {
    int id;
    UINT kind;  // IMAGE_BITMAP or IMAGE_ICON
    LONG width, height;
  };
  const std::vector<Picture> sidePicture = {{IDC_SIDE_PICTURE, IMAGE_BITMAP, 129, 249}};
  const std::vector<std::pair<uint32_t, std::vector<Picture>>> pictures = {
      {IDD_PAGE_WELCOME, {{IDC_SIDE_PICTURE, IMAGE_BITMAP, 129, 249}, {IDC_WELCOME_ICON, IMAGE_ICON, 0, 0}}},
      {IDD_PAGE_LOCATION,
       {{IDC_SIDE_PICTURE, IMAGE_BITMAP, 129, 249},
        {IDC_LOCATION_KEYBOARD, IMAGE_BITMAP, 186, 50},
        {IDC_LOCATION_HAND_RIGHT, IMAGE_ICON, 0, 0},
        {IDC_LOCATION_HAND_LEFT, IMAGE_ICON, 0, 0}}},
  };

  HWND parent = CreateWindowExW(0, L"Static", L"sheet", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  for (const ExpectedTemplate& page : pages) {
    SCOPED_TRACE("page " + std::to_string(page.id));
    HWND hwnd = CreateDialogParamW(module_, MAKEINTRESOURCEW(page.id), parent, PlainPageProc, 0);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    WindowHandle dialog = reinterpret_cast<WindowHandle>(hwnd);
    CheckControls(dialog, page);
    std::vector<Picture> expected = page.id == IDD_PAGE_MOUSE_MODEL ? std::vector<Picture>{} : sidePicture;
    for (const auto& p : pictures)
      if (p.first == page.id) expected = p.second;
    for (const Picture& p : expected) {
      SCOPED_TRACE("picture " + std::to_string(p.id));
      const UINT getImage = 0x0173;  // STM_GETIMAGE
      EXPECT_NE(SysSendDlgItemMessage(dialog, p.id, getImage, p.kind, 0), 0);
      if (p.width == 0) continue;
      SysRect client;
      ASSERT_EQ(SysGetClientRect(SysGetDlgItem(dialog, p.id), &client), 1);
      EXPECT_EQ(client.right, p.width);
      EXPECT_EQ(client.bottom, p.height);
    }
    DestroyWindow(hwnd);
  }
  DestroyWindow(parent);
}

// Radio buttons and check states through the seam; shown and hidden controls.
TEST_F(Win32Dialogs, ButtonsAndVisibility) {
  HWND parent = CreateWindowExW(0, L"Static", L"sheet", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr, nullptr,
                                nullptr, nullptr);
  HWND hwnd = CreateDialogParamW(module_, MAKEINTRESOURCEW(IDD_PAGE_COMPLETE), parent, PlainPageProc, 0);
  ASSERT_NE(hwnd, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  WindowHandle page = reinterpret_cast<WindowHandle>(hwnd);
  struct Row {
    const char* what;
    std::function<void()> act;
    uint32_t restart, later;
    int textVisible, doneVisible;
  };
  const Row rows[] = {
      {"initial", [] {}, kBstUnchecked, kBstUnchecked, 1, 0},
      {"restart checked", [&] { SysCheckDlgButton(page, IDC_COMPLETE_RESTART, kBstChecked); }, kBstChecked, kBstUnchecked, 1, 0},
      {"by message", [&] { SysSendDlgItemMessage(page, IDC_COMPLETE_LATER, kBmSetCheck, kBstChecked, 0); },
       kBstChecked, kBstChecked, 1, 0},
      {"restart cleared", [&] { SysCheckDlgButton(page, IDC_COMPLETE_RESTART, kBstUnchecked); }, kBstUnchecked, kBstChecked, 1, 0},
      {"no restart text",
       [&] {
         EXPECT_EQ(SysShowWindow(SysGetDlgItem(page, IDC_COMPLETE_TEXT), kSwHide), 1);
         EXPECT_EQ(SysShowWindow(SysGetDlgItem(page, IDC_COMPLETE_DONE_TEXT), kSwShow), 0);
       },
       kBstUnchecked, kBstChecked, 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.act();
    EXPECT_EQ(SysIsDlgButtonChecked(page, IDC_COMPLETE_RESTART), row.restart);
    EXPECT_EQ(SysIsDlgButtonChecked(page, IDC_COMPLETE_LATER), row.later);
    EXPECT_EQ(uint32_t(SysSendDlgItemMessage(page, IDC_COMPLETE_LATER, kBmGetCheck, 0, 0)), row.later);
    EXPECT_EQ(SysIsWindowVisible(SysGetDlgItem(page, IDC_COMPLETE_TEXT)), row.textVisible);
    EXPECT_EQ(SysIsWindowVisible(SysGetDlgItem(page, IDC_COMPLETE_DONE_TEXT)), row.doneVisible);
  }
  // Text round trip with cutting, and a missing control.
  EXPECT_EQ(SysSetDlgItemText(page, IDC_COMPLETE_TEXT2, u"Glidewave 98"), 1);
  char16_t out[6];
  EXPECT_EQ(SysGetDlgItemText(page, IDC_COMPLETE_TEXT2, out, 6), 5u);
  EXPECT_EQ(Str(out), L"Glide");
  EXPECT_EQ(SysSetDlgItemText(page, 4444, u"x"), 0);
  EXPECT_EQ(SysGetDlgItemText(page, 4444, out, 6), 0u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(SysGetDlgItem(page, 4444), nullptr);
  DestroyWindow(hwnd);
  EXPECT_EQ(SysIsWindow(page), 0);
  DestroyWindow(parent);
}

// A window of a registered class is found by class and caption, belongs to this thread and
// process, and its posted and sent messages arrive through the seam's loop.
TEST_F(Win32Dialogs, WindowSearchAndMessageLoop) {
  g_seenMessages.clear();
  ModuleHandle instance = reinterpret_cast<ModuleHandle>(GetModuleHandleW(nullptr));
  ASSERT_EQ(SysRegisterWindowClass(instance, u"GlidewaveLayerCheck", RecordingWindowProc, 1), 1);
  WindowHandle window =
      SysCreateWindow(u"GlidewaveLayerCheck", u"Layer check window", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, instance);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SysFindWindow(u"GlidewaveLayerCheck", u"Layer check window"), window);
  EXPECT_EQ(SysFindWindow(u"GlidewaveLayerCheck", nullptr), window);
  EXPECT_EQ(SysFindWindow(nullptr, u"Layer check window"), window);
  EXPECT_EQ(SysFindWindow(u"GlidewaveLayerCheck", u"Other caption"), nullptr);
  uint32_t process = 0;
  EXPECT_EQ(SysGetWindowThreadProcessId(window, &process), GetCurrentThreadId());
  EXPECT_EQ(process, GetCurrentProcessId());
  EXPECT_EQ(SysGetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());

  EXPECT_EQ(SysSendMessage(window, WM_APP + 5, 0, 0), 5);
  EXPECT_EQ(SysPostMessage(window, WM_APP + 1, 0, 0), 1);
  EXPECT_EQ(SysPostMessage(window, WM_APP + 2, 0, 0), 1);
  SysPostQuitMessage(3);
  SysMessage msg;
  int loops = 0;
  while (SysGetMessage(&msg)) {
    ++loops;
    SysTranslateMessage(&msg);
    SysDispatchMessage(&msg);
  }
  EXPECT_EQ(msg.message, kWmQuit);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_GE(loops, 2);
  EXPECT_EQ(g_seenMessages, (std::vector<UINT>{WM_APP + 5, WM_APP + 1, WM_APP + 2}));
  EXPECT_EQ(SysPeekMessage(&msg), 0);
  SysPostMessage(window, WM_APP + 9, 4, 5);
  ASSERT_EQ(SysPeekMessage(&msg), 1);
  EXPECT_EQ(msg.window, window);
  EXPECT_EQ(msg.message, UINT(WM_APP + 9));
  EXPECT_EQ(msg.wParam, 4u);
  EXPECT_EQ(msg.lParam, 5);

  // Geometry: moved and sized, the client area inside the window rectangle.
  EXPECT_EQ(SysMoveWindow(window, 30, 40, 300, 200, 1), 1);
  SysRect rect, client;
  ASSERT_EQ(SysGetWindowRect(window, &rect), 1);
  EXPECT_EQ(rect.left, 30);
  EXPECT_EQ(rect.top, 40);
  EXPECT_EQ(rect.right, 330);
  EXPECT_EQ(rect.bottom, 240);
  ASSERT_EQ(SysGetClientRect(window, &client), 1);
  EXPECT_EQ(client.left, 0);
  EXPECT_LT(client.right, 300);
  EXPECT_GT(client.right, 0);
  EXPECT_EQ(SysDestroyWindow(window), 1);
  EXPECT_EQ(SysIsWindow(window), 0);
  EXPECT_EQ(SysFindWindow(u"GlidewaveLayerCheck", nullptr), nullptr);

  // The seam's constants are the system's.
  EXPECT_EQ(reinterpret_cast<HWND>(kHwndBottom), HWND_BOTTOM);
  EXPECT_EQ(reinterpret_cast<HWND>(kHwndTop), HWND_TOP);
  SysRect work;
  ASSERT_EQ(SysGetWorkArea(&work), 1);
  EXPECT_GT(work.right - work.left, 0);
  EXPECT_LE(work.right - work.left, SysGetSystemMetrics(kSmCxScreen));
  EXPECT_EQ(SysGetSystemMetrics(kSmCyCaption), GetSystemMetrics(SM_CYCAPTION));
}

// Drawing into a memory bitmap: fills, rectangles without outline, background modes, text
// measures; pixels are read back with the system's own GetPixel.
TEST(Win32Paint, DrawsIntoBitmap) {
  constexpr int kWidth = 40, kHeight = 20;
  const uint32_t white = SysRgb(255, 255, 255), blue = SysRgb(0, 0, 255), black = SysRgb(0, 0, 0);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(memory, nullptr);
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  DeviceContext dc = reinterpret_cast<DeviceContext>(memory);
  const SysRect whole = {0, 0, kWidth, kHeight};
  struct Probe {
    int x, y;
    uint32_t color;
  };
  struct Row {
    const char* what;
    std::function<void()> draw;
    std::vector<Probe> probes;
  };
  auto blueBar = [&](int right) {
    GdiObject brush = SysCreateSolidBrush(blue);
    GdiObject oldBrush = SysSelectObject(dc, brush);
    GdiObject oldPen = SysSelectObject(dc, SysGetStockObject(kNullPen));
    EXPECT_EQ(SysRectangle(dc, 0, 0, right, kHeight), 1);
    SysSelectObject(dc, oldPen);
    SysSelectObject(dc, oldBrush);
    EXPECT_EQ(SysDeleteObject(brush), 1);
  };
  const Row rows[] = {
      {"white fill", [&] { EXPECT_EQ(SysFillRectColor(dc, &whole, white), 1); },
       {{0, 0, white}, {kWidth - 1, kHeight - 1, white}}},
      {"black fill of a part",
       [&] {
         SysFillRectColor(dc, &whole, white);
         const SysRect part = {10, 5, 20, 15};
         SysFillRectColor(dc, &part, black);
       },
       {{10, 5, black}, {19, 14, black}, {20, 14, white}, {19, 15, white}, {9, 5, white}}},
      // Without an outline the rectangle covers one column and one row less than its corners.
      {"bar without outline",
       [&] {
         SysFillRectColor(dc, &whole, white);
         blueBar(18);
       },
       {{0, 0, blue}, {16, kHeight - 2, blue}, {17, 5, white}, {18, 5, white}, {5, kHeight - 1, white}}},
      {"opaque blank text paints its cell",
       [&] {
         SysFillRectColor(dc, &whole, blue);
         SysSetBkMode(dc, kOpaque);
         SetBkColor(memory, RGB(255, 255, 255));
         SysTextOut(dc, 0, 0, u"  ", 2);
       },
       {{1, 1, white}}},
      {"transparent blank text leaves the background",
       [&] {
         SysFillRectColor(dc, &whole, blue);
         EXPECT_EQ(SysSetBkMode(dc, kTransparent), kOpaque);
         SysTextOut(dc, 0, 0, u"  ", 2);
       },
       {{1, 1, blue}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.draw();
    for (const Probe& p : row.probes)
      EXPECT_EQ(uint32_t(GetPixel(memory, p.x, p.y)), p.color) << "at " << p.x << ", " << p.y;
  }
  SysSetTextColor(dc, black);
  EXPECT_EQ(SysSetTextColor(dc, white), black);
  EXPECT_EQ(GetTextColor(memory), COLORREF(white));

  // Measures agree with the system's and with each other.
  SysTextMetrics metrics;
  ASSERT_EQ(SysGetTextMetrics(dc, &metrics), 1);
  TEXTMETRICW tm;
  GetTextMetricsW(memory, &tm);
  EXPECT_EQ(metrics.height, tm.tmHeight);
  EXPECT_EQ(metrics.averageCharWidth, tm.tmAveCharWidth);
  int32_t w1 = 0, h1 = 0, w4 = 0, h4 = 0;
  ASSERT_EQ(SysGetTextExtent(dc, u"M", 1, &w1, &h1), 1);
  ASSERT_EQ(SysGetTextExtent(dc, u"MMMMxyz", 4, &w4, &h4), 1);
  EXPECT_GT(w1, 0);
  EXPECT_EQ(w4, 4 * w1);
  EXPECT_EQ(h1, metrics.height);

  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

// Fonts: made from a description, and copied with another weight keeping everything else.
TEST(Win32Paint, Fonts) {
  struct Row {
    int height, weight, italic;
    uint32_t pitchAndFamily;
    const char16_t* face;
  };
  const Row rows[] = {
      {42, 600, 1, VARIABLE_PITCH | FF_ROMAN, u"Times New Roman"},
      {-11, 400, 0, DEFAULT_PITCH | FF_DONTCARE, u"MS Shell Dlg"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Ascii(row.face));
    GdiObject font = SysCreateFont(row.height, row.weight, row.italic, row.pitchAndFamily, row.face);
    ASSERT_NE(font, nullptr);
    LOGFONTW lf;
    ASSERT_EQ(GetObjectW(reinterpret_cast<HGDIOBJ>(font), sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfHeight, row.height);
    EXPECT_EQ(lf.lfWeight, row.weight);
    EXPECT_EQ(lf.lfItalic, row.italic);
    EXPECT_EQ(lf.lfPitchAndFamily, row.pitchAndFamily);
    EXPECT_EQ(std::wstring(lf.lfFaceName), W(row.face));
    GdiObject heavy = SysCreateFontWithWeight(font, 700);
    ASSERT_NE(heavy, nullptr);
    LOGFONTW copy;
    ASSERT_EQ(GetObjectW(reinterpret_cast<HGDIOBJ>(heavy), sizeof copy, &copy), int(sizeof copy));
    EXPECT_EQ(copy.lfWeight, 700);
    lf.lfWeight = 700;
    EXPECT_EQ(memcmp(&lf, &copy, offsetof(LOGFONTW, lfFaceName)), 0);
    EXPECT_EQ(std::wstring(copy.lfFaceName), W(row.face));
    EXPECT_EQ(SysDeleteObject(heavy), 1);
    EXPECT_EQ(SysDeleteObject(font), 1);
  }
  EXPECT_EQ(SysCreateFontWithWeight(nullptr, 700), nullptr);
}


// ---- The ANSI road of the 9x family ----

// What the seam sees of one service, as one text.
struct RoadCase {
  const char* name;
  std::function<std::u16string()> observe;
};

std::u16string Text(const char16_t* text, size_t count) { return std::u16string(text, count); }
std::u16string Number(uint64_t n) {
  std::u16string out;
  do out.insert(out.begin(), static_cast<char16_t>(u'0' + n % 10)); while (n /= 10);
  return out;
}

// Every service that carries text sees the same text on the ANSI road (the A functions and the
// code-page conversions of the 9x family) as on the wide one, in both directions. The texts use
// characters of the Western code page, which the ANSI road can hold.
TEST(Win32AnsiRoad, SeamSeesTheSameTextOnBothRoads) {
  TempFolder folder;
  const std::u16string dir(U(folder.path().c_str()));
  const std::u16string file = dir + u"\\Gr\u00fc\u00dfe \u00e9t\u00e9.ini";
  WriteFileBytes(reinterpret_cast<const wchar_t*>(file.c_str()),
                 "[Caf\xe9]\r\nName=Souris \xe0 molette\r\nCount=42\r\n[Second]\r\n");
  const char16_t* key = u"Software\\GlidewaveLayerChecks\\Road \u00e9";
  WindowHandle window = CanCreateWindows() ? SysCreateWindow(u"STATIC", u"Pr\u00eat", 0, 0, 0, 10, 10, nullptr)
                                           : nullptr;
  std::vector<RoadCase> cases = {
      {"registry text without terminator, value name and enumeration",
       [&] {
         const char16_t text[] = u"Glidewave \u00e9dition";  // written without its terminator
         RegKey k = nullptr;
         if (SysRegCreateKey(kRegCurrentUser, key, kKeyAllAccess, &k, nullptr) != 0) return std::u16string(u"-");
         SysRegSetValue(k, u"N\u00e9", kRegTypeSz, reinterpret_cast<const uint8_t*>(text), 17 * 2);
         char16_t data[64] = {}, name[32] = {};
         uint32_t type = 0, size = sizeof data, nameLen = 32, enumSize = sizeof data;
         const int32_t rc = SysRegQueryValue(k, u"N\u00e9", &type, reinterpret_cast<uint8_t*>(data), &size);
         std::u16string seen = Number(static_cast<uint32_t>(rc)) + u"|" + Number(type) + u"|" + Number(size) + u"|" +
                               Text(data, size / 2);
         SysRegEnumValue(k, 0, name, &nameLen, &type, reinterpret_cast<uint8_t*>(data), &enumSize);
         seen += u"|" + Text(name, nameLen) + u"|" + Number(enumSize);
         SysRegDeleteValue(k, u"N\u00e9");
         SysRegCloseKey(k);
         SysRegDeleteKey(kRegCurrentUser, key);
         return seen;
       }},
      {"INI string, number and section list",
       [&] {
         char16_t value[64], list[64];
         const uint32_t n = SysReadProfileString(u"Caf\u00e9", u"Name", u"", value, 64, file.c_str());
         const uint32_t all = SysReadProfileString(nullptr, nullptr, u"", list, 64, file.c_str());
         return Text(value, n) + u"|" + Number(SysReadProfileInt(u"Caf\u00e9", u"Count", 7, file.c_str())) + u"|" +
                Text(list, all);
       }},
      {"find data and file attributes",
       [&] {
         SysFindData data = {};
         SysHandle find = SysFindFirstFile((dir + u"\\*.ini").c_str(), &data);
         if (find == kInvalidHandle) return std::u16string(u"-");
         SysFindClose(find);
         return std::u16string(data.name) + u"|" + Number(data.size) + u"|" +
                Number(SysGetFileAttributes(file.c_str()) & ~0x2000u) + u"|" + Number(SysPathExists(file.c_str()));
       }},
      {"copy, create and delete under a converted name",
       [&] {
         const std::u16string copy = dir + u"\\Copie \u00e0.ini", sub = dir + u"\\Dossier \u00e7";
         std::u16string seen = Number(SysCopyFile(file.c_str(), copy.c_str(), 1)) +
                               Number(SysCreateDirectory(sub.c_str())) + Number(SysPathExists(copy.c_str()));
         seen += Number(SysDeleteFile(copy.c_str())) + Number(SysRemoveDirectory(sub.c_str()));
         return seen + Number(SysPathExists(copy.c_str()));
       }},
      {"module path and system folder",
       [] {
         char16_t module[MAX_PATH], system[MAX_PATH];
         const uint32_t m = SysGetModulePath(module, MAX_PATH), n = SysGetSystemDirectory(system, MAX_PATH);
         return Text(module, m) + u"|" + Text(system, n);
       }},
      {"version resource of setup.exe",
       [] {
         const std::u16string path(U(g_setupExe.c_str()));
         const uint32_t size = SysGetFileVersionInfoSize(path.c_str());
         std::vector<uint8_t> block(size + 1);
         void* value = nullptr;
         uint32_t length = 0;
         if (!size || !SysGetFileVersionInfo(path.c_str(), size, block.data())) return std::u16string(u"-");
         if (!SysVerQueryValue(block.data(), u"\\VarFileInfo\\Translation", &value, &length) || length < 4)
           return std::u16string(u"no translation");
         uint16_t lang[2];
         std::memcpy(lang, value, sizeof lang);
         char query[64];
         wsprintfA(query, "\\StringFileInfo\\%04x%04x\\FileVersion", lang[0], lang[1]);
         char16_t wide[64];
         SysAnsiToWide(query, wide, 64);
         if (!SysVerQueryValue(block.data(), wide, &value, &length)) return std::u16string(u"no text");
         return std::u16string(static_cast<const char16_t*>(value)) + u"|" + Number(length);
       }},
      {"window text and text messages",
       [&] {
         if (!window) return std::u16string(u"no window system");
         SysSetWindowText(window, u"Fen\u00eatre \u00e9");
         char16_t title[64], sent[64], cut[4];
         const uint32_t n = SysGetWindowText(window, title, 64);
         SysSendMessage(window, kWmSetText, 0, reinterpret_cast<intptr_t>(u"Envoy\u00e9"));
         const intptr_t m = SysSendMessage(window, kWmGetText, 64, reinterpret_cast<intptr_t>(sent));
         const intptr_t c = SysSendMessage(window, kWmGetText, 4, reinterpret_cast<intptr_t>(cut));
         char16_t cls[32];
         const uint32_t k = SysGetClassName(window, cls, 32);
         return Text(title, n) + u"|" + Text(sent, static_cast<size_t>(m)) + u"|" + Text(cut, static_cast<size_t>(c)) +
                u"|" + Text(cls, k);
       }},
  };
  for (const RoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    win32::ForceAnsiRoad(0);
    const std::u16string wide = c.observe();
    win32::ForceAnsiRoad(1);
    const std::u16string ansi = c.observe();
    win32::ForceAnsiRoad(-1);
    EXPECT_FALSE(wide.empty() || wide == u"-");
    EXPECT_EQ(Ascii(wide.c_str()), Ascii(ansi.c_str()));
    EXPECT_TRUE(wide == ansi);
  }
  if (window) SysDestroyWindow(window);
}

}  // namespace

// GoogleTest's own flags first; the one argument left over is the path of setup.exe.
// Usage: win32_layer_checks [gtest flags] [--ansi-road] <path of setup.exe>. With --ansi-road
// every check runs on the ANSI road of the 9x family.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--ansi-road") == 0) {
    win32::ForceAnsiRoad(1);
    --argc;
    ++argv;
  }
  if (argc > 1) {
    wchar_t path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
    g_setupExe = path;
  }
  return RUN_ALL_TESTS();
}
