// The program's own window classes on real Windows: RegisterClassW with a system procedure that
// calls the seam's procedure of the class, and CreateWindowExW of top-level windows of them (the
// A functions on the ANSI road, which makes them ANSI windows).
#include "platform/ui.h"
#include "platform/win32/win32_internal.h"

using win32::AnsiText;
using win32::OnAnsiRoad;
using win32::Wide;

namespace {

// The classes registered through the seam: their atom and the seam procedure.
struct ClassProc {
  ATOM atom;
  SysWindowProc proc;
};
constexpr int kMaxClasses = 8;
ClassProc g_classProcs[kMaxClasses] = {};
int g_classCount = 0;

// Every window of a seam class runs this procedure; the class atom finds the seam procedure.
LRESULT CALLBACK WindowTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ATOM atom =
      static_cast<ATOM>(OnAnsiRoad() ? GetClassLongPtrA(window, GCW_ATOM) : GetClassLongPtrW(window, GCW_ATOM));
  for (int i = 0; i < g_classCount; ++i) {
    if (g_classProcs[i].atom == atom)
      return static_cast<LRESULT>(
          g_classProcs[i].proc(reinterpret_cast<WindowHandle>(window), message, wParam, lParam));
  }
  return OnAnsiRoad() ? DefWindowProcA(window, message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

// The class record of either width with the fields the program sets.
template <typename WndClass, typename Text>
WndClass ClassRecord(HINSTANCE module, HICON icon, HCURSOR cursor, Text name) {
  WndClass wc = {};
  wc.style = 0;
  wc.lpfnWndProc = WindowTrampoline;
  wc.hInstance = module;
  wc.hIcon = icon;
  wc.hCursor = cursor;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = name;
  return wc;
}

}  // namespace

// RegisterClassW: no styles, icon iconId of the program, arrow cursor, white stock brush, no menu.
int SysRegisterWindowClass(ModuleHandle instance, const char16_t* className, SysWindowProc proc, uint32_t iconId) {
  if (g_classCount >= kMaxClasses || proc == nullptr) return 0;
  HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
  ATOM atom = 0;
  if (OnAnsiRoad()) {
    AnsiText name(className);
    const WNDCLASSA wc = ClassRecord<WNDCLASSA, const char*>(module, LoadIconA(module, MAKEINTRESOURCEA(iconId)),
                                                             LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), name);
    atom = RegisterClassA(&wc);
  } else {
    const WNDCLASSW wc = ClassRecord<WNDCLASSW, const wchar_t*>(
        module, LoadIconW(module, MAKEINTRESOURCEW(iconId)),
        LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)), Wide(className));
    atom = RegisterClassW(&wc);
  }
  if (atom == 0) return 0;
  g_classProcs[g_classCount].atom = atom;
  g_classProcs[g_classCount].proc = proc;
  ++g_classCount;
  return 1;
}

// CreateWindowExW of a top-level window without extended style, parent or menu.
WindowHandle SysCreateWindow(const char16_t* className, const char16_t* title, uint32_t style, int x, int y,
                             int width, int height, ModuleHandle instance) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
  HWND window = OnAnsiRoad() ? CreateWindowExA(0, AnsiText(className), AnsiText(title), style, x, y, width, height,
                                               nullptr, nullptr, module, nullptr)
                             : CreateWindowExW(0, Wide(className), Wide(title), style, x, y, width, height, nullptr,
                                               nullptr, module, nullptr);
  return reinterpret_cast<WindowHandle>(window);
}
