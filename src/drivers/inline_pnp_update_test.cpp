// The inline driver update: whether the stage is done or the setup program must follow, the
// restart verdict, the reinstall marks of unplugged copies and the removal of a preloaded copy.
#include "drivers/inline_pnp_update.h"

#include <cstdio>

#include "settings/settings.h"
#include "support/driver_stage_fixture.h"

namespace {

constexpr const char16_t* kPresent = u"HID\\VID_1&PID_2\\7&0";
constexpr const char16_t* kUnplugged = u"HID\\VID_1&PID_2\\7&1";

class InlinePnPUpdateTest : public DriverStageFixture {};

TEST_F(InlinePnPUpdateTest, OutcomeByErrorCodeSystemAndInterface) {
  enum Cause { kNone, kMissingInf, kNoDevice, kNoLibrary, kNoRecord };
  struct Case {
    const char* name;
    const char* profile;
    int32_t type, ps2IsProduct, preload;
    Cause cause;
    int done;
    int32_t restart, skip;
    int64_t unpluggedFlags;  // -1: the unplugged copy is gone
    const char* driver;      // INF now driving the present device, "" for none
  };
  const Case cases[] = {
      {"USB updated on 7", "win7", kInterfaceUSB, 0, 0, kNone, 1, 1, 0, 0x20, "D:\\mouse.inf"},
      {"PS/2 updated: restart, programs skipped", "win7", kInterfacePS2, 0, 0, kNone, 1, 1, 1, 0, "D:\\mouse.inf"},
      {"PS/2 product name: settled, programs run", "win7", kInterfacePS2, 1, 0, kNone, 1, 1, 0, 0, "D:\\mouse.inf"},
      {"Me offers no update: the program follows", "winme", kInterfacePS2, 1, 0, kNone, 0, 0, 9, 0, ""},
      {"USB on XP without a device", "winxp", kInterfaceUSB, 0, 0, kNoDevice, 0, 0, 9, 0x20, ""},
      {"PS/2 without a device asks for a restart", "win7", kInterfacePS2, 0, 0, kNoDevice, 0, 1, 9, 0, ""},
      {"INF missing", "win7", kInterfaceUSB, 0, 0, kMissingInf, 0, 0, 9, 0, ""},
      {"preload drops the unplugged copy first", "win7", kInterfaceUSB, 0, 1, kNone, 1, 1, 0, -1, "D:\\mouse.inf"},
      {"no update library", "win7", kInterfaceUSB, 0, 0, kNoLibrary, 0, 0, 9, 0, ""},
      {"no install record", "win7", kInterfaceUSB, 0, 0, kNoRecord, 0, 0, 9, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine(c.profile);
    SeedRecord(u"mouse.inf", "HID\\VID_1&PID_2");
    if (c.cause != kNoDevice) AddDevice("HID", true, {u"HID\\VID_1&PID_2"}, kPresent);
    AddDevice("HID", false, {u"HID\\VID_1&PID_2"}, kUnplugged);
    if (c.cause == kMissingInf) {
      ASSERT_EQ(std::remove(sim::HostPath(PackagePath(u"mouse.inf")).c_str()), 0);
    }
    if (c.cause == kNoLibrary) sim::SetLibraryMissing("newdev.dll");
    if (c.cause == kNoRecord) ImportReg("[-HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave]\n");
    sim::SetDriverUpdateNeedsRestart(true);
    g_Settings.InterfaceType = c.type;
    g_Settings.PS2DriverNameIsProductName = c.ps2IsProduct;
    g_Settings.PreloadMode = c.preload;
    g_Settings.SkipRunPrograms = 9;

    EXPECT_EQ(InlinePnPUpdate(), c.done);
    EXPECT_EQ(g_Settings.Restart, c.restart);
    EXPECT_EQ(g_Settings.SkipRunPrograms, c.skip);
    EXPECT_EQ(DeviceFlags(kUnplugged), c.unpluggedFlags);
    EXPECT_EQ(sim::ToUtf8(DeviceDriver(kPresent)), c.driver);
    EXPECT_TRUE(sim::StartedPrograms().empty());  // the setup program is the caller's to start
  }
}

}  // namespace
