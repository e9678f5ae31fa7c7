// The Start Installation page (template 12030): shows the summary of the choices and, on Next,
// runs the installation stages in order.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Page procedure of Start Installation, registered in the wizard's page table.
intptr_t StartInstallPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Runs the installation for the page's Next notification: newer-version check, listed windows,
// the older version's files, destination folders, copy list and copy stage. Returns the handled
// flag of the notification; the page's answer is set where a stage needs one.
intptr_t RunInstallation(WindowHandle page);

// Creates DestinationDir level by level (a trailing backslash removed first) and records each
// folder it created; an existing DestinationDir is only recorded.
void CreateDestinationFolders();
