// The simulated machine's devices: profile lines, device sets and the driver update.
#include <fstream>

#include "platform/devices.h"
#include "platform/kernel.h"
#include "support/sim_fixture.h"

namespace {

class SimDevicesTest : public SimFixture {};

TEST_F(SimDevicesTest, ProfileDeviceLines) {
  const std::string path = ::testing::TempDir() + "devices.profile";
  const struct {
    std::string line;
    bool ok;
  } rows[] = {
      {"device=Mouse|present|HID\\VID_1&PID_2,HID\\VID_1|HID\\VID_1&PID_2\\6&1&0|0x20", true},
      {"device=HID|unplugged|HID\\VID_3|HID\\VID_3\\0", true},
      {"device=HID|gone|HID\\VID_3|HID\\VID_3\\0", false},
      {"device=HID|present|HID\\VID_3|HID\\VID_3\\0|lots", false},
  };
  for (const auto& row : rows) {
    std::ofstream(path) << "base=win7\n" << row.line << "\n";
    sim::MachineProfile profile;
    std::string error;
    EXPECT_EQ(sim::LoadProfileFile(path, &profile, &error), row.ok) << row.line << ": " << error;
  }
  std::ofstream(path) << rows[0].line << "\n" << rows[1].line << "\n";
  sim::MachineProfile profile;
  ASSERT_TRUE(sim::LoadProfileFile(path, &profile, nullptr));
  StartMachine(profile);
  const std::vector<sim::Device> devices = sim::Devices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].hardwareIds, (std::vector<std::u16string>{u"HID\\VID_1&PID_2", u"HID\\VID_1"}));
  EXPECT_EQ(devices[0].configFlags, 0x20u);
  EXPECT_FALSE(devices[1].present);

}

TEST_F(SimDevicesTest, DriverUpdateNeedsAPresentDeviceAndTheInf) {
  sim::Device device;
  device.className = "HID";
  device.hardwareIds = {u"HID\\VID_1&PID_2", u"HID\\VID_1"};
  device.instanceId = u"HID\\VID_1&PID_2\\0";
  sim::AddDevice(device);
  device.present = false;
  device.hardwareIds = {u"HID\\VID_7"};
  device.instanceId = u"HID\\VID_7\\0";
  sim::AddDevice(device);
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
      {u"hid\\vid_1", u"D:\\m.inf", kInstallFlagForce, 1, 0, 1},  // a later id, other case
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
  EXPECT_EQ(JournalLines("driver: ")[0], "driver: UpdateDriverForPlugAndPlayDevices hid\\vid_1 D:\\m.inf -> ok, restart 1");
  EXPECT_EQ(JournalLines("driver: ")[2],
            "driver: UpdateDriverForPlugAndPlayDevices HID\\VID_7 D:\\m.inf -> error 0xe000020b");
}

}  // namespace
