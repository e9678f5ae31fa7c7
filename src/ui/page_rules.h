// What every question page does the same way: requests to the wizard frame, answers to its
// notifications, the hidden frame of hidden runs, the Cancel question, the side picture's
// painting and the re-centring after a change of system settings.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

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

// Set-active on a page between two others: Back and Next enabled, the page accepted (answer 0).
// Returns 1.
intptr_t ActivateWithBackAndNext(WindowHandle page);

// The notifications a page answers alike when it has no handling of its own: Next, Back,
// kill-active and reset let through (answer 0), Cancel by AnswerQueryCancel with askAlways.
// Returns 1 for those, 0 (not handled) for any other code.
intptr_t AnswerPageNotification(WindowHandle page, int32_t code, int askAlways);

// WM_PAINT of a page with a side picture: the page's default painting, then the picture from
// source into destination (as laid out by LayoutSidePicture). Returns 1.
intptr_t PaintPageWithSidePicture(WindowHandle page, uintptr_t wParam, intptr_t lParam, const SysRect* source,
                                  const SysRect* destination);

// The window messages a page with a side picture handles alike: WM_PAINT by
// PaintPageWithSidePicture, WM_SETTINGCHANGE and WM_DISPLAYCHANGE by OnWizardSettingsChanged.
// Any other message returns 0 (not handled).
intptr_t AnswerSidePicturePageMessage(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                      const SysRect* source, const SysRect* destination);
