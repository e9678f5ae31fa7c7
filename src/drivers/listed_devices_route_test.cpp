// The listed-devices route: the first-setup flag or the removal of an unplugged listed device,
// the driver-installation program once per interface, the updates of the listed ids and the
// driver setup program after them.
#include "drivers/listed_devices_route.h"

#include "common/text.h"
#include "drivers/update_listed_devices.h"
#include "drivers/update_pnp_driver.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

class ListedDevicesRouteTest : public DriverStageFixture {
 protected:
  void Prepare() override {
    DriverStageFixture::Prepare();
    _nDifxMarkUSB = _nDifxMarkPS2 = _nDifxMarkBT = 0;
    SeedRecord(u"usb.inf", "HID\\VID_1&PID_1");
    AddSetupProgram("SetupNT.exe", 0);
    WritePackageFile(u"difxapp32.exe", "MZ");
    g_Settings.Mode_DPInst = 1;
    g_Settings.InterfaceType = kInterfaceUSB;
  }
  static std::string FirstSetup() {
    RegKey key = nullptr;
    if (SysRegOpenKey(kRegCurrentUser, u"Software\\Norvik\\Glidewave 98", kKeyRead, &key) != 0) return "<none>";
    char16_t data[16] = {};
    uint32_t size = sizeof(data) - 2, type = 0;
    const bool read = SysRegQueryValue(key, u"FirstSetup", &type, reinterpret_cast<uint8_t*>(data), &size) == 0;
    SysRegCloseKey(key);
    return read ? sim::ToUtf8(data) : "<none>";
  }
};

TEST_F(ListedDevicesRouteTest, KnownListedDeviceLosesItsUnpluggedCopyAndEveryIdIsUpdated) {
  WriteConfig("[USBInstall]\r\nDEV_ID_1=HID\\VID_1&PID_2\r\nDEV_ID_2=HID\\VID_1&PID_1\r\n");
  AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\9");
  AddDevice("HID", true, {u"HID\\VID_1&PID_1"}, u"HID\\VID_1&PID_1\\0");

  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  EXPECT_EQ(JournalLines("device: removed "), std::vector<std::string>{"device: removed HID\\VID_1&PID_2\\9"});
  EXPECT_EQ(FirstSetup(), "<none>");
  EXPECT_EQ(Started(), (std::vector<std::string>{"difxapp32.exe /i D:\\usb.inf setup2k.ini",
                                                 "D:\\SetupNT.exe Software\\Norvik\\Install\\Glidewave"}));
  EXPECT_TRUE(sim::StartedPrograms()[0].hidden);
  EXPECT_EQ(JournalLines("driver: ").size(), 2u);
  EXPECT_EQ(DeviceDriver(u"HID\\VID_1&PID_1\\0"), u"D:\\usb.inf");
}

TEST_F(ListedDevicesRouteTest, ListEndWithoutKnownDeviceSetsFirstSetupAndStopsAfter99) {
  std::string list = "[USBInstall]\r\n";
  for (int n = 1; n <= 99; ++n) list += "DEV_ID_" + std::to_string(n) + "=HID\\VID_9&PID_" + std::to_string(n) + "\r\n";
  WriteConfig(list + "DEV_ID_100=HID\\VID_1&PID_2\r\n");
  AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\9");

  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  EXPECT_EQ(FirstSetup(), "TRUE");
  EXPECT_TRUE(JournalHas("trace: * break count = 100*"));
  EXPECT_TRUE(JournalLines("device: removed ").empty());
  EXPECT_EQ(JournalLines("driver: ").size(), 99u);
}

TEST_F(ListedDevicesRouteTest, DriverInstallationProgramRunsUntilEveryInterfaceHadIt) {
  TextCopy(g_Settings.BTInf, u"bt.inf");
  g_Settings.InterfaceType = kInterfaceBluetooth;
  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  g_Settings.InterfaceType = kInterfacePS2;
  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  g_Settings.InterfaceType = kInterfaceUSB;
  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);  // all three marks are set now

  std::vector<std::string> difx;
  for (const std::string& line : Started())
    if (line.compare(0, 8, "difxapp3") == 0) difx.push_back(line);
  EXPECT_EQ(difx, (std::vector<std::string>{"difxapp32.exe /i D:\\bt.inf setup2k.ini",
                                            "difxapp32.exe /i D:\\usb.inf setup2k.ini",
                                            "difxapp32.exe /i D:\\usb.inf setup2k.ini"}));
}

}  // namespace
