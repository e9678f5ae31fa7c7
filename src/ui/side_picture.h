// The wizard frame's placement on the screen and the side picture at the left of the pages,
// with the two values the background window publishes for the wizard and the stage dialogs.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

// The lowest top edge the wizard may have (below the background window's title and logo);
// 0 until the background window has painted.
extern int32_t WizardMinTop;

// The main background window; null until it exists.
extern WindowHandle g_hMainWindow;

// Measures the page's picture placeholder (control 1006) into source, computes the destination
// (same top and left, the page's height less the top margin twice, width in proportion) and
// hides the placeholder.
void LayoutSidePicture(WindowHandle page, SysRect* source, SysRect* destination);

// Paints the side picture of a page into destination after the page's default painting, with
// a thin sunken edge around it.
void PaintSidePicture(WindowHandle page, const SysRect* source, const SysRect* destination);

// Centres the wizard frame (the page's parent) in the work area, never above WizardMinTop.
void CentreWizard(WindowHandle page);
