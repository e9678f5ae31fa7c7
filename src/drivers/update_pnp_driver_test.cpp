// The driver stage: which route runs on which system and interface, and what the update
// function's error code leads to.
#include "drivers/update_pnp_driver.h"

#include <cstdio>

#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

constexpr const char16_t* kPresent = u"HID\\VID_1&PID_2\\7&0";
constexpr const char16_t* kUnplugged = u"HID\\VID_1&PID_2\\7&1";

class UpdatePnPDriverTest : public DriverStageFixture {
 protected:
  // The record names the device; the driver setup program answers with success.
  void Seed(bool devicePresent, bool programPresent = true) {
    SeedRecord(u"mouse.inf", "HID\\VID_1&PID_2");
    if (devicePresent) AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, kPresent);
    AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, kUnplugged);
    if (programPresent)
      for (const char* program : {"SetupNT.exe", "Setup9x.exe"}) AddSetupProgram(program, 0);
  }
  bool UpdateTried() const { return JournalHas("driver: UpdateDriverForPlugAndPlayDevices"); }
};

TEST_F(UpdatePnPDriverTest, RouteBySystemInterfaceAndSwitches) {
  const struct {
    const char* name;
    const char* profile;
    int32_t type;
    int32_t ps2IsProduct, silent;
    bool programPresent;
    bool updatePart;  // newdev is asked for
    bool programRuns;
    int32_t ps2IsProductAfter;
  } rows[] = {
      {"USB on 7", "win7", kInterfaceUSB, 1, 0, true, true, false, 1},
      {"PS/2 product name on 7", "win7", kInterfacePS2, 1, 0, true, false, true, 1},
      {"PS/2 product name, silent", "win7", kInterfacePS2, 1, 1, true, true, false, 1},
      {"PS/2 without program", "win7", kInterfacePS2, 1, 0, false, true, false, 0},
      {"PS/2 on 7", "win7", kInterfacePS2, 0, 0, true, true, false, 0},
      {"Bluetooth on 98", "win98", kInterfaceBluetooth, 0, 0, true, true, true, 0},
      {"USB on 98", "win98", kInterfaceUSB, 0, 1, true, false, true, 0},
      {"PS/2 on Me", "winme", kInterfacePS2, 1, 0, true, true, true, 1},
      {"USB on Me", "winme", kInterfaceUSB, 0, 1, true, false, true, 0},
      {"PS/2 on NT 4", "nt4", kInterfacePS2, 0, 1, true, false, true, 0},
  };
  for (const auto& row : rows) {
    StartMachine(row.profile);
    Seed(true, row.programPresent);
    g_Settings.InterfaceType = row.type;
    g_Settings.PS2DriverNameIsProductName = row.ps2IsProduct;
    g_Settings.SilentMode = row.silent;

    EXPECT_EQ(UpdatePnPDriver(nullptr), 1) << row.name;
    EXPECT_EQ(JournalHas("load-library: newdev.dll"), row.updatePart) << row.name;
    EXPECT_EQ(!sim::StartedPrograms().empty(), row.programRuns) << row.name;
    EXPECT_EQ(g_Settings.PS2DriverNameIsProductName, row.ps2IsProductAfter) << row.name;
  }
}

TEST_F(UpdatePnPDriverTest, ErrorCodeOfTheUpdate) {
  enum Cause { kNone, kMissingInf, kNoDevice, kFault };
  const struct {
    const char* name;
    int32_t type;
    int32_t ps2IsProduct;
    Cause cause;
    ErrorCode fault;
    const char* box;
    int32_t restart, skip;
    bool programRuns;
    int64_t unpluggedFlags;
  } rows[] = {
      {"USB updated", kInterfaceUSB, 0, kNone, 0, "Update PnP device No Error", 1, 0, false, 0x20},
      {"PS/2 updated, restart", kInterfacePS2, 0, kNone, 0, "Update PnP device No Error", 1, 1, false, 0},
      {"PS/2 product name updated", kInterfacePS2, 1, kNone, 0, "Update PnP device No Error", 1, 0, false, 0},
      {"USB INF missing", kInterfaceUSB, 0, kMissingInf, 0, "Update PnP device file not found", 0, 0, true, 0},
      {"USB invalid flags", kInterfaceUSB, 0, kFault, kErrInvalidFlags, "Update PnP device invalid flags", 0, 0, true,
       0},
      {"PS/2 no device", kInterfacePS2, 0, kNoDevice, 0, "Update PnP device No Such device", 1, 0, true, 0},
      {"USB no device", kInterfaceUSB, 0, kNoDevice, 0, "Update PnP device No Such device", 0, 0, true, 0x20},
      {"USB other error", kInterfaceUSB, 0, kFault, kErrAccessDenied, "default", 0, 0, true, 0x20},
  };
  for (const auto& row : rows) {
    StartMachine("win7");
    Seed(row.cause != kNoDevice);
    if (row.cause == kMissingInf) {
      ASSERT_EQ(std::remove(sim::HostPath(PackagePath(u"mouse.inf")).c_str()), 0);
    }
    if (row.cause == kFault) sim::FailCall("SysUpdateDriverForPlugAndPlayDevices", 1, row.fault);
    sim::SetDriverUpdateNeedsRestart(true);
    g_Settings.InterfaceType = row.type;
    g_Settings.PS2DriverNameIsProductName = row.ps2IsProduct;
    g_Settings.SilentMode = 1;
    g_Settings.InstallTrace = 1;
    g_Settings.SkipRunPrograms = 7;

    EXPECT_EQ(UpdatePnPDriver(nullptr), 1) << row.name;
    EXPECT_TRUE(JournalHas("msgbox: [UpdateDriverForPlugAndPlayDevices TYPE=" +
                           std::string(row.type == kInterfaceUSB ? "USB" : "PS2") + "] PnpID = HID\\VID_1&PID_2\\nInf = "))
        << row.name;
    EXPECT_TRUE(JournalHas("] " + std::string(row.box) + " ->")) << row.name;
    EXPECT_EQ(g_Settings.Restart, row.restart) << row.name;
    EXPECT_EQ(g_Settings.SkipRunPrograms, row.skip) << row.name;
    EXPECT_EQ(!sim::StartedPrograms().empty(), row.programRuns) << row.name;
    EXPECT_EQ(DeviceFlags(kUnplugged), row.unpluggedFlags) << row.name;
  }
}

TEST_F(UpdatePnPDriverTest, MissingUpdateFunctionOrRecordFallsBackToTheProgram) {
  const char* cases[] = {"library", "export", "record"};
  for (const std::string which : cases) {
    StartMachine("win7");
    Seed(true);
    if (which == "library") sim::SetLibraryMissing("newdev.dll");
    if (which == "export") sim::SetExportMissing("newdev.dll", "UpdateDriverForPlugAndPlayDevicesW");
    if (which == "record") ImportReg("[-HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave]\n");
    g_Settings.InterfaceType = kInterfaceUSB;

    EXPECT_EQ(UpdatePnPDriver(nullptr), 1) << which;
    EXPECT_FALSE(UpdateTried()) << which;
    EXPECT_EQ(Started(), std::vector<std::string>{"D:\\SetupNT.exe Software\\Norvik\\Install\\Glidewave"}) << which;
  }
}

}  // namespace
