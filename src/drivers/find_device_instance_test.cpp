// Device look-up by the beginning of an instance id, present or unplugged.
#include "drivers/find_device_instance.h"

#include "support/driver_stage_fixture.h"

namespace {

class FindDeviceInstanceTest : public DriverStageFixture {};

TEST_F(FindDeviceInstanceTest, MatchesTheBeginningOfAnInstanceIdIgnoringCase) {
  AddDevice("Mouse", false, {u"HID\\VID_1234&PID_5678"}, u"HID\\VID_1234&PID_5678\\6&1&0");
  const struct {
    const char16_t* id;
    int expected;
  } rows[] = {
      {u"HID\\VID_1234&PID_5678", 1},          // without the instance suffix
      {u"hid\\vid_1234", 1},                   // shorter prefix, other case
      {u"HID\\VID_1234&PID_5678\\6&1&0", 1},   // the whole id
      {u"HID\\VID_1234&PID_5678\\6&1&0X", 0},  // longer than the device's id
      {u"HID\\VID_1234&PID_5679", 0},
      {u"", 0},
  };
  for (const auto& row : rows) EXPECT_EQ(FindDeviceInstance(row.id), row.expected) << sim::ToUtf8(row.id);
}

}  // namespace
