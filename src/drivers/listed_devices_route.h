// The listed-devices route of the driver stage (Mode_DPInst): removal of an unplugged copy of a
// listed device, or the first-setup flag, then the device work of UpdateListedDevices.
#pragma once

// Reads the install record; walks "DEV_ID_1" ... "DEV_ID_99" of the USB install section until a
// known device is found (its unplugged copy is then removed) or the list ends (then sets
// "FirstSetup" = "TRUE" under HKEY_CURRENT_USER\Software\Norvik\Glidewave 98); then runs
// UpdateListedDevices with the record's INF (SourceDir\BTInf for Bluetooth), PnPID and
// DeviceName. Does nothing when the record cannot be opened. The setup-program route always
// follows. Changes no settings field.
void ListedDevicesRoute();
