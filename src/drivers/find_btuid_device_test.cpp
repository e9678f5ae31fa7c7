// Present Bluetooth mice whose hardware ids are value names of the product's BTUID key.
#include "drivers/find_btuid_device.h"

#include "support/driver_stage_fixture.h"

namespace {

class FindBTUIDDeviceTest : public DriverStageFixture {};

TEST_F(FindBTUIDDeviceTest, ComparesEveryHardwareIdWithTheValueNames) {
  const std::string btuid = "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98\\BTUID]\n\"hid\\\\bt_mouse\"=\"\"\n";
  const struct {
    const char* name;
    std::string reg;
    bool present;
    std::u16string instance;
    int failedSets;  // device sets refused before the walk
    int expected;
  } rows[] = {
      {"second id listed", btuid, true, u"HID\\BT_MOUSE&COL01\\1", 0, 1},
      {"no BTUID key", "", true, u"HID\\BT_MOUSE&COL01\\1", 0, 0},
      {"unplugged", btuid, false, u"HID\\BT_MOUSE&COL01\\1", 0, 0},
      {"not enumerated by HID", btuid, true, u"BTHENUM\\BT_MOUSE\\1", 0, 0},
      {"profile set after a refused HID set", btuid, true, u"BTHENUM\\BT_MOUSE\\1", 1, 1},
      {"no set at all", btuid, true, u"HID\\BT_MOUSE&COL01\\1", 2, 0},
  };
  for (const auto& row : rows) {
    StartMachine("win7");
    if (!row.reg.empty()) ImportReg(row.reg);
    AddDevice("Mouse", row.present, {u"HID\\BT_MOUSE&COL01", u"HID\\BT_MOUSE"}, row.instance);
    for (int n = 1; n <= row.failedSets; ++n) sim::FailCall("SysGetClassDevs", n, kErrInvalidParameter);
    EXPECT_EQ(FindBTUIDDevice(), row.expected) << row.name;
  }
}

}  // namespace
