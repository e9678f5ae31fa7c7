// The configured list of present HID devices that keep out of the listed-devices route.
#include "drivers/is_dpinst_false_device.h"

#include "support/driver_stage_fixture.h"

namespace {

class IsDPInstFalseDeviceTest : public DriverStageFixture {};

TEST_F(IsDPInstFalseDeviceTest, PresentHidDeviceWhoseIdBeginsWithAListedEntry) {
  const struct {
    const char* name;
    std::string list;
    std::string className;
    bool present;
    int expected;
  } rows[] = {
      {"prefix entry", "DEV_ID_1=USB\\X\r\nDEV_ID_2=hid\\vid_1\r\n", "HID", true, 1},
      {"empty list", "", "HID", true, 0},
      {"entry after a gap", "DEV_ID_2=HID\\VID_1\r\n", "HID", true, 0},
      {"unplugged device", "DEV_ID_1=HID\\VID_1\r\n", "HID", false, 0},
      {"mouse class", "DEV_ID_1=HID\\VID_1\r\n", "Mouse", true, 0},
      {"entry longer than the id", "DEV_ID_1=HID\\VID_1&PID_2&REV_3\r\n", "HID", true, 0},
  };
  for (const auto& row : rows) {
    StartMachine("win7");
    WriteConfig("[Mode_DPInst_FALSE.List]\r\n" + row.list);
    AddDevice(row.className, row.present, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\0");
    EXPECT_EQ(IsDPInstFalseDevice(nullptr), row.expected) << row.name;
  }
}

}  // namespace
