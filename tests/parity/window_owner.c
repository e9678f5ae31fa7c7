/* Helper program of the parity probe (Windows build): owns one top-level window of a given
 * class and caption and runs a message loop until the window is destroyed or gets WM_DESTROY.
 *
 *   window_owner.exe CLASS CAPTION closes|ignores READY-EVENT
 *
 * "closes": the close request (message 1296) and WM_CLOSE destroy the window, which ends the
 * program with exit code 0. "ignores": both are ignored; only WM_DESTROY (or an ExitProcess
 * started in it from outside) ends it. The named event is set once the window exists. Exit code
 * 2 for bad arguments, 3 when the window cannot be made. */
#include <windows.h>

#include <shellapi.h>

#define CLOSE_REQUEST 1296

static int g_ignoreClose;

/* The window procedure: the close request and WM_CLOSE as the mode says; WM_DESTROY ends the
 * message loop. */
static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CLOSE_REQUEST:
    case WM_CLOSE:
      if (!g_ignoreClose) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

/* Registers the class, makes and shows the window, signals the event, runs the loop. */
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  WNDCLASSW windowClass;
  HWND window;
  HANDLE ready;
  MSG message;
  (void)previous;
  (void)commandLine;
  (void)show;
  if (!args || count != 5) return 2;
  g_ignoreClose = lstrcmpW(args[3], L"ignores") == 0;

  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.lpfnWndProc = OwnerProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  windowClass.lpszClassName = args[1];
  if (!RegisterClassW(&windowClass)) return 3;
  window = CreateWindowExW(0, args[1], args[2], WS_OVERLAPPEDWINDOW, 10, 10, 240, 120, NULL, NULL, instance, NULL);
  if (!window) return 3;
  ShowWindow(window, SW_SHOWNOACTIVATE);

  ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, args[4]);
  if (ready) {
    SetEvent(ready);
    CloseHandle(ready);
  }
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  LocalFree(args);
  return 0;
}
