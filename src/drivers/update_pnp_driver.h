// The driver stage of one interface: the choice between the inline update, the listed-devices
// route and the driver setup program, and the stage's verdict.
#pragma once
#include "platform/types.h"

// Runs the driver stage for InterfaceType. Returns 1 to go on with the installation, 0 after
// "Setup Failed!" or "Setup Error" has been shown, owned by dialog. Changes Restart,
// PS2DriverNameIsProductName (cleared when the driver setup program is missing),
// SkipRunPrograms and DeviceListMatch.
int UpdatePnPDriver(WindowHandle dialog);
