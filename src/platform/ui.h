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

// ==== Windows, dialogs and messages ========================================================
// Message numbers, styles and codes keep Windows' numbering so that the same dialog procedures
// run against the real window manager and the simulated one.

constexpr uint32_t kWmCreate = 0x0001;
constexpr uint32_t kWmDestroy = 0x0002;
constexpr uint32_t kWmSize = 0x0005;
constexpr uint32_t kWmSetText = 0x000C;
constexpr uint32_t kWmGetText = 0x000D;
constexpr uint32_t kWmPaint = 0x000F;
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmQueryEndSession = 0x0011;
constexpr uint32_t kWmQuit = 0x0012;
constexpr uint32_t kWmEraseBkgnd = 0x0014;
constexpr uint32_t kWmSettingChange = 0x001A;
constexpr uint32_t kWmSetCursor = 0x0020;
constexpr uint32_t kWmSetFont = 0x0030;
constexpr uint32_t kWmGetFont = 0x0031;
constexpr uint32_t kWmNotify = 0x004E;
constexpr uint32_t kWmDisplayChange = 0x007E;
constexpr uint32_t kWmInitDialog = 0x0110;
constexpr uint32_t kWmCommand = 0x0111;
constexpr uint32_t kWmTimer = 0x0113;
constexpr uint32_t kWmMouseMove = 0x0200;
constexpr uint32_t kWmQueryNewPalette = 0x030F;
constexpr uint32_t kWmPaletteChanged = 0x0311;
constexpr uint32_t kWmUser = 0x0400;
constexpr uint32_t kWmApp = 0x8000;

// Notification codes carried in WM_COMMAND's high word.
constexpr uint32_t kBnClicked = 0;
constexpr uint32_t kEnSetFocus = 0x0100;

// Button messages and states.
constexpr uint32_t kBmGetCheck = 0x00F0;
constexpr uint32_t kBmSetCheck = 0x00F1;
constexpr uint32_t kBstUnchecked = 0;
constexpr uint32_t kBstChecked = 1;

// Hit-test code of a window's client area (WM_SETCURSOR's low word of lParam).
constexpr uint32_t kHtClient = 1;

// ShowWindow commands.
constexpr int kSwHide = 0;
constexpr int kSwShowNormal = 1;
constexpr int kSwShowMaximized = 3;
constexpr int kSwShow = 5;
constexpr int kSwMinimize = 6;
constexpr int kSwRestore = 9;

// SetWindowPos flags and z-order positions.
constexpr uint32_t kSwpNoSize = 0x0001;
constexpr uint32_t kSwpNoMove = 0x0002;
constexpr uint32_t kSwpNoZOrder = 0x0004;
constexpr uint32_t kSwpNoActivate = 0x0010;
constexpr uint32_t kSwpShowWindow = 0x0040;
constexpr uint32_t kSwpHideWindow = 0x0080;
inline WindowHandle const kHwndTop = nullptr;
inline WindowHandle const kHwndBottom = reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(1));

struct SysRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};
struct SysPoint {
  int32_t x;
  int32_t y;
};

// One queued message.
struct SysMessage {
  WindowHandle window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

// Dialog procedure: returns non-zero when it handled the message (the dialog's message result
// is then what SysSetDialogResult stored, or the returned value for messages that return one).
typedef intptr_t (*SysDialogProc)(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Window procedure of a window class.
typedef intptr_t (*SysWindowProc)(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// DialogBoxParamW with a dialog template of the program's resources: runs a modal loop until
// SysEndDialog (from any thread); returns the value given to it, -1 when the dialog could not be
// created.
intptr_t SysDialogBoxParam(ModuleHandle instance, uint32_t templateId, WindowHandle owner, SysDialogProc proc,
                           intptr_t parameter);
// EndDialog. 1 on success.
int SysEndDialog(WindowHandle dialog, intptr_t result);
// SetWindowLongPtrW(DWLP_MSGRESULT): the answer of a dialog procedure to a notification.
void SysSetDialogResult(WindowHandle dialog, intptr_t result);

WindowHandle SysGetDlgItem(WindowHandle dialog, int id);
int SysGetDlgCtrlId(WindowHandle control);
int SysSetWindowText(WindowHandle window, const char16_t* text);
// GetWindowTextW: cut to cap - 1; returns the length copied.
uint32_t SysGetWindowText(WindowHandle window, char16_t* out, uint32_t cap);
int SysSetDlgItemText(WindowHandle dialog, int id, const char16_t* text);
uint32_t SysGetDlgItemText(WindowHandle dialog, int id, char16_t* out, uint32_t cap);
int SysCheckDlgButton(WindowHandle dialog, int id, uint32_t state);
uint32_t SysIsDlgButtonChecked(WindowHandle dialog, int id);
// GetClassNameW.
uint32_t SysGetClassName(WindowHandle window, char16_t* out, uint32_t cap);

int SysShowWindow(WindowHandle window, int command);  // returns whether it was visible before
int SysIsWindowVisible(WindowHandle window);
int SysEnableWindow(WindowHandle window, int enable);  // returns whether it was disabled before
int SysIsWindowEnabled(WindowHandle window);
int SysIsWindow(WindowHandle window);
int SysSetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy, uint32_t flags);
int SysMoveWindow(WindowHandle window, int x, int y, int width, int height, int repaint);
int SysGetWindowRect(WindowHandle window, SysRect* rect);  // screen coordinates
int SysGetClientRect(WindowHandle window, SysRect* rect);  // (0, 0, width, height)
// MapWindowPoints from one window's client coordinates to another's (null = the screen).
int SysMapWindowPoints(WindowHandle from, WindowHandle to, SysPoint* points, uint32_t count);
int SysInvalidateRect(WindowHandle window, const SysRect* rect, int erase);
int SysUpdateWindow(WindowHandle window);
int SysSetForegroundWindow(WindowHandle window);
WindowHandle SysGetParent(WindowHandle window);
int SysDestroyWindow(WindowHandle window);
// FindWindowW: a top-level window with exactly this class and caption (either may be null).
WindowHandle SysFindWindow(const char16_t* className, const char16_t* caption);
// GetWindowThreadProcessId: the thread id; *processId (when given) the process id.
uint32_t SysGetWindowThreadProcessId(WindowHandle window, uint32_t* processId);

int SysPostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t SysSendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t SysSendDlgItemMessage(WindowHandle dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam);
void SysPostQuitMessage(int exitCode);
// GetMessageW for the calling thread: 0 when WM_QUIT arrives (its code in message->wParam).
int SysGetMessage(SysMessage* message);
// PeekMessageW with PM_REMOVE for the calling thread: 1 when a message was taken.
int SysPeekMessage(SysMessage* message);
int SysTranslateMessage(const SysMessage* message);
intptr_t SysDispatchMessage(const SysMessage* message);
intptr_t SysDefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Cursors: SetCursor(LoadCursorW(NULL, IDC_WAIT / IDC_ARROW)).
constexpr int kCursorArrow = 32512;
constexpr int kCursorWait = 32514;
void SysSetCursorShape(int cursorId);

// SystemParametersInfoW(SPI_GETWORKAREA).
int SysGetWorkArea(SysRect* rect);
// GetSystemMetrics.
constexpr int kSmCxScreen = 0;
constexpr int kSmCyScreen = 1;
constexpr int kSmCyCaption = 4;
constexpr int kSmCxFrame = 32;
constexpr int kSmCyFrame = 33;
int SysGetSystemMetrics(int index);

// ==== Painting ==============================================================================
typedef struct SysDcTag* DeviceContext;
typedef struct SysGdiTag* GdiObject;

// Colours as Windows' COLORREF: 0x00BBGGRR.
constexpr uint32_t SysRgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

struct SysPaint {
  DeviceContext dc;
  SysRect area;  // the area to repaint
  uint8_t reserved[80];  // the platform's own paint record (72 bytes on 64-bit Windows)
};
struct SysTextMetrics {
  int32_t height;
  int32_t averageCharWidth;
};
constexpr int kTransparent = 1;
constexpr int kOpaque = 2;
constexpr int kNullPen = 8;  // GetStockObject index

DeviceContext SysBeginPaint(WindowHandle window, SysPaint* paint);
void SysEndPaint(WindowHandle window, SysPaint* paint);
DeviceContext SysGetDC(WindowHandle window);
int SysReleaseDC(WindowHandle window, DeviceContext dc);
// FillRect with a solid brush of the colour.
int SysFillRectColor(DeviceContext dc, const SysRect* rect, uint32_t color);
GdiObject SysCreateSolidBrush(uint32_t color);
GdiObject SysGetStockObject(int index);
GdiObject SysSelectObject(DeviceContext dc, GdiObject object);  // returns the previous one
int SysDeleteObject(GdiObject object);
// Rectangle with the selected pen and brush.
int SysRectangle(DeviceContext dc, int left, int top, int right, int bottom);
int SysSetBkMode(DeviceContext dc, int mode);
uint32_t SysSetTextColor(DeviceContext dc, uint32_t color);
int SysTextOut(DeviceContext dc, int x, int y, const char16_t* text, int length);
int SysGetTextMetrics(DeviceContext dc, SysTextMetrics* metrics);
// Width and height of a text in the selected font.
int SysGetTextExtent(DeviceContext dc, const char16_t* text, int length, int32_t* width, int32_t* height);

// Fonts: the font a control uses (WM_GETFONT), a copy of a font with another weight, a new font
// (CreateFontW with the given height, weight, italic flag, family/pitch and face).
GdiObject SysGetWindowFont(WindowHandle window);
void SysSetWindowFont(WindowHandle window, GdiObject font, int redraw);
GdiObject SysCreateFontWithWeight(GdiObject font, int weight);
GdiObject SysCreateFont(int height, int weight, int italic, uint32_t pitchAndFamily, const char16_t* face);

// ==== Property sheet in wizard mode ==========================================================
// One page: a dialog template of the program's resources with its procedure and its title
// (PSP_USETITLE; the text must live as long as the sheet).
struct SysWizardPage {
  uint32_t templateId;
  const char16_t* title;
  SysDialogProc proc;
};
// PropertySheetW with PSH_WIZARD | PSH_NOAPPLYNOW, the pages as an array of descriptors, the
// owner, start page 0. Pages are created when first shown. Runs until the sheet closes; returns
// PropertySheetW's result (positive after Finish, 0 after Cancel, -1 when the sheet could not be
// created). The frame takes kPsm* requests (wizard_messages.h) and sends pages WM_NOTIFY with
// the kPsn* codes.
intptr_t SysRunWizardSheet(ModuleHandle instance, WindowHandle owner, const SysWizardPage* pages, uint32_t count);
// The frame's requests, the buttons they name and the notifications it sends its pages, with
// Windows' numbering (PSM_*, PSWIZB_*, PSBTN_*, PSN_*).
// Requests posted to the wizard frame (the page's parent window).
constexpr uint32_t kPsmSetCurSel = 0x465;       // wParam: page index
constexpr uint32_t kPsmSetWizButtons = 0x470;  // lParam: kPswizb* bits
constexpr uint32_t kPsmPressButton = 0x471;    // wParam: kPsbtn* button
constexpr uint32_t kPsmRemovePage = 0x466;     // wParam: page index
constexpr uint32_t kPsmCancelToClose = 0x46B;  // Cancel becomes a disabled "Close"

// Wizard buttons to enable (PSM_SETWIZBUTTONS).
constexpr intptr_t kPswizbBack = 0x1;
constexpr intptr_t kPswizbNext = 0x2;
constexpr intptr_t kPswizbFinish = 0x4;
constexpr intptr_t kPswizbDisabledFinish = 0x8;

// Buttons to press (PSM_PRESSBUTTON).
constexpr uintptr_t kPsbtnBack = 0;
constexpr uintptr_t kPsbtnNext = 1;
constexpr uintptr_t kPsbtnFinish = 2;
constexpr uintptr_t kPsbtnCancel = 5;

// Notification codes a page receives through WM_NOTIFY.
constexpr int32_t kPsnSetActive = -200;
constexpr int32_t kPsnKillActive = -201;
constexpr int32_t kPsnReset = -203;
constexpr int32_t kPsnWizBack = -206;
constexpr int32_t kPsnWizNext = -207;
constexpr int32_t kPsnWizFinish = -208;
constexpr int32_t kPsnQueryCancel = -209;

// The header every WM_NOTIFY's lParam points to. Same layout as Windows' NMHDR (HWND, UINT_PTR,
// UINT), so the real property sheet's notifications can be read through it unchanged.
struct SysNotifyHeader {
  WindowHandle hwndFrom;
  uintptr_t idFrom;
  int32_t code;
};

// Dialog-manager messages used to move the keyboard focus to a dialog's default button.
constexpr uint32_t kDmGetDefId = 0x0400;    // answer: default id in the low word, kDcHasDefId above
constexpr uint32_t kWmNextDlgCtl = 0x0028;  // wParam: control, lParam: 1 (wParam is a handle)
constexpr uint32_t kDcHasDefId = 0x534B;

// Control ids of the wizard frame's own buttons (Cancel is kIdCancel).
constexpr int kIdWizardBack = 0x3023;
constexpr int kIdWizardNext = 0x3024;
constexpr int kIdWizardFinish = 0x3025;

// ==== Wizard side picture: bitmap resources and stretched copies ==============================
// LoadBitmapW of a bitmap resource of the module; null when it does not exist. Free it with
// SysDeleteObject.
GdiObject SysLoadBitmapResource(ModuleHandle instance, uint32_t bitmapId);
// CreateCompatibleDC / DeleteDC: a memory drawing context to select a bitmap into.
DeviceContext SysCreateCompatibleDC(DeviceContext dc);
int SysDeleteDC(DeviceContext dc);
// SetStretchBltMode; returns the previous mode (0 on failure).
constexpr int kStretchColorOnColor = 3;  // COLORONCOLOR
int SysSetStretchBltMode(DeviceContext dc, int mode);
// StretchBlt with SRCCOPY: the source rectangle (x, y, width, height) of the bitmap selected
// into source, into the destination rectangle of dc.
int SysStretchBlt(DeviceContext dc, int x, int y, int width, int height, DeviceContext source, int sourceX,
                  int sourceY, int sourceWidth, int sourceHeight);
// DrawEdge with the given edge and border flags around rect.
constexpr uint32_t kBdrSunkenOuter = 0x0002;  // BDR_SUNKENOUTER
constexpr uint32_t kBfRect = 0x000F;          // BF_RECT
int SysDrawEdge(DeviceContext dc, const SysRect* rect, uint32_t edge, uint32_t flags);

// ==== Main window class, bitmaps and palettes ================================================
// Window styles of a top-level application window (WS_OVERLAPPEDWINDOW: caption, system menu,
// sizing frame, minimise and maximise boxes).
constexpr uint32_t kWsOverlappedWindow = 0x00CF0000;

// RegisterClassW: no class styles, the program's icon iconId, the standard arrow cursor, the
// white stock brush as background, no menu, no extra bytes. Returns 1 when registered, 0 on
// failure (a class of that name already registered by the program, or the system refused).
int SysRegisterWindowClass(ModuleHandle instance, const char16_t* className, SysWindowProc proc, uint32_t iconId);
// CreateWindowExW without extended style: a top-level window (no parent, no menu) of a class the
// program registered. WM_CREATE reaches the class procedure before this returns; a procedure that
// answers -1 makes the creation fail. Returns the window, null on failure.
WindowHandle SysCreateWindow(const char16_t* className, const char16_t* title, uint32_t style, int x, int y,
                             int width, int height, ModuleHandle instance);

// A bottom-up device-independent bitmap as CreateDIBitmap takes it: the 40-byte information
// header, the colourCount 4-byte entries that follow it (the three colour masks when the
// compression is 3, bit fields; then the colour table of biClrUsed entries, or 2^bitCount when
// that is 0 and bitCount is 8 or less, each blue, green, red, 0) and the padded pixel rows.
// Windows reads as many entries as the header says, whatever colourCount holds.
struct SysDibDescription {
  const void* header;
  const void* colours;
  uint32_t colourCount;
  const void* pixels;
};
// CreateDIBitmap(dc, header, CBM_INIT, pixels, header + colours, DIB_RGB_COLORS): a bitmap
// compatible with dc holding the picture. Returns null on failure.
GdiObject SysCreateDIBitmap(DeviceContext dc, const SysDibDescription* dib);
// BitBlt with SRCCOPY: width x height pixels from (sourceX, sourceY) of the bitmap selected into
// source (a SysCreateCompatibleDC context) to (x, y) of dc. Returns 1 when copied.
int SysBitBlt(DeviceContext dc, int x, int y, int width, int height, DeviceContext source, int sourceX, int sourceY);
// GetObjectW of a bitmap: its width and height in pixels. Returns 1, or 0 (both 0) when the
// object is not a bitmap.
int SysGetBitmapSize(GdiObject bitmap, int32_t* width, int32_t* height);
// GetMapMode / SetMapMode (MM_TEXT is 1). SetMapMode returns the previous mode, 0 on failure.
constexpr int kMapModeText = 1;
int SysGetMapMode(DeviceContext dc);
int SysSetMapMode(DeviceContext dc, int mode);

// One logical palette entry: red, green, blue (flags 0).
struct SysPaletteColour {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};
// CreatePalette of count entries (version 0x300). Returns null on failure.
GdiObject SysCreatePalette(const SysPaletteColour* colours, uint32_t count);
// SelectPalette: returns the palette selected before (null on failure).
GdiObject SysSelectPalette(DeviceContext dc, GdiObject palette, int forceBackground);
// RealizePalette: the number of system palette entries that changed (0 when none did).
uint32_t SysRealizePalette(DeviceContext dc);

// ==== Mouse buttons ==========================================================================
// SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP, swap, NULL, SPIF_UPDATEINIFILE): swaps (1) or
// restores (0) the mouse buttons and stores the setting in the user profile. 1 on success.
int SysSetMouseButtonSwap(int swap);
