// Reinstall marks on unplugged HID devices whose first hardware id is the given one.
#include "drivers/reinstall_unplugged_device.h"

#include "common/text.h"
#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

class ReinstallUnpluggedDeviceTest : public DriverStageFixture {};

TEST_F(ReinstallUnpluggedDeviceTest, MarksOnlyUnpluggedHidDevicesWithTheWholeFirstId) {
  AddDevice("HID", false, {u"HID\\VID_1&PID_2", u"HID\\VID_1"}, u"HID\\VID_1&PID_2\\A", 0x1);
  AddDevice("HID", false, {u"HID\\VID_1&PID_2&MI_00"}, u"HID\\VID_1&PID_2&MI_00\\B");
  AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\C");
  AddDevice("HID", false, {u"HID\\OTHER", u"HID\\VID_1&PID_2"}, u"HID\\OTHER\\D");
  AddDevice("Mouse", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\E");
  g_Settings.InstallTrace = 1;

  char16_t id[kTextSize];
  TextCopy(id, u"hid\\vid_1&pid_2");
  EXPECT_EQ(ReinstallUnpluggedDevice(id, u"Glidewave Mouse"), 0);

  EXPECT_EQ(sim::ToUtf8(id), "HID\\VID_1&PID_2");
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\A"), 0x21);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2&MI_00\\B"), 0);  // the id is only a prefix of its own
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\C"), 0);        // present
  EXPECT_EQ(DeviceFlags(u"HID\\OTHER\\D"), 0);              // not its first id
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\E"), 0);        // not of the HID class
  EXPECT_EQ(JournalLines("device: flags "), std::vector<std::string>{"device: flags HID\\VID_1&PID_2\\A 0x21"});
  EXPECT_TRUE(JournalHas("] +++++ReinstallUnpluggedDevice+++++ ->"));
}

}  // namespace
