// What every question page does the same way: requests to the wizard frame, answers to its
// notifications, the hidden frame of hidden runs, the Cancel question and the re-centring after
// a change of system settings.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Queues (posts) a property-sheet request to the wizard frame, the page's parent.
void PostToWizard(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Answers a notification with result (the page's message result) and reports it handled:
// returns 1.
intptr_t AnswerNotification(WindowHandle page, intptr_t result);

// Hides the wizard frame for a hidden run: to the bottom of the window order without
// activation, hidden, size zero, then hidden once more. The pages go on running.
void HideWizardFrame(WindowHandle page);

// Cancel: with askAlways 0 and the installation begun (InstallStarted 1) the sheet closes at
// once; otherwise "Exit Setup" is asked and "Resume" vetoes. Returns 1 (handled).
intptr_t AnswerQueryCancel(WindowHandle page, int askAlways);

// A changed system setting or display mode: repaints the page and centres the wizard again.
// Returns 0: the message counts as not handled.
intptr_t OnWizardSettingsChanged(WindowHandle page);
