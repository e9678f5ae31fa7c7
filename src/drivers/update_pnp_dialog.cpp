// The driver-stage dialog: a please-wait box that starts the driver stage's worker on its first
// paint and is ended by the worker with the stage's verdict.
#include "drivers/update_pnp_dialog.h"

#include "drivers/update_pnp_driver.h"
#include "platform/kernel.h"
#include "resource_ids.h"
#include "startup/settings.h"
#include "wizard/localised_texts.h"
#include "wizard/side_picture.h"

namespace {

// The worker while the dialog lives, and whether the next paint is the first one.
SysHandle g_hUpdatePnPThread = nullptr;
int32_t g_nUpdatePnPFirstPaint = 1;

uint32_t LowWord(uintptr_t value) { return static_cast<uint32_t>(value & 0xFFFF); }
uint32_t HighWord(uintptr_t value) { return static_cast<uint32_t>((value >> 16) & 0xFFFF); }

// Hidden runs push the dialog to the bottom, hide it and post the paint that starts the work.
intptr_t OnUpdatePnPInit(WindowHandle dialog) {
  if (g_Settings.HiddenMode) {
    SysSetWindowPos(dialog, kHwndBottom, 0, 0, 0, 0, kSwpNoMove | kSwpNoActivate | kSwpHideWindow);
    SysShowWindow(dialog, kSwHide);
    SysPostMessage(dialog, kWmPaint, 0, 0);
  }
  ApplyLocalisedTexts(dialog, IDD_STAGE_WAIT, nullptr);
  return 0;
}

intptr_t OnUpdatePnPPaint(WindowHandle dialog) {
  SysPaint paint = {};
  SysBeginPaint(dialog, &paint);
  SysEndPaint(dialog, &paint);
  if (g_nUpdatePnPFirstPaint == 1) {
    g_nUpdatePnPFirstPaint = 0;
    SysPostMessage(dialog, kUpdatePnPStartMessage, 0, 0);
  }
  return 1;
}

// The wait cursor, only while the mouse moves over the dialog's own client area.
intptr_t OnUpdatePnPSetCursor(WindowHandle dialog, WindowHandle under, intptr_t lParam) {
  const uintptr_t codes = static_cast<uintptr_t>(lParam);
  if (under != dialog || LowWord(codes) != kHtClient || HighWord(codes) != kWmMouseMove) return 0;
  SysSetCursorShape(kCursorWait);
  SysSetDialogResult(dialog, 1);
  return 1;
}

intptr_t OnUpdatePnPStart(WindowHandle dialog) {
  g_hUpdatePnPThread = SysCreateThread(UpdatePnPThread, dialog);
  return 1;
}

intptr_t OnUpdatePnPDestroy() {
  if (g_hUpdatePnPThread != nullptr) {
    SysCloseHandle(g_hUpdatePnPThread);
    g_hUpdatePnPThread = nullptr;
  }
  g_nUpdatePnPFirstPaint = 1;
  return 0;
}

}  // namespace

intptr_t UpdatePnPDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnUpdatePnPInit(dialog);
    case kWmPaint:
      return OnUpdatePnPPaint(dialog);
    case kWmSetCursor:
      return OnUpdatePnPSetCursor(dialog, reinterpret_cast<WindowHandle>(wParam), lParam);
    case kUpdatePnPStartMessage:
      return OnUpdatePnPStart(dialog);
    case kWmDestroy:
      return OnUpdatePnPDestroy();
    default:
      return 0;
  }
}

uint32_t UpdatePnPThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  if (g_Settings.NoInfMode) {
    SysEndDialog(dialog, 1);
    return 0;
  }
  if (!UpdatePnPDriver(dialog)) {
    SysEndDialog(dialog, 0);
    return 0;
  }
  SysEndDialog(dialog, 1);
  SysSetWindowPos(g_hMainWindow, nullptr, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove | kSwpNoZOrder);
  return 0;
}
