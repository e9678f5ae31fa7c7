// Messages between the wizard frame and its pages: the property-sheet requests a page posts to
// its frame and the notifications the frame sends to a page. They are the platform sheet's own
// (declared with SysRunWizardSheet), so the pages and both sheets share one set of numbers.
#pragma once

#include "platform/ui.h"
