// User-interface services on real Windows: message boxes, string resources, modal dialogs built
// from the program's templates, windows, controls and the message queue.
#include "platform/ui.h"

#include <cstddef>
#include <vector>

#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::ToWide;
using win32::Wide;

// The seam's rectangles and points are handed to the system as they are.
static_assert(sizeof(SysRect) == sizeof(RECT) && offsetof(SysRect, left) == offsetof(RECT, left) &&
                  offsetof(SysRect, top) == offsetof(RECT, top) && offsetof(SysRect, right) == offsetof(RECT, right) &&
                  offsetof(SysRect, bottom) == offsetof(RECT, bottom),
              "SysRect must have RECT's layout");
static_assert(sizeof(SysPoint) == sizeof(POINT) && offsetof(SysPoint, x) == offsetof(POINT, x) &&
                  offsetof(SysPoint, y) == offsetof(POINT, y),
              "SysPoint must have POINT's layout");

namespace {

// Largest capacity handed to the int-sized text functions.
constexpr uint32_t kMaxTextCap = 0x7FFFFFFF;

inline HWND Hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }
inline int TextCap(uint32_t cap) { return static_cast<int>(cap > kMaxTextCap ? kMaxTextCap : cap); }

// The procedure of the dialog being created on this thread, until its first message binds it.
thread_local SysDialogProc t_pendingDialogProc = nullptr;

// Private message that carries an end request from another thread to the dialog's own thread.
UINT EndDialogMessage() {
  static const UINT message = OnAnsiRoad() ? RegisterWindowMessageA("Glidewave.EndDialog")
                                           : RegisterWindowMessageW(L"Glidewave.EndDialog");
  return message;
}

// Messages whose lParam is a text the program hands to the window.
bool SendsText(UINT message) {
  switch (message) {
    case WM_SETTEXT:
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case LB_SELECTSTRING:
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING:
    case CB_DIR:
    case LB_DIR:
      return true;
    default:
      return false;
  }
}

// An item text of a list or combo box on the ANSI road: its ANSI length asked first, so the
// byte buffer always holds it; the caller's buffer holds as many characters as its length said.
LRESULT GetItemTextAnsi(HWND window, UINT lengthMessage, UINT message, WPARAM index, char16_t* out) {
  const LRESULT bytes = SendMessageA(window, lengthMessage, index, 0);
  if (bytes < 0) return bytes;
  std::vector<char> text(static_cast<size_t>(bytes) + 1);
  const LRESULT n = SendMessageA(window, message, index, reinterpret_cast<LPARAM>(text.data()));
  if (n < 0) return n;
  return static_cast<LRESULT>(ToWide(out, static_cast<uint32_t>(n) + 1, text.data(), static_cast<int>(n)));
}

// A queued message as the seam sees it, and back. The time and cursor position are those of the
// thread's last retrieved message, which is the one a message loop dispatches.
void ToSys(const MSG& msg, SysMessage* out) {
  out->window = Handle(msg.hwnd);
  out->message = msg.message;
  out->wParam = msg.wParam;
  out->lParam = msg.lParam;
}
MSG FromSys(const SysMessage* message) {
  MSG msg = {};
  msg.hwnd = Hwnd(message->window);
  msg.message = message->message;
  msg.wParam = message->wParam;
  msg.lParam = message->lParam;
  msg.time = static_cast<DWORD>(GetMessageTime());
  const DWORD pos = GetMessagePos();
  msg.pt.x = static_cast<short>(LOWORD(pos));
  msg.pt.y = static_cast<short>(HIWORD(pos));
  return msg;
}

}  // namespace

namespace win32 {

LRESULT SendText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!OnAnsiRoad()) return SendMessageW(window, message, wParam, lParam);
  if (SendsText(message) && lParam) {
    AnsiText text(reinterpret_cast<const char16_t*>(lParam));
    return SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(static_cast<const char*>(text)));
  }
  char16_t* out = reinterpret_cast<char16_t*>(lParam);
  switch (message) {
    case WM_GETTEXT: {
      if (wParam == 0 || !out) return 0;
      std::vector<char> text(wParam * 2 + 1);
      const LRESULT n = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
      return static_cast<LRESULT>(ToWide(out, static_cast<uint32_t>(wParam), text.data(), static_cast<int>(n)));
    }
    case LB_GETTEXT:
      return GetItemTextAnsi(window, LB_GETTEXTLEN, message, wParam, out);
    case CB_GETLBTEXT:
      return GetItemTextAnsi(window, CB_GETLBTEXTLEN, message, wParam, out);
    default:
      return SendMessageA(window, message, wParam, lParam);
  }
}

// Every dialog of the program runs this system dialog procedure. The seam's procedure is kept
// in the dialog's DWLP_USER slot: the first message the new dialog receives (WM_SETFONT or
// WM_INITDIALOG, during creation on the creating thread) binds the procedure left pending by
// SysDialogBoxParam. Return values pass through unchanged: handled flags, or the direct
// results of the messages that return one.
INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto proc = reinterpret_cast<SysDialogProc>(WindowValue(dialog, DWLP_USER));
  if (proc == nullptr) {
    if (t_pendingDialogProc == nullptr) return FALSE;
    proc = t_pendingDialogProc;
    t_pendingDialogProc = nullptr;
    BindDialogProc(dialog, proc);
  }
  if (message == EndDialogMessage()) {
    EndDialog(dialog, static_cast<INT_PTR>(lParam));
    return TRUE;
  }
  return static_cast<INT_PTR>(proc(Handle(dialog), message, wParam, lParam));
}

// Ties a dialog window to the seam procedure that DialogTrampoline calls.
void BindDialogProc(HWND dialog, SysDialogProc proc) {
  SetWindowValue(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(proc));
}

}  // namespace win32

// MessageBoxW.
int SysMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption, uint32_t style) {
  return MessageBoxW(Hwnd(owner), Wide(text), Wide(caption), style);
}

// LoadStringW into a caller buffer. A zero capacity is answered here: LoadStringW would treat
// it as a request for a read-only pointer into the resource and write that pointer into out.
uint32_t SysLoadString(ModuleHandle instance, uint32_t id, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  if (OnAnsiRoad()) {
    std::vector<char> text(static_cast<size_t>(cap) * 2 + 1);
    int n = LoadStringA(reinterpret_cast<HINSTANCE>(instance), id, text.data(), TextCap(cap * 2 + 1));
    return ToWide(out, cap, text.data(), n > 0 ? n : 0);
  }
  int n = LoadStringW(reinterpret_cast<HINSTANCE>(instance), id, Wide(out), TextCap(cap));
  if (n <= 0) {
    out[0] = 0;
    return 0;
  }
  return static_cast<uint32_t>(n);
}

// ==== Dialogs ===============================================================================

// DialogBoxParamW through the trampoline. The pending procedure is saved and restored around
// the call, so a dialog opened while another is being created still binds its own procedure.
intptr_t SysDialogBoxParam(ModuleHandle instance, uint32_t templateId, WindowHandle owner, SysDialogProc proc,
                           intptr_t parameter) {
  SysDialogProc outer = t_pendingDialogProc;
  t_pendingDialogProc = proc;
  HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
  INT_PTR result = OnAnsiRoad() ? DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), Hwnd(owner),
                                                  win32::DialogTrampoline, static_cast<LPARAM>(parameter))
                                : DialogBoxParamW(module, MAKEINTRESOURCEW(templateId), Hwnd(owner),
                                                  win32::DialogTrampoline, static_cast<LPARAM>(parameter));
  t_pendingDialogProc = outer;
  return static_cast<intptr_t>(result);
}

// EndDialog. A request from another thread (a stage worker) is posted to the dialog and carried
// out on its own thread, after the messages that thread posted before it.
int SysEndDialog(WindowHandle dialog, intptr_t result) {
  HWND hwnd = Hwnd(dialog);
  if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId())
    return SysPostMessage(dialog, EndDialogMessage(), 0, static_cast<intptr_t>(result));
  return EndDialog(hwnd, static_cast<INT_PTR>(result)) ? 1 : 0;
}

// SetWindowLongPtrW(DWLP_MSGRESULT).
void SysSetDialogResult(WindowHandle dialog, intptr_t result) {
  win32::SetWindowValue(Hwnd(dialog), DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
}

// GetDlgItem. Negative ids (labels -1 and -2 of the templates) are also found by walking the
// children: the id of an extended template is 32 bits wide, and on 64-bit Windows the window's
// id is not always sign-extended to match.
WindowHandle SysGetDlgItem(WindowHandle dialog, int id) {
  HWND item = GetDlgItem(Hwnd(dialog), id);
  if (item == nullptr && id < 0) {
    for (HWND child = GetWindow(Hwnd(dialog), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (GetDlgCtrlID(child) == id) return Handle(child);
    }
  }
  return Handle(item);
}

// GetDlgCtrlID.
int SysGetDlgCtrlId(WindowHandle control) { return GetDlgCtrlID(Hwnd(control)); }

// SetWindowTextW.
int SysSetWindowText(WindowHandle window, const char16_t* text) {
  if (OnAnsiRoad()) return SetWindowTextA(Hwnd(window), AnsiText(text)) ? 1 : 0;
  return SetWindowTextW(Hwnd(window), Wide(text)) ? 1 : 0;
}

// GetWindowTextW, cut to cap - 1 and terminated.
uint32_t SysGetWindowText(WindowHandle window, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  if (OnAnsiRoad()) {
    std::vector<char> text(static_cast<size_t>(cap) * 2 + 1);
    int n = GetWindowTextA(Hwnd(window), text.data(), TextCap(cap * 2 + 1));
    return n > 0 ? ToWide(out, cap, text.data(), n) : 0;
  }
  int n = GetWindowTextW(Hwnd(window), Wide(out), TextCap(cap));
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

// SetDlgItemTextW on the control found as SysGetDlgItem finds it.
int SysSetDlgItemText(WindowHandle dialog, int id, const char16_t* text) {
  WindowHandle item = SysGetDlgItem(dialog, id);
  return item != nullptr && SysSetWindowText(item, text) ? 1 : 0;
}

// GetDlgItemTextW on the control found as SysGetDlgItem finds it; empty when it is missing.
uint32_t SysGetDlgItemText(WindowHandle dialog, int id, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  WindowHandle item = SysGetDlgItem(dialog, id);
  return item != nullptr ? SysGetWindowText(item, out, cap) : 0;
}

// CheckDlgButton.
int SysCheckDlgButton(WindowHandle dialog, int id, uint32_t state) {
  return CheckDlgButton(Hwnd(dialog), id, state) ? 1 : 0;
}

// IsDlgButtonChecked.
uint32_t SysIsDlgButtonChecked(WindowHandle dialog, int id) { return IsDlgButtonChecked(Hwnd(dialog), id); }

// GetClassNameW, cut to cap - 1 and terminated.
uint32_t SysGetClassName(WindowHandle window, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  out[0] = 0;
  if (OnAnsiRoad()) {
    char name[256];
    int n = GetClassNameA(Hwnd(window), name, sizeof name);
    return n > 0 ? ToWide(out, cap, name, n) : 0;
  }
  int n = GetClassNameW(Hwnd(window), Wide(out), TextCap(cap));
  return n > 0 ? static_cast<uint32_t>(n) : 0;
}

// ==== Windows ===============================================================================

// ShowWindow: 1 when the window was visible before.
int SysShowWindow(WindowHandle window, int command) { return ShowWindow(Hwnd(window), command) ? 1 : 0; }

// IsWindowVisible.
int SysIsWindowVisible(WindowHandle window) { return IsWindowVisible(Hwnd(window)) ? 1 : 0; }

// EnableWindow: 1 when the window was disabled before.
int SysEnableWindow(WindowHandle window, int enable) { return EnableWindow(Hwnd(window), enable ? TRUE : FALSE) ? 1 : 0; }

// IsWindowEnabled.
int SysIsWindowEnabled(WindowHandle window) { return IsWindowEnabled(Hwnd(window)) ? 1 : 0; }

// IsWindow.
int SysIsWindow(WindowHandle window) { return IsWindow(Hwnd(window)) ? 1 : 0; }

// SetWindowPos; kHwndTop and kHwndBottom carry the values of HWND_TOP and HWND_BOTTOM.
int SysSetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy, uint32_t flags) {
  return SetWindowPos(Hwnd(window), Hwnd(insertAfter), x, y, cx, cy, flags) ? 1 : 0;
}

// MoveWindow.
int SysMoveWindow(WindowHandle window, int x, int y, int width, int height, int repaint) {
  return MoveWindow(Hwnd(window), x, y, width, height, repaint ? TRUE : FALSE) ? 1 : 0;
}

// GetWindowRect, in screen coordinates.
int SysGetWindowRect(WindowHandle window, SysRect* rect) {
  return GetWindowRect(Hwnd(window), reinterpret_cast<RECT*>(rect)) ? 1 : 0;
}

// GetClientRect.
int SysGetClientRect(WindowHandle window, SysRect* rect) {
  return GetClientRect(Hwnd(window), reinterpret_cast<RECT*>(rect)) ? 1 : 0;
}

// MapWindowPoints. Its own result mixes the offsets into one number that may be 0 on success,
// so success is told by the last error as the system documents it.
int SysMapWindowPoints(WindowHandle from, WindowHandle to, SysPoint* points, uint32_t count) {
  SetLastError(ERROR_SUCCESS);
  int offsets = MapWindowPoints(Hwnd(from), Hwnd(to), reinterpret_cast<POINT*>(points), count);
  return offsets != 0 || GetLastError() == ERROR_SUCCESS ? 1 : 0;
}

// InvalidateRect; a null rectangle means the whole client area.
int SysInvalidateRect(WindowHandle window, const SysRect* rect, int erase) {
  return InvalidateRect(Hwnd(window), reinterpret_cast<const RECT*>(rect), erase ? TRUE : FALSE) ? 1 : 0;
}

// UpdateWindow.
int SysUpdateWindow(WindowHandle window) { return UpdateWindow(Hwnd(window)) ? 1 : 0; }

// SetForegroundWindow.
int SysSetForegroundWindow(WindowHandle window) { return SetForegroundWindow(Hwnd(window)) ? 1 : 0; }

// GetParent (the owner for pop-up windows, as the system answers).
WindowHandle SysGetParent(WindowHandle window) { return Handle(GetParent(Hwnd(window))); }

// DestroyWindow.
int SysDestroyWindow(WindowHandle window) { return DestroyWindow(Hwnd(window)) ? 1 : 0; }

// FindWindowW.
WindowHandle SysFindWindow(const char16_t* className, const char16_t* caption) {
  if (OnAnsiRoad()) return Handle(FindWindowA(AnsiText(className), AnsiText(caption)));
  return Handle(FindWindowW(Wide(className), Wide(caption)));
}

// GetWindowThreadProcessId.
uint32_t SysGetWindowThreadProcessId(WindowHandle window, uint32_t* processId) {
  DWORD process = 0;
  DWORD thread = GetWindowThreadProcessId(Hwnd(window), &process);
  if (processId != nullptr) *processId = process;
  return thread;
}

// ==== Messages ==============================================================================

// PostMessageW.
int SysPostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (OnAnsiRoad()) return PostMessageA(Hwnd(window), message, wParam, lParam) ? 1 : 0;
  return PostMessageW(Hwnd(window), message, wParam, lParam) ? 1 : 0;
}

// SendMessageW (SendMessageA on the ANSI road, with the text of text messages converted).
intptr_t SysSendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return static_cast<intptr_t>(win32::SendText(Hwnd(window), message, wParam, lParam));
}

// SendMessageW to the control found as SysGetDlgItem finds it; 0 when it is missing.
intptr_t SysSendDlgItemMessage(WindowHandle dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  WindowHandle item = SysGetDlgItem(dialog, id);
  return item != nullptr ? SysSendMessage(item, message, wParam, lParam) : 0;
}

// PostQuitMessage.
void SysPostQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

// GetMessageW for the whole thread. A failure (-1) ends the caller's loop like WM_QUIT does,
// with the code 0.
int SysGetMessage(SysMessage* message) {
  MSG msg;
  BOOL got = OnAnsiRoad() ? GetMessageA(&msg, nullptr, 0, 0) : GetMessageW(&msg, nullptr, 0, 0);
  if (got == -1) {
    message->window = nullptr;
    message->message = kWmQuit;
    message->wParam = 0;
    message->lParam = 0;
    return 0;
  }
  ToSys(msg, message);
  return got ? 1 : 0;
}

// PeekMessageW with PM_REMOVE for the whole thread.
int SysPeekMessage(SysMessage* message) {
  MSG msg;
  if (!(OnAnsiRoad() ? PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) : PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)))
    return 0;
  ToSys(msg, message);
  return 1;
}

// TranslateMessage.
int SysTranslateMessage(const SysMessage* message) {
  MSG msg = FromSys(message);
  return TranslateMessage(&msg) ? 1 : 0;
}

// DispatchMessageW.
intptr_t SysDispatchMessage(const SysMessage* message) {
  MSG msg = FromSys(message);
  return static_cast<intptr_t>(OnAnsiRoad() ? DispatchMessageA(&msg) : DispatchMessageW(&msg));
}

// DefWindowProcW.
intptr_t SysDefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (OnAnsiRoad()) return static_cast<intptr_t>(DefWindowProcA(Hwnd(window), message, wParam, lParam));
  return static_cast<intptr_t>(DefWindowProcW(Hwnd(window), message, wParam, lParam));
}

// ==== Cursor and screen =====================================================================

// SetCursor(LoadCursorW(NULL, id)) with one of the system cursors.
void SysSetCursorShape(int cursorId) {
  SetCursor(OnAnsiRoad() ? LoadCursorA(nullptr, MAKEINTRESOURCEA(cursorId))
                         : LoadCursorW(nullptr, MAKEINTRESOURCEW(cursorId)));
}

// SystemParametersInfoW(SPI_GETWORKAREA).
int SysGetWorkArea(SysRect* rect) {
  RECT* area = reinterpret_cast<RECT*>(rect);
  if (OnAnsiRoad()) return SystemParametersInfoA(SPI_GETWORKAREA, 0, area, 0) ? 1 : 0;
  return SystemParametersInfoW(SPI_GETWORKAREA, 0, area, 0) ? 1 : 0;
}

// GetSystemMetrics.
int SysGetSystemMetrics(int index) { return GetSystemMetrics(index); }

// ==== Mouse buttons ==========================================================================
// SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP) stored in the user profile.
int SysSetMouseButtonSwap(int swap) {
  const UINT on = swap ? TRUE : FALSE;
  if (OnAnsiRoad()) return SystemParametersInfoA(SPI_SETMOUSEBUTTONSWAP, on, nullptr, SPIF_UPDATEINIFILE) ? 1 : 0;
  return SystemParametersInfoW(SPI_SETMOUSEBUTTONSWAP, on, nullptr, SPIF_UPDATEINIFILE) ? 1 : 0;
}
