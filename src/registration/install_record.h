// The install record: HKEY_LOCAL_MACHINE\Software\Norvik\Install\<ProductKey>, rebuilt from the
// settings before every driver stage; the driver stage and the outside driver setup programs
// read it, and those programs leave their verdict "Result" in it.
#pragma once

// Deletes the product's install record with all its subkeys (so no "Result" of an earlier stage
// survives), creates it again and writes the values of the current interface: the DWORD flags
// "NoRestart", "CallConfigMg" (not in PreloadMode), "NoFileCopy"; "SetupAction" for USB; "InfFile",
// "Version", "SubVersion", "MfgName", "Provider"; for interfaces 1, 2 and 3 "DriverName",
// "DeviceName" and "PnPID"; "Class" for USB when USBClass is set. Then writes "RunAutoUpdate" =
// "FALSE" under the product key. Failures are silent. Reads the settings; for PS/2, with
// ChooseMouse and PS2DriverNameIsProductName, copies the chosen model's display name (when not
// empty) into PS2DriverName first.
void WriteInstallRecord();
