// The simulated registry as the installer sees it through the platform functions.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/registry/registry_store.h"
#include "platform/sim/machine/sim_internal.h"
#include "support/sim_fixture.h"

namespace {

constexpr ErrorCode kErrKeyDeleted = 1018;

class RegistryTest : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    sim::internal::ResetRegistryStore();  // without the values every machine starts with
  }
  RegKey Create(RegKey root, const char16_t* path, uint32_t* disposition = nullptr) {
    RegKey key = nullptr;
    EXPECT_EQ(SysRegCreateKey(root, path, kKeyAllAccess, &key, disposition), 0) << sim::ToUtf8(path);
    return key;
  }
  static void SetText(RegKey key, const char16_t* name, const std::u16string& text) {
    ASSERT_EQ(SysRegSetValue(key, name, kRegTypeSz, reinterpret_cast<const uint8_t*>(text.data()),
                             static_cast<uint32_t>(text.size() * 2)), 0);
  }
  static std::vector<std::u16string> SubkeyNames(RegKey key) {
    std::vector<std::u16string> names;
    char16_t name[256];
    for (uint32_t i = 0;; ++i) {
      uint32_t length = 256;
      int32_t err = SysRegEnumKey(key, i, name, &length);
      if (err == static_cast<int32_t>(kErrNoMoreItems)) return names;
      EXPECT_EQ(err, 0);
      if (err) return names;
      names.emplace_back(name, length);
    }
  }
};

TEST_F(RegistryTest, KeysAreCreatedLevelByLevelAndFoundIgnoringCase) {
  uint32_t disposition = 0;
  RegKey key = Create(kRegLocalMachine, u"Software\\Norvik\\Install\\Glidewave", &disposition);
  EXPECT_EQ(disposition, kRegCreatedNewKey);
  SysRegCloseKey(key);
  key = Create(kRegLocalMachine, u"SOFTWARE\\norvik\\INSTALL\\glidewave\\", &disposition);
  EXPECT_EQ(disposition, kRegOpenedExistingKey);
  SysRegCloseKey(key);

  RegKey opened = nullptr;
  EXPECT_EQ(SysRegOpenKey(kRegLocalMachine, u"software\\NORVIK", kKeyRead, &opened), 0);
  EXPECT_EQ(SubkeyNames(opened), std::vector<std::u16string>{u"Install"});  // case of creation
  SysRegCloseKey(opened);
  EXPECT_EQ(SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik\\Missing", kKeyRead, &opened),
            static_cast<int32_t>(kErrFileNotFound));
  EXPECT_EQ(opened, nullptr);
  EXPECT_EQ(SysRegOpenKey(kRegCurrentUser, u"Software\\Norvik", kKeyRead, &opened),
            static_cast<int32_t>(kErrFileNotFound));
  EXPECT_EQ(SysRegCreateKey(kRegLocalMachine, u"\\Software", kKeyAllAccess, &opened, nullptr),
            static_cast<int32_t>(kErrBadPathname));
}

TEST_F(RegistryTest, ClassesRootShowsTheMachineClassesKey) {
  SysRegCloseKey(Create(kRegClassesRoot, u".gwm\\shell"));
  RegKey key = nullptr;
  EXPECT_EQ(SysRegOpenKey(kRegLocalMachine, u"Software\\Classes\\.GWM\\Shell", kKeyRead, &key), 0);
  SysRegCloseKey(key);
}

TEST_F(RegistryTest, SubkeysEnumerateSortedIgnoringCase) {
  RegKey parent = Create(kRegCurrentUser, u"Software\\Sorted");
  for (const char16_t* name : {u"beta", u"Gamma", u"alpha", u"ALPHA2", u"_under"})
    SysRegCloseKey(Create(parent, name));
  // Upper-case order: '_' comes after the letters.
  EXPECT_EQ(SubkeyNames(parent), (std::vector<std::u16string>{u"alpha", u"ALPHA2", u"beta", u"Gamma", u"_under"}));

  char16_t small[5];
  uint32_t length = 5;  // "alpha" needs 6 with its terminator
  EXPECT_EQ(SysRegEnumKey(parent, 0, small, &length), static_cast<int32_t>(kErrMoreData));
  EXPECT_EQ(length, 5u);
  length = 6;
  char16_t exact[6];
  EXPECT_EQ(SysRegEnumKey(parent, 0, exact, &length), 0);
  EXPECT_EQ(std::u16string(exact), u"alpha");
  EXPECT_EQ(length, 5u);
  SysRegCloseKey(parent);
}

TEST_F(RegistryTest, StringsWithoutTheirZeroGetItAsWindowsAddsIt) {
  RegKey key = Create(kRegLocalMachine, u"Software\\Norvik");
  SetText(key, u"Title", u"abc");  // 6 bytes given; the zero after them in memory is added
  const uint8_t withZero[] = {'x', 0, 0, 0};
  ASSERT_EQ(SysRegSetValue(key, u"Z", kRegTypeSz, withZero, sizeof withZero), 0);
  const char16_t cut[] = u"abcdef";  // only "abc" counted: the next character is no zero
  ASSERT_EQ(SysRegSetValue(key, u"Cut", kRegTypeSz, reinterpret_cast<const uint8_t*>(cut), 6), 0);
  const char16_t bin[] = u"ab";  // binary data keeps its exact bytes
  ASSERT_EQ(SysRegSetValue(key, u"Bin", kRegTypeBinary, reinterpret_cast<const uint8_t*>(bin), 4), 0);

  uint32_t type = 0, size = 0;
  EXPECT_EQ(SysRegQueryValue(key, u"TITLE", &type, nullptr, &size), 0);  // size query
  EXPECT_EQ(type, kRegTypeSz);
  EXPECT_EQ(size, 8u);
  uint8_t data[16] = {};
  size = 5;
  EXPECT_EQ(SysRegQueryValue(key, u"title", &type, data, &size), static_cast<int32_t>(kErrMoreData));
  EXPECT_EQ(size, 8u);
  size = sizeof data;
  EXPECT_EQ(SysRegQueryValue(key, u"Title", &type, data, &size), 0);
  EXPECT_EQ(std::vector<uint8_t>(data, data + size), (std::vector<uint8_t>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
  size = sizeof data;
  EXPECT_EQ(SysRegQueryValue(key, u"Z", &type, data, &size), 0);
  EXPECT_EQ(size, 4u);
  size = sizeof data;
  EXPECT_EQ(SysRegQueryValue(key, u"Cut", &type, data, &size), 0);
  EXPECT_EQ(size, 6u);
  size = sizeof data;
  EXPECT_EQ(SysRegQueryValue(key, u"Bin", &type, data, &size), 0);
  EXPECT_EQ(size, 4u);

  // The empty name and a null name both mean the default value.
  SetText(key, u"", u"d");
  size = sizeof data;
  EXPECT_EQ(SysRegQueryValue(key, nullptr, &type, data, &size), 0);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(SysRegQueryValue(key, u"Missing", &type, data, &size), static_cast<int32_t>(kErrFileNotFound));
  EXPECT_EQ(SysRegDeleteValue(key, u"z"), 0);
  EXPECT_EQ(SysRegDeleteValue(key, u"z"), static_cast<int32_t>(kErrFileNotFound));
  SysRegCloseKey(key);
}

TEST_F(RegistryTest, ValuesEnumerateInCreationOrder) {
  RegKey key = Create(kRegLocalMachine, u"Software\\Order");
  SetText(key, u"zeta", u"1");
  SetText(key, u"Alpha", u"2");
  SetText(key, u"mid", u"3");
  SetText(key, u"ZETA", u"4444");  // replaces in place, keeps the first spelling
  std::vector<std::u16string> names;
  char16_t name[32];
  uint8_t data[32];
  for (uint32_t i = 0;; ++i) {
    uint32_t nameLength = 32, type = 0, size = sizeof data;
    int32_t err = SysRegEnumValue(key, i, name, &nameLength, &type, data, &size);
    if (err == static_cast<int32_t>(kErrNoMoreItems)) break;
    ASSERT_EQ(err, 0);
    names.emplace_back(name, nameLength);
    if (i == 0) {
      EXPECT_EQ(size, 10u);  // "4444" and the zero the registry adds
    }
  }
  EXPECT_EQ(names, (std::vector<std::u16string>{u"zeta", u"Alpha", u"mid"}));

  uint32_t nameLength = 32, size = 3;
  EXPECT_EQ(SysRegEnumValue(key, 0, name, &nameLength, nullptr, data, &size), static_cast<int32_t>(kErrMoreData));
  EXPECT_EQ(size, 10u);
  nameLength = 4;  // "zeta" needs 5
  EXPECT_EQ(SysRegEnumValue(key, 0, name, &nameLength, nullptr, nullptr, nullptr), static_cast<int32_t>(kErrMoreData));
  SysRegCloseKey(key);
}

TEST_F(RegistryTest, DeletingKeys) {
  RegKey parent = Create(kRegCurrentUser, u"Software\\Norvik\\CoInstaller");
  RegKey child = Create(parent, u"Child");
  SetText(child, u"v", u"x");

  EXPECT_EQ(SysRegDeleteKey(kRegCurrentUser, u"Software\\Norvik\\CoInstaller"), static_cast<int32_t>(kErrAccessDenied));
  EXPECT_EQ(SysRegDeleteKey(parent, u"missing"), static_cast<int32_t>(kErrFileNotFound));
  EXPECT_EQ(SysRegDeleteKey(parent, u"CHILD"), 0);

  // The open handle to the deleted key fails from now on; closing it still works.
  uint32_t size = 0;
  EXPECT_EQ(SysRegQueryValue(child, u"v", nullptr, nullptr, &size), static_cast<int32_t>(kErrKeyDeleted));
  EXPECT_EQ(SysRegSetValue(child, u"v", kRegTypeDword, reinterpret_cast<const uint8_t*>("abcd"), 4),
            static_cast<int32_t>(kErrKeyDeleted));
  RegKey again = nullptr;
  EXPECT_EQ(SysRegCreateKey(child, u"sub", kKeyAllAccess, &again, nullptr), static_cast<int32_t>(kErrKeyDeleted));
  EXPECT_EQ(SysRegCloseKey(child), 0);

  // Recreating the name gives a new, empty key.
  child = Create(parent, u"Child");
  EXPECT_EQ(SysRegQueryValue(child, u"v", nullptr, nullptr, &size), static_cast<int32_t>(kErrFileNotFound));
  SysRegCloseKey(child);

  // An empty subkey name deletes the key behind the handle itself; a root cannot be deleted.
  EXPECT_EQ(SysRegDeleteKey(parent, u"Child"), 0);
  EXPECT_EQ(SysRegDeleteKey(parent, u""), 0);
  char16_t name[8];
  uint32_t length = 8;
  EXPECT_EQ(SysRegEnumKey(parent, 0, name, &length), static_cast<int32_t>(kErrKeyDeleted));
  EXPECT_EQ(SysRegCloseKey(parent), 0);
  EXPECT_EQ(SysRegDeleteKey(kRegCurrentUser, nullptr), static_cast<int32_t>(kErrAccessDenied));
  RegKey norvik = nullptr;
  ASSERT_EQ(SysRegOpenKey(kRegCurrentUser, u"Software\\Norvik", kKeyRead, &norvik), 0);
  EXPECT_TRUE(SubkeyNames(norvik).empty());
  SysRegCloseKey(norvik);
}

TEST_F(RegistryTest, BadHandlesAndAccess) {
  const RegKey bogus = reinterpret_cast<RegKey>(static_cast<uintptr_t>(0x4444));
  uint32_t size = 0;
  const uint8_t four[4] = {1, 2, 3, 4};
  RegKey out = nullptr;
  for (RegKey key : {RegKey(nullptr), bogus}) {
    EXPECT_EQ(SysRegQueryValue(key, u"v", nullptr, nullptr, &size), static_cast<int32_t>(kErrInvalidHandle));
    EXPECT_EQ(SysRegSetValue(key, u"v", kRegTypeBinary, four, 4), static_cast<int32_t>(kErrInvalidHandle));
    EXPECT_EQ(SysRegOpenKey(key, u"x", kKeyRead, &out), static_cast<int32_t>(kErrInvalidHandle));
    EXPECT_EQ(SysRegCloseKey(key), static_cast<int32_t>(kErrInvalidHandle));
  }
  RegKey key = Create(kRegLocalMachine, u"Software\\Norvik");
  ASSERT_EQ(SysRegCloseKey(key), 0);
  EXPECT_EQ(SysRegCloseKey(key), static_cast<int32_t>(kErrInvalidHandle));

  // A handle opened for reading cannot write on the NT family; the 9x family does not check.
  ASSERT_EQ(SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik", kKeyRead, &key), 0);
  EXPECT_EQ(SysRegSetValue(key, u"v", kRegTypeBinary, four, 4), static_cast<int32_t>(kErrAccessDenied));
  SysRegCloseKey(key);
  StartMachine("win98");
  SysRegCloseKey(Create(kRegLocalMachine, u"Software\\Norvik"));
  ASSERT_EQ(SysRegOpenKey(kRegLocalMachine, u"Software\\Norvik", kKeyRead, &key), 0);
  EXPECT_EQ(SysRegSetValue(key, u"v", kRegTypeBinary, four, 4), 0);
  SysRegCloseKey(key);
}

TEST_F(RegistryTest, InjectedFaultFailsOneCall) {
  RegKey key = Create(kRegLocalMachine, u"Software\\Norvik");
  const uint8_t one[4] = {1, 0, 0, 0};
  sim::FailCall("SysRegSetValue", 1, kErrAccessDenied);
  EXPECT_EQ(SysRegSetValue(key, u"InstallTrace", kRegTypeDword, one, 4), static_cast<int32_t>(kErrAccessDenied));
  uint32_t size = 0;
  EXPECT_EQ(SysRegQueryValue(key, u"InstallTrace", nullptr, nullptr, &size), static_cast<int32_t>(kErrFileNotFound));
  EXPECT_EQ(SysRegSetValue(key, u"InstallTrace", kRegTypeDword, one, 4), 0);
  SysRegCloseKey(key);
}

}  // namespace
