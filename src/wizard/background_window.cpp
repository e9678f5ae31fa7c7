// The main background window: class, creation and the handlers of its messages.
#include "wizard/background_window.h"

#include "common/text.h"
#include "platform/profile.h"
#include "settings/settings.h"
#include "resource_ids.h"
#include "wizard/run_wizard.h"
#include "ui/side_picture.h"
#include "ui/text_keys.h"

BackgroundWindowState g_Background = {};

namespace {

const uint32_t kTeal = SysRgb(0, 128, 128);
const uint32_t kBlack = SysRgb(0, 0, 0);
const uint32_t kWhite = SysRgb(255, 255, 255);
const char16_t kDefaultFontFace[] = u"Times New Roman";

// The title font: CreateFontW height, weight and pitch-and-family (VARIABLE_PITCH | FF_ROMAN).
constexpr int kTitleFontHeight = 42;
constexpr int kTitleFontWeight = 600;
constexpr uint32_t kVariablePitch = 0x2;
constexpr uint32_t kFamilyRoman = 0x10;
// Where the title and its shadow are drawn, and the room kept below it.
constexpr int kShadowX = 15, kShadowY = 10;
constexpr int kTitleX = 10, kTitleY = 5;
constexpr int kTitleMargin = 10;

// The x position that puts the logo against the client area's right edge.
void PlaceLogoInClient(WindowHandle window) {
  SysRect client = {};
  SysGetClientRect(window, &client);
  g_Background.logoX = client.right - g_Background.logo.width - client.left;
}

// Gives the window the work area's width and height, keeping its position.
void FitToWorkArea(WindowHandle window) {
  SysRect work = {};
  SysGetWorkArea(&work);
  SysSetWindowPos(window, kHwndTop, 0, 0, work.right - work.left, work.bottom - work.top, kSwpNoMove | kSwpNoZOrder);
}

// Selects and realizes the logo's palette in the window's drawing context. Returns the number of
// system colours that changed.
uint32_t RealizeLogoPalette(WindowHandle window) {
  DeviceContext dc = SysGetDC(window);
  if (!dc) return 0;
  SysSelectPalette(dc, g_Background.logo.palette, 0);
  uint32_t changed = SysRealizePalette(dc);
  SysReleaseDC(window, dc);
  return changed;
}

// WM_CREATE: the logo (when BkgLogo names an accepted picture), the start message, the font face.
intptr_t OnBackgroundCreate(WindowHandle window, uintptr_t, intptr_t) {
  SettingsRecord& s = g_Settings;
  g_Background.window = window;
  g_hMainWindow = window;
  if (s.BkgLogo[0] && LoadPcxBitmap(window, s.BkgLogo, &g_Background.logo)) {
    RealizeLogoPalette(window);
    // The window is about to be maximised, which pushes its sizing frame off the screen.
    SysRect client = {};
    SysGetClientRect(window, &client);
    g_Background.logoX = client.right - g_Background.logo.width + 2 * SysGetSystemMetrics(kSmCxFrame);
    g_Background.hasLogo = 1;
  }
  SysPostMessage(window, kWmStartWizard, 0, 0);
  SysReadProfileString(kSectionTitleFont, kKeyTitleFont, kDefaultFontFace, g_Background.fontFace, 256,
                       s.EspecialFile);
  return 0;
}

// The start message: the wizard runs in front of the window; its end ends the window.
intptr_t OnStartWizard(WindowHandle window, uintptr_t, intptr_t) {
  RunWizard(window);
  SysPostMessage(window, kWmDestroy, 0, 0);
  return 0;
}

// WM_PAINT: teal, the logo, the title with its shadow; WizardMinTop from the title and logo.
intptr_t OnBackgroundPaint(WindowHandle window, uintptr_t, intptr_t) {
  SysPaint paint;
  DeviceContext dc = SysBeginPaint(window, &paint);
  if (!dc) return 0;
  SysFillRectColor(dc, &paint.area, kTeal);

  if (g_Background.hasLogo) {
    DeviceContext memory = SysCreateCompatibleDC(dc);
    if (memory) {
      GdiObject previous = SysSelectObject(memory, g_Background.logo.bitmap);
      SysBitBlt(dc, g_Background.logoX, 0, g_Background.logo.width, g_Background.logo.height, memory, 0, 0);
      if (previous) SysSelectObject(memory, previous);
      SysDeleteDC(memory);
    }
  }

  GdiObject font = SysCreateFont(kTitleFontHeight, kTitleFontWeight, 1, kVariablePitch | kFamilyRoman,
                                 g_Background.fontFace);
  GdiObject previousFont = font ? SysSelectObject(dc, font) : nullptr;
  const int length = static_cast<int>(TextLength(g_Background.title));
  int32_t width = 0, height = 0;
  SysGetTextExtent(dc, g_Background.title, length, &width, &height);
  int32_t top = height + kTitleMargin;
  if (g_Background.hasLogo && g_Background.logo.height > top) top = g_Background.logo.height;
  WizardMinTop = top + SysGetSystemMetrics(kSmCyFrame) + SysGetSystemMetrics(kSmCyCaption);

  SysSetBkMode(dc, kTransparent);
  SysSetTextColor(dc, kBlack);
  SysTextOut(dc, kShadowX, kShadowY, g_Background.title, length);
  SysSetTextColor(dc, kWhite);
  SysTextOut(dc, kTitleX, kTitleY, g_Background.title, length);

  if (previousFont) SysSelectObject(dc, previousFont);
  if (font) SysDeleteObject(font);
  SysEndPaint(window, &paint);
  return 0;
}

// WM_ERASEBKGND: nothing to erase, the paint covers the whole window.
intptr_t OnEraseBackground(WindowHandle, uintptr_t, intptr_t) { return 0; }

// WM_SETTINGCHANGE: repaint, follow the work area, keep the logo at the right edge.
intptr_t OnSettingChange(WindowHandle window, uintptr_t, intptr_t) {
  SysInvalidateRect(window, nullptr, 1);
  FitToWorkArea(window);
  PlaceLogoInClient(window);
  return 0;
}

// WM_DISPLAYCHANGE: with a logo, make it anew for the new display, follow the work area and
// realize the palette again.
intptr_t OnDisplayChange(WindowHandle window, uintptr_t, intptr_t) {
  if (!g_Background.hasLogo) return 0;
  FreePcxBitmap(&g_Background.logo);
  if (!LoadPcxBitmap(window, g_Settings.BkgLogo, &g_Background.logo)) {
    g_Background.hasLogo = 0;
    FitToWorkArea(window);
    return 0;
  }
  FitToWorkArea(window);
  PlaceLogoInClient(window);
  RealizeLogoPalette(window);
  return 0;
}

// WM_QUERYNEWPALETTE: the window gets the focus; its logo's colours come first.
intptr_t OnQueryNewPalette(WindowHandle window, uintptr_t, intptr_t) {
  if (g_Background.hasLogo && RealizeLogoPalette(window) > 0) SysInvalidateRect(window, nullptr, 1);
  return 1;
}

// WM_PALETTECHANGED: another window changed the system palette (wParam: that window).
intptr_t OnPaletteChanged(WindowHandle window, uintptr_t wParam, intptr_t) {
  if (g_Background.hasLogo && reinterpret_cast<WindowHandle>(wParam) != window &&
      RealizeLogoPalette(window) > 0)
    SysInvalidateRect(window, nullptr, 1);
  return 1;
}

// WM_QUERYENDSESSION: Windows logs off or shuts down; the window ends and lets it go on.
intptr_t OnQueryEndSession(WindowHandle window, uintptr_t, intptr_t) {
  SysPostMessage(window, kWmDestroy, 0, 0);
  return 1;
}

// WM_DESTROY: frees the logo and ends the message loop with exit code 0.
intptr_t OnBackgroundDestroy(WindowHandle, uintptr_t, intptr_t) {
  FreePcxBitmap(&g_Background.logo);
  g_Background.hasLogo = 0;
  SysPostQuitMessage(0);
  return 0;
}

struct MessageRoute {
  uint32_t message;
  intptr_t (*handler)(WindowHandle window, uintptr_t wParam, intptr_t lParam);
};
const MessageRoute kRoutes[] = {
    {kWmCreate, OnBackgroundCreate},
    {kWmStartWizard, OnStartWizard},
    {kWmPaint, OnBackgroundPaint},
    {kWmEraseBkgnd, OnEraseBackground},
    {kWmSettingChange, OnSettingChange},
    {kWmDisplayChange, OnDisplayChange},
    {kWmQueryNewPalette, OnQueryNewPalette},
    {kWmPaletteChanged, OnPaletteChanged},
    {kWmQueryEndSession, OnQueryEndSession},
    {kWmDestroy, OnBackgroundDestroy},
};

}  // namespace

intptr_t BackgroundWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  for (const MessageRoute& route : kRoutes)
    if (route.message == message) return route.handler(window, wParam, lParam);
  return SysDefWindowProc(window, message, wParam, lParam);
}

int RegisterBackgroundClass(ModuleHandle instance) {
  return SysRegisterWindowClass(instance, kBackgroundClassName, BackgroundWindowProc, IDI_SETUP);
}

int CreateBackgroundWindow(ModuleHandle instance, int) {
  const SettingsRecord& s = g_Settings;
  g_Background = BackgroundWindowState();
  ComposeBackgroundTitle(g_Background.title, kBackgroundTitleSize);

  SysRect work = {};
  SysGetWorkArea(&work);
  WindowHandle window = SysCreateWindow(kBackgroundClassName, g_Background.title, kWsOverlappedWindow, 0, 0,
                                        work.right - work.left, work.bottom - work.top, instance);
  if (!window) return 0;
  SysShowWindow(window, s.HiddenMode ? kSwHide : kSwShowMaximized);
  SysUpdateWindow(window);
  return 1;
}
