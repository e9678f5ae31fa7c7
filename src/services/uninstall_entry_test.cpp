// The uninstall entry on Windows 7: what WriteUninstallEntry leaves in the registry for the files
// placed under each combination of the uninstall settings.
#include "services/uninstall_entry.h"

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

const std::u16string kEntry = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\GlidewaveUn";
const std::u16string kDeleteFiles = kEntry + u"\\DeleteFiles";
const std::u16string kShared = u"Software\\Norvik\\Uninstall\\SharedFile\\";

// A string value under HKEY_LOCAL_MACHINE without its terminating zero; "<none>" when missing.
std::string Text(const std::u16string& path, const std::u16string& name) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, path.c_str(), kKeyRead, &key) != 0) return "<none>";
  char16_t data[600];
  uint32_t bytes = sizeof(data), type = 0;
  int32_t error = SysRegQueryValue(key, name.c_str(), &type, reinterpret_cast<uint8_t*>(data), &bytes);
  SysRegCloseKey(key);
  if (error != 0 || type != kRegTypeSz) return "<none>";
  std::u16string text(data, bytes / 2);
  while (!text.empty() && text.back() == 0) text.pop_back();
  return sim::ToUtf8(text);
}

class UninstallEntryTest : public SimFixture {};

TEST_F(UninstallEntryTest, EntryAndFileListsFollowTheSettings) {
  struct EntryCase {
    const char* what;
    int canUninstall;
    const char16_t* productKey;
    std::vector<std::u16string> files;  // placed in this order
    std::vector<std::vector<std::u16string>> values;  // {key, value name, data or "<none>"}
  };
  const EntryCase cases[] = {
      {"registered product", 1, u"Glidewave", {u"C:\\Windows\\System32\\nvk.dll"},
       {{kEntry, u"UninstallString", u"Nmuninst.exe GlidewaveUn"}, {kEntry, u"DisplayName", u"Glidewave"},
        {kDeleteFiles, u"nvk.dll", u"C:\\Windows\\System32"},
        {kShared + u"nvk.dll", u"GlidewaveUn", u"C:\\Windows\\System32"}}},
      {"not removable: files are still listed", 0, u"Glidewave", {u"C:\\Windows\\System32\\nvk.dll"},
       {{kEntry, u"UninstallString", u"<none>"}, {kEntry, u"DisplayName", u"<none>"},
        {kDeleteFiles, u"nvk.dll", u"C:\\Windows\\System32"},
        {kShared + u"nvk.dll", u"GlidewaveUn", u"C:\\Windows\\System32"}}},
      {"no product key: the title is shown", 1, u"", {u"C:\\Windows\\nvk.ini"},
       {{kEntry, u"DisplayName", u"Glidewave 98"}}},
      {"a path ending in a backslash names the default value", 1, u"Glidewave", {u"C:\\Program Files\\Norvik\\"},
       {{kDeleteFiles, u"", u"C:\\Program Files\\Norvik"}}},
      {"the same name in two folders keeps the second", 1, u"Glidewave",
       {u"C:\\Windows\\System32\\nvk.dll", u"C:\\Program Files\\Norvik\\nvk.dll"},
       {{kDeleteFiles, u"nvk.dll", u"C:\\Program Files\\Norvik"},
        {kShared + u"nvk.dll", u"GlidewaveUn", u"C:\\Program Files\\Norvik"}}},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(c.what);
    StartMachine("win7");
    TextCopy(g_Settings.UninstallKey, u"GlidewaveUn");
    g_Settings.CanUninstall = c.canUninstall;
    TextCopy(g_Settings.ProductKey, c.productKey);
    TextCopy(g_Settings.Title, u"Glidewave 98");
    for (const std::u16string& file : c.files) EXPECT_EQ(WriteUninstallEntry(file.c_str()), 1);
    for (const auto& v : c.values) EXPECT_EQ(Text(v[0], v[1]), sim::ToUtf8(v[2])) << sim::ToUtf8(v[1]);
  }
}

TEST_F(UninstallEntryTest, NoUninstallKeyWritesNothing) {
  g_Settings.CanUninstall = 1;
  const std::string before = sim::ExportRegText();
  EXPECT_EQ(WriteUninstallEntry(u"C:\\Windows\\System32\\nvk.dll"), 1);
  EXPECT_EQ(sim::ExportRegText(), before);
}

}  // namespace
