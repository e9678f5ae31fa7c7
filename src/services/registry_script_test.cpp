// Registry script sections against the simulated registry: fields, roots, type codes, data
// conversion, the gap that ends a section, failing lines and the limits of lines and fields.
#include "services/registry_script.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/text.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"

namespace {

class RegistryScriptTest : public SimFixture {
 protected:
  // Writes [Script] of SETUP2K.INI from raw "n=..." lines and applies it.
  void Apply(const std::string& lines) {
    UseConfig("[Strings]\r\nBrand=Glide\r\n[Script]\r\n" + lines);
    EXPECT_EQ(AddRegistrySection(g_Settings.ConfigFile, u"Script"), 1);
  }
};

// What the registry shows for value `name` of "ROOT\path": "no key", "no value", or
// "sz(<bytes>):text", "expand(<bytes>):text", "dword:<n>", "bin:<hex bytes>".
std::string Show(const std::string& where, const std::string& name) {
  size_t slash = where.find('\\');
  std::string root = where.substr(0, slash);
  RegKey key = nullptr;
  std::u16string path = sim::FromUtf8(where.substr(slash + 1)), valueName = sim::FromUtf8(name);
  if (SysRegOpenKey(root == "HKCR" ? kRegClassesRoot : root == "HKCU" ? kRegCurrentUser : kRegLocalMachine,
                    path.c_str(), kKeyRead, &key) != 0)
    return "no key";
  uint8_t data[4096];
  uint32_t size = sizeof data, type = 0;
  int32_t err = SysRegQueryValue(key, valueName.c_str(), &type, data, &size);
  SysRegCloseKey(key);
  if (err != 0) return "no value";
  if (type == kRegTypeSz || type == kRegTypeExpandSz) {
    std::u16string text;
    for (uint32_t i = 0; i + 1 < size && (data[i] | data[i + 1]); i += 2) text += char16_t(data[i] | (data[i + 1] << 8));
    return (type == kRegTypeSz ? "sz(" : "expand(") + std::to_string(size) + "):" + sim::ToUtf8(text);
  }
  if (type == kRegTypeDword) {
    int32_t v;
    std::memcpy(&v, data, 4);
    return "dword:" + std::to_string(v);
  }
  std::string hex = "bin:";
  char byte[3];
  for (uint32_t i = 0; i < size; ++i) hex += (std::snprintf(byte, sizeof byte, "%02x", data[i]), byte);
  return hex;
}

struct LineCase { const char* lines;  // the section's raw lines
    const char* where;  // root and key path looked at
    const char* name;  // value name
    const char* shows; };

TEST_F(RegistryScriptTest, LinesBecomeKeysAndValues) {
  const LineCase cases[] = {
      // Strings go in without their zero; the NT registry shows them with the one it adds.
      {"1=HKCU,Software\\T,N,0,abc", "HKCU\\Software\\T", "N", "sz(8):abc"},
      {"1=HKCU,Software\\T,,0,abc", "HKCU\\Software\\T", "", "sz(8):abc"},
      {"1=HKCU,Software\\T,N,0,ab  ,x", "HKCU\\Software\\T", "N", "sz(10):ab  "},
      {"1=HKCU,Software\\T,N,0,   ", "HKCU\\Software\\T", "N", "no value"},
      {"1=HKCU,Software\\T,N,3,", "HKCU\\Software\\T", "N", "no value"},
      {"1=HKCU,Software\\T,N,0", "HKCU\\Software\\T", "N", "no value"},  // key made, no data field
      {"1=HKCU", "HKCU\\Software\\T", "", "no key"},
      {"1=HKCU,Software\\T,N,3,%10%\\x", "HKCU\\Software\\T", "N", "expand(26):C:\\Windows\\x"},
      {"1=HKCU,Software\\T,\"a,b\",0,\"x,y\"", "HKCU\\Software\\T", "a,b", "sz(8):x,y"},
      {"1=HKCU,Software\\T,N,0,%Program Files%", "HKCU\\Software\\T", "N", "no value"},
      {"1=HKCU,Software\\T,N,0,%Brand%\\Tool", "HKCU\\Software\\T", "N", "sz(22):Glide\\Tool"},
      // Roots: only the short names, in any case.
      {"1=hkcr,.gwx,N,0,c", "HKCR\\.gwx", "N", "sz(4):c"},
      {"1=HKEY_CURRENT_USER,Software\\L,N,0,c", "HKLM\\Software\\L", "N", "sz(4):c"},
      {"1=,Software\\E,N,0,c", "HKLM\\Software\\E", "N", "sz(4):c"},
      // DWORDs: signed decimal up to the first other character, at most 19 characters.
      {"1=HKCU,Software\\D,N,1,12abc", "HKCU\\Software\\D", "N", "dword:12"},
      {"1=HKCU,Software\\D,N,1,  -5", "HKCU\\Software\\D", "N", "dword:-5"},
      {"1=HKCU,Software\\D,N,1,0000000000000000012345", "HKCU\\Software\\D", "N", "dword:12"},
      // Binary: any other code; each field the low byte of its hexadecimal number.
      {"1=HKCU,Software\\H,N,2,01, ff,10", "HKCU\\Software\\H", "N", "bin:01ff10"},
      {"1=HKCU,Software\\H,N,2,0x41", "HKCU\\Software\\H", "N", "bin:00"},
      {"1=HKCU,Software\\H,N,7,", "HKCU\\Software\\H", "N", "bin:00"},
      {"1=HKCU,Software\\H,N,2,1ff,g", "HKCU\\Software\\H", "N", "bin:ff00"},
      {"1=HKCU,Software\\H,N,3 ,41", "HKCU\\Software\\H", "N", "bin:41"},
      // A gap or an empty line ends the section.
      {"1=HKCU,Software\\G,A,0,1\r\n2=HKCU,Software\\G,B,0,2\r\n4=HKCU,Software\\G,D,0,4", "HKCU\\Software\\G", "D", "no value"},
      {"1=HKCU,Software\\G,A,0,1\r\n2=\r\n3=HKCU,Software\\G,C,0,3", "HKCU\\Software\\G", "C", "no value"},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.lines);
    StartMachine("win7");
    Apply(std::string(c.lines) + "\r\n");
    EXPECT_EQ(Show(c.where, c.name), c.shows);
  }
}

TEST_F(RegistryScriptTest, LinesAfterAFailingOneStillApply) {
  sim::FailCall("SysRegCreateKey", 1, kErrAccessDenied);
  Apply("1=HKCU,Software\\F1,N,0,a\r\n2=HKCU,Software\\F2,N,0,b\r\n");
  EXPECT_EQ(Show("HKCU\\Software\\F1", "N"), "no key");
  EXPECT_EQ(Show("HKCU\\Software\\F2", "N"), "sz(4):b");
  EXPECT_EQ(AddRegistrySection(nullptr, u"Script"), 0);
}

TEST_F(RegistryScriptTest, LongLinesAndFieldsAreCut) {
  // A line is read up to 1023 characters: after its 25-character head come 332 whole ",10"
  // fields and a last one cut to "1".
  std::string line = "1=HKCU,Software\\Long,Cut2,2";
  for (int i = 0; i < 600; ++i) line += ",10";
  Apply(line + "\r\n2=HKCU,Software\\Long," + std::string(300, 'n') + ",0," + std::string(700, 't') + "\r\n");
  std::string expected = "bin:";
  for (int i = 0; i < 332; ++i) expected += "10";
  EXPECT_EQ(Show("HKCU\\Software\\Long", "Cut2"), expected + "01");
  // The value name keeps 255 characters, the data 511.
  EXPECT_EQ(Show("HKCU\\Software\\Long", std::string(255, 'n')), "sz(1024):" + std::string(511, 't'));
}

TEST_F(RegistryScriptTest, ExpandableStringsAreTraced) {
  Apply("1=HKCU,Software\\X,A,3,%11%\r\n2=HKCU,Software\\X,B,3,  ,rest\r\n");
  EXPECT_EQ(Show("HKCU\\Software\\X", "A"), "expand(40):C:\\Windows\\System32");
  std::vector<std::string> lines = JournalLines("trace: REG_EXPAND_SZ");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("trace: REG_EXPAND_SZ, C:\\Windows\\System32, err = ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "trace: REG_EXPAND_SZ, ,   ,rest");
}

}  // namespace
