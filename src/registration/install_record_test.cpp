// The install record against the simulated registry: the values and their order per interface,
// the flags and their conditions, and the key rebuilt from scratch for each driver stage.
#include "registration/install_record.h"

#include <string>

#include "common/text.h"
#include "platform/registry.h"
#include "settings/settings.h"
#include "support/sim_fixture.h"
#include "settings/model_table.h"

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

TEST_F(InstallRecordTest, ChosenPs2ModelNamesTheDriverWhenAskedTo) {
  const struct {
    const char* name;
    int32_t chooseMouse, nameIsProduct;
    const char16_t* modelName;
    const char* driver;
  } cases[] = {
      {"chosen model named as the product", 1, 1, u"Glide Optical", "Glide Optical"},
      {"an empty model name keeps the driver name", 1, 1, u"", "PS/2 Mouse"},
      {"no model chosen", 0, 1, u"Glide Optical", "PS/2 Mouse"},
      {"the driver keeps its own name", 1, 0, u"Glide Optical", "PS/2 Mouse"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartMachine("win7");
    SettingsRecord& s = g_Settings;
    TextCopy(s.ProductKey, kTextSize, u"Glidewave");
    TextCopy(s.PS2DriverName, kTextSize, u"PS/2 Mouse");
    s.InterfaceType = kInterfacePS2;
    s.ChooseMouse = c.chooseMouse;
    s.PS2DriverNameIsProductName = c.nameIsProduct;
    ClearModelTable();
    s.ModelId = 6;
    TextCopy(ModelTable[6].name, c.modelName);
    WriteInstallRecord();
    const std::string values = KeyValues(u"Software\\Norvik\\Install\\Glidewave");
    EXPECT_NE(values.find(std::string("DriverName=") + c.driver + ";DeviceName=" + c.driver + ";"), std::string::npos)
        << values;
    EXPECT_EQ(sim::ToUtf8(s.PS2DriverName), c.driver);  // kept for the rest of the run
  }
}

}  // namespace
