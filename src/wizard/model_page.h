// The mouse model page (template 1162): the models of the chosen interface's product list.
#pragma once
#include <cstdint>

#include "platform/types.h"

// 1 after the user left the model page with Next, 0 after Back or when the page passed itself
// by on the way back.
extern int32_t ModelPageLeftForward;

// Page procedure of the model page. Activation changes ChooseMouse and ModelId; Next and Back
// change ModelPageLeftForward; a click on a model changes ModelId.
intptr_t ModelPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);
