// The install record: deleted and written anew for each driver stage, values in a fixed order.
#include "registration/install_record.h"

#include "common/text.h"
#include "shared/delete_registry_tree.h"
#include "platform/registry.h"
#include "shared/registry_values.h"
#include "registration/registration_keys.h"
#include "settings/settings.h"
#include "settings/model_table.h"

namespace {

// The device values of one interface: driver name and hardware id.
void SetDeviceValues(RegKey key) {
  SettingsRecord& s = g_Settings;
  const char16_t* driver = nullptr;
  const char16_t* pnpId = nullptr;
  switch (s.InterfaceType) {
    case kInterfacePS2:
      // A chosen model named as the product: its display name becomes the driver name for the
      // rest of the run.
      if (s.ChooseMouse && s.PS2DriverNameIsProductName) {
        const ModelRecord* model = ChosenModel();
        if (model && model->name[0]) TextCopy(s.PS2DriverName, model->name);
      }
      driver = s.PS2DriverName;
      pnpId = s.PS2PnPID;
      break;
    case kInterfaceBluetooth:
      driver = s.BTDriverName;
      pnpId = s.SerialPnPID;
      break;
    case kInterfaceUSB:
      driver = s.USBDriverName;
      pnpId = s.USBPnPID;
      break;
    default:
      return;
  }
  WriteRegistryText(key, kRecordDriverName, driver);
  WriteRegistryText(key, kRecordDeviceName, driver);
  WriteRegistryText(key, kRecordPnPID, pnpId);
}

}  // namespace

void WriteInstallRecord() {
  const SettingsRecord& s = g_Settings;
  char16_t path[kTextSize * 2];
  TextCopy(path, kRegPathInstallRecords);
  TextAppend(path, u"\\");
  TextAppend(path, s.ProductKey);
  DeleteRegistryTree(kRegLocalMachine, path);

  RegKey key = nullptr;
  if (SysRegCreateKey(kRegLocalMachine, path, kKeyAllAccess, &key, nullptr) == 0) {
    if (s.NoRestart) WriteRegistryDword(key, kRecordNoRestart, 1);
    if (s.CallConfigMg && !s.PreloadMode) WriteRegistryDword(key, kRecordCallConfigMg, 1);
    if (s.InfNoFileCopy) WriteRegistryDword(key, kRecordNoFileCopy, 1);
    if (s.InterfaceType == kInterfaceUSB) WriteRegistryText(key, kRecordSetupAction, s.DrvSetupAction);
    WriteRegistryText(key, kRecordInfFile, s.InfPath);
    WriteRegistryText(key, kRecordVersion, s.Version);
    WriteRegistryText(key, kRecordSubVersion, s.SubVersion);
    WriteRegistryText(key, kRecordMfgName, s.MfgName);
    WriteRegistryText(key, kRecordProvider, s.Provider);
    SetDeviceValues(key);
    if (s.InterfaceType == kInterfaceUSB && s.USBClass[0] != 0) WriteRegistryText(key, kRecordClass, s.USBClass);
    SysRegCloseKey(key);
  }

  RegKey product = nullptr;
  if (SysRegCreateKey(kRegLocalMachine, kRegPathProduct, kKeyAllAccess, &product, nullptr) == 0) {
    WriteRegistryText(product, kRunAutoUpdateValue, kRunAutoUpdateDuring);
    SysRegCloseKey(product);
  }
}
