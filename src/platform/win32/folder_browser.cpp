// The shell's folder browser on real Windows: SHBrowseForFolderW rooted at the drives folder with
// an edit box; its callback and a replacement dialog procedure call the program's hooks.
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
    t_browser.previousProc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(browser, DWLP_DLGPROC));
    if (hooks->opened) hooks->opened(Handle(browser), hooks->context);
    SetWindowLongPtrW(browser, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(BrowserProc));
  } else if (message == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path)) path[0] = 0;
    SendMessageW(browser, BFFM_ENABLEOK, 0, TRUE);
    if (hooks->selectionChanged)
      hooks->selectionChanged(Handle(browser), reinterpret_cast<const char16_t*>(path), hooks->context);
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

}  // namespace

// OleInitialize, the drives folder as root, SHBrowseForFolderW with BIF_EDITBOX and the callback;
// after OK the chosen item's path, then the item freed.
int SysBrowseForFolder(WindowHandle owner, const char16_t* title, const SysFolderBrowserHooks* hooks, char16_t* chosen) {
  if (chosen) chosen[0] = 0;
  if (!hooks) return 0;
  OleInitialize(nullptr);
  LPITEMIDLIST root = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), CSIDL_DRIVES, &root))) root = nullptr;
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.pidlRoot = root;
  info.pszDisplayName = display;
  info.lpszTitle = win32::Wide(title);
  info.ulFlags = BIF_EDITBOX;
  info.lpfn = BrowserCallback;
  OpenBrowser outer = t_browser;
  t_browser = OpenBrowser();
  t_browser.hooks = hooks;
  LPITEMIDLIST item = SHBrowseForFolderW(&info);
  t_browser = outer;
  FreeItem(root);
  if (!item) return 0;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(item, path)) path[0] = 0;
  path[MAX_PATH - 1] = 0;
  if (chosen) win32::CopyCut(chosen, MAX_PATH, path, static_cast<uint32_t>(lstrlenW(path)));
  FreeItem(item);
  return 1;
}

// BFFM_SETSELECTIONW with a path.
void SysBrowserSetSelection(WindowHandle browser, const char16_t* folder) {
  SendMessageW(reinterpret_cast<HWND>(browser), BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder));
}

// BFFM_ENABLEOK.
void SysBrowserEnableOk(WindowHandle browser, int enable) {
  SendMessageW(reinterpret_cast<HWND>(browser), BFFM_ENABLEOK, 0, enable ? TRUE : FALSE);
}
