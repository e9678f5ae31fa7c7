// The main background window: a full-screen teal window with the product title painted large in
// its top-left corner and an optional PCX logo in its top-right corner. Its creation starts the
// wizard; the end of the wizard ends the program's message loop.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"
#include "wizard/background_title.h"
#include "ui/pcx_bitmap.h"

// The private message the window posts to itself at creation to start the wizard.
constexpr uint32_t kWmStartWizard = kWmApp + 1;

// What the window keeps between messages.
struct BackgroundWindowState {
  WindowHandle window;
  char16_t title[kBackgroundTitleSize];
  PcxBitmap logo;
  int32_t logoX;
  int32_t hasLogo;
  char16_t fontFace[256];
};
extern BackgroundWindowState g_Background;

// Registers the window class "NMSetup" (no styles, icon 115, arrow cursor, white stock brush,
// no menu) with BackgroundWindowProc. Returns 1 when registered, 0 when not.
int RegisterBackgroundClass(ModuleHandle instance);

// Composes the caption (ComposeBackgroundTitle, which changes TitleSuffix), creates the window
// at (0, 0) with the work area's size, shows it maximised (hidden when HiddenMode is 1) and
// paints it at once. showCommand, as the program was started with it, is not used: the window
// always covers the work area. Returns 1 when the window was created, 0 when creation failed.
int CreateBackgroundWindow(ModuleHandle instance, int showCommand);

// The window procedure: routes each message the window handles to its handler, the others to
// the default handling.
intptr_t BackgroundWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
