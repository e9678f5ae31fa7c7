// The device work of the listed-devices route: the outside driver-installation program and an
// update of every hardware id listed in the USB install section.
#pragma once
#include <cstdint>

// Marks of the interfaces for which the driver-installation program ran (0 at start, kept for
// the whole run).
extern int32_t _nDifxMarkUSB;
extern int32_t _nDifxMarkPS2;
extern int32_t _nDifxMarkBT;

// Reads "DEV_ID_" + n of the section USBInstallSection of ConfigFile into out (256 characters);
// empty when missing. Returns 1 when the id is not empty, else 0.
int ReadListedDeviceId(int n, char16_t* out);

// For InterfaceType 1, 2 or 3 only: with Mode_DPInst outside Windows 98 and Me, starts
// "difxapp32.exe /i <infPath> setup2k.ini" hidden through the shell and waits for it (unless all
// three interface marks are set) and sets the mark of the interface; otherwise, on Windows 2000
// or later, marks unplugged HID devices with hardwareId for reinstallation (which turns
// hardwareId to upper case). Then updates the driver of every listed hardware id from infPath
// when the update function is available. deviceName is not used. Changes no settings field.
void UpdateListedDevices(const char16_t* infPath, char16_t* hardwareId, const char16_t* deviceName);
