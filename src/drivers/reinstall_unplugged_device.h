// Marking unplugged HID devices so that Windows reinstalls their driver when they come back.
#pragma once

// Turns hardwareId to upper case in place, then sets CONFIGFLAG_REINSTALL in the configuration
// flags of every HID-class device that is not present and whose first hardware id equals
// hardwareId as a whole (ignoring case). With InstallTrace it first shows
// "+++++ReinstallUnpluggedDevice+++++", with Sleep1Sec it waits a second. deviceName is not
// used. Always returns 0. Changes no settings field.
int ReinstallUnpluggedDevice(char16_t* hardwareId, const char16_t* deviceName);
