// The Start Installation page (template 12030): shows the summary of the choices and, on Next,
// runs the installation stages in order.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Page procedure of Start Installation, registered in the wizard's page table.
intptr_t StartInstallPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Runs the installation for the page's Next notification: newer-version check, listed windows,
// the older version's files, destination folders, copy list and copy stage, driver package
// staging, then per interface (or per listed USB device) the install record and the driver
// stage, the OEM INF copy, the listed and registered driver packages and the registry stage.
// Returns the handled flag of the notification: 1 to finish (or, after a failed copy stage, to
// stay until the queued Cancel), 0 after a failed driver or registry stage or a chosen model
// without a USB hardware id. Changes InterfaceType, CallConfigMg, Restart, InfPath,
// USBDriverName, USBPnPID and InstallStarted as the stages need.
intptr_t RunInstallation(WindowHandle page);

// Creates DestinationDir level by level (a trailing backslash removed first) and records each
// folder it created; an existing DestinationDir is only recorded.
void CreateDestinationFolders();
