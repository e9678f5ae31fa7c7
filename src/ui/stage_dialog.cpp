// The please-wait stage dialog's mechanics, shared by the driver and registry stages.
#include "ui/stage_dialog.h"

#include "platform/ui.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/localised_texts.h"
#include "ui/side_picture.h"
#include "ui/message_words.h"

namespace {

// Hidden runs push the dialog to the bottom, hide it and post the paint that starts the work.
intptr_t OnStageDialogInit(WindowHandle dialog) {
  if (g_Settings.HiddenMode) {
    SysSetWindowPos(dialog, kHwndBottom, 0, 0, 0, 0, kSwpNoMove | kSwpNoActivate | kSwpHideWindow);
    SysShowWindow(dialog, kSwHide);
    SysPostMessage(dialog, kWmPaint, 0, 0);
  }
  ApplyLocalisedTexts(dialog, IDD_STAGE_WAIT, nullptr);
  return 0;
}

intptr_t OnStageDialogPaint(StageDialogState* state, WindowHandle dialog) {
  SysPaint paint = {};
  SysBeginPaint(dialog, &paint);
  SysEndPaint(dialog, &paint);
  if (state->firstPaint == 1) {
    state->firstPaint = 0;
    SysPostMessage(dialog, state->startMessage, 0, 0);
  }
  return 1;
}

// The wait cursor, only while the mouse moves over the dialog's own client area.
intptr_t OnStageDialogSetCursor(WindowHandle dialog, WindowHandle under, intptr_t lParam) {
  const uintptr_t codes = static_cast<uintptr_t>(lParam);
  if (under != dialog || LowWord(codes) != kHtClient || HighWord(codes) != kWmMouseMove) return 0;
  SysSetCursorShape(kCursorWait);
  SysSetDialogResult(dialog, 1);
  return 1;
}

intptr_t OnStageDialogStart(StageDialogState* state, WindowHandle dialog) {
  state->thread = SysCreateThread(state->worker, dialog);
  return 1;
}

intptr_t OnStageDialogDestroy(StageDialogState* state) {
  if (state->thread != nullptr) {
    SysCloseHandle(state->thread);
    state->thread = nullptr;
  }
  state->firstPaint = 1;
  return 0;
}

}  // namespace

intptr_t StageDialogMessage(StageDialogState* state, WindowHandle dialog, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) {
  // The private message is a variable, so it is matched before the fixed window messages.
  if (message == state->startMessage) return OnStageDialogStart(state, dialog);
  switch (message) {
    case kWmInitDialog:
      return OnStageDialogInit(dialog);
    case kWmPaint:
      return OnStageDialogPaint(state, dialog);
    case kWmSetCursor:
      return OnStageDialogSetCursor(dialog, reinterpret_cast<WindowHandle>(wParam), lParam);
    case kWmDestroy:
      return OnStageDialogDestroy(state);
    default:
      return 0;
  }
}

void EndStageDialogWithSuccess(WindowHandle dialog) {
  SysEndDialog(dialog, 1);
  SysSetWindowPos(g_hMainWindow, nullptr, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove | kSwpNoZOrder);
}
