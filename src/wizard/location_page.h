// The Choose Mouse Location page (template 123): the side of the keyboard the mouse lies on.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Page procedure of the location page. Next changes LeftHanded (0 right side, 1 left side).
intptr_t LocationPageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);
