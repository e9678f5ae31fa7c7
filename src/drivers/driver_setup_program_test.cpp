// The driver setup program: its command line and the verdicts it leaves in the install record.
#include "drivers/driver_setup_program.h"

#include "common/text.h"
#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

class DriverSetupProgramTest : public DriverStageFixture {};

constexpr uint32_t kMinusOne = 0xFFFFFFFF;
constexpr uint32_t kMinusTwo = 0xFFFFFFFE;

TEST_F(DriverSetupProgramTest, VerdictDecidesWhetherTheInstallationGoesOn) {
  enum Start { kWrites, kWritesNothing, kFailsToStart };
  const struct {
    const char* name;
    int32_t type;
    uint32_t result;
    Start start;
    int32_t installAll, preload;
    int expected;
    int32_t skip;
    const char* dialog;  // journal line of the dialog shown, "" for none
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
    StartMachine("win7");
    SeedRecord(u"mouse.inf", "*PNP0F13");
    AddSetupProgram("SetupNT.exe", row.result, row.start != kWritesNothing);
    if (row.start == kFailsToStart) {
      sim::ProgramBehaviour refuses;
      refuses.failsToStart = true;
      sim::SetProgramBehaviour("SetupNT.exe", refuses);
    }
    g_Settings.InterfaceType = row.type;
    g_Settings.InstallAllType = row.installAll;
    g_Settings.PreloadMode = row.preload;
    g_Settings.SkipRunPrograms = 7;

    char16_t command[kSetupCommandSize];
    ASSERT_EQ(BuildSetupProgramCommand(command), 1);
    EXPECT_EQ(RunDriverSetupProgram(nullptr, command), row.expected) << row.name;
    EXPECT_EQ(g_Settings.SkipRunPrograms, row.skip) << row.name;
    const std::vector<std::string> dialogs = JournalLines("dialog: ");
    EXPECT_EQ(dialogs.empty() ? std::string() : dialogs[0], row.dialog) << row.name;
    EXPECT_EQ(JournalHas("trace: FailDlgProc Show"), std::string(row.dialog).find("116") != std::string::npos)
        << row.name;
  }
}

TEST_F(DriverSetupProgramTest, ProgramByPlatformWithTheRecordAsItsArgument) {
  const struct {
    const char* profile;
    int32_t type;
    const char16_t* drvSetupProgram;
    int32_t helper;
    const char* started;
  } rows[] = {
      {"winxp", kInterfaceUSB, u"DrvUsb.exe", 0, "D:\\SetupNT.exe Software\\Norvik\\Install\\Glidewave"},
      {"win98", kInterfaceUSB, u"DrvUsb.exe", 0, "D:\\DrvUsb.exe Software\\Norvik\\Install\\Glidewave"},
      {"win98", kInterfaceUSB, u"", 0, "D:\\Setup9x.exe Software\\Norvik\\Install\\Glidewave"},
      {"winme", kInterfacePS2, u"DrvUsb.exe", 0, "D:\\Setup9x.exe Software\\Norvik\\Install\\Glidewave"},
      {"win7", kInterfacePS2, u"", 1, "Setupnt /s"},
  };
  for (const auto& row : rows) {
    StartMachine(row.profile);
    for (const char* program : {"SetupNT.exe", "Setup9x.exe", "DrvUsb.exe"}) AddSetupProgram(program, 0);
    g_Settings.InterfaceType = row.type;
    TextCopy(g_Settings.DrvSetupProgram, row.drvSetupProgram);
    g_Settings.UseSetupNtHelper = row.helper;

    char16_t command[kSetupCommandSize];
    EXPECT_EQ(BuildSetupProgramCommand(command), 1);
    EXPECT_EQ(RunDriverSetupProgram(nullptr, command), 1);
    ASSERT_EQ(sim::StartedPrograms().size(), 1u) << row.profile;
    EXPECT_EQ(Started()[0], row.started) << row.profile;
    EXPECT_EQ(sim::ToUtf8(sim::StartedPrograms()[0].currentDir), "D:\\") << row.profile;
  }
}

}  // namespace
