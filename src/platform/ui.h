// User-interface services: message boxes (windows, dialogs and painting join later).
#pragma once
#include "platform/types.h"

// MessageBoxW styles and results.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbIconExclamation = 0x30;
constexpr uint32_t kMbTopmost = 0x40000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Shows a message box and returns the button pressed.
int SysMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption, uint32_t style);
