// .reg text of the simulated registry: export layout, byte-exact round trips, import forms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine/machine.h"

#include "platform/registry.h"
#include "platform/sim/machine/sim_internal.h"
#include "support/sim_fixture.h"

namespace {

using namespace std::string_literals;

class RegFileTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    sim::internal::ResetRegistryStore();  // without the values every machine starts with
  }
};

std::string Bytes(const std::u16string& text) { return std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size()); }

const char kFullExport[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software]\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Norvik]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Norvik]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\alpha]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98]\n"
    "@=\"Default\"\n"
    "\"Title\"=\"Glide \\\"98\\\" C:\\\\x \xC3\xA9\"\n"
    "\"WithZero\"=\"ab\"\n"
    "\"Line\"=hex(1):61,00,0a,00,00,00\n"
    "\"Count\"=dword:0000000c\n"
    "\"Short\"=hex(4):01,02\n"
    "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
    "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\n"
    "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b\n"
    "\"Empty\"=hex:\n"
    "\"Path\"=hex(2):25,00,61,00,25,00,00,00\n"
    "\"Multi\"=hex(7):61,00,00,00,00,00\n"
    "\"Big\"=hex(b):01,00,00,00,00,00,00,00\n"
    "\"Say \\\"hi\\\"\"=hex(1):\n"
    "\n";

// Every type is written in its form (texts quoted and escaped, or as hex(1) when they hold a
// line break; long binary data wrapped as regedit wraps it) and read back to the same bytes.
TEST_F(RegFileTest, ExportWritesEveryTypeInItsFormAndImportGivesBackTheSameBytes) {
  std::string error;
  ASSERT_TRUE(sim::ImportRegText(kFullExport, &error)) << error;
  EXPECT_EQ(sim::ExportRegText(), kFullExport);
  std::string blob;
  for (char i = 0; i < 60; ++i) blob += i;
  const struct {
    const char16_t* name;
    uint32_t type;
    std::string data;
  } values[] = {
      {u"Title", kRegTypeSz, Bytes(u"Glide \"98\" C:\\x \u00E9"s + u'\0')},
      {u"WithZero", kRegTypeSz, Bytes(u"ab"s + u'\0')},
      {u"Line", kRegTypeSz, Bytes(u"a\n"s + u'\0')},
      {u"Short", kRegTypeDword, "\x01\x02"},
      {u"Blob", kRegTypeBinary, blob},
      {u"Empty", kRegTypeBinary, ""},
      {u"Multi", kRegTypeMultiSz, Bytes(u"a"s + u'\0' + u'\0')},
      {u"Big", 11, "\x01\0\0\0\0\0\0\0"s},
  };
  RegKey key = nullptr;
  ASSERT_EQ(SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Glidewave 98", kKeyRead, &key), 0);
  for (const auto& v : values) {
    char data[256];
    uint32_t type = 0, size = sizeof data;
    EXPECT_EQ(SysRegQueryValue(key, v.name, &type, reinterpret_cast<uint8_t*>(data), &size), 0);
    EXPECT_EQ(type, v.type) << sim::ToUtf8(v.name);
    EXPECT_EQ(std::string(data, size), v.data) << sim::ToUtf8(v.name);
  }
  SysRegCloseKey(key);
}

// Import reads regedit's forms; malformed text names its line and changes nothing.
TEST_F(RegFileTest, ImportReadsRegeditFormsAndRefusesMalformedText) {
  const std::string seed =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Old]\n\"a\"=\"1\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Old\\Deep]\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n\"gone\"=dword:1\n\"stay\"=dword:2\n";
  const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"ok\"=\"1\"\n";
  const struct {
    std::string text;
    std::string expected;  // the export after seed + text, or the start of the error
    bool fails;            // then nothing changes
  } cases[] = {
      // Deletions, comments, blanks and continuations.
      {"Windows Registry Editor Version 5.00\r\n\r\n"
       "; a comment\r\n"
       "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
       "  [HKEY_LOCAL_MACHINE\\Software\\Keep]  \r\n"
       "\"gone\"=-\r\n"
       "\"bin\" = hex:01,02,\\\r\n"
       "    03 ; trailing comment\r\n"
       "@=\"d\" ; comment after a text\r\n",
       "Windows Registry Editor Version 5.00\n\n"
       "[HKEY_LOCAL_MACHINE\\Software]\n\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n"
       "\"stay\"=dword:00000002\n\"bin\"=hex:01,02,03\n@=\"d\"\n\n", false},
      // REGEDIT4 with ANSI expandable text and short roots.
      {"REGEDIT4\n\n[HKLM\\Software\\Keep]\n\"x\"=hex(2):25,41,25,00\n"
       "[HKEY_CLASSES_ROOT\\.gwm]\n@=\"Glidewave.File\"\n[-HKEY_LOCAL_MACHINE\\Software\\Old]\n",
       "Windows Registry Editor Version 5.00\n\n"
       "[HKEY_LOCAL_MACHINE\\Software]\n\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Classes]\n\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.gwm]\n@=\"Glidewave.File\"\n\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n"
       "\"gone\"=dword:00000001\n\"stay\"=dword:00000002\n\"x\"=hex(2):25,00,41,00,25,00,00,00\n\n", false},
      // UTF-16LE and UTF-8 with byte-order marks.
      {"\xFF\xFEW\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0i\0s\0t\0r\0y\0 \0E\0d\0i\0t\0o\0r\0 \0"
       "V\0e\0r\0s\0i\0o\0n\0 \0\x35\0.\0\x30\0\x30\0\r\0\n\0\r\0\n\0"
       "[\0-\0H\0K\0L\0M\0\\\0S\0o\0f\0t\0w\0a\0r\0e\0\\\0K\0e\0e\0p\0]\0\r\0\n\0"
       "[\0-\0H\0K\0L\0M\0\\\0S\0o\0f\0t\0w\0a\0r\0e\0\\\0O\0l\0d\0]\0\r\0\n\0"s,
       "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n", false},
      {"\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n[-HKEY_LOCAL_MACHINE\\Software]\n"
       "[HKEY_CURRENT_USER\\\xC3\x89t\xC3\xA9]\n",
       "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\\xC3\x89t\xC3\xA9]\n\n", false},
      {"[HKEY_CURRENT_USER\\A]\n", "line 1:", true},
      {header + "\"v\"=dword:123456789\n", "line 5:", true},
      {header + "\"v\"=\"open\n", "line 5:", true},
      {header + "\"v\"=\"x\" y\n", "line 5:", true},
      {header + "\"v=\"x\"\n", "line 5:", true},
      {header + "\"v\"=hex:01,zz\n", "line 5:", true},
      {header + "\"v\"=hex:01,\\", "line 5:", true},  // continued past the end
      {header + "\"v\"=hex(:01\n", "line 5:", true},
      {header + "\"v\"=str:abc\n", "line 5:", true},
      {header + "[HKEY_USERS\\x]\n", "line 5:", true},
      {header + "[HKEY_CURRENT_USER\\x\n", "line 5:", true},
      {header + "[-HKEY_CURRENT_USER]\n", "line 5:", true},
      {header + "[-HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n", "line 6:", true},
      {header + "stray text\n", "line 5:", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    sim::internal::ResetRegistryStore();
    std::string error;
    ASSERT_TRUE(sim::ImportRegText(seed, &error)) << error;
    const std::string before = sim::ExportRegText();
    EXPECT_EQ(sim::ImportRegText(c.text, &error), !c.fails) << error;
    if (c.fails) {
      EXPECT_EQ(error.rfind(c.expected, 0), 0u) << error;
    }
    EXPECT_EQ(sim::ExportRegText(), c.fails ? before : c.expected);
  }
}

}  // namespace
