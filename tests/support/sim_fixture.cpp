// Fresh simulated machine, package folder and settings record for each test.
#include "support/sim_fixture.h"

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/text.h"
#include "files/copy_dialog.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "shared/path_macros.h"
#include "files/replace_after_reboot.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/ui/window_manager.h"
#include "startup/help_files.h"
#include "settings/settings.h"

#ifndef SETUP_FIXTURE_DIR
#define SETUP_FIXTURE_DIR ""
#endif

sim::MachineProfile SimFixture::Builtin(const std::string& profileName) {
  sim::MachineProfile profile;
  EXPECT_TRUE(sim::BuiltinProfile(profileName, &profile)) << "unknown profile " << profileName;
  return profile;
}

void SimFixture::StartMachine(const sim::MachineProfile& profile) {
  RemovePackageFolder();
  sim::ResetMachine(profile, "");
  sim::internal::ResetWindowManager();
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "glidewave-pkg-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  ASSERT_NE(mkdtemp(buffer.data()), nullptr);
  packageHostDir_ = buffer.data();
  sim::MountPackage(packageHostDir_);
  ResetSettings();
  g_szProgramFileDest[0] = 0;
  sim::ClearJournal();
  Prepare();
}

void SimFixture::TearDown() {
  // A fault armed under a name no call checks would let its test pass without failing anything.
  for (const std::string& name : sim::RefusedFaults()) ADD_FAILURE() << "FailCall refused \"" << name << "\": no simulated call checks that name";
  // Whatever the test ran must have closed what it opened.
  sim::OpenObjectCounts open = sim::OpenObjects();
  EXPECT_EQ(open.registryKeys, expectedOpen_.registryKeys) << "registry keys left open";
  EXPECT_EQ(open.kernelHandles, expectedOpen_.kernelHandles) << "kernel handles left open";
  EXPECT_EQ(open.gdiObjects, expectedOpen_.gdiObjects) << "drawing objects left undeleted";
  EXPECT_EQ(open.deviceContexts, expectedOpen_.deviceContexts) << "device contexts left unreleased";
  sim::internal::ResetWindowManager();
  RemovePackageFolder();
}

void SimFixture::RemovePackageFolder() {
  if (packageHostDir_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(packageHostDir_, ec);
  packageHostDir_.clear();
}

std::u16string SimFixture::PackageDir() const {
  return std::u16string(1, static_cast<char16_t>(sim::Profile().packageDrive)) + u":";
}

void SimFixture::WritePackageFile(const std::u16string& name, const std::string& bytes) {
  ASSERT_TRUE(sim::WriteDiskFile(PackagePath(name), bytes)) << sim::ToUtf8(name);
}

void SimFixture::UseConfig(const std::string& ini) {
  TextCopy(g_Settings.SourceDir, PackageDir().c_str());
  TextCopy(g_Settings.ConfigFile, PackagePath(u"SETUP2K.INI").c_str());
  WritePackageFile(u"SETUP2K.INI", ini);
}

void SimFixture::ImportReg(const std::string& text) {
  std::string error;
  ASSERT_TRUE(sim::ImportRegText("Windows Registry Editor Version 5.00\n\n" + text, &error)) << error;
}

std::vector<std::string> SimFixture::JournalLines(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const std::string& line : sim::Journal())
    if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
  return lines;
}

size_t SimFixture::JournalCount(const std::string& text) const {
  size_t count = 0;
  for (const std::string& line : sim::Journal())
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

void ResetCopyState() {
  std::memset(CopyTable, 0, sizeof CopyTable);
  std::memset(PendingTable, 0, sizeof PendingTable);
  CopyEntryCount = PendingCount = HelpFileCount = CancelRequested = ExtractionDone = 0;
  CopyStartPending = 1;
  _dwHasCopied = _dwTotalFileSize = 0;
  _nCurPercent = 0;
  TempExtractDir[0] = 0;
}

std::string Disk(const std::u16string& path) {
  std::string bytes;
  return sim::ReadDiskFile(path, &bytes) ? bytes : "<missing>";
}

std::u16string WindowsDir() {
  char16_t dir[260];
  SysGetWindowsDirectory(dir, 260);
  return dir;
}

std::string FixtureBytes(const std::string& name) {
  std::ifstream in(std::string(SETUP_FIXTURE_DIR) + "/" + name, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "";
}

static std::string SettingsField(const char* name) {
  struct Lookup {
    const char* name;
    std::string value;
    bool found;
  } lookup{name, "", false};
  ForEachSettingsField(
      [](const char* field, const char16_t* value, void* context) {
        Lookup* l = static_cast<Lookup*>(context);
        if (std::strcmp(field, l->name) == 0) {
          l->value = sim::ToUtf8(value);
          l->found = true;
        }
      },
      &lookup);
  EXPECT_TRUE(lookup.found) << "no settings field " << name;
  return lookup.value;
}

void ExpectSettings(const std::string& fields) {
  size_t at = 0;
  while (at < fields.size()) {
    size_t end = fields.find(';', at);
    if (end == std::string::npos) end = fields.size();
    std::string item = fields.substr(at, end - at);
    size_t equals = item.find('=');
    ASSERT_NE(equals, std::string::npos) << item;
    std::string name = item.substr(0, equals);
    EXPECT_EQ(SettingsField(name.c_str()), item.substr(equals + 1)) << name;
    at = end + 1;
  }
}

std::string RegLine(const std::string& name) {
  const std::string text = sim::ExportRegText();
  const size_t at = text.find("\"" + name + "\"=");
  if (at == std::string::npos) return "";
  std::string line = text.substr(at, text.find('\n', at) - at);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

namespace {

std::string ValueText(uint32_t type, const uint8_t* data, uint32_t size) {
  if (type == kRegTypeDword && size >= 4)
    return "#" + std::to_string(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
  std::u16string text;
  for (uint32_t i = 0; i + 1 < size && (data[i] | data[i + 1]); i += 2) text += char16_t(data[i] | (data[i + 1] << 8));
  return sim::ToUtf8(text);
}

}  // namespace

std::string RegText(RegKey root, const std::u16string& path, const std::u16string& name) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path.c_str(), kKeyRead, &key) != 0) return "<none>";
  uint8_t data[2048];
  uint32_t size = sizeof data, type = 0;
  const int32_t error = SysRegQueryValue(key, name.c_str(), &type, data, &size);
  SysRegCloseKey(key);
  return error == 0 ? ValueText(type, data, size) : "<none>";
}

std::string RegValues(RegKey root, const std::u16string& path) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path.c_str(), kKeyRead, &key) != 0) return "<no key>";
  std::string joined;
  for (uint32_t index = 0;; ++index) {
    char16_t name[256];
    uint8_t data[2048];
    uint32_t nameLength = 256, size = sizeof data, type = 0;
    if (SysRegEnumValue(key, index, name, &nameLength, &type, data, &size) != 0) break;
    joined += (index ? ";" : "") + sim::ToUtf8(name) + "=" + ValueText(type, data, size);
  }
  SysRegCloseKey(key);
  return joined;
}

bool KeyExists(RegKey root, const char16_t* path) {
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path, kKeyRead, &key) != 0) return false;
  SysRegCloseKey(key);
  return true;
}

std::string PresentPaths(const std::vector<std::u16string>& paths) {
  std::string present;
  for (const std::u16string& path : paths)
    if (sim::DiskPathExists(path)) present += (present.empty() ? "" : " ") + sim::ToUtf8(path);
  return present;
}

std::vector<std::string> RegValueNames(RegKey root, const std::u16string& path) {
  std::vector<std::string> names;
  RegKey key = nullptr;
  if (SysRegOpenKey(root, path.c_str(), kKeyRead, &key) != 0) return names;
  char16_t name[512];
  for (uint32_t index = 0, length = 512; SysRegEnumValue(key, index, name, &length, nullptr, nullptr, nullptr) == 0;
       ++index, length = 512)
    names.push_back(sim::ToUtf8(name));
  SysRegCloseKey(key);
  std::sort(names.begin(), names.end());
  return names;
}
