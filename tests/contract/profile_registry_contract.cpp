// Contract cases of the profile reader and the registry: quoting, blanks, case, comments,
// numbers, cut values and lists of profiles; keys, values, terminators, sizes, listings and
// deletion in the registry.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "contract/contract.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace {

const char kProfile[] =
    "[Quotes]\r\n"
    "dq=\"double quoted\"\r\n"
    "sq='single quoted'\r\n"
    "mixed=\"double then single'\r\n"
    "inner=a \"quoted\" word\r\n"
    "empty=\"\"\r\n"
    "padded =   \"  keeps inner blanks  \"   \r\n"
    "[Blanks]\r\n"
    "   spaced key   =   spaced value   \r\n"
    "tabbed\t=\ttab value\t\r\n"
    "novalue=\r\n"
    "[Case]\r\n"
    "MixedKey=first\r\n"
    "mixedkey=second\r\n"
    "[case]\r\n"
    "Other=from the second [case]\r\n"
    "[Comments]\r\n"
    "; a comment line\r\n"
    "value=abc ; not a comment\r\n"
    "   ; indented comment\r\n"
    "after=1\r\n"
    "[Numbers]\r\n"
    "hexa=0x1F\r\n"
    "lead=12abc\r\n"
    "neg=-5\r\n"
    "blank=\r\n"
    "word=abc\r\n"
    "padded=  42  \r\n"
    "[ Spaced Section ]\r\n"
    "k=v\r\n";

// Profile reads: quotes are taken off only in pairs, blanks around names and values go, the
// first of keys differing in case wins, ';' starts a comment only at the start of a line,
// defaults lose their trailing blanks, values and lists are cut to the buffer.
TEST_F(Contract, ProfileReads) {
  const std::u16string file = At(u"SETUP2K.INI");
  ASSERT_TRUE(contract::PutFile(file, kProfile));
  struct Row {
    const char16_t* section;
    const char16_t* key;
    const char16_t* fallback;
    uint32_t size;
    std::u16string text;  // list entries end with '|'
    uint32_t result;
  };
  const Row rows[] = {
      {u"Quotes", u"dq", u"x", 64, u"double quoted", 13},
      {u"quotes", u"DQ", u"x", 64, u"double quoted", 13},
      {u"Quotes", u"sq", u"x", 64, u"single quoted", 13},
      {u"Quotes", u"mixed", u"x", 64, u"\"double then single'", 20},
      {u"Quotes", u"inner", u"x", 64, u"a \"quoted\" word", 15},
      {u"Quotes", u"empty", u"x", 64, u"", 0},
      {u"Quotes", u"padded", u"x", 64, u"  keeps inner blanks  ", 22},
      {u"Quotes", u"dq", u"x", 5, u"doub", 4},
      {u"Blanks", u"spaced key", u"x", 64, u"spaced value", 12},
      {u"Blanks", u"tabbed", u"x", 64, u"tab value", 9},
      {u"Blanks", u"novalue", u"x", 64, u"", 0},
      {u"Case", u"mixedkey", u"x", 64, u"first", 5},
      {u"Comments", u"value", u"x", 64, u"abc ; not a comment", 19},
      {u"Comments", u"after", u"x", 64, u"1", 1},
      {u"Spaced Section", u"k", u"x", 64, u"v", 1},
      {u"Quotes", u"missing", u"fallback  ", 64, u"fallback", 8},
      {u"Quotes", u"missing", nullptr, 64, u"", 0},
      {u"Nowhere", u"dq", u"d", 64, u"d", 1},
      {u"Quotes", nullptr, u"", 64, u"dq|sq|mixed|inner|empty|padded|", 31},
      {u"Quotes", nullptr, u"", 8, u"dq|sq|", 6},
      {nullptr, nullptr, u"", 128, u"Quotes|Blanks|Case|case|Comments|Numbers|Spaced Section|", 56},
      {u"Quotes", u"dq", u"x", 0, u"", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(contract::Utf8(row.section ? row.section : u"(null)") + "/" +
                 contract::Utf8(row.key ? row.key : u"(null)") + ", size " + std::to_string(row.size));
    char16_t out[128];
    std::fill(std::begin(out), std::end(out), u'#');
    uint32_t n = SysReadProfileString(row.section, row.key, row.fallback, out, row.size, file.c_str());
    EXPECT_EQ(n, row.result);
    if (row.size == 0) {
      EXPECT_EQ(out[0], u'#');
      continue;
    }
    std::u16string got(out, n);
    for (char16_t& c : got) c = c ? c : u'|';
    EXPECT_EQ(contract::Utf8(got), contract::Utf8(row.text));
    EXPECT_EQ(out[n], 0);
  }
  EXPECT_EQ(SysReadProfileString(u"Quotes", u"dq", u"def  ", nullptr, 0, At(u"missing.ini").c_str()), 0u);
  char16_t out[16];
  EXPECT_EQ(SysReadProfileString(u"Quotes", u"dq", u"def  ", out, 16, At(u"missing.ini").c_str()), 3u);
  EXPECT_EQ(std::u16string(out), u"def");

  struct Number {
    const char16_t* key;
    int32_t fallback;
    uint32_t value;
  };
  const Number numbers[] = {{u"hexa", 0, 0x1F}, {u"lead", 0, 12},  {u"neg", 0, 0xFFFFFFFBu}, {u"blank", 9, 9},
                            {u"word", 9, 0},    {u"padded", 0, 42}, {u"missing", 7, 7}};
  for (const Number& n : numbers)
    EXPECT_EQ(SysReadProfileInt(u"Numbers", n.key, n.fallback, file.c_str()), n.value) << contract::Utf8(n.key);

  // A changed file is read anew.
  ASSERT_TRUE(contract::PutFile(file, "[Quotes]\r\ndq=changed\r\n"));
  EXPECT_EQ(SysReadProfileString(u"Quotes", u"dq", u"x", out, 16, file.c_str()), 7u);
}

const char16_t kScratchKey[] = u"Software\\GlidewaveContract";

// Keys are made level by level and found ignoring case; values come back with their type and
// size; a text written without its terminator gets one only when it is followed by one in the
// caller's memory; a short buffer gives 234 with the size needed; keys with subkeys cannot be
// deleted; HKEY_CLASSES_ROOT shows the machine's classes.
TEST_F(Contract, RegistryKeysAndValues) {
  const std::u16string path = std::u16string(kScratchKey) + u"\\Nested\\Deeper";
  RegKey key = nullptr;
  uint32_t how = 0;
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, path.c_str(), kKeyAllAccess, &key, &how), 0);
  EXPECT_EQ(how, kRegCreatedNewKey);
  SysRegCloseKey(key);
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, u"SOFTWARE\\glidewavecontract\\NESTED\\deeper", kKeyAllAccess, &key, &how), 0);
  EXPECT_EQ(how, kRegOpenedExistingKey);

  const char16_t whole[] = u"Glidewave";
  const char16_t longer[] = u"GlidewaveMouse";
  const uint32_t dword = 0x01020304;
  const char16_t multi[] = u"a\0bc\0";
  struct Stored {
    const char16_t* name;
    uint32_t type;
    const void* data;
    uint32_t size;
    uint32_t storedSize;
  };
  const Stored stored[] = {
      {u"Name", kRegTypeSz, whole, 18, 20},          {u"Cut", kRegTypeSz, longer, 18, 18},
      {u"Whole", kRegTypeSz, whole, 20, 20},         {u"Count", kRegTypeDword, &dword, 4, 4},
      {u"Bytes", kRegTypeBinary, longer, 6, 6},      {u"", kRegTypeExpandSz, whole, 20, 20},
      {u"List", kRegTypeMultiSz, multi, 12, 12},
  };
  for (const Stored& v : stored) {
    SCOPED_TRACE(contract::Utf8(v.name));
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
    EXPECT_EQ(std::memcmp(data, v.data, v.size), 0);
  }
  EXPECT_EQ(SysRegQueryValue(key, u"Missing", nullptr, nullptr, nullptr), int32_t(kErrFileNotFound));
  EXPECT_EQ(SysRegDeleteValue(key, u"Name"), 0);
  EXPECT_EQ(SysRegDeleteValue(key, u"Name"), int32_t(kErrFileNotFound));

  // Values list with their names, types and sizes (the order is the system's).
  std::vector<std::u16string> names;
  for (uint32_t i = 0;; ++i) {
    char16_t name[32];
    uint32_t nameLen = 32, type = 0, dataSize = 0;
    int32_t rc = SysRegEnumValue(key, i, name, &nameLen, &type, nullptr, &dataSize);
    if (rc == int32_t(kErrNoMoreItems)) break;
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(nameLen, std::u16string(name).size());
    names.push_back(name);
    for (const Stored& v : stored) {
      if (names.back() == v.name) {
        EXPECT_EQ(dataSize, v.storedSize) << contract::Utf8(v.name);
      }
    }
  }
  EXPECT_EQ(names.size(), std::size(stored) - 1);
  EXPECT_EQ(SysRegCloseKey(key), 0);

  // Subkeys list in name order ignoring case; the name length leaves out the terminator.
  ASSERT_EQ(SysRegOpenKey(kRegCurrentUser, kScratchKey, kKeyAllAccess, &key), 0);
  for (const char16_t* child : {u"beta", u"Alpha", u"gamma"}) {
    RegKey made = nullptr;
    ASSERT_EQ(SysRegCreateKey(key, child, kKeyAllAccess, &made, nullptr), 0);
    SysRegCloseKey(made);
  }
  std::u16string listed;
  for (uint32_t i = 0;; ++i) {
    char16_t name[32];
    uint32_t nameLen = 32;
    int32_t rc = SysRegEnumKey(key, i, name, &nameLen);
    if (rc != 0) {
      EXPECT_EQ(rc, int32_t(kErrNoMoreItems));
      break;
    }
    EXPECT_EQ(nameLen, std::u16string(name).size());
    listed += std::u16string(name) + u"|";
  }
  EXPECT_EQ(contract::Utf8(listed), "Alpha|beta|gamma|Nested|");
  char16_t tiny[3];
  uint32_t tinyLen = 3;
  EXPECT_EQ(SysRegEnumKey(key, 0, tiny, &tinyLen), int32_t(kErrMoreData));

  EXPECT_EQ(SysRegDeleteKey(key, u"Nested"), int32_t(kErrAccessDenied)) << "a key with subkeys stays";
  RegKey nested = nullptr;
  ASSERT_EQ(SysRegOpenKey(key, u"Nested", kKeyAllAccess, &nested), 0);
  EXPECT_EQ(SysRegDeleteKey(nested, u"Deeper"), 0);
  SysRegCloseKey(nested);
  EXPECT_EQ(SysRegDeleteKey(key, u"Nested"), 0);
  EXPECT_EQ(SysRegDeleteKey(key, u"Nested"), int32_t(kErrFileNotFound));
  SysRegCloseKey(key);
  RegKey gone = reinterpret_cast<RegKey>(1);
  EXPECT_EQ(SysRegOpenKey(kRegCurrentUser, path.c_str(), kKeyRead, &gone), int32_t(kErrFileNotFound));
  EXPECT_EQ(gone, nullptr);

  // HKEY_CLASSES_ROOT shows HKLM\Software\Classes.
  ASSERT_EQ(SysRegCreateKey(kRegLocalMachine, u"Software\\Classes\\GlidewaveContract.Test", kKeyAllAccess, &key, nullptr), 0);
  SysRegSetValue(key, u"", kRegTypeSz, reinterpret_cast<const uint8_t*>(u"seen"), 10);
  SysRegCloseKey(key);
  ASSERT_EQ(SysRegOpenKey(kRegClassesRoot, u"GlidewaveContract.Test", kKeyRead, &key), 0);
  char16_t data[8] = {};
  uint32_t size = sizeof data;
  EXPECT_EQ(SysRegQueryValue(key, nullptr, nullptr, reinterpret_cast<uint8_t*>(data), &size), 0);
  EXPECT_EQ(std::u16string(data), u"seen");
  SysRegCloseKey(key);
  ASSERT_EQ(SysRegOpenKey(kRegLocalMachine, u"Software\\Classes", kKeyAllAccess, &key), 0);
  EXPECT_EQ(SysRegDeleteKey(key, u"GlidewaveContract.Test"), 0);
  SysRegCloseKey(key);
}

// Values list in the order they were created.
TEST_F(Contract, RegistryValuesListInCreationOrder) {
  CONTRACT_NEEDS("values in creation order");
  RegKey key = nullptr;
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, kScratchKey, kKeyAllAccess, &key, nullptr), 0);
  const uint32_t one = 1;
  for (const char16_t* name : {u"zeta", u"Alpha", u"mid"})
    SysRegSetValue(key, name, kRegTypeDword, reinterpret_cast<const uint8_t*>(&one), 4);
  std::u16string listed;
  char16_t name[16];
  uint32_t nameLen = 16;
  for (uint32_t i = 0; SysRegEnumValue(key, i, name, &nameLen, nullptr, nullptr, nullptr) == 0; ++i, nameLen = 16)
    listed += std::u16string(name) + u"|";
  EXPECT_EQ(contract::Utf8(listed), "zeta|Alpha|mid|");
  SysRegCloseKey(key);
}

// Western characters pass unchanged through file names, listings, profiles and the registry
// (on the 9x family's ANSI road they go through the code page and back).
TEST_F(Contract, WesternTextPassesEveryService) {
  const std::u16string file = At(u"Gr\u00fc\u00dfe \u00e9t\u00e9.ini");
  ASSERT_TRUE(contract::PutFile(file, "[Caf\xe9]\r\nName=Souris \xe0 molette\r\nCount=42\r\n"));
  SysFindData data;
  SysHandle find = SysFindFirstFile(At(u"*.ini").c_str(), &data);
  ASSERT_NE(find, kInvalidHandle);
  EXPECT_EQ(contract::Utf8(data.name), "Gr\u00fc\u00dfe \u00e9t\u00e9.ini");
  SysFindClose(find);
  char16_t value[64];
  const uint32_t n = SysReadProfileString(u"Caf\u00e9", u"Name", u"", value, 64, file.c_str());
  EXPECT_EQ(contract::Utf8(std::u16string(value, n)), "Souris \u00e0 molette");
  EXPECT_EQ(SysReadProfileInt(u"Caf\u00e9", u"Count", 7, file.c_str()), 42u);

  RegKey key = nullptr;
  ASSERT_EQ(SysRegCreateKey(kRegCurrentUser, u"Software\\GlidewaveContract\\R\u00e9", kKeyAllAccess, &key, nullptr), 0);
  const char16_t text[] = u"Glidewave \u00e9dition";
  EXPECT_EQ(SysRegSetValue(key, u"N\u00e9", kRegTypeSz, reinterpret_cast<const uint8_t*>(text), sizeof text), 0);
  char16_t name[16] = {}, got[32] = {};
  uint32_t nameLen = 16, type = 0, size = sizeof got;
  EXPECT_EQ(SysRegEnumValue(key, 0, name, &nameLen, &type, reinterpret_cast<uint8_t*>(got), &size), 0);
  EXPECT_EQ(contract::Utf8(name), "N\u00e9");
  EXPECT_EQ(size, sizeof text);
  EXPECT_EQ(contract::Utf8(got), "Glidewave \u00e9dition");
  SysRegCloseKey(key);
}

}  // namespace
