// The shell's folder browser on real Windows: SHBrowseForFolderW rooted at the drives folder with
// an edit box; its callback and a replacement dialog procedure call the program's hooks. The
// wide functions are found at run time (SHBrowseForFolderA on the ANSI road).
#include "platform/win32/win32_internal.h"

#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "platform/shell.h"

namespace {

// The browser open now, on this thread, and the dialog procedure it had before ours.
struct OpenBrowser {
  const SysFolderBrowserHooks* hooks = nullptr;
  DLGPROC previousProc = nullptr;
};
thread_local OpenBrowser t_browser;

WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// The browser's own procedure with the OK hook in front of it.
INT_PTR CALLBACK BrowserProc(HWND browser, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && t_browser.hooks && t_browser.hooks->okPressed)
    t_browser.hooks->okPressed(Handle(browser), t_browser.hooks->context);
  if (!t_browser.previousProc) return FALSE;
  return t_browser.previousProc(browser, message, wParam, lParam);
}

int CALLBACK BrowserCallback(HWND browser, UINT message, LPARAM lParam, LPARAM) {
  const SysFolderBrowserHooks* hooks = t_browser.hooks;
  if (!hooks) return 0;
  if (message == BFFM_INITIALIZED) {
    t_browser.previousProc = reinterpret_cast<DLGPROC>(win32::WindowValue(browser, DWLP_DLGPROC));
    if (hooks->opened) hooks->opened(Handle(browser), hooks->context);
    win32::SetWindowValue(browser, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(BrowserProc));
  } else if (message == BFFM_SELCHANGED) {
    char16_t path[MAX_PATH] = {};
    win32::PathFromIdList(reinterpret_cast<const void*>(lParam), path);
    win32::SendText(browser, BFFM_ENABLEOK, 0, TRUE);
    if (hooks->selectionChanged) hooks->selectionChanged(Handle(browser), path, hooks->context);
  }
  return 0;
}

void FreeItem(LPITEMIDLIST item) {
  IMalloc* allocator = nullptr;
  if (item && SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
    allocator->Free(item);
    allocator->Release();
  }
}

typedef LPITEMIDLIST(WINAPI* BrowseWFn)(LPBROWSEINFOW);

// The browser record of either width, shown; the chosen item or null.
template <typename Info, typename Text, typename BrowseFn>
LPITEMIDLIST Browse(HWND owner, LPITEMIDLIST root, Text title, Text display, BrowseFn browse) {
  Info info = {};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.pszDisplayName = const_cast<decltype(info.pszDisplayName)>(display);
  info.lpszTitle = title;
  info.ulFlags = BIF_EDITBOX;
  info.lpfn = BrowserCallback;
  return browse(&info);
}

LPITEMIDLIST ShowBrowser(HWND owner, LPITEMIDLIST root, const char16_t* title) {
  if (win32::OnAnsiRoad()) {
    char display[MAX_PATH * 2] = {};
    return Browse<BROWSEINFOA, const char*>(owner, root, win32::AnsiText(title), display, SHBrowseForFolderA);
  }
  BrowseWFn browse = win32::SystemCall<BrowseWFn>("shell32.dll", "SHBrowseForFolderW");
  wchar_t display[MAX_PATH] = {};
  return browse ? Browse<BROWSEINFOW, const wchar_t*>(owner, root, win32::Wide(title), display, browse) : nullptr;
}

}  // namespace

// OleInitialize, the drives folder as root, SHBrowseForFolderW with BIF_EDITBOX and the callback;
// after OK the chosen item's path, then the item freed.
int SysBrowseForFolder(WindowHandle owner, const char16_t* title, const SysFolderBrowserHooks* hooks, char16_t* chosen) {
  if (chosen) chosen[0] = 0;
  if (!hooks) return 0;
  OleInitialize(nullptr);
  LPITEMIDLIST root = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), CSIDL_DRIVES, &root))) root = nullptr;
  OpenBrowser outer = t_browser;
  t_browser = OpenBrowser();
  t_browser.hooks = hooks;
  LPITEMIDLIST item = ShowBrowser(reinterpret_cast<HWND>(owner), root, title);
  t_browser = outer;
  FreeItem(root);
  if (!item) return 0;
  char16_t path[MAX_PATH] = {};
  win32::PathFromIdList(item, path);
  if (chosen) win32::CopyCut(chosen, MAX_PATH, win32::Wide(path), static_cast<uint32_t>(lstrlenW(win32::Wide(path))));
  FreeItem(item);
  return 1;
}

// BFFM_SETSELECTIONW with a path (BFFM_SETSELECTIONA on the ANSI road).
void SysBrowserSetSelection(WindowHandle browser, const char16_t* folder) {
  HWND window = reinterpret_cast<HWND>(browser);
  if (win32::OnAnsiRoad()) {
    win32::AnsiText path(folder);
    SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(static_cast<const char*>(path)));
    return;
  }
  SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder));
}

// BFFM_ENABLEOK.
void SysBrowserEnableOk(WindowHandle browser, int enable) {
  win32::SendText(reinterpret_cast<HWND>(browser), BFFM_ENABLEOK, 0, enable ? TRUE : FALSE);
}
