// The simulated driver update: it needs a plugged-in device with a matching hardware id (any of
// its ids, in any case), the INF and valid flags.
#include "platform/devices.h"
#include "platform/kernel.h"
#include "support/sim_fixture.h"

namespace {

using SimDevicesTest = SimFixture;

TEST_F(SimDevicesTest, DriverUpdateNeedsAPresentDeviceAndTheInf) {
  sim::AddDevice({"HID", true, {u"HID\\VID_1&PID_2", u"HID\\VID_1"}, u"HID\\VID_1&PID_2\\0", 0, u""});
  sim::AddDevice({"HID", false, {u"HID\\VID_7"}, u"HID\\VID_7\\0", 0, u""});
  WritePackageFile(u"m.inf", "[Version]");
  sim::SetDriverUpdateNeedsRestart(true);
  const struct {
    const char16_t* id;
    const char16_t* inf;
    uint32_t flags;
    int ok;
    ErrorCode error;
    int restart;
  } rows[] = {
      {u"hid\\vid_1", u"D:\\m.inf", kInstallFlagForce, 1, 0, 1},
      {u"HID\\VID_1", u"D:\\missing.inf", kInstallFlagForce, 0, kErrFileNotFound, 5},
      {u"HID\\VID_7", u"D:\\m.inf", kInstallFlagForce, 0, kErrNoSuchDevinst, 5},  // unplugged only
      {u"HID\\VID_1", u"D:\\m.inf", 0x100, 0, kErrInvalidFlags, 5},
  };
  for (const auto& row : rows) {
    int restart = 5;
    EXPECT_EQ(SysUpdateDriverForPlugAndPlayDevices(row.id, row.inf, row.flags, &restart), row.ok);
    EXPECT_EQ(SysGetLastError(), row.error);
    EXPECT_EQ(restart, row.restart);
  }
  EXPECT_EQ(sim::Devices()[0].driverInf, u"D:\\m.inf");
  EXPECT_EQ(JournalLines("driver: ")[2],
            "driver: UpdateDriverForPlugAndPlayDevices HID\\VID_7 D:\\m.inf -> error 0xe000020b");
}

}  // namespace
