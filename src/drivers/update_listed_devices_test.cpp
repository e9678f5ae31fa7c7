// The listed-devices work: the driver-installation program or the reinstall marks, and one
// driver update per hardware id of the USB install section.
#include "drivers/update_listed_devices.h"

#include <string>
#include <vector>

#include "drivers/newdev_library.h"
#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

constexpr const char16_t* kUnplugged = u"HID\\VID_1&PID_1\\9";

class UpdateListedDevicesTest : public DriverStageFixture {
 protected:
  void Prepare() override {
    DriverStageFixture::Prepare();
    _nDifxMarkUSB = _nDifxMarkPS2 = _nDifxMarkBT = 0;
    WritePackageFile(u"usb.inf", "[Version]\r\n");
    WritePackageFile(u"difxapp32.exe", "MZ");
    WriteConfig("[USBInstall]\r\nDEV_ID_1=HID\\VID_1&PID_1\r\nDEV_ID_2=HID\\VID_1&PID_2\r\n");
    AddDevice("HID", true, {u"HID\\VID_1&PID_1"}, u"HID\\VID_1&PID_1\\0");
    AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\0");
    AddDevice("HID", false, {u"HID\\VID_1&PID_1"}, kUnplugged);
  }
};

TEST_F(UpdateListedDevicesTest, ProgramOrReinstallMarksThenEveryListedId) {
  struct Case {
    const char* name;
    const char* profile;
    int32_t type, dpInst;
    bool noLibrary;
    bool programRuns;
    int64_t unpluggedFlags;
    size_t updates;
  };
  const Case cases[] = {
      {"driver program on 7", "win7", kInterfaceUSB, 1, false, true, 0, 2},
      {"reinstall marks on 7", "win7", kInterfaceUSB, 0, false, false, 0x20, 2},
      {"neither program nor update on 98", "win98", kInterfacePS2, 1, false, false, 0, 0},
      {"no update function", "win7", kInterfaceBluetooth, 1, true, true, 0, 0},
      {"no interface chosen", "win7", 0, 1, false, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.profile);
    if (c.noLibrary) sim::SetExportMissing("newdev.dll", "UpdateDriverForPlugAndPlayDevicesW");
    g_Settings.InterfaceType = c.type;
    g_Settings.Mode_DPInst = c.dpInst;
    char16_t hardwareId[] = u"hid\\vid_1&pid_1";
    const std::u16string inf = PackagePath(u"usb.inf");
    LoadNewdev();  // the route keeps the library loaded around this work
    UpdateListedDevices(inf.c_str(), hardwareId, u"Glidewave Mouse");
    ReleaseNewdev();
    EXPECT_EQ(Started().size(), c.programRuns ? 1u : 0u);
    if (c.programRuns) {
      EXPECT_TRUE(sim::StartedPrograms()[0].hidden);
      EXPECT_NE(Started()[0].find(sim::ToUtf8(inf)), std::string::npos) << Started()[0];
    }
    EXPECT_EQ(DeviceFlags(kUnplugged), c.unpluggedFlags);
    EXPECT_EQ(JournalLines("driver: ").size(), c.updates);
    const std::u16string expectedDriver = c.updates ? inf : u"";
    EXPECT_EQ(DeviceDriver(u"HID\\VID_1&PID_1\\0"), expectedDriver);
    EXPECT_EQ(DeviceDriver(u"HID\\VID_1&PID_2\\0"), expectedDriver);
  }
}

}  // namespace
