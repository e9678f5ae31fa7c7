// User-interface services: message boxes (windows, dialogs and painting join later).
#pragma once
#include "platform/types.h"

// MessageBoxW styles and results.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbOkCancel = 0x1;
constexpr uint32_t kMbAbortRetryIgnore = 0x2;
constexpr uint32_t kMbYesNoCancel = 0x3;
constexpr uint32_t kMbYesNo = 0x4;
constexpr uint32_t kMbRetryCancel = 0x5;
constexpr uint32_t kMbTypeMask = 0xF;
constexpr uint32_t kMbIconStop = 0x10;
constexpr uint32_t kMbIconQuestion = 0x20;
constexpr uint32_t kMbIconExclamation = 0x30;
constexpr uint32_t kMbIconInformation = 0x40;
constexpr uint32_t kMbDefButton2 = 0x100;
constexpr uint32_t kMbDefButton3 = 0x200;
constexpr uint32_t kMbDefButtonMask = 0xF00;
constexpr uint32_t kMbTopmost = 0x40000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Shows a message box and returns the button pressed.
int SysMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption, uint32_t style);

// Loads string resource id of the module into out (cap characters, cut to cap - 1 and
// terminated). Returns the number of characters copied, 0 when the string does not exist.
uint32_t SysLoadString(ModuleHandle instance, uint32_t id, char16_t* out, uint32_t cap);
