// The Start Installation page (template 12030): shows the summary of the choices and, on Next,
// runs the installation stages in order.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Page procedure of Start Installation, registered in the wizard's page table.
intptr_t StartInstallPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Runs the installation sequence for the page's Next notification and turns its outcome into
// wizard requests: a kept newer version presses Finish (returns 1); a failed copy stage
// queues Cancel and keeps the page (returns 1); a failed driver or registry stage queues
// Cancel (returns 0, the wizard moves on to the completion page, which finishes); a chosen
// model without a USB hardware id sets InstallStarted and returns 0; a complete installation
// shows the wizard again and returns 1 with the page's answer 0.
intptr_t RunInstallation(WindowHandle page);
