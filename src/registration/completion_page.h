// The Setup Complete page (template 12032): finishes the registration when it is created,
// offers the restart, and on Finish runs the automatic-update programs, removes the install
// records and restarts Windows when asked.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Page procedure of Setup Complete, the wizard's last page.
intptr_t CompletionPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Page creation: the registration work and the restart offer. Returns 1 (the initialisation
// message is handled). Reads InstallStarted, AskMousePosition, LeftHanded, NoRestart,
// ForceReBoot, HiddenMode, InterfaceType, UninstallKey and Title; changes no settings field.
intptr_t OnCompletionInit(WindowHandle page);

// Page activation: Cancel becomes Close, only Finish is enabled, and a silent run presses Finish.
// Returns 1 with the page's answer 0.
intptr_t OnCompletionActive(WindowHandle page);

// Finish: the automatic-update programs, removal of the install records and the restart when
// the restart choice is kept, else the mouse-button setting. Returns 1 with the page's answer 0,
// which lets the wizard close.
intptr_t OnCompletionFinish(WindowHandle page);

// Restarts Windows: the floppy warning (unless silent), the mouse-button setting, the shutdown
// privilege on the NT family and the reboot request. Changes no settings field.
void RestartWindows(WindowHandle page);
