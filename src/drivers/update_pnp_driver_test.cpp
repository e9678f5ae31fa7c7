// The driver stage on the driver-stage fixture: the route by system and interface, the update
// function's error codes, the driver setup program and its verdicts, the listed-devices route,
// the stage dialog, the OEM INF copy and the device queries and changes behind them.
#include "drivers/update_pnp_driver.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/text.h"
#include "drivers/driver_setup_program.h"
#include "drivers/find_btuid_device.h"
#include "drivers/find_device_instance.h"
#include "drivers/is_dpinst_false_device.h"
#include "drivers/newdev_library.h"
#include "drivers/oem_inf_copy.h"
#include "drivers/reinstall_unplugged_device.h"
#include "drivers/remove_unplugged_device.h"
#include "drivers/update_listed_devices.h"
#include "drivers/update_pnp_dialog.h"
#include "platform/registry.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

constexpr const char16_t* kPresent = u"HID\\VID_1&PID_2\\7&0";
constexpr const char16_t* kUnplugged = u"HID\\VID_1&PID_2\\7&1";
constexpr const char* kRecordArg = "Software\\Norvik\\Install\\Glidewave";

class UpdatePnPDriverTest : public DriverStageFixture {
 protected:
  // The record names the device; the driver setup programs answer with success.
  void Seed(bool devicePresent, bool programPresent = true) {
    SeedRecord(u"mouse.inf", "HID\\VID_1&PID_2");
    if (devicePresent) AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, kPresent);
    AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, kUnplugged);
    if (programPresent)
      for (const char* program : {"SetupNT.exe", "Setup9x.exe"}) AddSetupProgram(program, 0);
  }
  // The listed-devices route: USB with Mode_DPInst, the installation program in the package.
  void SeedListed() {
    _nDifxMarkUSB = _nDifxMarkPS2 = _nDifxMarkBT = 0;
    SeedRecord(u"usb.inf", "HID\\VID_1&PID_1");
    AddSetupProgram("SetupNT.exe", 0);
    WritePackageFile(u"difxapp32.exe", "MZ");
    g_Settings.Mode_DPInst = 1, g_Settings.InterfaceType = kInterfaceUSB;
  }
};

TEST_F(UpdatePnPDriverTest, RouteBySystemInterfaceAndSwitches) {
  const struct { const char* name; const char* profile; int32_t type, ps2IsProduct, silent;
      bool programPresent, updatePart, programRuns; int32_t ps2IsProductAfter; } rows[] = {
      {"USB on 7", "win7", kInterfaceUSB, 1, 0, true, true, false, 1},
      {"PS/2 product name on 7", "win7", kInterfacePS2, 1, 0, true, false, true, 1},
      {"PS/2 product name, silent", "win7", kInterfacePS2, 1, 1, true, true, false, 1},
      {"PS/2 without program", "win7", kInterfacePS2, 1, 0, false, true, false, 0},
      {"PS/2 on 7", "win7", kInterfacePS2, 0, 0, true, true, false, 0},
      {"Bluetooth on 98", "win98", kInterfaceBluetooth, 0, 0, true, true, true, 0},
      {"USB on 98", "win98", kInterfaceUSB, 0, 1, true, false, true, 0},
      {"PS/2 on Me", "winme", kInterfacePS2, 1, 0, true, true, true, 1},
      {"PS/2 on NT 4", "nt4", kInterfacePS2, 0, 1, true, false, true, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StartMachine(row.profile);
    Seed(true, row.programPresent);
    g_Settings.InterfaceType = row.type, g_Settings.PS2DriverNameIsProductName = row.ps2IsProduct;
    g_Settings.SilentMode = row.silent;
    EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
    EXPECT_EQ(JournalHas("load-library: newdev.dll"), row.updatePart);
    EXPECT_EQ(!sim::StartedPrograms().empty(), row.programRuns);
    EXPECT_EQ(g_Settings.PS2DriverNameIsProductName, row.ps2IsProductAfter);
  }
}

TEST_F(UpdatePnPDriverTest, ErrorCodeOfTheUpdate) {
  enum Cause { kNone, kMissingInf, kNoDevice, kFault, kNoLibrary, kNoExport, kNoRecord };
  const struct { const char* name; int32_t type, ps2IsProduct, preload; Cause cause; ErrorCode fault;
      const char* box;  // "" when the update is not tried
      int32_t restart, skip; bool programRuns; int64_t unpluggedFlags;  // -1: the unplugged copy is gone
  } rows[] = {
      {"USB updated", kInterfaceUSB, 0, 0, kNone, 0, "Update PnP device No Error", 1, 0, false, 0x20},
      {"PS/2 updated, restart", kInterfacePS2, 0, 0, kNone, 0, "Update PnP device No Error", 1, 1, false, 0},
      {"preload drops the unplugged copy", kInterfaceUSB, 0, 1, kNone, 0, "Update PnP device No Error", 1, 0, false, -1},
      {"USB INF missing", kInterfaceUSB, 0, 0, kMissingInf, 0, "Update PnP device file not found", 0, 0, true, 0},
      {"PS/2 no device", kInterfacePS2, 0, 0, kNoDevice, 0, "Update PnP device No Such device", 1, 0, true, 0},
      {"USB no device", kInterfaceUSB, 0, 0, kNoDevice, 0, "Update PnP device No Such device", 0, 0, true, 0x20},
      {"USB other error", kInterfaceUSB, 0, 0, kFault, kErrAccessDenied, "default", 0, 0, true, 0x20},
      {"no update library", kInterfaceUSB, 0, 0, kNoLibrary, 0, "", 0, 0, true, 0},
      {"no install record", kInterfaceUSB, 0, 0, kNoRecord, 0, "", 0, 0, true, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StartMachine("win7");
    Seed(row.cause != kNoDevice);
    if (row.cause == kMissingInf) { ASSERT_EQ(std::remove(sim::HostPath(PackagePath(u"mouse.inf")).c_str()), 0); }
    if (row.cause == kFault) sim::FailCall("SysUpdateDriverForPlugAndPlayDevices", 1, row.fault);
    if (row.cause == kNoLibrary) sim::SetLibraryMissing("newdev.dll");
    if (row.cause == kNoExport) sim::SetExportMissing("newdev.dll", "UpdateDriverForPlugAndPlayDevicesW");
    if (row.cause == kNoRecord) ImportReg("[-HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave]\n");
    sim::SetDriverUpdateNeedsRestart(true);
    g_Settings.InterfaceType = row.type, g_Settings.PS2DriverNameIsProductName = row.ps2IsProduct;
    g_Settings.PreloadMode = row.preload, g_Settings.SilentMode = 1, g_Settings.InstallTrace = 1;
    g_Settings.SkipRunPrograms = 7;

    EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
    if (!*row.box) { EXPECT_FALSE(JournalHas("driver: UpdateDriverForPlugAndPlayDevices")); }
    if (*row.box) {
      EXPECT_TRUE(JournalHas("msgbox: [UpdateDriverForPlugAndPlayDevices TYPE=" +
                             std::string(row.type == kInterfaceUSB ? "USB" : "PS2") +
                             "] PnpID = HID\\VID_1&PID_2\\nInf = "));
      EXPECT_TRUE(JournalHas("] " + std::string(row.box) + " ->"));
    }
    EXPECT_EQ(g_Settings.Restart, row.restart);
    EXPECT_EQ(g_Settings.SkipRunPrograms, row.skip);
    EXPECT_EQ(DeviceFlags(kUnplugged), row.unpluggedFlags);
    EXPECT_EQ(DeviceDriver(kPresent), std::string(row.box) == "Update PnP device No Error" ? u"D:\\mouse.inf" : u"");
    if (row.programRuns)
      EXPECT_EQ(Started(), std::vector<std::string>{std::string("D:\\SetupNT.exe ") + kRecordArg});
    else
      EXPECT_TRUE(Started().empty());
  }
}

TEST_F(UpdatePnPDriverTest, SetupProgramVerdictDecidesWhetherTheInstallationGoesOn) {
  enum Start { kWrites, kWritesNothing, kFailsToStart };
  constexpr uint32_t kMinusOne = 0xFFFFFFFF, kMinusTwo = 0xFFFFFFFE;
  const struct { const char* name; int32_t type; uint32_t result; Start start; int32_t installAll, preload;
      int expected; int32_t skip; const char* dialog;  // journal line of the dialog shown, "" for none
  } rows[] = {
      {"success", kInterfacePS2, 0, kWrites, 0, 0, 1, 0, ""},
      {"-1 for USB", kInterfaceUSB, kMinusOne, kWrites, 0, 0, 1, 1, ""},
      {"-1 for PS/2", kInterfacePS2, kMinusOne, kWrites, 0, 0, 0, 7, "dialog: 116 [Setup Failed!] shown"},
      {"other for USB", kInterfaceUSB, 5, kWrites, 0, 0, 0, 7, "dialog: 116 [Setup Failed!] shown"},
      {"-1 for Bluetooth, all types", kInterfaceBluetooth, kMinusOne, kWrites, 1, 0, 1, 1, ""},
      {"-2", kInterfaceUSB, kMinusTwo, kWrites, 0, 0, 0, 7, "dialog: 114 [Setup Error] shown"},
      {"-2, all types", kInterfacePS2, kMinusTwo, kWrites, 1, 0, 0, 7, "dialog: 114 [Setup Error] shown"},
      {"-2, preload", kInterfacePS2, kMinusTwo, kWrites, 0, 1, 1, 0, ""},
      {"no verdict written", kInterfacePS2, 0, kWritesNothing, 0, 0, 1, 0, ""},
      {"program does not start", kInterfacePS2, kMinusOne, kFailsToStart, 0, 0, 1, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StartMachine("win7");
    SeedRecord(u"mouse.inf", "*PNP0F13");
    AddSetupProgram("SetupNT.exe", row.result, row.start != kWritesNothing);
    if (row.start == kFailsToStart) {
      sim::ProgramBehaviour refuses;
      refuses.failsToStart = true;
      sim::SetProgramBehaviour("SetupNT.exe", refuses);
    }
    g_Settings.InterfaceType = row.type, g_Settings.InstallAllType = row.installAll;
    g_Settings.PreloadMode = row.preload, g_Settings.SkipRunPrograms = 7;
    char16_t command[kSetupCommandSize];
    ASSERT_EQ(BuildSetupProgramCommand(command), 1);
    EXPECT_EQ(RunDriverSetupProgram(nullptr, command), row.expected);
    EXPECT_EQ(g_Settings.SkipRunPrograms, row.skip);
    const std::vector<std::string> dialogs = JournalLines("dialog: ");
    EXPECT_EQ(dialogs.empty() ? std::string() : dialogs[0], row.dialog);
    EXPECT_EQ(JournalHas("trace: FailDlgProc Show"), std::string(row.dialog).find("116") != std::string::npos);
  }
}

TEST_F(UpdatePnPDriverTest, SetupProgramByPlatformWithTheRecordAsItsArgument) {
  const struct { const char* profile; int32_t type; const char16_t* drvSetupProgram; int32_t helper;
      std::string started; } rows[] = {
      {"winxp", kInterfaceUSB, u"DrvUsb.exe", 0, std::string("D:\\SetupNT.exe ") + kRecordArg},
      {"win98", kInterfaceUSB, u"DrvUsb.exe", 0, std::string("D:\\DrvUsb.exe ") + kRecordArg},
      {"win98", kInterfaceUSB, u"", 0, std::string("D:\\Setup9x.exe ") + kRecordArg},
      {"winme", kInterfacePS2, u"DrvUsb.exe", 0, std::string("D:\\Setup9x.exe ") + kRecordArg},
      {"win7", kInterfacePS2, u"", 1, "Setupnt /s"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.started);
    StartMachine(row.profile);
    for (const char* program : {"SetupNT.exe", "Setup9x.exe", "DrvUsb.exe"}) AddSetupProgram(program, 0);
    g_Settings.InterfaceType = row.type;
    TextCopy(g_Settings.DrvSetupProgram, row.drvSetupProgram);
    g_Settings.UseSetupNtHelper = row.helper;
    char16_t command[kSetupCommandSize];
    EXPECT_EQ(BuildSetupProgramCommand(command), 1);
    EXPECT_EQ(RunDriverSetupProgram(nullptr, command), 1);
    EXPECT_EQ(Started(), std::vector<std::string>{row.started});
    ASSERT_FALSE(sim::StartedPrograms().empty());
    EXPECT_EQ(sim::ToUtf8(sim::StartedPrograms()[0].currentDir), "D:\\");
  }
}

TEST_F(UpdatePnPDriverTest, ListedDevicesRoute) {
  // A known listed device loses its unplugged copy; every listed id is updated.
  SeedListed();
  UseConfig("[USBInstall]\r\nDEV_ID_1=HID\\VID_1&PID_2\r\nDEV_ID_2=HID\\VID_1&PID_1\r\n");
  AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\9");
  AddDevice("HID", true, {u"HID\\VID_1&PID_1"}, u"HID\\VID_1&PID_1\\0");
  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  EXPECT_EQ(JournalLines("device: removed "), std::vector<std::string>{"device: removed HID\\VID_1&PID_2\\9"});
  EXPECT_EQ(RegText(kRegCurrentUser, u"Software\\Norvik\\Glidewave 98", u"FirstSetup"), "<none>");
  EXPECT_EQ(Started(), (std::vector<std::string>{"difxapp32.exe /i D:\\usb.inf setup2k.ini",
                                                 std::string("D:\\SetupNT.exe ") + kRecordArg}));
  EXPECT_TRUE(sim::StartedPrograms()[0].hidden);
  EXPECT_EQ(JournalLines("driver: ").size(), 2u);
  EXPECT_EQ(DeviceDriver(u"HID\\VID_1&PID_1\\0"), u"D:\\usb.inf");

  // The list ends without a known device: the first-setup flag, and no more than 99 entries.
  StartMachine("win7");
  SeedListed();
  std::string list = "[USBInstall]\r\n";
  for (int n = 1; n <= 99; ++n) list += "DEV_ID_" + std::to_string(n) + "=HID\\VID_9&PID_" + std::to_string(n) + "\r\n";
  UseConfig(list + "DEV_ID_100=HID\\VID_1&PID_2\r\n");
  AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\9");
  EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  EXPECT_EQ(RegText(kRegCurrentUser, u"Software\\Norvik\\Glidewave 98", u"FirstSetup"), "TRUE");
  EXPECT_TRUE(JournalHas("trace: * break count = 100*"));
  EXPECT_TRUE(JournalLines("device: removed ").empty());
  EXPECT_EQ(JournalLines("driver: ").size(), 99u);

  // The driver-installation program runs once per interface.
  StartMachine("win7");
  SeedListed();
  TextCopy(g_Settings.BTInf, u"bt.inf");
  for (int32_t type : {kInterfaceBluetooth, kInterfacePS2, kInterfaceUSB, kInterfaceUSB}) {
    g_Settings.InterfaceType = type;
    EXPECT_EQ(UpdatePnPDriver(nullptr), 1);
  }
  std::vector<std::string> difx;
  for (const std::string& line : Started())
    if (line.compare(0, 8, "difxapp3") == 0) difx.push_back(line);
  EXPECT_EQ(difx, (std::vector<std::string>{"difxapp32.exe /i D:\\bt.inf setup2k.ini",
                                            "difxapp32.exe /i D:\\usb.inf setup2k.ini",
                                            "difxapp32.exe /i D:\\usb.inf setup2k.ini"}));
}

TEST_F(UpdatePnPDriverTest, ListedDevicesProgramOrReinstallMarksThenEveryId) {
  const struct { const char* name; const char* profile; int32_t type, dpInst; bool noLibrary, programRuns;
      int64_t unpluggedFlags; size_t updates; } rows[] = {
      {"driver program on 7", "win7", kInterfaceUSB, 1, false, true, 0, 2},
      {"reinstall marks on 7", "win7", kInterfaceUSB, 0, false, false, 0x20, 2},
      {"neither program nor update on 98", "win98", kInterfacePS2, 1, false, false, 0, 0},
      {"no update function", "win7", kInterfaceBluetooth, 1, true, true, 0, 0},
      {"no interface chosen", "win7", 0, 1, false, false, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StartMachine(row.profile);
    _nDifxMarkUSB = _nDifxMarkPS2 = _nDifxMarkBT = 0;
    WritePackageFile(u"usb.inf", "[Version]\r\n");
    WritePackageFile(u"difxapp32.exe", "MZ");
    UseConfig("[USBInstall]\r\nDEV_ID_1=HID\\VID_1&PID_1\r\nDEV_ID_2=HID\\VID_1&PID_2\r\n");
    AddDevice("HID", true, {u"HID\\VID_1&PID_1"}, u"HID\\VID_1&PID_1\\0");
    AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\0");
    AddDevice("HID", false, {u"HID\\VID_1&PID_1"}, u"HID\\VID_1&PID_1\\9");
    if (row.noLibrary) sim::SetExportMissing("newdev.dll", "UpdateDriverForPlugAndPlayDevicesW");
    g_Settings.InterfaceType = row.type, g_Settings.Mode_DPInst = row.dpInst;
    char16_t hardwareId[] = u"hid\\vid_1&pid_1";
    const std::u16string inf = PackagePath(u"usb.inf");
    LoadNewdev();  // the route keeps the library loaded around this work
    UpdateListedDevices(inf.c_str(), hardwareId, u"Glidewave Mouse");
    ReleaseNewdev();
    EXPECT_EQ(Started().size(), row.programRuns ? 1u : 0u);
    if (row.programRuns) { EXPECT_NE(Started()[0].find(sim::ToUtf8(inf)), std::string::npos) << Started()[0]; }
    EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_1\\9"), row.unpluggedFlags);
    EXPECT_EQ(JournalLines("driver: ").size(), row.updates);
    const std::u16string expectedDriver = row.updates ? inf : u"";
    EXPECT_EQ(DeviceDriver(u"HID\\VID_1&PID_1\\0"), expectedDriver);
    EXPECT_EQ(DeviceDriver(u"HID\\VID_1&PID_2\\0"), expectedDriver);
  }
}

TEST_F(UpdatePnPDriverTest, StageDialogEndsWithTheVerdictAndEachStageHasItsWorker) {
  const struct { const char* name; int32_t hidden, noInf; uint32_t result; intptr_t expected;
      bool failedShown, programRuns; } rows[] = {
      {"success", 0, 0, 0, 1, false, true},
      {"hidden failure", 1, 0, 3, 0, true, true},
      {"no INF stage", 1, 1, 3, 1, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StartMachine("win7");
    SeedRecord(u"mouse.inf", "*PNP0F13");
    AddSetupProgram("SetupNT.exe", row.result);
    g_Settings.InterfaceType = kInterfacePS2, g_Settings.PS2DriverNameIsProductName = 1;
    g_Settings.HiddenMode = row.hidden, g_Settings.NoInfMode = row.noInf;
    EXPECT_EQ(SysDialogBoxParam(nullptr, IDD_STAGE_WAIT, nullptr, UpdatePnPDlgProc, 0), row.expected);
    const std::vector<std::string> dialogs = JournalLines("dialog: 12012");
    ASSERT_FALSE(dialogs.empty());
    EXPECT_EQ(dialogs[0].substr(dialogs[0].size() - 6), row.hidden ? "hidden" : " shown");
    EXPECT_EQ(!JournalLines("dialog: 116").empty(), row.failedShown);
    EXPECT_EQ(!sim::StartedPrograms().empty(), row.programRuns);
    // A second stage starts a worker of its own.
    if (!row.noInf && !row.hidden) {
      EXPECT_EQ(SysDialogBoxParam(nullptr, IDD_STAGE_WAIT, nullptr, UpdatePnPDlgProc, 0), 1);
      EXPECT_EQ(sim::StartedPrograms().size(), 2u);
    }
  }
}

TEST_F(UpdatePnPDriverTest, OemInfCopyFromAFixedDiskIntoTheNextFreeName) {
  const struct { const char* name; uint8_t driveType; bool exportMissing, sourcePresent, olderDeleted, copied;
      std::vector<std::string> boxes;  // with InstallTrace
  } rows[] = {
      {"fixed disk", 3, false, true, true, true, {"msgbox: [SetupCopyOEMInf2] D:\\nhidmou.inf -> 1", "msgbox: [SetupCopyOEMInf2] C:\\WINDOWS\\INF\\oem1.inf -> 1"}},
      {"CD-ROM", 5, false, true, false, false, {}},
      {"network share", 4, false, true, false, false, {}},
      {"no SetupCopyOEMInfW", 3, true, true, false, false, {}},
      {"INF missing beside the setup", 3, false, false, true, false, {"msgbox: [SetupCopyOEMInf2] D:\\nhidmou.inf -> 1"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    sim::MachineProfile profile = Builtin("winxp");
    profile.driveTypes['D' - 'A'] = row.driveType;
    StartMachine(profile);
    TextCopy(g_Settings.InfPath, PackagePath(u"nhidmou.inf").c_str());
    TextCopy(g_Settings.UninstallKey, u"GlidewaveUn");
    g_Settings.InstallTrace = 1;
    if (row.exportMissing) sim::SetExportMissing("setupapi.dll", "SetupCopyOEMInfW");
    if (row.sourcePresent) WritePackageFile(u"nhidmou.inf", "new inf");
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\WINDOWS\\inf\\nhidmou.inf", "old inf"));
    ASSERT_TRUE(sim::WriteDiskFile(u"C:\\WINDOWS\\inf\\oem0.inf", "another maker's inf"));
    CopyOEMInf(u"nhidmou.inf");
    EXPECT_EQ(sim::DiskPathExists(u"C:\\WINDOWS\\inf\\nhidmou.inf"), !row.olderDeleted);
    EXPECT_EQ(Disk(u"C:\\WINDOWS\\INF\\oem1.inf"), row.copied ? "new inf" : "<missing>");
    // The uninstaller learns the name Windows chose, not the source name.
    const std::string reg = sim::ExportRegText();
    EXPECT_EQ(reg.find("\"oem1.inf\"=\"C:\\\\WINDOWS\\\\INF\"") != std::string::npos, row.copied);
    EXPECT_EQ(reg.find("DeleteFiles") != std::string::npos, row.copied);
    EXPECT_EQ(JournalLines("msgbox: "), row.boxes);
  }
}

TEST_F(UpdatePnPDriverTest, DeviceQueries) {
  enum Query { kInstance, kDPInstFalse, kBTUID };
  const std::string btuid = "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Glidewave 98\\BTUID]\n\"hid\\\\bt_mouse\"=\"\"\n";
  const struct { const char* name; Query query;
      std::string setting;  // the id asked for, the DPInst_FALSE list or the registry text
      std::string className; bool present; std::u16string instance;
      int failedSets;  // device sets refused before the walk
      int expected; } rows[] = {
      {"instance prefix", kInstance, "HID\\VID_1&PID_2", "Mouse", false, u"HID\\VID_1&PID_2\\6&1", 0, 1},
      {"instance prefix, other case", kInstance, "hid\\vid_1", "Mouse", false, u"HID\\VID_1&PID_2\\6&1", 0, 1},
      {"longer than the instance id", kInstance, "HID\\VID_1&PID_2\\6&1X", "Mouse", false, u"HID\\VID_1&PID_2\\6&1", 0, 0},
      {"empty instance id", kInstance, "", "Mouse", false, u"HID\\VID_1&PID_2\\6&1", 0, 0},
      {"DPInst list prefix", kDPInstFalse, "DEV_ID_1=USB\\X\r\nDEV_ID_2=hid\\vid_1\r\n", "HID", true, u"HID\\VID_1&PID_2\\0", 0, 1},
      {"DPInst entry after a gap", kDPInstFalse, "DEV_ID_2=HID\\VID_1\r\n", "HID", true, u"HID\\VID_1&PID_2\\0", 0, 0},
      {"DPInst unplugged device", kDPInstFalse, "DEV_ID_1=HID\\VID_1\r\n", "HID", false, u"HID\\VID_1&PID_2\\0", 0, 0},
      {"DPInst mouse class", kDPInstFalse, "DEV_ID_1=HID\\VID_1\r\n", "Mouse", true, u"HID\\VID_1&PID_2\\0", 0, 0},
      {"DPInst entry longer than the id", kDPInstFalse, "DEV_ID_1=HID\\VID_1&PID_2&REV_3\r\n", "HID", true, u"HID\\VID_1&PID_2\\0", 0, 0},
      {"BTUID second id listed", kBTUID, btuid, "Mouse", true, u"HID\\BT_MOUSE&COL01\\1", 0, 1},
      {"BTUID key missing", kBTUID, "", "Mouse", true, u"HID\\BT_MOUSE&COL01\\1", 0, 0},
      {"BTUID unplugged", kBTUID, btuid, "Mouse", false, u"HID\\BT_MOUSE&COL01\\1", 0, 0},
      {"BTUID not enumerated by HID", kBTUID, btuid, "Mouse", true, u"BTHENUM\\BT_MOUSE\\1", 0, 0},
      {"BTUID profile set after a refused HID set", kBTUID, btuid, "Mouse", true, u"BTHENUM\\BT_MOUSE\\1", 1, 1},
      {"BTUID no set at all", kBTUID, btuid, "Mouse", true, u"HID\\BT_MOUSE&COL01\\1", 2, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    StartMachine("win7");
    const std::vector<std::u16string> ids = row.query == kBTUID
                                                ? std::vector<std::u16string>{u"HID\\BT_MOUSE&COL01", u"HID\\BT_MOUSE"}
                                                : std::vector<std::u16string>{u"HID\\VID_1&PID_2"};
    AddDevice(row.className, row.present, ids, row.instance);
    for (int n = 1; n <= row.failedSets; ++n) sim::FailCall("SysGetClassDevs", n, kErrInvalidParameter);
    if (row.query == kInstance) { EXPECT_EQ(FindDeviceInstance(sim::FromUtf8(row.setting).c_str()), row.expected); }
    if (row.query == kDPInstFalse) {
      UseConfig("[Mode_DPInst_FALSE.List]\r\n" + row.setting);
      EXPECT_EQ(IsDPInstFalseDevice(nullptr), row.expected);
    }
    if (row.query == kBTUID) {
      if (!row.setting.empty()) ImportReg(row.setting);
      EXPECT_EQ(FindBTUIDDevice(), row.expected);
    }
  }
}

TEST_F(UpdatePnPDriverTest, UnpluggedDevicesAreMarkedOrRemoved) {
  AddDevice("HID", false, {u"HID\\VID_1&PID_2", u"HID\\VID_1"}, u"HID\\VID_1&PID_2\\A", 0x1);
  AddDevice("HID", false, {u"HID\\VID_1&PID_2&MI_00"}, u"HID\\VID_1&PID_2&MI_00\\B");
  AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\C");
  AddDevice("HID", false, {u"HID\\OTHER", u"HID\\VID_1&PID_2"}, u"HID\\OTHER\\D");
  AddDevice("Mouse", false, {u"HID\\VID_1&PID_2"}, u"HID\\VID_1&PID_2\\E");
  g_Settings.InstallTrace = 1;
  // Reinstall marks: unplugged HID devices whose first hardware id is the whole id.
  char16_t id[kTextSize];
  TextCopy(id, u"hid\\vid_1&pid_2");
  EXPECT_EQ(ReinstallUnpluggedDevice(id, u"Glidewave Mouse"), 0);
  EXPECT_EQ(sim::ToUtf8(id), "HID\\VID_1&PID_2");
  EXPECT_EQ(JournalLines("device: flags "), std::vector<std::string>{"device: flags HID\\VID_1&PID_2\\A 0x21"});
  EXPECT_TRUE(JournalHas("] +++++ReinstallUnpluggedDevice+++++ ->"));

  // Removal: one unplugged match (of any class) per call, never a present one; a failed removal
  // tries the next match.
  sim::FailCall("SysCallClassInstaller", 1, kErrAccessDenied);
  EXPECT_EQ(RemoveUnpluggedDevice(u"hid\\vid_1&pid_2"), 1);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\A"), 0x21);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2&MI_00\\B"), -1);
  EXPECT_TRUE(JournalHas("trace: Oh, The Device(szID) had remove from your computer!"));
  EXPECT_EQ(RemoveUnpluggedDevice(u"HID\\VID_1&PID_2"), 1);
  EXPECT_EQ(RemoveUnpluggedDevice(u"HID\\VID_1&PID_2"), 1);
  EXPECT_EQ(RemoveUnpluggedDevice(u"HID\\VID_1&PID_2"), 0);
  EXPECT_EQ(DeviceFlags(u"HID\\VID_1&PID_2\\C"), 0);
  EXPECT_EQ(DeviceFlags(u"HID\\OTHER\\D"), 0);
  EXPECT_EQ(JournalLines("device: removed "),
            (std::vector<std::string>{"device: removed HID\\VID_1&PID_2&MI_00\\B",
                                      "device: removed HID\\VID_1&PID_2\\A", "device: removed HID\\VID_1&PID_2\\E"}));
}

}  // namespace
