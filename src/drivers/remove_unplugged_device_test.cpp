// Removal of the first unplugged device whose instance id begins with the given id.
#include "drivers/remove_unplugged_device.h"

#include "support/driver_stage_fixture.h"

namespace {

class RemoveUnpluggedDeviceTest : public DriverStageFixture {
 protected:
  void Prepare() override {
    DriverStageFixture::Prepare();
    AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\A");
    AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\B");
    AddDevice("Mouse", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\C");
  }
};

TEST_F(RemoveUnpluggedDeviceTest, RemovesOneUnpluggedMatchPerCallAndNeverAPresentOne) {
  EXPECT_EQ(RemoveUnpluggedDevice(u"hid\\vid_1&pid_2"), 1);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\B"), -1);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\C"), 0);
  EXPECT_TRUE(JournalHas("trace: Oh, The Device(szID) had remove from your computer!"));

  EXPECT_EQ(RemoveUnpluggedDevice(u"HID\\VID_1&PID_2"), 1);
  EXPECT_EQ(RemoveUnpluggedDevice(u"HID\\VID_1&PID_2"), 0);
  EXPECT_EQ(JournalLines("device: removed "),
            (std::vector<std::string>{"device: removed HID\\VID_1&PID_2\\B", "device: removed HID\\VID_1&PID_2\\C"}));
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\A"), 0);
}

TEST_F(RemoveUnpluggedDeviceTest, AFailedRemovalTriesTheNextMatch) {
  sim::FailCall("SysCallClassInstaller", 1, kErrAccessDenied);
  EXPECT_EQ(RemoveUnpluggedDevice(u"HID\\VID_1&PID_2"), 1);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\B"), 0);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\C"), -1);
}

}  // namespace
