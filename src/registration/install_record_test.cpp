// The install record against the simulated registry: the values and their order per interface,
// the flags and their conditions, and the key rebuilt from scratch for each driver stage.
#include "registration/install_record.h"

#include <string>

#include "common/text.h"
#include "platform/registry.h"
#include "startup/settings.h"
#include "support/sim_fixture.h"

namespace {

// The values of a HKEY_LOCAL_MACHINE key in registry order as "name=text" or "name=#number"
// joined by ";"; "<no key>" when it is missing.
std::string KeyValues(const char16_t* path) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, path, kKeyRead, &key) != 0) return "<no key>";
  std::string joined;
  for (uint32_t index = 0;; ++index) {
    char16_t name[256];
    uint8_t data[512];
    uint32_t nameLength = 256, size = sizeof data, type = 0;
    if (SysRegEnumValue(key, index, name, &nameLength, &type, data, &size) != 0) break;
    std::u16string text;
    for (uint32_t i = 0; i + 1 < size && (data[i] | data[i + 1]); i += 2)
      text += char16_t(data[i] | (data[i + 1] << 8));
    joined += (index ? ";" : "") + sim::ToUtf8(name) + "=" +
              (type == kRegTypeDword ? "#" + std::to_string(data[0]) : sim::ToUtf8(text));
  }
  SysRegCloseKey(key);
  return joined;
}

class InstallRecordTest : public SimFixture {};

TEST_F(InstallRecordTest, ValuesFollowTheInterfaceAndFlags) {
  struct Case {
    const char* name;
    int32_t interfaceType, callConfigMg, preload, noRestart;
    const char* values;
  };
  const Case cases[] = {
      {"USB", kInterfaceUSB, 0, 0, 0,
       "SetupAction=Install;InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK;"
       "DriverName=USB Mouse;DeviceName=USB Mouse;PnPID=USB_1;Class=HIDClass"},
      {"Bluetooth: the serial hardware id", kInterfaceBluetooth, 1, 0, 1,
       "NoRestart=#1;CallConfigMg=#1;InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK;"
       "DriverName=BT Mouse;DeviceName=BT Mouse;PnPID=NVK0002"},
      {"PS/2 preloaded: no CallConfigMg", kInterfacePS2, 1, 1, 0,
       "InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK;"
       "DriverName=PS/2 Mouse;DeviceName=PS/2 Mouse;PnPID=*PNP0F13"},
      {"all interfaces: no device values", kInterfaceAll, 1, 0, 0,
       "CallConfigMg=#1;InfFile=nhidmou.inf;Version=2.1;SubVersion=7;MfgName=Norvik;Provider=NVK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    SettingsRecord& s = g_Settings;
    const struct {
      char16_t* field;
      const char16_t* text;
    } texts[] = {{s.ProductKey, u"Glidewave"},   {s.InfPath, u"nhidmou.inf"},    {s.Version, u"2.1"},
                 {s.SubVersion, u"7"},           {s.MfgName, u"Norvik"},         {s.Provider, u"NVK"},
                 {s.DrvSetupAction, u"Install"}, {s.USBDriverName, u"USB Mouse"}, {s.USBPnPID, u"USB_1"},
                 {s.BTDriverName, u"BT Mouse"},  {s.SerialPnPID, u"NVK0002"},    {s.PS2DriverName, u"PS/2 Mouse"},
                 {s.PS2PnPID, u"*PNP0F13"},      {s.USBClass, u"HIDClass"}};
    for (const auto& text : texts) TextCopy(text.field, kTextSize, text.text);
    s.InterfaceType = c.interfaceType;
    s.CallConfigMg = c.callConfigMg;
    s.PreloadMode = c.preload;
    s.NoRestart = c.noRestart;
    // An earlier stage's verdict and subkey never survive.
    ImportReg(
        "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave\\Old]\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave]\n\"Result\"=dword:ffffffff\n");
    WriteInstallRecord();
    EXPECT_EQ(KeyValues(u"Software\\Norvik\\Install\\Glidewave"), c.values);
    EXPECT_EQ(KeyValues(u"Software\\Norvik\\Install\\Glidewave\\Old"), "<no key>");
    EXPECT_EQ(KeyValues(u"Software\\Norvik\\Glidewave 98"), "RunAutoUpdate=FALSE");
  }
}

}  // namespace
