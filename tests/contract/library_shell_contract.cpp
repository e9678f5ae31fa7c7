// Contract cases of version resources, libraries loaded as data, special folders and COM, and
// the process listings.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "contract/contract.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/version_info.h"

namespace {

// A text value of a version block, "<none>" when missing.
std::string VersionText(const void* block, const std::u16string& subBlock) {
  void* value = nullptr;
  uint32_t length = 0;
  if (!SysVerQueryValue(block, subBlock.c_str(), &value, &length)) return "<none>";
  const char16_t* text = static_cast<const char16_t*>(value);
  EXPECT_EQ(length, std::u16string(text).size() + 1) << "length counts the terminator";
  return contract::Utf8(text);
}

// Version resources: the fixed part, the translation table and the texts of the first
// translation; files without one give a size of 0 and an error.
TEST_F(Contract, VersionResources) {
  struct Row {
    const char* fixture;
    uint32_t versionMS, versionLS;  // 0: no version resource to read
    const char16_t* language;
    const char* text;
  };
  const Row rows[] = {
      {"v1_9.dll", 0x00010009, 0, u"040904b0", "1.9"},
      {"v1_10.dll", 0x0001000A, 0, u"040904b0", "1.10"},
      {"v1_10_text_1_9.dll", 0x0001000A, 0, u"040904b0", "1.9"},
      {"v2_0_german.dll", 0x00020000, 0, u"040704e4", "2.0"},
      {"no_version.dll", 0, 0, nullptr, nullptr},
      {"v3_0_name2.dll", 0, 0, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fixture);
    const std::u16string path = At(u"fixture.dll");
    if (!contract::PutFixture(row.fixture, path)) GTEST_SKIP() << row.fixture << " was not built";
    SysSetLastError(0);
    const uint32_t size = SysGetFileVersionInfoSize(path.c_str());
    if (!row.versionMS) {
      EXPECT_EQ(size, 0u);
      EXPECT_NE(SysGetLastError(), kErrSuccess);
      continue;
    }
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> block(size);
    ASSERT_EQ(SysGetFileVersionInfo(path.c_str(), size, block.data()), 1);
    void* value = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(SysVerQueryValue(block.data(), u"\\", &value, &length), 1);
    const SysFixedFileInfo* fixed = static_cast<const SysFixedFileInfo*>(value);
    EXPECT_EQ(length, sizeof(SysFixedFileInfo));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, row.versionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, row.versionLS);
    ASSERT_EQ(SysVerQueryValue(block.data(), u"\\VarFileInfo\\Translation", &value, &length), 1);
    EXPECT_EQ(length, 4u);
    const std::u16string strings = u"\\StringFileInfo\\" + std::u16string(row.language) + u"\\";
    EXPECT_EQ(VersionText(block.data(), strings + u"FileVersion"), row.text);
    EXPECT_EQ(VersionText(block.data(), strings + u"CompanyName"), "Glidewave test fixtures");
    EXPECT_EQ(VersionText(block.data(), strings + u"NoSuchName"), "<none>");
    EXPECT_EQ(VersionText(block.data(), u"\\StringFileInfo\\040c04b0\\FileVersion"), "<none>");
  }
  EXPECT_EQ(SysGetFileVersionInfoSize(At(u"missing.dll").c_str()), 0u);
  EXPECT_EQ(SysGetLastError(), kErrFileNotFound);
}

// A library loaded as data gives its resources by "#number"; a missing one fails with a
// resource error, a missing file with a null handle.
TEST_F(Contract, ResourcesOfALibraryLoadedAsData) {
  const std::u16string path = At(u"library.dll");
  if (!contract::PutFixture("v1_9.dll", path)) GTEST_SKIP() << "v1_9.dll was not built";
  ModuleHandle module = SysLoadLibraryAsData(path.c_str());
  ASSERT_NE(module, nullptr);
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(SysFindResourceData(module, "#1", 16, &data, &size), 1);
  ASSERT_NE(data, nullptr);
  EXPECT_GT(size, 40u);
  EXPECT_EQ(data[6], 'V');  // "VS_VERSION_INFO" after length, value length and type
  EXPECT_EQ(SysFindResourceData(module, "NOSUCHPICTURE", 10, &data, &size), 0);
  const ErrorCode error = SysGetLastError();
  EXPECT_TRUE(error == 1813 || error == 1814) << error;
  EXPECT_EQ(SysFreeLibrary(module), 1);
  EXPECT_EQ(SysLoadLibraryAsData(At(u"no\\such\\library.dll").c_str()), nullptr);
}

// System libraries load by name and give their exports; a missing export is null with 127, a
// missing library null with 126. Special folders resolve to drive paths; an unknown id fails
// with an empty result. COM starts, twice too.
TEST_F(Contract, SystemLibrariesFoldersAndCom) {
  ModuleHandle kernel = SysLoadLibrary(u"KERNEL32.DLL");
  ASSERT_NE(kernel, nullptr);
  EXPECT_NE(SysGetProcAddress(kernel, "CreateToolhelp32Snapshot"), nullptr);
  EXPECT_EQ(SysGetProcAddress(kernel, "NoSuchExport"), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrProcNotFound);
  EXPECT_EQ(SysFreeLibrary(kernel), 1);
  EXPECT_EQ(SysLoadLibrary(u"nosuchlibrary.dll"), nullptr);
  EXPECT_EQ(SysGetLastError(), kErrModNotFound);
  for (int id : {kFolderProgramFiles, kFolderCommonAppData, kFolderCommonPrograms, 0x7F}) {
    char16_t out[260] = u"#";
    EXPECT_EQ(SysGetFolderPath(id, out), id == 0x7F ? 0 : 1) << id;
    EXPECT_EQ(out[id == 0x7F ? 0 : 1], id == 0x7F ? u'\0' : u':') << id;
  }
  EXPECT_EQ(SysInitCom(), 1);
  EXPECT_EQ(SysInitCom(), 1);
}

// Both process listings find the running program under its own file name, through the
// functions looked up by name; a missing function is refused with 1.
TEST_F(Contract, ProcessListingsFindThisProgram) {
  char16_t self[260];
  SysGetModulePath(self, 260);
  std::u16string selfName = self;
  selfName = selfName.substr(selfName.find_last_of(u'\\') + 1);
  std::string selfAnsi;
  for (char16_t c : selfName) selfAnsi += static_cast<char>(c < 0x80 ? std::tolower(c) : '?');

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
  bool found = false;
  for (uint32_t id : ids) {
    SysHandle process = SysOpenProcess(kProcessQueryInformation | kProcessVmRead, 0, id);
    if (!process) continue;
    ModuleHandle first = nullptr;
    uint32_t needed = 0;
    char16_t name[260] = u"";
    if (SysEnumProcessModules(enumModules, process, &first, sizeof first, &needed) &&
        SysGetModuleFileNameEx(fileName, process, first, name, 260) && contract::Utf8(name) == contract::Utf8(self))
      found = true;
    SysCloseHandle(process);
  }
  EXPECT_TRUE(found) << "psapi listing";
  EXPECT_EQ(SysEnumProcesses(nullptr, ids.data(), 4, &used), 0);
  EXPECT_EQ(SysGetLastError(), kErrInvalidFunction);
  SysFreeLibrary(psapi);

  ModuleHandle kernel = SysLoadLibrary(u"KERNEL32.DLL");
  SysHandle snapshot = SysCreateToolhelp32Snapshot(SysGetProcAddress(kernel, "CreateToolhelp32Snapshot"), kSnapProcess, 0);
  ASSERT_NE(snapshot, kInvalidHandle);
  void* next = SysGetProcAddress(kernel, "Process32Next");
  SysProcessEntry entry = {};
  found = false;
  for (int more = SysProcess32First(SysGetProcAddress(kernel, "Process32First"), snapshot, &entry); more;
       more = SysProcess32Next(next, snapshot, &entry)) {
    std::string exe = entry.exeFile;
    exe = exe.substr(exe.find_last_of('\\') + 1);
    std::transform(exe.begin(), exe.end(), exe.begin(), ::tolower);
    found = found || exe == selfAnsi;
  }
  EXPECT_TRUE(found) << "toolhelp listing";
  SysCloseHandle(snapshot);
  SysFreeLibrary(kernel);
}

}  // namespace
