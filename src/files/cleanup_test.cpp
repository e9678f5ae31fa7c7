// Cleanup deletions on Windows 7: an older version's listed files by each folder form, the
// flagged product version, and a folder tree emptied for its caller.
#include "files/cleanup.h"

#include <string>

#include "common/text.h"
#include "platform/kernel.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class CleanupTest : public SimFixture {};

TEST_F(CleanupTest, DeletePreviousFilesResolvesEveryFolderForm) {
  const struct {
    const char* name;  // value name
    const char* data;  // .reg text of its folder; nullptr: not listed
    const char16_t* file;
    bool deleted;
  } files[] = {
      {"a.dll", "", u"C:\\Windows\\System32\\a.dll", true},
      {"b.dll", "0", u"C:\\Windows\\System32\\b.dll", true},
      {"c.dll", "%SYS_DIR%", u"C:\\Windows\\System32\\c.dll", true},
      {"d.sys", "%SYS32_DIR%", u"C:\\Windows\\system32\\drivers\\d.sys", true},
      {"e.hlp", "%HELP_DIR%", u"C:\\Windows\\help\\e.hlp", true},
      {"f.ini", "%WIN_DIR%", u"C:\\Windows\\f.ini", true},
      {"g.inf", "%INF_DIR%", u"C:\\Windows\\inf\\g.inf", true},
      {"h.exe", "C:\\\\Program Files\\\\Norvik", u"C:\\Program Files\\Norvik\\h.exe", true},
      {"i.dll", "Nvk\\\\Old", u"C:\\Windows\\Nvk\\Old\\i.dll", true},
      // The macros compare with case: otherwise they are folder names below Windows.
      {"j.dll", "%sys_dir%", u"C:\\Windows\\%sys_dir%\\j.dll", true},
      {"j.dll", nullptr, u"C:\\Windows\\System32\\j.dll", false},
      {"k.dll", "%Win_Dir%", u"C:\\Windows\\%Win_Dir%\\k.dll", true},
      {"k.dll", nullptr, u"C:\\Windows\\k.dll", false},
      {"l.dll", "%WIN_DIR%", u"C:\\Windows\\l.dll", false},  // in use: stays, the walk goes on
  };
  std::string reg = "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\GlidewaveUn"
                    "\\DeleteFiles]\n";
  for (const auto& f : files) {
    ASSERT_TRUE(sim::WriteDiskFile(f.file, "old"));
    if (f.data) reg += "\"" + std::string(f.name) + "\"=\"" + f.data + "\"\n";
  }
  ImportReg(reg);
  sim::LockFile(u"C:\\Windows\\l.dll", true);
  const std::string before = sim::ExportRegText();
  TextCopy(g_Settings.UninstallKey, u"GlidewaveUn");
  DeletePreviousFiles();
  for (const auto& f : files) EXPECT_EQ(sim::DiskPathExists(f.file), !f.deleted) << sim::ToUtf8(f.file);
  EXPECT_EQ(sim::ExportRegText(), before);  // the list itself stays
}

TEST_F(CleanupTest, ClearVersionIfFlaggedNeedsTheMarker) {
  for (bool marker : {false, true}) {
    SCOPED_TRACE(marker ? "marker" : "no marker");
    StartMachine("win7");
    ImportReg("[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n\"Version\"=\"2.10\"\n\"Other\"=\"x\"\n");
    if (marker) {
      ASSERT_TRUE(sim::WriteDiskFile(u"C:\\Windows\\GlidewaveFlag.txt", ""));
    }
    ClearVersionIfFlagged();
    const std::string reg = sim::ExportRegText();
    EXPECT_EQ(reg.find("\"Version\"=\"2.10\"") == std::string::npos, marker);
    EXPECT_NE(reg.find("\"Other\"=\"x\""), std::string::npos);
  }
}

TEST_F(CleanupTest, DeleteFolderTreeEmptiesButLeavesSubfolders) {
  const std::u16string top = u"C:\\Windows\\_Tmp1";
  for (const std::u16string& folder : {top, top + u"\\"}) {
    for (const char16_t* file : {u"\\a.txt", u"\\.keep", u"\\sub\\b.txt", u"\\sub\\deeper\\c.txt", u"\\z.txt"}) {
      ASSERT_TRUE(sim::WriteDiskFile(top + file, "x"));
    }
    EXPECT_EQ(DeleteFolderTree(folder.c_str()), 1);
    for (const char16_t* file : {u"\\a.txt", u"\\sub\\b.txt", u"\\sub\\deeper\\c.txt", u"\\z.txt"})
      EXPECT_FALSE(sim::DiskPathExists(top + file)) << sim::ToUtf8(file);
    EXPECT_TRUE(sim::DiskPathExists(top + u"\\.keep"));  // names starting with a dot are skipped
    EXPECT_TRUE(sim::DiskPathExists(top + u"\\sub\\deeper"));
    EXPECT_EQ(SysRemoveDirectory(top.c_str()), 0);  // so the caller's removal fails
  }
  EXPECT_EQ(DeleteFolderTree(u"C:\\Windows\\_Missing"), 0);

  // A subfolder that cannot be listed is removed (here it is empty) and ends the walk.
  const std::u16string other = u"C:\\Windows\\_Tmp2";
  ASSERT_TRUE(sim::WriteDiskFile(other + u"\\a.txt", "x"));
  ASSERT_EQ(SysCreateDirectory((other + u"\\m").c_str()), 1);
  ASSERT_TRUE(sim::WriteDiskFile(other + u"\\z.txt", "x"));
  sim::FailCall("SysFindFirstFile", 2, kErrAccessDenied);
  EXPECT_EQ(DeleteFolderTree(other.c_str()), 0);
  EXPECT_FALSE(sim::DiskPathExists(other + u"\\a.txt"));
  EXPECT_FALSE(sim::DiskPathExists(other + u"\\m"));
  EXPECT_TRUE(sim::DiskPathExists(other + u"\\z.txt"));
}

}  // namespace
