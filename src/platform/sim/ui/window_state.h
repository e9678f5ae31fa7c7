// Internal records of the simulated window manager shared by its implementation files (windows,
// messages, controls, dialogs, drawing): the window table, the per-thread message queues, the
// drawing objects and device contexts. Callers hold internal::Lock() while they touch any of it
// and never while they call a procedure of the program.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/sim/machine/machine.h"
#include "platform/sim/ui/window_manager.h"
#include "platform/ui.h"

namespace sim {
namespace internal {

// What a window does when the program has not given it a procedure.
enum class WindowKind { kPlain, kDialog, kButton, kStatic, kEdit, kListBox, kComboBox, kScrollBar };

// Widths of the non-client parts around the client area.
struct Insets {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct Window {
  uintptr_t token = 0;
  uint64_t serial = 0;  // creation order
  WindowKind kind = WindowKind::kPlain;
  std::u16string className;
  std::u16string text;
  bool textIsOrdinal = false;  // a template control whose text is a resource number
  uint16_t textOrdinal = 0;
  int id = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  SysRect rect = {0, 0, 0, 0};         // parent client coordinates (child) or screen (top-level)
  SysRect restoreRect = {0, 0, 0, 0};  // rectangle before maximising
  Insets insets;
  WindowHandle parent = nullptr;
  WindowHandle owner = nullptr;
  std::vector<WindowHandle> children;  // z-order, top first (template order for dialogs)
  uint32_t check = 0;
  GdiObject font = nullptr;       // WM_SETFONT
  GdiObject ownedFont = nullptr;  // the template's font, deleted with the dialog
  SysDialogProc dialogProc = nullptr;
  SysWindowProc windowProc = nullptr;
  intptr_t msgResult = 0;  // DWLP_MSGRESULT
  uint32_t templateId = 0;
  std::thread::id thread;
  bool alive = true;
  bool invalid = false;
  bool hiddenByProgram = false;
  bool paintWarned = false;
  // Modal loop state.
  bool ended = false;
  intptr_t endResult = 0;
  int unscriptedPresses = 0;
  WindowHandle disabledOwner = nullptr;  // the owner this modal dialog disabled
  std::vector<PaintOp> paintLog;

  bool visible() const { return (style & kWsVisible) != 0; }
  bool enabled() const { return (style & kWsDisabled) == 0; }
  bool isChild() const { return parent != nullptr; }
  WindowHandle handle() const { return reinterpret_cast<WindowHandle>(token); }
};

// A message sent from another thread, waiting for its answer.
struct SentMessage {
  SysMessage message;
  bool done = false;
  intptr_t result = 0;
};

// The message queue of one thread.
struct ThreadQueue {
  std::deque<SysMessage> posted;
  std::deque<std::shared_ptr<SentMessage>> sent;
  bool quitPending = false;
  int quitCode = 0;
};

// A drawing object: brush, pen or font.
struct GdiRecord {
  enum Kind { kBrush, kPen, kFont, kBitmap, kPalette };
  Kind kind = kBrush;
  bool stock = false;
  bool systemOwned = false;  // made by the window manager (a template's font), not by the program
  bool null = false;         // the null brush or pen
  uint32_t color = 0;
  std::u16string face;
  int height = 0;
  int weight = 0;
  bool italic = false;
  uint32_t pitchAndFamily = 0;
  // ---- Bitmaps and palettes ----
  int width = 0;                  // bitmap: size in pixels (height also serves fonts above)
  int bitCount = 0;               // bitmap: bits per pixel of the picture it was made from
  std::string name;               // bitmap: what the paint log calls it ("dib 640x48 8-bit")
  std::vector<uint32_t> colours;  // palette: its entries as COLORREF values
};

// A device context handed out by BeginPaint or GetDC.
struct DeviceContextRecord {
  WindowHandle window = nullptr;  // null: the screen
  GdiObject font = nullptr;
  GdiObject brush = nullptr;
  GdiObject pen = nullptr;
  int bkMode = kOpaque;
  uint32_t textColor = 0;
  uint32_t bkColor = 0;
  // ---- Bitmaps and palettes ----
  GdiObject bitmap = nullptr;   // the bitmap selected into a memory context
  GdiObject palette = nullptr;  // SelectPalette
  // ---- Memory contexts and stretching (SysCreateCompatibleDC, SysSetStretchBltMode) ----
  bool memory = false;  // made by SysCreateCompatibleDC, freed by SysDeleteDC
  int stretchMode = 1;  // BLACKONWHITE until SysSetStretchBltMode
  int mapMode = kMapModeText;
};

struct UiState {
  std::map<uintptr_t, std::shared_ptr<Window>> windows;  // destroyed ones stay for the test API
  std::vector<WindowHandle> topLevels;                   // live top-level windows, top first
  std::map<std::thread::id, std::shared_ptr<ThreadQueue>> queues;
  std::map<uint32_t, std::deque<int>> answers;  // answers script by template
  std::function<void(WindowHandle, uint32_t)> waitHook;
  std::vector<uint8_t> overlay;  // test resources searched before the program's own
  int screenWidth = kDefaultScreenWidth;
  int screenHeight = kDefaultScreenHeight;
  SysRect workArea = {0, 0, kDefaultScreenWidth, kDefaultScreenHeight - kDefaultTaskBarHeight};
  WindowHandle foreground = nullptr;
  int cursor = kCursorArrow;
  std::map<uintptr_t, GdiRecord> gdiObjects;  // created objects (stock ones are fixed)
  std::map<uintptr_t, DeviceContextRecord> dcs;
  std::vector<PaintOp> screenLog;
  uint64_t nextSerial = 1;

  // ---- Wizard sheet and folder browser (property_sheet.cpp, folder_browser.cpp) ----
  WindowHandle activeWizardPage = nullptr;
  struct FolderChoice {
    std::u16string folder;
    std::u16string editText;
    bool ok = false;
  };
  std::deque<FolderChoice> folderChoices;
  WindowHandle lastFolderBrowser = nullptr;

  // ---- Window classes the program registered, and the system palette (window_classes.cpp,
  // palettes.cpp) ----
  struct RegisteredClass {
    std::u16string name;
    SysWindowProc proc = nullptr;
    uint32_t iconId = 0;
  };
  std::vector<RegisteredClass> classes;
  std::vector<uint32_t> systemPalette;  // the colours last realized, as COLORREF values
};

// The window manager's state. Hold Lock().
UiState& Ui();
// The class the program registered under that name (ignoring case), else null.
UiState::RegisteredClass* FindClass(const char16_t* name);
// The record of an open device context, else null.
DeviceContextRecord* Dc(DeviceContext dc);
// A new device context's record: the stock font, brush and pen, opaque black on white.
DeviceContextRecord DefaultDc();

// The record of a window made here, alive or destroyed; null for any other handle.
Window* WindowRecord(WindowHandle window);
// The record of a live window, else null.
Window* LiveWindow(WindowHandle window);
// The queue of a thread (made on first use).
ThreadQueue& QueueOf(std::thread::id thread);

// Geometry: the client area's top-left corner on the screen, and whether the window and all
// its parents are visible.
SysPoint ClientOriginOnScreen(const Window& window);
bool EffectivelyVisible(const Window& window);
// Client width and height.
int ClientWidth(const Window& window);
int ClientHeight(const Window& window);
// Non-client widths for a style (caption, frames, edges).
Insets InsetsFor(WindowKind kind, uint32_t style, uint32_t exStyle);
// Marks a window for painting (and its descendants when asked).
void Invalidate(Window& window, bool withChildren);
// Sets the visible bit; a window becoming visible is invalidated with its descendants.
void SetVisible(Window& window, bool visible);

// Adds a window record (made visible-or-not by its style) and links it to its parent or into the
// top-level order. Returns its handle.
WindowHandle AddWindow(std::shared_ptr<Window> window);

// Destroys a window with its owned windows and children (WM_DESTROY to each, parents first).
void DestroyTree(WindowHandle window);

// Messages (messages.cpp). Calls the window's procedure on the calling thread; lock not held.
intptr_t Deliver(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Default handling of dialogs (DefDlgProc after the dialog procedure said "not handled").
intptr_t DefaultDialogHandling(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Built-in control behaviour (controls.cpp): the procedure of a window without one of the
// program's, and a click on a button (state change and WM_COMMAND to the parent). Lock not held.
intptr_t BuiltinProcedure(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void ClickButton(WindowHandle button);

// Drawing (gdi.cpp): fonts the window manager makes for templates, and what a window's font
// measures.
GdiObject NewFont(const std::u16string& face, int height, int weight, bool italic, uint32_t pitchAndFamily,
                  bool systemOwned);
void DeleteFontObject(GdiObject font);
// Validates a window after painting.
void Validate(WindowHandle window);

// Journal text of a window text: line breaks written as \n.
std::string JournalText(const std::u16string& text);

}  // namespace internal
}  // namespace sim
