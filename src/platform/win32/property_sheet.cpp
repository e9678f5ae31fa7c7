// The wizard property sheet on real Windows: PropertySheetW in wizard mode over the program's
// page templates, each page's procedure reached through the dialog trampoline.
#include "platform/win32/win32_internal.h"

#include <commctrl.h>

#include "platform/ui.h"

namespace {

constexpr uint32_t kMaxPages = 16;

// Binds the page's procedure (carried in its descriptor's lParam) on WM_INITDIALOG; messages
// before it (WM_SETFONT) are left to the default handling.
INT_PTR CALLBACK PageTrampoline(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const PROPSHEETPAGEW* descriptor = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    win32::BindDialogProc(page, reinterpret_cast<SysDialogProc>(descriptor->lParam));
  } else if (GetWindowLongPtrW(page, DWLP_USER) == 0) {
    return FALSE;
  }
  return win32::DialogTrampoline(page, message, wParam, lParam);
}

void InitCommonControlsOnce() {
  static bool done = false;
  if (done) return;
  InitCommonControls();
  done = true;
}

}  // namespace

// PropertySheetW with PSH_WIZARD | PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE, the pages with
// PSP_USETITLE, start page 0. The first-version structure sizes keep the classic wizard look on
// every comctl32.
intptr_t SysRunWizardSheet(ModuleHandle instance, WindowHandle owner, const SysWizardPage* pages, uint32_t count) {
  if (!pages || count == 0 || count > kMaxPages) return -1;
  InitCommonControlsOnce();
  PROPSHEETPAGEW descriptors[kMaxPages] = {};
  for (uint32_t i = 0; i < count; ++i) {
    PROPSHEETPAGEW& p = descriptors[i];
    p.dwSize = sizeof(PROPSHEETPAGEW);
    p.dwFlags = PSP_USETITLE;
    p.hInstance = reinterpret_cast<HINSTANCE>(instance);
    p.pszTemplate = MAKEINTRESOURCEW(pages[i].templateId);
    p.pfnDlgProc = PageTrampoline;
    p.pszTitle = win32::Wide(pages[i].title);
    p.lParam = reinterpret_cast<LPARAM>(pages[i].proc);
  }
  PROPSHEETHEADERW header = {};
  header.dwSize = PROPSHEETHEADERW_V1_SIZE;
  header.dwFlags = PSH_WIZARD | PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE;
  header.hwndParent = reinterpret_cast<HWND>(owner);
  header.hInstance = reinterpret_cast<HINSTANCE>(instance);
  header.nPages = count;
  header.nStartPage = 0;
  header.ppsp = descriptors;
  return static_cast<intptr_t>(PropertySheetW(&header));
}
