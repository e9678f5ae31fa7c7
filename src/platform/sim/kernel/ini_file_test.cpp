// Lookups in INI texts that trip up a naive parser.
#include "platform/sim/kernel/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

constexpr char16_t kUnwritten = u'#';
constexpr uint32_t kGuard = 4;

struct LookupCase {
  const char* label;
  std::string file;
  const char16_t* section;
  const char16_t* key;
  const char16_t* fallback;
  uint32_t size;
  std::u16string expected;  // the buffer from its start through the terminator(s) written
  uint32_t result;
};

// Three one-key files that differ only in their encoding.
const std::string kUtf16Le = "\xFF\xFE[\0A\0]\0\n\0k\0=\0\xE9\0\xAC\x20"s;
const std::string kUtf16Be = "\xFE\xFF\0[\0A\0]\0\n\0k\0=\0\xE9\x20\xAC"s;
const std::string kUtf8 = "\xEF\xBB\xBF[A]\r\nk=\xC3\xA9\xE2\x82\xAC";

TEST(IniFileTest, LookupFollowsProfileRules) {
  const LookupCase cases[] = {
      {"names ignore case", "[INSTALL]\r\ntitle=Glide\r\n", u"install", u"TITLE", u"d", 64, u"Glide\0"s, 5},
      {"second section differing in case is invisible", "[A]\nk=1\n[a]\nk=2\nj=3\n", u"a", u"j", u"d", 64, u"d\0"s, 1},
      {"first section wins", "[A]\nk=1\n[a]\nk=2\n", u"a", u"k", u"d", 64, u"1\0"s, 1},
      {"first key wins", "[A]\nk=1\nK=2\n", u"A", u"k", u"d", 64, u"1\0"s, 1},
      {"blanks around key, '=' and value dropped", "[A]\n \t key \t=\t value ; x \t\n", u"A", u"key", u"d", 64,
       u"value ; x\0"s, 9},
      {"blanks around the names asked for dropped", "[A]\nkey=v\n", u" A ", u"\tkey ", u"d", 64, u"v\0"s, 1},
      {"double quotes removed, inner blanks kept", "[A]\nk=\"  x  \"\n", u"A", u"k", u"d", 64, u"  x  \0"s, 5},
      {"single quotes removed", "[A]\nk='x'\n", u"A", u"k", u"d", 64, u"x\0"s, 1},
      {"only one pair removed", "[A]\nk=\"a\"b\"\n", u"A", u"k", u"d", 64, u"a\"b\0"s, 3},
      {"unmatched quote stays", "[A]\nk=\"abc\n", u"A", u"k", u"d", 64, u"\"abc\0"s, 4},
      {"mixed quotes stay", "[A]\nk=\"abc'\n", u"A", u"k", u"d", 64, u"\"abc'\0"s, 5},
      {"a lone quote stays", "[A]\nk=\"\n", u"A", u"k", u"d", 64, u"\"\0"s, 1},
      {"empty quotes give empty value", "[A]\nk=\"\"\n", u"A", u"k", u"d", 64, u"\0"s, 0},
      {"empty value is found, not the default", "[A]\nk=\n", u"A", u"k", u"d", 64, u"\0"s, 0},
      {"comment line is no key", "[A]\n  ;k=1\nk=2\n", u"A", u"k", u"d", 64, u"2\0"s, 1},
      {"line without '=' gives the default", "[A]\nbare\n", u"A", u"bare", u"d", 64, u"d\0"s, 1},
      {"keys before any section unreachable", "k=1\n[A]\n", u"", u"k", u"d", 64, u"d\0"s, 1},
      {"section line without ']' is no header", "[A]\n[B\nk=1\n", u"A", u"k", u"d", 64, u"1\0"s, 1},
      {"text after ']' ignored", "[A] ; note\nk=1\n", u"A", u"k", u"d", 64, u"1\0"s, 1},
      {"value cut to size - 1", "[A]\nk=abcdef\n", u"A", u"k", u"d", 4, u"abc\0"s, 3},
      {"quoted value cut after unquoting", "[A]\nk=\"abcdef\"\n", u"A", u"k", u"d", 4, u"abc\0"s, 3},
      {"default loses trailing spaces only", "[A]\n", u"A", u"k", u"def \t  ", 64, u"def \t\0"s, 5},
      {"default cut to size - 1", "", u"A", u"k", u"default", 4, u"def\0"s, 3},
      {"size 1 gives an empty text", "[A]\nk=abc\n", u"A", u"k", u"d", 1, u"\0"s, 0},
      {"lone CR ends lines", "[A]\rk=1\rj=2\r", u"A", u"j", u"d", 64, u"2\0"s, 1},
      {"UTF-16LE with mark", kUtf16Le, u"A", u"k", u"d", 64, u"\u00E9\u20AC\0"s, 2},
      {"UTF-16BE with mark", kUtf16Be, u"A", u"k", u"d", 64, u"\u00E9\u20AC\0"s, 2},
      {"UTF-8 with mark", kUtf8, u"A", u"k", u"d", 64, u"\u00E9\u20AC\0"s, 2},
      {"ANSI is code page 1252", "[A]\nk=\xE9\x80\x9F\n", u"A", u"k", u"d", 64, u"\u00E9\u20AC\u0178\0"s, 3},

      // Key listings: names of the first matching section, lines without '=' and comments left out.
      {"key listing", "[A]\nalpha=1\n;c=2\nbare\nbeta=\n[a]\ngamma=3\n", u"A", nullptr, u"d", 64,
       u"alpha\0beta\0\0"s, 11},
      {"key listing that just fits", "[A]\nalpha=1\nbeta=2\n", u"A", nullptr, u"d", 13, u"alpha\0beta\0\0"s, 11},
      {"key listing one short is cut", "[A]\nalpha=1\nbeta=2\n", u"A", nullptr, u"d", 12, u"alpha\0beta\0\0"s, 10},
      {"key listing cut inside a name", "[A]\nalpha=1\nbeta=2\n", u"A", nullptr, u"d", 9, u"alpha\0b\0\0"s, 7},
      {"key listing of a missing section gives the default", "[A]\nk=1\n", u"B", nullptr, u"d", 64, u"d\0"s, 1},
      {"key listing of an empty section gives the default", "[A]\n[B]\n", u"A", nullptr, u"", 64, u"\0"s, 0},

      // Section listings: every header in file order, duplicates included.
      {"section listing", "[A]\n[B]\nk=1\n[a]\n", nullptr, nullptr, u"d", 64, u"A\0B\0a\0\0"s, 6},
      {"section listing cut", "[Alpha]\n[Beta]\n", nullptr, nullptr, u"d", 8, u"Alpha\0\0\0"s, 6},
      {"section listing of an empty file", "", nullptr, nullptr, u"d", 64, u"\0\0"s, 0},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.label);
    sim::IniFile ini = sim::ParseIniFile(c.file);
    std::u16string buffer(c.size + kGuard, kUnwritten);
    uint32_t result = sim::IniReadString(ini, c.section, c.key, c.fallback, buffer.data(), c.size);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected);
    EXPECT_EQ(buffer.substr(c.size), std::u16string(kGuard, kUnwritten)) << "written past the buffer";
  }
}

TEST(IniFileTest, NullOrEmptyBufferWritesNothing) {
  sim::IniFile ini = sim::ParseIniFile("[A]\nk=1\n");
  char16_t one = kUnwritten;
  EXPECT_EQ(sim::IniReadString(ini, u"A", u"k", u"d", &one, 0), 0u);
  EXPECT_EQ(one, kUnwritten);
  EXPECT_EQ(sim::IniReadString(ini, u"A", u"k", u"d", nullptr, 10), 0u);
}

TEST(IniFileTest, NumbersAsTheIntegerReaderMakesThem) {
  const struct {
    std::u16string text;
    uint32_t expected;
  } cases[] = {
      {u"12", 12},           {u"12abc", 12},       {u"abc", 0},           {u"  7", 7},
      {u"+3", 3},            {u"0x1F", 31},        {u"0X1f", 31},         {u"0x", 0},
      {u"0xfg", 15},         {u"-1", 0xFFFFFFFFu}, {u"-5", 0xFFFFFFFBu},  {u"4294967297", 1},
      {u"010", 10},
  };
  for (const auto& c : cases) EXPECT_EQ(sim::IniParseNumber(c.text), c.expected) << sim::IniParseNumber(c.text);
}

TEST(IniFileTest, MalformedUtf8BecomesReplacementCharacters) {
  std::u16string text;
  EXPECT_FALSE(sim::DecodeUtf8("a\xC3(\xE2\x82", &text));
  EXPECT_EQ(text, u"a\uFFFD(\uFFFD\uFFFD");
  EXPECT_TRUE(sim::DecodeUtf8("\xF0\x9F\x98\x80", &text));
  EXPECT_EQ(text, u"\U0001F600");
}

}  // namespace
