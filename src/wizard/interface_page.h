// The Hardware Interface Selection page (template 10203): PS/2, Bluetooth or USB.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Page procedure of the interface page. Next changes InterfaceType, InfPath (when the chosen
// interface's INF name is not empty), Restart, and CallConfigMg (0 for PS/2).
intptr_t InterfacePageProc(WindowHandle page, uint32_t message, uintptr_t wParam, intptr_t lParam);
