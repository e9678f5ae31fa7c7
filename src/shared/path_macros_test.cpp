// The shared kit: field cutting, percent names and the program destination on Windows 7
// (C:\Windows, C:\Windows\System32, C:\Program Files); deleting a registry tree.
#include "shared/path_macros.h"

#include <string>

#include "common/text.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "settings/settings.h"
#include "shared/delete_registry_tree.h"
#include "support/sim_fixture.h"

namespace {

class PathMacrosTest : public SimFixture {};

struct FieldCase { std::u16string text; std::u16string field; uint32_t stop; };

TEST_F(PathMacrosTest, ParseFieldCutsQuotesAndExpands) {
  UseConfig("[Strings]\r\nSYS_DIR=Str\r\nSystemRoot=RootStr\r\nVER=2.5\r\nLONG=" + std::string(200, 'L') + "\r\n" +
            std::string(127, 'K') + "=named\r\n");
  TextCopy(g_Settings.DefaultAppPath, u"C:\\Apps");
  const FieldCase cases[] = {
      {u"abc", u"abc", 3},
      {u" \tabc ,x", u"abc ", 6},  // leading blanks skipped, trailing kept
      {u",x", u"", 0},
      {u"%SystemRoot%\\Drivers", u"C:\\Windows\\System32\\Drivers", 20},
      {u"%99%\\bin", u"C:\\Apps\\bin", 8},
      {u"%SYS_DIR%", u"Str", 9},           // whole-value forms are plain [Strings] names here
      {u"%systemroot%", u"RootStr", 12},  // "SystemRoot" compares with case
      {u"v%VER%b", u"v2.5b", 7},
      {u"%Undefined%\\file.txt", u"\\file.txt", 20},
      {u"\"a,b\",c", u"a,b", 5},
      {u"\"%10%\"", u"%10%", 6},
      {u"\"\"x", u"x", 3},
      {u"\"abc", u"abc", 4},     // an unclosed quote runs to the end
      {u"ab%cd,ef", u"ab", 8},   // an unclosed name is dropped, its comma does not end the field
      {std::u16string(300, u'a') + u",b", std::u16string(255, u'a'), 300},
      {u"%LONG%%LONG%", std::u16string(255, u'L'), 12},
      {u"%" + std::u16string(200, u'K') + u"%tail", u"namedtail", 206},  // a name keeps 127 characters
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(sim::ToUtf8(c.text.substr(0, 40)));
    char16_t out[kFieldSize + 1];
    out[kFieldSize] = u'#';  // guard just past the field buffer
    EXPECT_EQ(ParseField(c.text.c_str(), out), c.stop);
    EXPECT_EQ(std::u16string(out), c.field);
    EXPECT_EQ(out[kFieldSize], u'#');
  }

  sim::FailCall("SysGetWindowsDirectory", 0, 5);
  char16_t out[kFieldSize];
  ParseField(u"%10%\\Help", out);
  EXPECT_EQ(std::u16string(out), u"\\Help");
}

TEST_F(PathMacrosTest, ProgramFilesAndLocationFollowAskPath) {
  UseConfig("[Strings]\r\nProgram Files=Ignored\r\nLocation=Ignored\r\n");
  TextCopy(g_Settings.DestinationDir, u"E:\\Dest");
  char16_t out[kFieldSize];
  g_Settings.AskPath = 0;
  ParseField(u"%Program Files%\\x", out);  // nothing composed yet
  EXPECT_EQ(std::u16string(out), u"\\x");
  TextCopy(g_szProgramFileDest, u"C:\\Program Files\\N");
  ParseField(u"%location%\\x", out);
  EXPECT_EQ(std::u16string(out), u"C:\\Program Files\\N\\x");
  g_Settings.AskPath = 1;
  ParseField(u"%PROGRAM FILES%\\x", out);
  EXPECT_EQ(std::u16string(out), u"E:\\Dest\\x");
}

TEST_F(PathMacrosTest, ProgramFileDestComposition) {
  const std::pair<const char*, const char16_t*> cases[] = {
      {"[Strings]\r\nProgram Files=N\\G\r\n[Install]\r\nProvider=P\r\nTitle=T\r\n", u"C:\\Program Files\\N\\G"},
      {"[Strings]\r\nProgram Files=\r\n[Install]\r\nProvider=P\r\nTitle=T\r\n", u"C:\\Program Files\\P\\T"},
      {"[Default]\r\nProvider=D\r\n[Install]\r\nTitle=T\r\n", u"C:\\Program Files\\\\T"},  // [Install] only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    UseConfig(c.first);
    EXPECT_EQ(ComposeProgramFileDest(), 1);
    EXPECT_EQ(std::u16string(g_szProgramFileDest), c.second);
  }
  sim::FailCall("SysGetFolderPath", 0, 5);
  EXPECT_EQ(ComposeProgramFileDest(), 0);
  EXPECT_EQ(std::u16string(g_szProgramFileDest), u"");
}

class DeleteRegistryTreeTest : public SimFixture {
 protected:
  void SeedTree(const std::string& root) {
    const std::string tree = "[" + root + "\\Software\\Norvik\\Tree";
    ImportReg(tree + "]\n\"v\"=\"1\"\n" + tree + "\\a]\n" + tree + "\\a\\b]\n\"v\"=dword:00000003\n" + tree +
              "\\a\\b\\c]\n@=\"deep\"\n" + tree + "\\a\\b2]\n" + tree + "\\Z]\n\"v\"=\"4\"\n[" + root +
              "\\Software\\Norvik\\Treehouse]\n\"keep\"=\"yes\"\n");
  }
};

TEST_F(DeleteRegistryTreeTest, NestedTreeGoesAndNeighboursStay) {
  const std::pair<RegKey, const char*> roots[] = {{kRegLocalMachine, "HKEY_LOCAL_MACHINE"},
                                                  {kRegCurrentUser, "HKEY_CURRENT_USER"}};
  for (const auto& root : roots) {
    SCOPED_TRACE(root.second);
    SeedTree(root.second);
    EXPECT_EQ(DeleteRegistryTree(root.first, u"Software\\Norvik\\Tree"), 1);
    EXPECT_FALSE(KeyExists(root.first, u"Software\\Norvik\\Tree"));
    EXPECT_TRUE(KeyExists(root.first, u"Software\\Norvik\\Treehouse"));
  }
  EXPECT_EQ(DeleteRegistryTree(kRegLocalMachine, u"Software\\Norvik\\Missing"), 0);
}

TEST_F(DeleteRegistryTreeTest, FailuresLeaveTheTreeWhole) {
  for (const char* function : {"SysRegOpenKey", "SysRegDeleteKey"}) {
    SCOPED_TRACE(function);
    StartMachine("win7");
    SeedTree("HKEY_LOCAL_MACHINE");
    const std::string before = sim::ExportRegText();
    sim::FailCall(function, 0, kErrAccessDenied);
    EXPECT_EQ(DeleteRegistryTree(kRegLocalMachine, u"Software\\Norvik\\Tree"), 0);
    sim::ClearFaults();
    EXPECT_EQ(sim::ExportRegText(), before);
  }
}

}  // namespace
